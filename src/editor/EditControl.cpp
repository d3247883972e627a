#include "EditControl.h"

#include "EditorFiles.h"
#include "EditorText.h"
#include "MessageSeam.h"
#include "NcLexer.h"
#include "TextSearch.h"
#include "WheelScroll.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMimeData>

namespace {

using SB = QsciScintillaBase;

// The program's own writes go in even while the user may not edit.
class WritableScope {
public:
    explicit WritableScope(EditControl* c) : c_(c), was_(c->isReadOnly()) {
        if (was_)
            c_->SendScintilla(SB::SCI_SETREADONLY, 0);
    }
    ~WritableScope() {
        if (was_)
            c_->SendScintilla(SB::SCI_SETREADONLY, 1);
    }

private:
    EditControl* c_;
    bool was_;
};

QsciScintilla::EolMode eolModeOf(const QByteArray& bytes) {
    const int limit = qMin<int>(bytes.size(), 1 << 16);
    for (int i = 0; i < limit; ++i) {
        if (bytes[i] == '\n')
            return QsciScintilla::EolUnix;
        if (bytes[i] == '\r')
            return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? QsciScintilla::EolWindows : QsciScintilla::EolMac;
    }
    return QsciScintilla::EolWindows;
}

} // namespace

int windowsKeyCode(const QKeyEvent* e) {
    const int k = e->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        return k;
    switch (k) {
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 186;
    case Qt::Key_Equal: case Qt::Key_Plus: return 187;
    case Qt::Key_Comma: case Qt::Key_Less: return 188;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 189;
    case Qt::Key_Period: case Qt::Key_Greater: return 190;
    case Qt::Key_Slash: case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 222;
    default: return 0;
    }
}

EditControl::EditControl(QWidget* parent) : QsciScintilla(parent) {
    setUtf8(false);
    SendScintilla(SCI_SETCODEPAGE, 0);
    for (int m = 0; m < 5; ++m)
        setMarginWidth(m, 0);
    setWrapMode(WrapNone);
    setEolMode(EolWindows);
    font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    bindEditingKeys();
    connect(this, &QsciScintilla::modificationChanged, this, [this](bool) { noteModified(); });
    applyLook();
}

EditControl::~EditControl() {
    // QScintilla releases the document it made, so that one goes back in.
    if (parkedDocument_) {
        SendScintilla(SCI_SETDOCPOINTER, 0, parkedDocument_);
        SendScintilla(SCI_RELEASEDOCUMENT, 0, parkedDocument_);
    }
}

// The keys of a Linux text field, and no more: the control's other built-in
// commands (line transpose, duplicate, case change, ...) would change a
// program without a word, and their keys belong to the main window's menus.
// The clipboard and undo keys are handled before the control sees them.
void EditControl::bindEditingKeys() {
    using C = QsciCommand;
    constexpr int Shift = Qt::SHIFT, Ctrl = Qt::CTRL;
    static const std::pair<C::Command, int> keys[] = {
        {C::LineDown, Qt::Key_Down},        {C::LineDownExtend, Shift | Qt::Key_Down},
        {C::LineScrollDown, Ctrl | Qt::Key_Down},
        {C::LineUp, Qt::Key_Up},            {C::LineUpExtend, Shift | Qt::Key_Up},
        {C::LineScrollUp, Ctrl | Qt::Key_Up},
        {C::CharLeft, Qt::Key_Left},        {C::CharLeftExtend, Shift | Qt::Key_Left},
        {C::WordLeft, Ctrl | Qt::Key_Left}, {C::WordLeftExtend, Ctrl | Shift | Qt::Key_Left},
        {C::CharRight, Qt::Key_Right},      {C::CharRightExtend, Shift | Qt::Key_Right},
        {C::WordRight, Ctrl | Qt::Key_Right}, {C::WordRightExtend, Ctrl | Shift | Qt::Key_Right},
        {C::VCHome, Qt::Key_Home},          {C::VCHomeExtend, Shift | Qt::Key_Home},
        {C::DocumentStart, Ctrl | Qt::Key_Home}, {C::DocumentStartExtend, Ctrl | Shift | Qt::Key_Home},
        {C::LineEnd, Qt::Key_End},          {C::LineEndExtend, Shift | Qt::Key_End},
        {C::DocumentEnd, Ctrl | Qt::Key_End}, {C::DocumentEndExtend, Ctrl | Shift | Qt::Key_End},
        {C::PageUp, Qt::Key_PageUp},        {C::PageUpExtend, Shift | Qt::Key_PageUp},
        {C::PageDown, Qt::Key_PageDown},    {C::PageDownExtend, Shift | Qt::Key_PageDown},
        {C::Delete, Qt::Key_Delete},        {C::DeleteWordRight, Ctrl | Qt::Key_Delete},
        {C::DeleteBack, Qt::Key_Backspace}, {C::DeleteBack, Shift | Qt::Key_Backspace},
        {C::DeleteWordLeft, Ctrl | Qt::Key_Backspace},
        {C::EditToggleOvertype, Qt::Key_Insert},
        {C::Tab, Qt::Key_Tab},              {C::Backtab, Shift | Qt::Key_Tab},
        {C::Newline, Qt::Key_Return},       {C::Newline, Shift | Qt::Key_Return},
        {C::SelectAll, Ctrl | Qt::Key_A}
    };
    QsciCommandSet* set = standardCommands();
    set->clearKeys();
    set->clearAlternateKeys();
    SendScintilla(SCI_CLEARALLCMDKEYS);
    for (const auto& [command, key] : keys) {
        C* c = set->find(command);
        if (c->key() == 0)
            c->setKey(key);
        else
            c->setAlternateKey(key);
    }
}

