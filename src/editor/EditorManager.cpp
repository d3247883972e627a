#include "EditorManager.h"

#include "EditControl.h"
#include "EditorFiles.h"
#include "EditorGlobals.h"
#include "EditorText.h"
#include "FileDialogs.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"
#include "RecentFiles.h"
#include "TransferGlobals.h"
#include "frmAskDeleteNulls.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

EditorManager* gInstance = nullptr;

// A window holds a file of its own when its name is a path; caption names
// ("Untitled2", "Merge1", "Compare1") have no folder.
bool namesAFile(const QString& name) { return name.contains(QLatin1Char('/')); }

QString machineExtension() { return MachineRecord::current(QStringLiteral("SendExtension1")); }

QString absolutePath(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

// The open window that shows `path`, or -1.
int windowShowing(const QString& path) {
    const QString wanted = absolutePath(path);
    for (int i = 1; i < gWindows.size(); ++i)
        if (!gWindows[i].closed && namesAFile(gWindows[i].fileName) && gWindows[i].fileName == wanted)
            return i;
    return -1;
}

} // namespace

EditorManager::EditorManager(QObject* parent) : QObject(parent) {
    gInstance = this;
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    tabs_->setUsesScrollButtons(true);
    tabs_->tabBar()->setExpanding(false);

    gWindows.clear();
    gActiveWindow = 0;
    const int zero = addEditorTab();
    gWindows[zero].fileName = QStringLiteral("Untitled1");
    createEditor(zero);
    setTabCaption(zero, QStringLiteral("Untitled1"));
    connect(tabs_, &QTabWidget::currentChanged, this, &EditorManager::onCurrentChanged);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &EditorManager::emitEditActions);
    applyDisplaySettings();
}

EditorManager::~EditorManager() {
    if (gInstance == this)
        gInstance = nullptr;
    delete tabs_.data();
}

EditorManager* EditorManager::instance() { return gInstance; }

QTabWidget* EditorManager::tabWidget() const { return tabs_; }

EditControl* EditorManager::editor(int index) const {
    return index >= 0 && index < editors_.size() ? editors_[index].data() : nullptr;
}

EditControl* EditorManager::activeEditor() const { return editor(gActiveWindow); }

QString EditorManager::tabCaption(int index) const { return tabs_->tabBar()->tabData(index).toString(); }

void EditorManager::setTabCaption(int index, const QString& caption) {
    tabs_->tabBar()->setTabData(index, caption);
    tabs_->setTabText(index, QString(caption).replace(QLatin1Char('&'), QLatin1String("&&")));
}

int EditorManager::indexOf(const EditControl* control) const {
    for (int i = 0; i < editors_.size(); ++i)
        if (editors_[i] == control)
            return i;
    return -1;
}

bool EditorManager::editorLocked() const { return locked_; }

void EditorManager::setCapitalising(bool on) {
    capitalising_ = on;
    for (const auto& ed : editors_)
        if (ed)
            ed->setCapitalising(on);
}

void EditorManager::applyDisplaySettings() {
    const QString section = QStringLiteral("Settings");
    fontName_ = readIni(section, QStringLiteral("FontName"), QString());
    fontSize_ = intPartOfNumberString(readIni(section, QStringLiteral("FontSize"), QString())).toInt();
    fontBold_ = isTrueText(readIni(section, QStringLiteral("FontBold"), QString()));
    // The lock holds for every window: a change nobody may save would be lost on closing.
    locked_ = isTrueText(readIni(section, QStringLiteral("lockeditor"), QStringLiteral("0")));
    for (const auto& ed : editors_) {
        if (!ed)
            continue;
        ed->setBlockColouring(gColourizeBlocks);
        ed->applyFont(fontName_, fontSize_, fontBold_);
        ed->setColours(gMainTextForeColor, gMainTextBackColor);
        ed->setReadOnly(locked_);
        ed->setCapitalising(capitalising_);
    }
    emitEditActions();
}

