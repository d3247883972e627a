#include "frmFind.h"

#include "DialogParts.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "EditorText.h"
#include "IniStorage.h"
#include "Language.h"
#include "MessageSeam.h"
#include "TextSearch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>

namespace {

QPointer<frmFind> gBox;

constexpr int kTwips = 15; // per pixel
int px(int twips) { return (twips + kTwips / 2) / kTwips; }

const char* const kLabels[7] = {"&Search Text", "Rep&lace With", "&Whole Words Only", "&Case Insensitive",
                                "Search Up File", "Search Down File", "Search All File"};
const char* const kButtons[5] = {"Find Ne&xt", "&Replace", "Rep&lace All", "S&kip", "&Quit"};
const char* const kTips[5] = {"Find Next Word...", "Replace Word...", "Replace All Words...",
                              "Skip This Replacement...", "Quit..."};
const int kButtonTops[5] = {180, 550, 920, 1290, 1740};

QString name(const char* base, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(base)).arg(i); }

} // namespace

frmFind* frmFind::instance() { return gBox; }

frmFind::frmFind(QWidget* owner, EditorManager* editors) : QDialog(owner, Qt::Tool), editors_(editors) {
    setObjectName(QStringLiteral("frmFind"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    new DialogParts::HelpKey(this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtReplace = new QLineEdit(this);
    txtReplace->setObjectName(QStringLiteral("txtReplace"));
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    for (int i = 0; i < 7; ++i) {
        Label1[i] = new QLabel(QString::fromLatin1(kLabels[i]), i < 2 ? static_cast<QWidget*>(this) : Frame1);
        Label1[i]->setObjectName(name("Label1", i));
        if (i >= 2)
            Label1[i]->installEventFilter(this);
    }
    // The design's measures suit a smaller font: the option captions get the
    // room they need, and what lies right of them moves aside.
    for (int i = 2; i < 7; ++i)
        wide_ = qMax(wide_, Label1[i]->sizeHint().width() - px(1500));
    Label1[0]->setBuddy(txtFind);
    Label1[1]->setBuddy(txtReplace);
    for (int i = 0; i < 2; ++i) {
        Check1[i] = new QCheckBox(Frame1);
        Check1[i]->setObjectName(name("Check1", i));
        Check1[i]->setGeometry(px(120), px(120 + 300 * i), 20, 20);
        Label1[2 + i]->setBuddy(Check1[i]);
        Label1[2 + i]->setGeometry(px(420), px(120 + 300 * i), px(1500) + wide_, px(255));
    }
    for (int i = 0; i < 3; ++i) {
        optDirection[i] = new QRadioButton(Frame1);
        optDirection[i]->setObjectName(name("optDirection", i));
        optDirection[i]->setGeometry(px(2000) + wide_, px(120 + 300 * i), 20, 20);
        Label1[4 + i]->setGeometry(px(2300) + wide_, px(120 + 300 * i), px(1500) + wide_, px(255));
    }
    optDirection[1]->setChecked(true);
    for (int i = 0; i < 5; ++i) {
        Command1[i] = new QPushButton(QString::fromLatin1(kButtons[i]), this);
        Command1[i]->setObjectName(name("Command1", i));
        Command1[i]->setToolTip(QString::fromLatin1(kTips[i]));
        Command1[i]->setAutoDefault(false);
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    Command1[0]->setDefault(true);
    Label1[0]->setGeometry(px(120), px(210), px(1150), px(255));
    txtFind->setGeometry(px(1305), px(180), px(2475) + 2 * wide_, px(315));
    Label1[1]->setGeometry(px(120), px(630), px(1150), px(255));
    txtReplace->setGeometry(px(1305), px(600), px(2475) + 2 * wide_, px(315));
    connect(txtFind, &QLineEdit::textChanged, this, &frmFind::txtFind_Change);
    DialogParts::languageButton(this);
    applyLayout(true);
    Form_Load();
}

void frmFind::Form_Load() {
    applyLanguage(this);
    gFindFormLoaded = true;
    setFindFormHider([] {
        if (gBox)
            gBox->hide();
    });
    // Place it where it was, but always wholly on the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize box = frameGeometry().size().expandedTo(size());
    const int x = readIniInt(QStringLiteral("Settings"), QStringLiteral("FindX"), (s.width() - box.width()) / 2 * kTwips) / kTwips;
    const int y = readIniInt(QStringLiteral("Settings"), QStringLiteral("FindY"), (s.height() - box.height()) / 2 * kTwips) / kTwips;
    move(qBound(s.left(), x, qMax(s.left(), s.right() + 1 - box.width())),
         qBound(s.top(), y, qMax(s.top(), s.bottom() + 1 - box.height())));
    gFindFormActive = true;
}

bool frmFind::replaceLayout() const { return !txtReplace->isHidden(); }

void frmFind::applyLayout(bool replace) {
    // Both layouts are computed from the design positions, so any number of
    // switches leaves each where it belongs.
    for (QWidget* w : {static_cast<QWidget*>(txtReplace), static_cast<QWidget*>(Label1[1]),
                       static_cast<QWidget*>(Command1[2]), static_cast<QWidget*>(Command1[3])})
        w->setVisible(replace);
    const int shift = replace ? 0 : 300;
    const int right = px(4170) + 2 * wide_;
    Frame1->setGeometry(px(120), px(1095 - shift), px(3660) + 2 * wide_, px(1020));
    for (int i = 0; i < 4; ++i)
        Command1[i]->setGeometry(right, px(kButtonTops[i]), px(1350), px(330));
    Command1[4]->setGeometry(right, px(replace ? kButtonTops[4] : kButtonTops[2] + 125), px(1350), px(330));
    if (auto* language = findChild<QWidget*>(QStringLiteral("cmdLanguageSelect")))
        language->move(right - language->width() - 4, px(kButtonTops[0]));
    setFixedSize(px(5640) + 2 * wide_, px(2280 - (replace ? 0 : 200)));
}

frmFind* frmFind::showFindBox(QWidget* owner, EditorManager* editors, const QString& seed, int mode) {
    // Only the first line of a selection can be searched for.
    QString text = seed;
    const qsizetype cut = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (cut >= 0)
        text.truncate(cut);
    // The box is taken after the yields: one closed meanwhile is gone by then.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    if (!gBox)
        gBox = new frmFind(owner, editors);
    frmFind* box = gBox;
    box->editors_ = editors;
    box->txtFind->setText(text);
    box->txtFind_Change();
    box->txtFind->setSelection(0, int(text.size()));
    if (mode == 1) {
        box->setWindowTitle(QStringLiteral("find and replace..."));
        box->applyLayout(true);
    } else if (mode == 0) {
        box->setWindowTitle(QStringLiteral("find..."));
        box->applyLayout(false);
    }
    box->show();
    // The box takes the keyboard (here and after each of its messages): what
    // the user types next is the search text, never an edit of the program.
    box->activateWindow();
    return box;
}

void frmFind::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    txtFind->setFocus();
}

void frmFind::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The frame's close works as Stop while Replace All runs.
        stop_ = true;
        event->ignore();
        return;
    }
    if (editors_ && editors_->activeEditor())
        editors_->activeEditor()->setFocus();
    gFindFormLoaded = false;
    writeIniValues(QStringLiteral("Settings"), {{QStringLiteral("FindX"), QString::number(x() * kTwips)},
                                                {QStringLiteral("FindY"), QString::number(y() * kTwips)}});
    gFindFormActive = false;
    // Deleted once the event loop is back: never handed out again meanwhile.
    if (gBox == this)
        gBox.clear();
    QDialog::closeEvent(event);
}

bool frmFind::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 2; i < 7; ++i) {
            if (watched != Label1[i] || !Label1[i]->isEnabled())
                continue;
            if (i < 4)
                toggleCheck(Check1[i - 2]);
            else
                optDirection[i - 4]->setChecked(true);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmFind::txtFind_Change() {
    const bool any = !txtFind->text().isEmpty() && !running_;
    for (int i = 0; i < 4; ++i)
        Command1[i]->setEnabled(any);
}

int frmFind::direction() const {
    for (int i = 0; i < 3; ++i)
        if (optDirection[i]->isChecked())
            return i;
    return 1;
}

void frmFind::report(const QString& message) {
    hide();
    QCoreApplication::processEvents();
    msgBox(message, Msg::Ok, Msg::Information);
    show();
    activateWindow();
    QCoreApplication::processEvents();
}

void frmFind::Command1_Click(int index) {
    if (running_) {
        if (index == 4)
            stop_ = true; // Stop: the running pass ends at its next slice
        return;
    }
    gBusyEditing = false;
    const QString nothingReplaced = QStringLiteral("Nothing Was Replaced...");
    switch (index) {
    case 0:
    case 3:
        if (holdable(txtFind, QStringLiteral("Search text is not found...")) && !findNext())
            report(QStringLiteral("Search text is not found..."));
        break;
    case 1:
        if (replaceLayout()) {
            if (holdable(txtReplace, nothingReplaced) && holdable(txtFind, QStringLiteral("Replace text is not found...")))
                replaceOne();
        } else {
            setWindowTitle(QStringLiteral("Find & Replace"));
            applyLayout(true);
        }
        break;
    case 2:
        if (holdable(txtReplace, nothingReplaced) && holdable(txtFind, QStringLiteral("No occurrences were replaced...")))
            replaceAll();
        break;
    case 4: close(); break;
    default: break;
    }
    gBusyEditing = false;
}

namespace {
SearchOptions optionsOf(const frmFind& f) {
    SearchOptions o;
    o.matchCase = !f.Check1[1]->isChecked();
    o.wholeWords = f.Check1[0]->isChecked();
    return o;
}
QByteArray latin1(const QLineEdit* e) { return e->text().toLatin1(); }
} // namespace

bool frmFind::holdable(const QLineEdit* edit, const QString& message) {
    const QString refusal = unheldCharacterMessage(message, edit->text());
    if (refusal.isEmpty())
        return true;
    report(refusal);
    return false;
}

bool frmFind::findNext() {
    EditControl* ed = editors_ ? editors_->activeEditor() : nullptr;
    if (!ed)
        return false;
    // Searched where the text lies: a large program is not copied per search.
    const TextSearch search(ed->textView(), latin1(txtFind), optionsOf(*this));
    qsizetype pos = -1;
    switch (direction()) {
    case 0: pos = search.previous(ed->selectionStart()); break;
    case 1: pos = search.next(ed->selectionEnd()); break;
    default:
        pos = search.next(ed->selectionEnd());
        if (pos < 0)
            pos = search.next(0);
        break;
    }
    if (pos < 0)
        return false;
    ed->selectRange(long(pos), long(pos + search.length()));
    return true;
}

EditControl* frmFind::writableEditor() {
    EditControl* ed = editors_ ? editors_->activeEditor() : nullptr;
    if (ed && ed->isReadOnly()) {
        report(QStringLiteral("The Editor Is Locked - Nothing Was Replaced..."));
        return nullptr;
    }
    return ed;
}

void frmFind::replaceOne() {
    EditControl* ed = writableEditor();
    if (!ed)
        return;
    const QByteArray what = latin1(txtFind);
    const long start = ed->selectionStart();
    if (ed->selectionEnd() - start == what.size()) {
        if (TextSearch(ed->textView(), what, optionsOf(*this)).matchAt(start))
            ed->replaceSelection(latin1(txtReplace));
    }
    if (!findNext())
        report(QStringLiteral("Replace text is not found..."));
}

void frmFind::setRunning(bool running) {
    running_ = running;
    gBusyEditing = running;
    Command1[4]->setText(running ? QStringLiteral("&Stop") : QStringLiteral("&Quit"));
    for (int i = 0; i < 2; ++i)
        Check1[i]->setEnabled(!running);
    for (int i = 0; i < 3; ++i)
        optDirection[i]->setEnabled(!running);
    txtFind->setReadOnly(running);
    txtReplace->setReadOnly(running);
    txtFind_Change();
}

void frmFind::replaceAll() {
    EditControl* ed = writableEditor();
    if (!ed)
        return;
    const int window = gActiveWindow;
    // Searched where the text lies, without a copy; the matches are then
    // replaced one by one in the control's own buffer.
    const QByteArrayView text = ed->textView();
    qsizetype from = 0, to = text.size();
    const int dir = direction();
    if (dir == 0)
        to = ed->selectionEnd();
    else if (dir == 1)
        from = ed->selectionStart();
    ReplaceAllPass pass(text, latin1(txtFind), from, to, optionsOf(*this));

    // The window is held still while the search yields: whatever changes or
    // closes it ends the pass before anything is replaced.
    QPointer<EditControl> guard(ed);
    bool changed = false;
    const auto watch = connect(ed, &QsciScintilla::textChanged, this, [&changed] { changed = true; });
    stop_ = false;
    setRunning(true);
    ed->setReadOnly(true);
    const auto windowGone = [&] { return !guard || window >= gWindows.size() || gWindows[window].closed; };
    while (!pass.step()) {
        QCoreApplication::processEvents();
        if (stop_ || changed || windowGone())
            break;
        if (guard->textView().data() != text.data()) {
            changed = true; // moved without a word: the search must not read it
            break;
        }
    }
    disconnect(watch);
    if (guard)
        guard->setReadOnly(false);
    const bool gone = windowGone();
    if (!gone && !changed)
        guard->replaceEach(pass.starts(), pass.length(), latin1(txtReplace));
    setRunning(false);
    optDirection[1]->setChecked(true);
    if (gone)
        return;
    if (changed) {
        report(QStringLiteral("The Text Changed While Replacing - Nothing Was Replaced..."));
        return;
    }
    const int n = pass.count();
    report(n == 0   ? QStringLiteral("No occurrences were replaced...")
           : n == 1 ? QStringLiteral("1 occurrence replaced...")
                    : QStringLiteral("%1 occurrences replaced...").arg(n));
}