// Shows `doc` with what the control set on the one it replaces (the
// document keeps them, not the view).
void EditControl::showDocument(void* doc) {
    const long codePage = SendScintilla(SCI_GETCODEPAGE);
    const long eolMode = SendScintilla(SCI_GETEOLMODE);
    const long readOnly = SendScintilla(SCI_GETREADONLY);
    SendScintilla(SCI_SETDOCPOINTER, 0, doc);
    SendScintilla(SCI_SETCODEPAGE, codePage);
    SendScintilla(SCI_SETEOLMODE, eolMode);
    SendScintilla(SCI_SETREADONLY, readOnly);
}

// Uncoloured text needs no style byte per character, a document's size
// again; the choice is made when a document is created, so a switch moves
// the text into one of the other kind.
void EditControl::useStyledDocument(bool styled) {
    if (styled == !parkedDocument_)
        return;
    if (!styled) {
        parkedDocument_ = reinterpret_cast<void*>(SendScintilla(SCI_GETDOCPOINTER));
        SendScintilla(SCI_ADDREFDOCUMENT, 0, parkedDocument_);
        // What it held is not kept while parked.
        SendScintilla(SCI_SETUNDOCOLLECTION, 0);
        SendScintilla(SCI_CLEARALL);
        SendScintilla(SCI_EMPTYUNDOBUFFER);
        SendScintilla(SCI_SETUNDOCOLLECTION, 1);
        auto* doc = reinterpret_cast<void*>(SendScintilla(SCI_CREATEDOCUMENT, 0, SC_DOCUMENTOPTION_STYLES_NONE));
        showDocument(doc);
        SendScintilla(SCI_RELEASEDOCUMENT, 0, doc); // the control holds it now
        return;
    }
    const QByteArray text = bytes();
    // Unsaved changes stay unsaved, without a flicker of the mark.
    forcedModified_ = isModified();
    const long anchor = SendScintilla(SCI_GETANCHOR), caret = SendScintilla(SCI_GETCURRENTPOS);
    const long firstLine = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    void* own = parkedDocument_;
    parkedDocument_ = nullptr;
    showDocument(own);
    SendScintilla(SCI_RELEASEDOCUMENT, 0, own);
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0);
    const long readOnly = SendScintilla(SCI_GETREADONLY);
    SendScintilla(SCI_SETREADONLY, 0);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0);
    if (!text.isEmpty())
        SendScintilla(SCI_APPENDTEXT, (uintptr_t)text.size(), text.constData());
    SendScintilla(SCI_SETUNDOCOLLECTION, 1);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_SETREADONLY, readOnly);
    SendScintilla(SCI_SETMODEVENTMASK, mask);
    noteModified();
    SendScintilla(SCI_SETSEL, (unsigned long)anchor, caret);
    SendScintilla(SCI_SETFIRSTVISIBLELINE, (unsigned long)firstLine);
}