EditControl* EditorManager::createEditor(int index) {
    auto* ed = new EditControl;
    ed->setObjectName(QStringLiteral("txtTerm(%1)").arg(index));
    ed->setBlockColouring(gColourizeBlocks);
    ed->applyFont(fontName_, fontSize_, fontBold_);
    ed->setColours(gMainTextForeColor, gMainTextBackColor);
    ed->setReadOnly(locked_);
    ed->setCapitalising(capitalising_);
    if (editors_.size() <= index)
        editors_.resize(index + 1);
    editors_[index] = ed;
    tabs_->widget(index)->layout()->addWidget(ed);

    connect(ed, &EditControl::modifiedChanged, this, [this, index](bool modified) {
        if (index < gWindows.size())
            gWindows[index].modified = modified;
        if (index == gActiveWindow) {
            setCaption(index);
            emitEditActions();
        }
    });
    connect(ed, &EditControl::commandRequested, this, [this](EditControl::Command c) { runCommand(int(c)); });
    connect(ed, &EditControl::keyDown, this, [this, index](int code) { onKeyDown(index, code); });
    connect(ed, &EditControl::mouseReleased, this,
            [this, index] { Q_EMIT positionTextChanged(positionText(index)); });
    connect(ed, &EditControl::popupMenuRequested, this,
            [this, index](const QPoint& pos) { Q_EMIT popupMenuRequested(index, pos); });
    connect(ed, &QsciScintilla::cursorPositionChanged, this,
            [this, index](int line, int) { onCaretMoved(index, line); });
    connect(ed, &QsciScintilla::selectionChanged, this, [this, index] {
        if (index == gActiveWindow)
            emitEditActions();
    });
    connect(ed, &QsciScintilla::textChanged, this, [this, index, ed] {
        if (index != gActiveWindow)
            return;
        // A whole-text replacement passes through an empty text on its way.
        Q_EMIT sendWindowEnabledChanged(ed->textLength() > 0);
        emitEditActions();
    });
    return ed;
}

int EditorManager::addEditorTab() {
    const int n = tabs_->count();
    gWindows.resize(n + 1);
    editors_.resize(n + 1);
    stamps_.resize(n + 1);
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_->addTab(page, QString());
    tabs_->tabBar()->setTabData(n, QString());
    return n;
}

QString EditorManager::nextFreeName(const QString& word) const {
    // Counting walks every tab, hidden ones too, so numbers keep rising while
    // closed windows exist; a number still in use is skipped.
    int count = 0;
    QStringList captions;
    for (int t = 0; t < tabs_->count(); ++t) {
        captions << tabCaption(t);
        if (captions.last().contains(word))
            ++count;
    }
    int n = count + 1;
    while (captions.contains(word + QString::number(n)))
        ++n;
    return word + QString::number(n);
}

int EditorManager::openFileInNewWindow(const QString& givenPath) {
    QString path;
    QFile in;
    const auto cannotRead = [&] {
        msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Read\n") + in.errorString(), Msg::Ok,
               Msg::Critical);
    };
    if (!givenPath.isEmpty()) {
        if (fileHasNullsSoCancel(givenPath) || !anyFileExists(givenPath))
            return -1;
        path = absolutePath(givenPath);
        if (QFileInfo(path).size() == 0) {
            if (msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Is Zero Length\nDo You Want To Delete It?"),
                       Msg::YesNo, Msg::Question) == Msg::AnswerYes)
                QFile::remove(path);
            return -1;
        }
        in.setFileName(path);
        if (!in.open(QIODevice::ReadOnly)) {
            cannotRead();
            return -1;
        }
    }

    const int n = addEditorTab();
    gWindows[n] = EditorWindow{};
    gWindows[n].fileName = path;
    EditControl* ed = createEditor(n);
    ed->setTag(path);
    // The file goes straight into the control, without a copy of its own.
    if (!path.isEmpty() && !ed->loadFrom(in)) {
        closeWindow(n);
        cannotRead();
        return -1;
    }
    tabs_->setCurrentIndex(n);

    const bool merge = path.contains(QLatin1String("merge.$$$"));
    const bool compare = !merge && path.contains(QLatin1String("compare.$$$"));
    if (merge || compare) {
        const QString name = nextFreeName(merge ? QStringLiteral("Merge") : QStringLiteral("Compare"));
        setTabCaption(n, name);
        gWindows[n].fileName = name;
        ed->setTag(name);
        gWindows[n].isMerge = merge;
        gWindows[n].isCompare = compare;
        ed->markModified();
    } else if (!path.isEmpty()) {
        setTabCaption(n, getFileNameFromPath(path));
        stampFromText(n);
    } else {
        const QString name = nextFreeName(QStringLiteral("Untitled"));
        setTabCaption(n, name);
        gWindows[n].fileName = name;
        ed->setTag(name);
    }

    if (!path.isEmpty() && countOpenWindows() == 1 && editor(0) && editor(0)->textLength() == 0)
        tabs_->setTabVisible(0, false);
    if (!path.isEmpty() && !merge)
        addRecentOpen(path);
    setCaption(n);
    emitEditActions();
    return n;
}