QByteArray EditControl::rangeBytes(long start, long end) const {
    if (end <= start)
        return QByteArray();
    const char* p = reinterpret_cast<const char*>(
        SendScintilla(SCI_GETRANGEPOINTER, (unsigned long)start, end - start));
    return p ? QByteArray(p, int(end - start)) : QByteArray();
}

QByteArrayView EditControl::textView() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    if (length <= 0)
        return {};
    const char* p = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
    return p ? QByteArrayView(p, length) : QByteArrayView();
}

QByteArray EditControl::bytes() const { return textView().toByteArray(); }

void EditControl::setBytes(const QByteArray& data) {
    WritableScope writable(this);
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_CLEARALL);
    if (!data.isEmpty())
        SendScintilla(SCI_APPENDTEXT, (uintptr_t)data.size(), data.constData());
    SendScintilla(SCI_ENDUNDOACTION);
    SendScintilla(SCI_GOTOPOS, 0);
}

QString EditControl::text() const { return QString::fromLatin1(bytes()); }
void EditControl::setText(const QString& t) { setBytes(t.toLatin1()); }
int EditControl::textLength() const { return int(SendScintilla(SCI_GETLENGTH)); }
int EditControl::lineCount() const { return int(SendScintilla(SCI_GETLINECOUNT)); }

int EditControl::caretLine() const {
    return int(SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETCURRENTPOS))) + 1;
}

void EditControl::setCaretLine(int line) { SendScintilla(SCI_GOTOLINE, qMax(0, line - 1)); }

int EditControl::lineAtPosition(qint64 position) const {
    return int(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(qMax<qint64>(0, position)))) + 1;
}

void EditControl::setCaretColumn(int column) {
    const long line = SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETCURRENTPOS));
    const long start = SendScintilla(SCI_POSITIONFROMLINE, line);
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, line);
    SendScintilla(SCI_GOTOPOS, qBound(start, start + column, end));
}

int EditControl::currentColumn() const {
    const long pos = SendScintilla(SCI_GETCURRENTPOS);
    return int(pos - SendScintilla(SCI_POSITIONFROMLINE, SendScintilla(SCI_LINEFROMPOSITION, pos)));
}

int EditControl::caretColumnInLine() const { return currentColumn() + 1; }

QString EditControl::lineText(int line) const {
    if (line < 1 || line > lineCount())
        return QString();
    return QString::fromLatin1(
        rangeBytes(SendScintilla(SCI_POSITIONFROMLINE, line - 1), SendScintilla(SCI_GETLINEENDPOSITION, line - 1)));
}

bool EditControl::replaceLineText(int line, const QString& t) {
    if (line < 1 || line > lineCount() || isReadOnly())
        return false;
    const QByteArray b = t.toLatin1();
    SendScintilla(SCI_SETTARGETSTART, SendScintilla(SCI_POSITIONFROMLINE, line - 1));
    SendScintilla(SCI_SETTARGETEND, SendScintilla(SCI_GETLINEENDPOSITION, line - 1));
    SendScintilla(SCI_REPLACETARGET, (uintptr_t)b.size(), b.constData());
    return true;
}

long EditControl::selectionStart() const { return long(SendScintilla(SCI_GETSELECTIONSTART)); }
long EditControl::selectionEnd() const { return long(SendScintilla(SCI_GETSELECTIONEND)); }

void EditControl::selectRange(long start, long end) {
    SendScintilla(SCI_SETSEL, (unsigned long)start, end);
    SendScintilla(SCI_SCROLLCARET);
}

void EditControl::replaceEach(const MatchStarts& starts, qsizetype length, const QByteArray& with) {
    if (isReadOnly() || starts.isEmpty())
        return;
    // Each replacement costs the undo history about 150 bytes beyond its
    // text; matches closer than this go in one piece with the text between
    // them (twice its length in the history), so that dense matches cost no
    // more than the text, and sparse ones little more than themselves.
    constexpr qsizetype kJoinGap = 64;
    constexpr qsizetype kPiece = 1 << 20;
    // The control's change notices would hand each piece on as a copy; one
    // textChanged at the end says it all.
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0);
    SendScintilla(SCI_BEGINUNDOACTION);
    qsizetype shift = 0, caret = 0;
    QByteArray piece;
    MatchStarts::Reader read(starts);
    qsizetype next = read.next();
    for (bool more = true; more;) {
        const qsizetype first = next;
        qsizetype end = first + length;
        piece = with;
        while ((more = !read.atEnd())) {
            next = read.next();
            if (next - end >= kJoinGap || piece.size() >= kPiece)
                break;
            piece += rangeBytes(long(end + shift), long(next + shift)); // still as it was
            piece += with;
            end = next + length;
        }
        SendScintilla(SCI_SETTARGETRANGE, (unsigned long)(first + shift), long(end + shift));
        SendScintilla(SCI_REPLACETARGET, (uintptr_t)piece.size(), piece.constData());
        caret = first + shift + piece.size();
        shift += piece.size() - (end - first);
    }
    SendScintilla(SCI_ENDUNDOACTION);
    SendScintilla(SCI_SETMODEVENTMASK, mask);
    SendScintilla(SCI_GOTOPOS, (unsigned long)caret);
    Q_EMIT textChanged();
    Q_EMIT linesChanged();
}

QByteArray EditControl::selectedBytes() const {
    return rangeBytes(SendScintilla(SCI_GETSELECTIONSTART), SendScintilla(SCI_GETSELECTIONEND));
}

QString EditControl::selectedText() const { return QString::fromLatin1(selectedBytes()); }

int EditControl::selectionLength() const {
    return int(SendScintilla(SCI_GETSELECTIONEND) - SendScintilla(SCI_GETSELECTIONSTART));
}

void EditControl::selectAll() { SendScintilla(SCI_SELECTALL); }

void EditControl::copy() {
    const QByteArray sel = selectedBytes();
    if (!sel.isEmpty())
        QApplication::clipboard()->setText(QString::fromLatin1(sel));
}

void EditControl::cut() {
    if (isReadOnly() || selectionLength() == 0)
        return;
    copy();
    replaceSelection(QByteArray());
}

void EditControl::paste() {
    if (isReadOnly())
        return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasText() || refusesUnheld(data->text()))
        return;
    replaceSelection(data->text().toLatin1());
}

bool EditControl::refusesUnheld(const QString& text) {
    const QString refusal = unheldCharacterMessage(QStringLiteral("Nothing Was Changed..."), text);
    if (refusal.isEmpty())
        return false;
    msgBox(refusal, Msg::Ok, Msg::Information);
    return true;
}

void EditControl::replaceSelection(const QByteArray& b) {
    if (isReadOnly())
        return;
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_TARGETFROMSELECTION);
    SendScintilla(SCI_REPLACETARGET, (uintptr_t)b.size(), b.constData());
    SendScintilla(SCI_GOTOPOS, SendScintilla(SCI_GETTARGETEND));
    SendScintilla(SCI_ENDUNDOACTION);
    SendScintilla(SCI_SCROLLCARET);
}

void EditControl::undo() {
    if (canUndo())
        quietly(SCI_UNDO);
}
void EditControl::redo() {
    if (canRedo())
        quietly(SCI_REDO);
}

void EditControl::quietly(unsigned int message) {
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0);
    SendScintilla(message);
    SendScintilla(SCI_SETMODEVENTMASK, mask);
    Q_EMIT textChanged();
    Q_EMIT linesChanged();
}

bool EditControl::canUndo() const { return SendScintilla(SCI_CANUNDO) != 0; }
bool EditControl::canRedo() const { return SendScintilla(SCI_CANREDO) != 0; }
void EditControl::clearUndoHistory() { SendScintilla(SCI_EMPTYUNDOBUFFER); }
void EditControl::setRedraw(bool on) { setUpdatesEnabled(on); }

bool EditControl::loadFile(const QString& path, QString* error) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    return loadFrom(in, error);
}

void EditControl::loadBytes(const QByteArray& data) {
    QBuffer in;
    in.setData(data);
    in.open(QIODevice::ReadOnly);
    loadFrom(in);
}