void EditorManager::fileAlreadyOpen(const QString& path) {
    const int open = windowShowing(path);
    if (open >= 0)
        selectWindow(open);
    else
        openFileInNewWindow(path);
}

void EditorManager::openFileIntoWindow() {
    if (opening_)
        return;
    const QString answer = OpenCNCFile(QStringLiteral("*"), QStringLiteral("Open CNC File"));
    if (answer.isEmpty())
        return;
    QScopedValueRollback<bool> busy(opening_, true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    tabs_->setVisible(true);
    Q_EMIT editorAreaShown();
    for (const QString& path : splitChosenFiles(answer))
        fileAlreadyOpen(path);
    Q_EMIT menusDisabled(false);
    QApplication::restoreOverrideCursor();
}

void EditorManager::selectWindow(int index) {
    if (index < 0 || index >= tabs_->count())
        return;
    if (tabs_->currentIndex() == index)
        onCurrentChanged(index);
    else
        tabs_->setCurrentIndex(index);
}

void EditorManager::onCurrentChanged(int index) {
    if (index < 0)
        return;
    gActiveWindow = index;
    if (EditControl* ed = editor(index)) {
        ed->show();
        ed->setFocus();
    }
    setCaption(index);
    Q_EMIT activeWindowChanged(index);
    emitEditActions();
}

void EditorManager::hideAllTextBoxes(bool hide, bool lock) {
    for (int i = 0; i < gWindows.size(); ++i)
        if (!gWindows[i].closed)
            if (EditControl* ed = editor(i))
                ed->setEnabled(!lock);
    tabs_->setVisible(!hide);
}

void EditorManager::setCaption(int index) {
    EditControl* ed = editor(index);
    if (!ed)
        return;
    const bool hasText = ed->textLength() > 0;
    Q_EMIT sendWindowEnabledChanged(hasText);
    const QString title = ProgramPaths::appTitle();
    const QString tag = ed->tag();
    QString caption = title;
    // The name its tab and the quit question give it.
    if (ed->canUndo() && tag.isEmpty() && hasText)
        caption = title + QStringLiteral(" [") + tabCaption(index) + QStringLiteral("] ");
    else if (!tag.isEmpty())
        caption = title + QStringLiteral(" [") + tag + QStringLiteral("] ");
    Q_EMIT captionChanged(caption);
    Q_EMIT positionTextChanged(positionText(index));
}

QString EditorManager::positionText(int index) const {
    const EditControl* ed = editor(index);
    if (!ed || ed->textLength() == 0)
        return QStringLiteral("Ready");
    return QStringLiteral("Block %1 of %2 Pos %3").arg(ed->caretLine()).arg(ed->lineCount()).arg(ed->currentColumn());
}

bool EditorManager::loadFileIntoWindow(bool stop, const QString& path) {
    EditControl* ed = activeEditor();
    if (stop || !ed || ed->isReadOnly())
        return false;
    QByteArray data;
    if (!readWholeFile(path, &data))
        return false;
    ed->replaceAllAsOneEdit(data);
    ed->setCaretLine(1);
    ed->setCaretColumn(0);
    return true;
}

void EditorManager::openWrittenFile(const QString& path, const QString& what) {
    const int open = windowShowing(path);
    const EditControl* openEditor = open >= 0 ? editor(open) : nullptr;
    if (openEditor && (gWindows[open].modified || openEditor->isModified())) {
        const Msg::Answer replace = msgBox(
            QStringLiteral("The File ") + path + QStringLiteral(" Is Open With Changes Not Saved") +
                QLatin1Char('\n') + QStringLiteral("Replace Them With The ") + what + QStringLiteral(" ?"),
            Msg::YesNo, Msg::Question, QString(), 1);
        if (replace != Msg::AnswerYes) {
            // The edits stay in their tab; the new file opens beside it.
            openFileInNewWindow(path);
            return;
        }
    }
    fileAlreadyOpen(path);
    if (open >= 0 && loadFileIntoWindow(false, path)) {
        if (EditControl* ed = activeEditor())
            ed->markSaved();
        gWindows[gActiveWindow].modified = false;
        stampFromText(gActiveWindow);
    }
    if (EditControl* ed = activeEditor())
        ed->setFocus();
}

void EditorManager::reloadWrittenFile(const QString& path) {
    const int open = windowShowing(path);
    EditControl* ed = open >= 0 ? editor(open) : nullptr;
    QByteArray data;
    if (!ed || ed->isReadOnly() || gWindows[open].modified || ed->isModified() || !readWholeFile(path, &data))
        return;
    ed->replaceAllAsOneEdit(data);
    ed->markSaved();
    gWindows[open].modified = false;
    stampFromText(open);
}

bool EditorManager::reloadOwnFile(int index, QString* error) {
    EditControl* ed = editor(index);
    if (!ed || !ed->loadFile(ed->tag(), error))
        return false;
    // What it read is what its next save may replace without asking.
    stampFromText(index);
    return true;
}

bool EditorManager::writeWindow(int index, const QString& path) {
    EditControl* ed = editor(index);
    QString error;
    if (ed && ed->saveFile(path, &error))
        return true;
    msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Saved\n") + error, Msg::Ok, Msg::Critical);
    return false;
}

void EditorManager::stampFromText(int index) {
    if (const EditControl* ed = editor(index))
        stamps_[index] = stampOf(ed->textView());
}

bool EditorManager::writeOwnFile(int index) {
    const QString path = gWindows[index].fileName;
    if (fileChangedSince(path, stamps_[index]) &&
        msgBox(QStringLiteral("The File ") + path +
                   QStringLiteral(" Has Changed On Disk Since This Window Read Or Saved It\n"
                                  "Do You Want To Overwrite It...?"),
               Msg::YesNo, Msg::Question, QString(), 1) != Msg::AnswerYes)
        return false;
    if (!writeWindow(index, path))
        return false;
    stampFromText(index);
    return true;
}

void EditorManager::adoptFile(int index, const QString& path) {
    EditControl* ed = editor(index);
    EditorWindow& rec = gWindows[index];
    rec.fileName = path;
    rec.isMerge = false;
    rec.isCompare = false;
    ed->setTag(path);
    ed->markSaved();
    rec.modified = false;
    setTabCaption(index, getFileNameFromPath(path));
    setCaption(index);
    stampFromText(index); // the text it has just written there
}

bool EditorManager::saveAsAndAdopt(int index, const QString& proposal, bool addExtension, bool addToRecent) {
    const QString path = saveAsDialog(proposal, machineExtension(), addExtension);
    if (path.isEmpty() || !writeWindow(index, path))
        return false;
    adoptFile(index, path);
    if (addToRecent)
        addRecentOpen(path);
    return true;
}

bool EditorManager::saveWindowToFile() {
    const int i = gActiveWindow;
    EditControl* ed = editor(i);
    if (!ed)
        return false;
    if (ed->textLength() == 0) {
        msgBox(QStringLiteral("Nothing In The File To Save"), Msg::Ok, Msg::Information);
        return false;
    }
    Q_EMIT menusDisabled(true);
    const EditorWindow rec = gWindows[i];
    bool saved = false;
    if (i == 0) {
        saved = saveAsAndAdopt(0, tabCaption(0), false, false);
    } else if (rec.isMerge || rec.isCompare) {
        saved = saveAsAndAdopt(i, rec.fileName, true, false);
    } else if (namesAFile(ed->tag())) {
        if (!rec.closed && writeOwnFile(i)) {
            ed->markSaved();
            setCaption(i);
            saved = true;
        }
    } else {
        saved = saveAsAndAdopt(i, tabCaption(i), false, true);
    }
    Q_EMIT menusDisabled(false);
    emitEditActions();
    return saved;
}

bool EditorManager::mnuSaveAsProc() {
    const int i = gActiveWindow;
    EditControl* ed = editor(i);
    if (!ed)
        return false;
    if (ed->textLength() == 0) {
        msgBox(QStringLiteral("Zero Length File"), Msg::Ok, Msg::Critical);
        return false;
    }
    // The window takes the new file's name, whether it had a file or not
    // (one left "Untitled" and changed would be asked about again on Quit).
    // Neither is a file opened, so the recent list stays.
    const QString name = gWindows[i].fileName;
    const bool named = namesAFile(name);
    const bool saved = saveAsAndAdopt(i, named ? name : tabCaption(i), !named, false);
    emitEditActions();
    return saved;
}

bool EditorManager::askToSave(int i) {
    EditControl* ed = editor(i);
    if (!ed || i >= gWindows.size() || gWindows[i].closed)
        return true;
    const EditorWindow rec = gWindows[i];
    const QString ext = machineExtension();
    if (rec.isMerge) {
        const Msg::Answer a =
            msgBox(QStringLiteral("Do You Want To Save The Merged File?"), Msg::YesNoCancel, Msg::Question);
        if (a == Msg::AnswerCancel)
            return false;
        if (a == Msg::AnswerYes) {
            const QString path = saveAsDialog(rec.fileName, ext, false);
            if (path.isEmpty() || !writeWindow(i, path))
                return false;
            adoptFile(i, path);
        }
    } else if (ed->isModified()) {
        const bool ownFile = namesAFile(rec.fileName);
        const QString name = ownFile ? rec.fileName : tabCaption(i);
        const Msg::Answer a = msgBox(QStringLiteral("The text in [") + name +
                                         QStringLiteral("] has changed.\nDo you want to save the changes?"),
                                     Msg::YesNoCancel, Msg::Question);
        if (a == Msg::AnswerCancel)
            return false;
        if (a == Msg::AnswerYes) {
            // A refused Save As, a refused overwrite or a failed write keeps
            // the window and its text.
            const QString path = ownFile ? rec.fileName : saveAsDialog(tabCaption(i), ext, true);
            if (path.isEmpty() || !(ownFile ? writeOwnFile(i) : writeWindow(i, path)))
                return false;
            // Saved: if the program goes on (a later Cancel), the window holds that file.
            adoptFile(i, path);
        }
    }
    return true;
}

bool EditorManager::askToSaveAll() {
    for (int i = 0; i < gWindows.size(); ++i) {
        EditControl* ed = editor(i);
        if (gWindows[i].closed || !ed || !(ed->isModified() || gWindows[i].isMerge))
            continue;
        // The question names the window; the active one stays, as a transfer may be using it.
        if (!askToSave(i))
            return false;
    }
    return true;
}

bool EditorManager::closeMyFile() {
    const int i = gActiveWindow;
    if (!editor(i) || i >= gWindows.size())
        return false;
    if (!locked_ && !askToSave(i))
        return false;
    closeWindow(i);
    return true;
}

void EditorManager::closeWindow(int i) {
    gWindows[i].closed = true;
    int next = -1;
    if (countOpenWindows() == 0) {
        // Window 0 comes back. Only a window 0 that was put away is emptied:
        // one still shown keeps its text.
        const bool zeroShown = i != 0 && !gWindows[0].closed && tabs_->isTabVisible(0);
        if (!zeroShown)
            resetWindowZero();
        next = 0;
    } else {
        for (int j = i - 1; j >= 0 && next < 0; --j)
            if (!gWindows[j].closed && tabs_->isTabVisible(j))
                next = j;
        for (int j = i + 1; j < gWindows.size() && next < 0; ++j)
            if (!gWindows[j].closed && tabs_->isTabVisible(j))
                next = j;
    }
    if (next >= 0)
        selectWindow(next);
    if (next != i)
        tabs_->setTabVisible(i, false);
    if (i > 0) {
        if (EditControl* ed = editor(i)) {
            editors_[i] = nullptr;
            ed->hide();
            // The close may come from the control's own pop-up menu.
            ed->deleteLater();
        }
    }
    setCaption(gActiveWindow);
    emitEditActions();
}

void EditorManager::resetWindowZero() {
    EditControl* ed = editor(0);
    EditorWindow& rec = gWindows[0];
    rec.closed = false;
    rec.modified = false;
    rec.fileName.clear();
    ed->loadBytes(QByteArray());
    ed->setTag(QString());
    setTabCaption(0, QStringLiteral("Untitled1"));
    tabs_->setTabVisible(0, true);
    Q_EMIT sendWindowEnabledChanged(false);
}

void EditorManager::mnuCutProc() {
    if (EditControl* ed = activeEditor(); ed && !locked_)
        ed->cut();
}

void EditorManager::mnuCopyProc() {
    if (EditControl* ed = activeEditor())
        ed->copy();
}

void EditorManager::mnuPasteProc() {
    if (locked_)
        return;
    QClipboard* clipboard = QApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    // An empty clipboard has nothing to paste and nothing to say.
    if (!data || data->formats().isEmpty())
        return;
    if (!data->hasText()) {
        msgBox(QStringLiteral("The Data On The ClipBoard Is Not Text"), Msg::Ok, Msg::Information);
        return;
    }
    EditControl* ed = activeEditor();
    if (!ed || gWindows.value(gActiveWindow).closed)
        ed = editor(0);
    if (!ed || ed->refusesUnheld(data->text()))
        return;
    if (capitalising_) {
        const QString text = data->text();
        const QString upper = capitalsOnly(text);
        if (upper != text)
            clipboard->setText(upper); // stays upper-case on the clipboard
    }
    ed->paste();
}

void EditorManager::mnuUndoProc() { undoRedo(true); }
void EditorManager::mnuRedoProc() { undoRedo(false); }

void EditorManager::undoRedo(bool undo) {
    EditControl* ed = activeEditor();
    if (!ed)
        return;
    // A step that empties the window goes one step further when it can.
    for (int step = 0; step < 2; ++step) {
        if (step == 1 && (ed->textLength() > 0 || !(undo ? ed->canUndo() : ed->canRedo())))
            break;
        if (undo)
            ed->undo();
        else
            ed->redo();
    }
    emitEditActions();
}

void EditorManager::mnuSelectAllProc() {
    if (EditControl* ed = activeEditor())
        ed->selectAll();
}

void EditorManager::runCommand(int command) {
    switch (EditControl::Command(command)) {
    case EditControl::Command::Cut: mnuCutProc(); break;
    case EditControl::Command::Copy: mnuCopyProc(); break;
    case EditControl::Command::Paste: mnuPasteProc(); break;
    case EditControl::Command::Undo: mnuUndoProc(); break;
    case EditControl::Command::Redo: mnuRedoProc(); break;
    }
}

EditActions EditorManager::editActions() const {
    EditActions a;
    const EditControl* ed = activeEditor();
    if (!ed)
        return a;
    a.undo = ed->canUndo();
    a.redo = ed->canRedo();
    a.cut = a.copy = ed->selectionLength() > 0;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    a.paste = data && data->hasText();
    a.save = ed->isModified();
    return a;
}

void EditorManager::emitEditActions() { Q_EMIT editActionsChanged(editActions()); }

void EditorManager::setMenus(QWidget* form) const {
    if (!form)
        return;
    const EditActions a = editActions();
    const auto set = [form](const char* name, bool on) {
        if (QAction* action = form->findChild<QAction*>(QString::fromLatin1(name)))
            action->setEnabled(on);
    };
    set("mnuUndo", a.undo);
    set("mnuRedo", a.redo);
    set("mnuCut", a.cut);
    set("mnuCopy", a.copy);
    set("mnuPaste", a.paste);
}

void EditorManager::onKeyDown(int index, int keyCode) {
    Q_EMIT positionTextChanged(positionText(index));
    const int trap = readIni(QStringLiteral("Settings"), QStringLiteral("intelliTrap"), QStringLiteral("191")).toInt();
    if (keyCode != 0 && keyCode == trap) {
        const QString wordFile = ProgramPaths::programFolder() + gIntelliFile;
        if (fileExists(wordFile)) {
            const EditControl* ed = editor(index);
            const int column = ed ? ed->currentColumn() : 0;
            if (column > 0)
                Q_EMIT completionListRequested(wordFile,
                                               ed->lineText(ed->caretLine()).mid(column - 1, 1) + QLatin1Char('?'));
            return;
        }
    }
    Q_EMIT completionListHidden();
}

void EditorManager::onCaretMoved(int index, int line) {
    if (gBusyEditing || gPortState != PortIdle || index != gActiveWindow)
        return;
    const EditControl* ed = editor(index);
    Q_EMIT positionTextChanged(QStringLiteral("Line %1 of %2").arg(line + 1).arg(ed ? ed->lineCount() : 0));
}