bool EditControl::loadFrom(QIODevice& in, QString* error) {
    WritableScope writable(this);
    useStyledDocument(lexer_ != nullptr);
    // A loaded program is not an edit: keeping it in the undo history would
    // double the memory of a large file.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0);
    SendScintilla(SCI_CLEARALL);
    // Two spare bytes: the terminating NUL the control adds when its text is
    // read in one piece then needs no larger copy of the whole buffer.
    SendScintilla(SCI_ALLOCATE, (unsigned long)qMax<qint64>(0, in.size() - in.pos()) + 2);
    // Change notifications hand every inserted piece on as a copy; the load
    // announces itself once at the end instead.
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0);
    // Read in pieces straight into the control: no second copy of the program.
    QByteArray piece(1 << 20, Qt::Uninitialized);
    qint64 n = 0;
    while ((n = in.read(piece.data(), piece.size())) > 0)
        SendScintilla(SCI_APPENDTEXT, (uintptr_t)n, piece.constData());
    const bool whole = n == 0;
    if (!whole) {
        SendScintilla(SCI_CLEARALL);
        if (error)
            *error = in.errorString();
    }
    SendScintilla(SCI_SETMODEVENTMASK, mask);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    setEolMode(eolModeOf(rangeBytes(0, qMin<long>(SendScintilla(SCI_GETLENGTH), (1 << 16) + 1))));
    SendScintilla(SCI_GOTOPOS, 0);
    markSaved();
    Q_EMIT linesChanged();
    Q_EMIT textChanged();
    return whole;
}

bool EditControl::saveFile(const QString& path, QString* error) const {
    return writeFileSafely(path, bytes(), error);
}

void EditControl::replaceAllAsOneEdit(const QByteArray& b) {
    if (isReadOnly())
        return;
    // The control's change notices would copy both whole texts for their
    // listeners, which costs as much as the edit; one textChanged says it all.
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0);
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_TARGETWHOLEDOCUMENT);
    SendScintilla(SCI_REPLACETARGET, (uintptr_t)b.size(), b.constData());
    SendScintilla(SCI_ENDUNDOACTION);
    SendScintilla(SCI_SETMODEVENTMASK, mask);
    SendScintilla(SCI_GOTOPOS, 0);
    Q_EMIT textChanged();
    Q_EMIT linesChanged();
}

bool EditControl::replaceInPieces(QIODevice& in, const std::vector<std::pair<qsizetype, qint64>>& ends,
                                  QString* error) {
    if (isReadOnly() || ends.empty())
        return true;
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0);
    // The room the result needs, taken while the undo history is small: a
    // buffer grown later would be copied while the history holds both texts.
    const long length = SendScintilla(SCI_GETLENGTH);
    SendScintilla(SCI_ALLOCATE, (unsigned long)qMax<qint64>(length, ends.back().second) + 2);
    SendScintilla(SCI_BEGINUNDOACTION);
    QByteArray piece;
    qsizetype oldAt = 0;
    qint64 newAt = 0;
    bool whole = in.seek(0);
    size_t i = 0;
    for (; whole && i < ends.size(); ++i) {
        piece.resize(ends[i].second - newAt);
        whole = in.read(piece.data(), piece.size()) == piece.size();
        if (!whole)
            break;
        // In place, piece by piece: the text's line index is never rebuilt.
        SendScintilla(SCI_SETTARGETRANGE, (unsigned long)newAt, long(newAt + ends[i].first - oldAt));
        SendScintilla(SCI_REPLACETARGET, (uintptr_t)piece.size(), piece.constData());
        oldAt = ends[i].first;
        newAt = ends[i].second;
    }
    SendScintilla(SCI_ENDUNDOACTION);
    if (!whole) {
        // An undo with nothing replaced yet would take back the user's last edit.
        if (i > 0)
            SendScintilla(SCI_UNDO);
        if (error)
            *error = in.errorString();
    }
    SendScintilla(SCI_SETMODEVENTMASK, mask);
    SendScintilla(SCI_GOTOPOS, 0);
    Q_EMIT textChanged();
    Q_EMIT linesChanged();
    return whole;
}

bool EditControl::isModified() const { return forcedModified_ || SendScintilla(SCI_GETMODIFY) != 0; }

void EditControl::markModified() {
    forcedModified_ = true;
    noteModified();
}

void EditControl::markSaved() {
    forcedModified_ = false;
    SendScintilla(SCI_SETSAVEPOINT);
    noteModified();
}

void EditControl::noteModified() {
    const bool now = isModified();
    if (now == lastModified_)
        return;
    lastModified_ = now;
    Q_EMIT modifiedChanged(now);
}

void EditControl::applyFont(const QString& name, int pointSize, bool bold) {
    QFont f = name.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(name);
    if (pointSize > 0)
        f.setPointSize(pointSize);
    f.setBold(bold);
    font_ = f;
    applyLook();
}

void EditControl::setColours(unsigned int textColour, unsigned int backColour) {
    textColour_ = textColour;
    backColour_ = backColour;
    applyLook();
}

void EditControl::setBlockColouring(bool on) {
    if (on && !lexer_) {
        useStyledDocument(true);
        lexer_ = new NcLexer(this);
        setLexer(lexer_);
    } else if (!on && lexer_) {
        setLexer(nullptr);
        delete lexer_;
        lexer_ = nullptr;
    }
    applyLook();
}

void EditControl::applyLook() {
    const QColor fore = colourFromNumber(textColour_);
    const QColor back = colourFromNumber(backColour_);
    if (lexer_) {
        lexer_->setDefaultFont(font_);
        lexer_->setFont(font_, -1);
        lexer_->setDefaultColor(fore);
        lexer_->setDefaultPaper(back);
        lexer_->setPaper(back, -1);
        lexer_->refreshColours(fore);
    } else {
        // Characters keep the style numbers the block colouring gave them:
        // every style must look like the default one, which therefore gets
        // the font and both colours before it is copied to all of them.
        setFont(font_);
        SendScintilla(SCI_STYLESETFORE, STYLE_DEFAULT, fore);
        SendScintilla(SCI_STYLESETBACK, STYLE_DEFAULT, back);
        SendScintilla(SCI_STYLECLEARALL);
        setColor(fore);
        setPaper(back);
    }
    setCaretForegroundColor(fore);
}

bool EditControl::commandFor(QKeyEvent* e, Command* command) {
    // A Linux text field's keys, whatever the platform's own list adds
    // (Alt+Backspace for undo on some).
    constexpr int Shift = Qt::SHIFT, Ctrl = Qt::CTRL;
    static const std::pair<int, Command> keys[] = {
        {Ctrl | Qt::Key_X, Command::Cut},   {Shift | Qt::Key_Delete, Command::Cut},
        {Ctrl | Qt::Key_C, Command::Copy},  {Ctrl | Qt::Key_Insert, Command::Copy},
        {Ctrl | Qt::Key_V, Command::Paste}, {Shift | Qt::Key_Insert, Command::Paste},
        {Ctrl | Qt::Key_Z, Command::Undo},  {Ctrl | Qt::Key_Y, Command::Redo},
        {Ctrl | Shift | Qt::Key_Z, Command::Redo}
    };
    const int pressed =
        e->key() |
        int(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    for (const auto& [key, c] : keys) {
        if (key == pressed) {
            *command = c;
            return true;
        }
    }
    return false;
}

void EditControl::focusInEvent(QFocusEvent* e) {
    hookWheel(this);
    QsciScintilla::focusInEvent(e);
}

void EditControl::focusOutEvent(QFocusEvent* e) {
    if (wheelHookedEditor() == this)
        unhookWheel();
    QsciScintilla::focusOutEvent(e);
}

bool EditControl::event(QEvent* e) {
    // The clipboard and undo keys belong to the editor, not to menu shortcuts
    // of the window, so one key press acts once.
    if (e->type() == QEvent::ShortcutOverride) {
        Command c;
        if (commandFor(static_cast<QKeyEvent*>(e), &c)) {
            e->accept();
            return true;
        }
    }
    const bool handled = QsciScintilla::event(e);
    // A Tab the control passed on would move the focus from a parent, to the
    // machine selector say, where the next letters typed choose a machine.
    // (Ctrl+Tab walks the windows before the control sees it.)
    if (e->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            e->accept();
            return true;
        }
    }
    return handled;
}

// Tab and Shift+Tab indent and un-indent, a read-only text's included: the
// focus never leaves the text by a key.
bool EditControl::focusNextPrevChild(bool) { return false; }

void EditControl::keyPressEvent(QKeyEvent* e) {
    // Key down reaches the program before the control acts on the key.
    keySwallowed_ = false;
    Q_EMIT keyDown(windowsKeyCode(e));
    if (keySwallowed_) {
        e->accept();
        return;
    }
    const bool backTab =
        e->key() == Qt::Key_Backtab || (e->key() == Qt::Key_Tab && (e->modifiers() & Qt::ShiftModifier));
    if (backTab && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
        SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETANCHOR)) ==
            SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETCURRENTPOS))) {
        unindentCaretLine();
        e->accept();
        return;
    }
    Command c;
    if (commandFor(e, &c)) {
        if (isSignalConnected(QMetaMethod::fromSignal(&EditControl::commandRequested))) {
            Q_EMIT commandRequested(c);
        } else {
            switch (c) {
            case Command::Cut: cut(); break;
            case Command::Copy: copy(); break;
            case Command::Paste: paste(); break;
            case Command::Undo: undo(); break;
            case Command::Redo: redo(); break;
            }
        }
        e->accept();
        return;
    }
    // A key held with Ctrl, Alt or Meta is a command, never typing: one the
    // control does not bind leaves the text alone.
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QKeyEvent command(e->type(), e->key(), e->modifiers(), QString(), e->isAutoRepeat(),
                          ushort(e->count()));
        QsciScintilla::keyPressEvent(&command);
        e->setAccepted(command.isAccepted());
        return;
    }
    const QString t = e->text();
    if (!isReadOnly() && refusesUnheld(t)) {
        e->accept();
        return;
    }
    if (capitalising_ && t.size() == 1 && t[0] >= QLatin1Char('a') && t[0] <= QLatin1Char('z')) {
        QKeyEvent upper(e->type(), e->key(), e->modifiers(), t.toUpper(), e->isAutoRepeat(), ushort(e->count()));
        QsciScintilla::keyPressEvent(&upper);
    } else {
        QsciScintilla::keyPressEvent(e);
    }
}

// The control's own Shift+Tab un-indents only from within the indentation;
// elsewhere it moves the caret back to a tab stop, into the line's text,
// where the next letters typed would land.
void EditControl::unindentCaretLine() {
    if (isReadOnly())
        return;
    long anchor = SendScintilla(SCI_GETANCHOR), caret = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, caret);
    const long indentation = SendScintilla(SCI_GETLINEINDENTATION, line);
    if (indentation <= 0)
        return;
    long step = SendScintilla(SCI_GETINDENT);
    if (step <= 0)
        step = SendScintilla(SCI_GETTABWIDTH);
    const long textStart = SendScintilla(SCI_GETLINEINDENTPOSITION, line);
    SendScintilla(SCI_SETLINEINDENTATION, line, qMax(0L, indentation - step));
    const long shift = SendScintilla(SCI_GETLINEINDENTPOSITION, line) - textStart;
    // The caret and the anchor stay on the characters they were on.
    for (long* pos : {&anchor, &caret})
        *pos = *pos >= textStart ? *pos + shift : qMin(*pos, textStart + shift);
    SendScintilla(SCI_SETSEL, anchor, caret);
}

void EditControl::mousePressEvent(QMouseEvent* e) {
    // The middle button pastes the selection where the system keeps one.
    QClipboard* clipboard = QApplication::clipboard();
    if (e->button() == Qt::MiddleButton && !isReadOnly() && clipboard->supportsSelection() &&
        refusesUnheld(clipboard->text(QClipboard::Selection))) {
        e->accept();
        return;
    }
    QsciScintilla::mousePressEvent(e);
}

void EditControl::dropEvent(QDropEvent* e) {
    const QMimeData* data = e->mimeData();
    if (!isReadOnly() && data && data->hasText() && refusesUnheld(data->text())) {
        e->ignore();
        return;
    }
    QsciScintilla::dropEvent(e);
}

void EditControl::inputMethodEvent(QInputMethodEvent* e) {
    if (!isReadOnly() && refusesUnheld(e->commitString())) {
        // What was being composed goes too.
        QInputMethodEvent nothing;
        QsciScintilla::inputMethodEvent(&nothing);
        e->accept();
        return;
    }
    QsciScintilla::inputMethodEvent(e);
}

void EditControl::mouseReleaseEvent(QMouseEvent* e) {
    QsciScintilla::mouseReleaseEvent(e);
    Q_EMIT mouseReleased();
}

void EditControl::contextMenuEvent(QContextMenuEvent* e) {
    // The program's own pop-up menu replaces QScintilla's.
    Q_EMIT popupMenuRequested(e->globalPos());
    e->accept();
}
