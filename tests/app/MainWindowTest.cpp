#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ScriptedMessages.h"
#include "ShellOpen.h"
#include "StatusLine.h"
#include "frmSelectCNC.h"
#include "frmVisibleCNC.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

namespace {

struct Harness {
    std::unique_ptr<frmTerminal> window;
    RecordingTransfers* transfers = nullptr;
    RecordingEditor* editor = nullptr;
    RecordingDialogs* dialogs = nullptr;
};

Harness makeWindow() {
    Harness h;
    h.window = std::make_unique<frmTerminal>();
    auto t = std::make_unique<RecordingTransfers>(*h.window);
    auto e = std::make_unique<RecordingEditor>(*h.window);
    auto d = std::make_unique<RecordingDialogs>(*h.window);
    h.transfers = t.get();
    h.editor = e.get();
    h.dialogs = d.get();
    h.window->setTransferActions(std::move(t));
    h.window->setEditorActions(std::move(e));
    h.window->setDialogActions(std::move(d));
    return h;
}

// Ticks exactly the machines given (by number) in the first-run visibility
// dialog and presses OK; records how the dialog came up.
struct FirstRunAnswer {
    QList<int> visible;
    QString caption;
    bool quitEnabled = true;
    ModalAnswerer answerer{[this](QWidget* w) {
        auto* dialog = qobject_cast<frmVisibleCNC*>(w);
        if (!dialog)
            return false;
        caption = dialog->windowTitle();
        quitEnabled = dialog->Command2()->isEnabled();
        for (int i = 0; i < dialog->List1()->count(); ++i)
            dialog->List1()->item(i)->setCheckState(visible.contains(i + 1) ? Qt::Checked : Qt::Unchecked);
        dialog->Command1_Click();
        return true;
    }};
};

// Any modal window during a load that should show none is closed and counted.
struct NoModalExpected {
    ModalAnswerer answerer{[](QWidget* w) {
        w->close();
        return true;
    }};
};

quint64 inodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

QStringList comboTexts(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

QRect rectIn(const QWidget* widget, const QWidget* window) {
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

// A key as the user types it: to the control of the window that has the focus.
void press(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window->window() ? focus : window, Qt::Key(key), modifiers);
}

const char* const kLockedMenus[] = {"mnuFileHeader", "mnuEditheader",  "mnuSendHeader",
                                    "mnuReceiveHeader", "mnuToolsheader", "mnuSettings"};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;

    Harness loadedWindow(const QByteArray& more = QByteArray()) {
        home_->writeIni(kSettledSettings + more);
        Harness h = makeWindow();
        NoModalExpected none;
        [&] { QVERIFY(h.window->Form_Load()); }();
        return h;
    }
    void showActive(frmTerminal* w) {
        w->show();
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

private Q_SLOTS:
    void init() {
        home_ = freshAppHome();
        gCancelOperation = false;
        gPastePending = false;
        gShowBreakoutLights = 1;
    }
    void cleanup() {
        gPortState = PortIdle;
        home_.reset();
    }

    void firstStartWritesTheRecordsAndKeepsTheVisibilityChoice() {
        Harness h = makeWindow();
        FirstRunAnswer answer;
        answer.visible = {1, 2, 5};
        QVERIFY(h.window->Form_Load());
        QCOMPARE(answer.answerer.answered(), 1);
        QCOMPARE(answer.caption, QStringLiteral("Decide How Many CNC's To Start With - You Can Change Anytime"));
        QVERIFY(!answer.quitEnabled);

        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("RunBefore")), QStringLiteral("Yes"));
        QCOMPARE(readIni(QStringLiteral("Storage"), QStringLiteral("UpdateStorage")), QStringLiteral("1"));
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FontName")), QStringLiteral("Courier New"));
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FontSize")), QStringLiteral("10"));
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FontBold")), QStringLiteral("True"));
        for (int n = 1; n <= 64; ++n) {
            const QString section = MachineRecord::sectionName(n);
            QCOMPARE(readIni(section, QStringLiteral("Alias")), section);
            QCOMPARE(readIni(section, QStringLiteral("Visible")),
                     answer.visible.contains(n) ? QStringLiteral("-1") : QStringLiteral("0"));
            for (const QString& key : MachineRecord::recordKeys())
                QVERIFY2(iniHasKey(section, key) == (n <= 8 || key == QLatin1String("Alias")),
                         qPrintable(section + QLatin1Char(' ') + key));
            QCOMPARE(iniHasKey(section, QStringLiteral("SendExtension1")), n <= 8);
        }
        QCOMPARE(readIni(QStringLiteral("Machine8"), QStringLiteral("ReceiveExtension1")), QStringLiteral("TXT"));
        QCOMPARE(readIni(QStringLiteral("Machine1"), QStringLiteral("iBaudrate")), QStringLiteral("5"));
        QCOMPARE(readIni(QStringLiteral("Machine1"), QStringLiteral("KeepAlive")), QStringLiteral("1"));

        QCOMPARE(comboTexts(h.window->cmbCNCVisible()),
                 QStringList({QStringLiteral("Machine1"), QStringLiteral("Machine2"), QStringLiteral("Machine5")}));
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine1"));
    }

    void secondStartReadsWithoutWriting() {
        {
            Harness first = makeWindow();
            FirstRunAnswer answer;
            answer.visible = {2, 3, 9};
            QVERIFY(first.window->Form_Load());
        }
        const QByteArray before = home_->readIniBytes();
        const quint64 inode = inodeOf(home_->iniPath());
        const QDateTime modified = QFileInfo(home_->iniPath()).lastModified();

        Harness second = makeWindow();
        NoModalExpected none;
        QVERIFY(second.window->Form_Load());
        QCOMPARE(none.answerer.answered(), 0);
        QCOMPARE(home_->readIniBytes(), before);
        QCOMPARE(inodeOf(home_->iniPath()), inode);
        QCOMPARE(QFileInfo(home_->iniPath()).lastModified(), modified);

        // The lists agree with the file; a hidden machine stays hidden.
        QComboBox* all = second.window->cmbCNC();
        QCOMPARE(all->count(), 64);
        for (int i = 0; i < 64; ++i) {
            const QString section = MachineRecord::sectionName(i + 1);
            QCOMPARE(all->itemText(i), readIni(section, QStringLiteral("Alias")));
            QCOMPARE(all->itemData(i).toInt(), readIni(section, QStringLiteral("Visible")).toInt());
        }
        QCOMPARE(comboTexts(second.window->cmbCNCVisible()),
                 QStringList({QStringLiteral("Machine2"), QStringLiteral("Machine3"), QStringLiteral("Machine9")}));
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine2"));
    }

    void machineListFollowsTheFile() {
        Harness h = loadedWindow("[Machine3]\nAlias=LATHE\n[Machine4]\nVisible=0\n[Machine5]\nVisible=1\n"
                                 "[Machine6]\nVisible=abc\n[Machine7]\nVisible=-1\n");
        QComboBox* all = h.window->cmbCNC();
        QCOMPARE(all->itemText(0), QStringLiteral("Machine1"));
        QCOMPARE(all->itemText(2), QStringLiteral("LATHE"));
        QCOMPARE(all->itemText(63), QStringLiteral("Machine64"));
        const QStringList visible = comboTexts(h.window->cmbCNCVisible());
        QCOMPARE(visible.size(), 61);
        QVERIFY(visible.contains(QStringLiteral("LATHE")));
        QVERIFY(visible.contains(QStringLiteral("Machine7")));
        for (const char* hidden : {"Machine4", "Machine5", "Machine6"})
            QVERIFY2(!visible.contains(QLatin1String(hidden)), hidden);
        QCOMPARE(h.window->lblStat(1)->text(), QStringLiteral("Machine1 "));
    }

    void selectingAMachineSetsSectionKeepAliveAndFlowControl() {
        Harness h = loadedWindow("[Machine1]\nVisible=0\n[Machine2]\nAlias=MILL\nHandshaking=2\nFlowMethod=0\n"
                                 "CharacterSet=1\nKeepAlive=0\n[Machine3]\nVisible=0\n[Machine4]\nVisible=0\n"
                                 "[Machine5]\nAlias=LATHE\nHandshaking=0\nFlowMethod=1\nCharacterSet=0\nKeepAlive=1\n");
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine2"));
        QCOMPARE(gKeepAlive, 0);
        QCOMPARE(gHandshaking, 2);
        QCOMPARE(gFlowMethod, 0);
        QCOMPARE(gCharacterSet, 1);
        QCOMPARE(h.transfers->calls.last(), QStringLiteral("closePort"));

        // The user picks the second visible machine.
        h.window->cmbCNCVisible()->setCurrentIndex(1);
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine5"));
        QCOMPARE(h.window->cmbCNC()->currentIndex(), 4);
        QCOMPARE(gKeepAlive, 1);
        QCOMPARE(gHandshaking, 0);
        QCOMPARE(gFlowMethod, 1);
        QCOMPARE(gCharacterSet, 0);
        QCOMPARE(h.transfers->calls.last(), QStringLiteral("openPort"));
        QCOMPARE(h.window->lblStat(1)->text(), QStringLiteral("LATHE "));
        QCOMPARE(h.window->lblStat(1)->toolTip(), QStringLiteral("4800,E,7,2"));

        // A machine without flow keys takes the record's defaults.
        h.window->selectVisibleMachine(2);
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine6"));
        QCOMPARE(gHandshaking, 1);
        QCOMPARE(gFlowMethod, 1);
        QCOMPARE(gCharacterSet, 0);
    }

    void hidingMachinesWritesVisibleAndLastsAcrossRestarts() {
        {
            Harness h = loadedWindow();
            h.window->selectMachine(6); // machine 7 current
            QString result;
            int highlighted = -1;
            qsizetype afterDeselect = -1;
            ModalAnswerer answer([&](QWidget* w) {
                auto* dialog = qobject_cast<frmVisibleCNC*>(w);
                if (!dialog)
                    return false;
                result = gDialogResult;
                highlighted = dialog->List1()->currentRow();
                dialog->Command3_Click(1); // Deselect All leaves the first
                afterDeselect = dialog->ticks().count(true);
                dialog->List1()->item(0)->setCheckState(Qt::Unchecked);
                dialog->List1()->item(2)->setCheckState(Qt::Checked);
                dialog->List1()->item(6)->setCheckState(Qt::Checked);
                dialog->Command1_Click();
                return true;
            });
            h.window->menuItem(QStringLiteral("mnuHide1"))->trigger();
            QCOMPARE(answer.answered(), 1);
            QCOMPARE(result, QStringLiteral("~"));
            QCOMPARE(highlighted, 6);
            QCOMPARE(afterDeselect, qsizetype(1));
            for (int n = 1; n <= 64; ++n)
                QCOMPARE(readIni(MachineRecord::sectionName(n), QStringLiteral("Visible")),
                         n == 3 || n == 7 ? QStringLiteral("-1") : QStringLiteral("0"));
            QCOMPARE(comboTexts(h.window->cmbCNCVisible()),
                     QStringList({QStringLiteral("Machine3"), QStringLiteral("Machine7")}));
            // The first machine left visible becomes current, even though 7 still is visible.
            QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine3"));
        }
        Harness again = makeWindow();
        NoModalExpected none;
        QVERIFY(again.window->Form_Load());
        QCOMPARE(comboTexts(again.window->cmbCNCVisible()),
                 QStringList({QStringLiteral("Machine3"), QStringLiteral("Machine7")}));
        QCOMPARE(again.window->cmbCNC()->itemData(0).toInt(), 0);
    }

    void sendModeMigrationRunsOnce() {
        home_->writeIni("[Settings]\nRunBefore=Yes\n[Machine1]\nDripFeedPacketSize=0\n[Machine2]\nDripFeedPacketSize=1\n"
                        "[Machine3]\nDripFeedPacketSize=3\n[Machine4]\nDripFeedPacketSize=abc\n");
        {
            Harness h = makeWindow();
            QVERIFY(h.window->Form_Load());
        }
        auto mode = [](int n) { return readIni(MachineRecord::sectionName(n), QStringLiteral("DripFeedPacketSize")); };
        QCOMPARE(mode(1), QStringLiteral("0"));
        QCOMPARE(mode(2), QStringLiteral("4"));
        QCOMPARE(mode(3), QStringLiteral("6"));
        QCOMPARE(mode(4), QStringLiteral("abc")); // still block send, as before
        QVERIFY(!iniHasKey(QStringLiteral("Machine5"), QStringLiteral("DripFeedPacketSize")));
        QVERIFY(!readIni(QStringLiteral("Settings"), QStringLiteral("UpdateDataSendMode")).isEmpty());
        Harness again = makeWindow();
        QVERIFY(again.window->Form_Load());
        QCOMPARE(mode(2), QStringLiteral("4"));
    }

    void transferLockBlocksEveryShortcutAndReleasesThem() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        showActive(w);
        press(w, Qt::Key_F2);
        QCOMPARE(h.transfers->started(), QStringList{QStringLiteral("sendFromDisk:1")});
        h.transfers->calls.clear();

        gPortState = PortSending;
        w->lockForTransfer(true);
        for (const char* name : kLockedMenus)
            QVERIFY2(!w->menuItem(QLatin1String(name))->isEnabled(), name);
        QVERIFY(!w->menuItem(QStringLiteral("mnuAnalyzeHeader"))->isEnabled());
        QVERIFY(w->menuItem(QStringLiteral("mnuAboutHeader"))->isEnabled());
        QVERIFY(w->menuItem(QStringLiteral("mnuClearTerminal"))->isEnabled());
        for (int i = 0; i < 5; ++i)
            QVERIFY(w->menuItem(QStringLiteral("mnuDebug(%1)").arg(i))->isEnabled());
        for (int i = 0; i < 7; ++i) {
            QVERIFY(!w->btnToolBar(i)->isEnabled());
            QVERIFY(!w->btnToolBar2(i)->isEnabled());
        }
        QVERIFY(!w->cmbCNCVisible()->isEnabled());

        const QList<QPair<int, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_F2, Qt::NoModifier},   {Qt::Key_F3, Qt::NoModifier},   {Qt::Key_F4, Qt::NoModifier},
            {Qt::Key_F5, Qt::NoModifier},   {Qt::Key_F6, Qt::NoModifier},   {Qt::Key_F7, Qt::NoModifier},
            {Qt::Key_F8, Qt::NoModifier},   {Qt::Key_F9, Qt::NoModifier},   {Qt::Key_F2, Qt::ShiftModifier},
            {Qt::Key_F3, Qt::ShiftModifier}, {Qt::Key_F4, Qt::ShiftModifier}, {Qt::Key_R, Qt::ControlModifier},
            {Qt::Key_T, Qt::ControlModifier}, {Qt::Key_N, Qt::ControlModifier}, {Qt::Key_S, Qt::ControlModifier},
            {Qt::Key_P, Qt::ControlModifier}, {Qt::Key_F, Qt::ControlModifier}, {Qt::Key_H, Qt::ControlModifier},
            {Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier}};
        for (const auto& k : keys)
            press(w, k.first, k.second);
        // Items that are enabled themselves but sit in a locked menu do nothing either.
        for (const char* name : {"mnuSendAFile1", "mnuReceive1", "mnuCNCProperties1", "mnuQuitProgram", "mnuOpenDebug"})
            w->menuItem(QLatin1String(name))->trigger();
        w->lblStat_Click(0);
        w->lblStat_Click(1);
        QVERIFY(h.transfers->started().isEmpty());
        QVERIFY(h.editor->calls.isEmpty());
        QVERIFY(h.dialogs->calls.isEmpty());
        QVERIFY(w->isVisible());

        // Esc still reaches the running transfer.
        press(w, Qt::Key_Escape);
        QVERIFY(gCancelSend);
        QVERIFY(gCancelOperation);

        gPortState = PortIdle;
        w->lockForTransfer(false);
        for (const char* name : kLockedMenus)
            QVERIFY2(w->menuItem(QLatin1String(name))->isEnabled(), name);
        QVERIFY(!w->menuItem(QStringLiteral("mnuClearTerminal"))->isEnabled());
        QVERIFY(w->btnToolBar(0)->isEnabled());
        QVERIFY(w->cmbCNCVisible()->isEnabled());
        press(w, Qt::Key_F2);
        press(w, Qt::Key_F4);
        press(w, Qt::Key_F7);
        press(w, Qt::Key_F6);
        press(w, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(h.transfers->started(), QStringList({QStringLiteral("sendFromDisk:1"), QStringLiteral("receive:0:"),
                                                      QStringLiteral("terminal")}));
        QCOMPARE(h.dialogs->calls, QStringList{QStringLiteral("properties")});
        QCOMPARE(h.editor->calls, QStringList{QStringLiteral("find:0")});
    }

    void debugViewsAreOfferedOnlyWhileTheDebugWindowIsOpen() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        // The debug views are offered while the debug window is open; one unticks the other four.
        w->menuItem(QStringLiteral("mnuDebug(3)"))->trigger();
        QCOMPARE(gDebugMode, 1);
        gPortState = PortTerminal;
        w->disableMenus(true);
        w->menuItem(QStringLiteral("mnuDebug(3)"))->trigger();
        QCOMPARE(gDebugMode, 3);
        w->menuItem(QStringLiteral("mnuDebug(0)"))->trigger();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(w->menuItem(QStringLiteral("mnuDebug(%1)").arg(i))->isChecked(), i == 0);
        QCOMPARE(gDebugMode, 0);
        gPortState = PortIdle;
    }

    void closingWaitsForTheTransferAndQuitAsks() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        w->show();
        gPortState = PortSending;
        w->close();
        QVERIFY(w->isVisible());

        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerNo);
        w->quitProgram();
        QVERIFY(w->isVisible());
        QVERIFY(!gCancelSend);
        QVERIFY(msgs.sawText(QStringLiteral("A Transfer Is Still Running")));

        msgs.answer(Msg::AnswerYes);
        w->quitProgram();
        QVERIFY(!w->isVisible());
        QVERIFY(gCancelSend);
        QVERIFY(gCancelBatch);

        gPortState = PortIdle;
        Harness idle = makeWindow();
        QVERIFY(idle.window->Form_Load());
        idle.window->show();
        const int asked = msgs.shown().size();
        idle.window->btnToolBar(6)->click();
        QVERIFY(!idle.window->isVisible());
        QCOMPARE(msgs.shown().size(), asked);
    }

    void fileDropOnTheSendButton() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        const QString file = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(file, "%\nG0X1\n%\n"));
        ScriptedMessages msgs;
        w->binaryReceive = true;

        QMimeData one;
        one.setUrls({QUrl::fromLocalFile(file)});
        w->btnToolBar_OLEDragDrop(1, &one);
        gPortState = PortReceiving;
        w->btnToolBar_OLEDragDrop(0, &one);
        gPortState = PortIdle;
        QVERIFY(h.transfers->started().isEmpty());
        w->btnToolBar_OLEDragDrop(0, &one);
        QCOMPARE(h.transfers->started(), QStringList{QStringLiteral("sendFileNoWindow:") + file});
        QVERIFY(!w->binaryReceive);
        h.transfers->calls.clear();

        QMimeData two;
        two.setUrls({QUrl::fromLocalFile(file), QUrl::fromLocalFile(file)});
        w->btnToolBar_OLEDragDrop(0, &two);
        QVERIFY(msgs.sawText(QStringLiteral("You Can't Drag And Send More Than One File At A Time")));
        QMimeData gone;
        gone.setUrls({QUrl::fromLocalFile(home_->file(QStringLiteral("gone.nc")))});
        w->btnToolBar_OLEDragDrop(0, &gone);
        QMimeData text;
        text.setText(QStringLiteral("G0X1"));
        w->btnToolBar_OLEDragDrop(0, &text);
        QMimeData nothing;
        nothing.setData(QStringLiteral("application/x-other"), "x");
        w->btnToolBar_OLEDragDrop(0, &nothing);
        QVERIFY(msgs.sawText(QStringLiteral("Don't Think This Is A Valid Filetype Bud !")));
        QVERIFY(h.transfers->started().isEmpty());
        QCOMPARE(msgs.shown().size(), 2);
    }

    void toolBarCommands() {
        Harness h = loadedWindow("[Machine1]\nFanucSaveAll=1\n");
        frmTerminal* w = h.window.get();
        w->binaryReceive = true;
        w->btnToolBar_Click(2);
        QVERIFY(!w->binaryReceive);
        // Stopping a receive leaves the mark alone, even with the idle caption renamed "Stop !".
        gReceiveCaption = QStringLiteral("Stop !");
        w->btnToolBar(2)->setText(QStringLiteral("Stop !"));
        gPortState = PortReceiving;
        w->binaryReceive = true;
        w->btnToolBar_Click(2);
        QVERIFY(w->binaryReceive);
        gPortState = PortIdle;
        gReceiveCaption = QStringLiteral("Receive");
        w->btnToolBar_Click(7);
        w->btnToolBar_Click(-1);
        QCOMPARE(h.transfers->started(), QStringList({QStringLiteral("receive:1:"), QStringLiteral("receive:1:")}));

        for (int i = 0; i < 6; ++i)
            w->btnToolBar2_Click(i);
        QCOMPARE(h.editor->calls, QStringList({QStringLiteral("new:"), QStringLiteral("open"), QStringLiteral("save"),
                                               QStringLiteral("close"), QStringLiteral("find:0"),
                                               QStringLiteral("print:0")}));

        // A settings password that is not given keeps the settings dialog shut.
        const QString passwordFile = home_->file(QStringLiteral("password.ini"));
        QVERIFY(writeAllBytes(passwordFile, "[Main]\nPassword=xyz\n"));
        gPasswordIniPath = passwordFile;
        ModalAnswerer refuse(
            [](QWidget* prompt) {
                prompt->close();
                return true;
            },
            true);
        w->btnToolBar_Click(4);
        w->menuItem(QStringLiteral("mnuCNCProperties2"))->trigger();
        w->menuItem(QStringLiteral("mnuSystemSettings"))->trigger();
        QVERIFY(h.dialogs->calls.isEmpty());
        QCOMPARE(refuse.answered(), 3);
    }

    void recentFileAndOtherMenuRules() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        ScriptedMessages msgs;
        const QString file = home_->file(QStringLiteral("sent.nc"));
        QVERIFY(writeAllBytes(file, "%\n%\n"));
        QAction* sent = w->menuItem(QStringLiteral("mnuRecentSentFile(1)"));
        auto sendRecent = [&](const QString& path) {
            sent->setData(path);
            sent->setEnabled(true);
            sent->trigger();
        };
        sendRecent(QStringLiteral("relative.nc"));
        QVERIFY(msgs.sawText(QStringLiteral("Can't Access The Drive Of File relative.nc")));
        sendRecent(home_->file(QStringLiteral("gone.nc")));
        QVERIFY(msgs.sawText(home_->file(QStringLiteral("gone.nc")) + QStringLiteral(" Does Not Exist")));
        sendRecent(QString()); // an "(Empty)" slot
        QCOMPARE(msgs.shown().size(), 2);
        sendRecent(file);
        gWindows[0].fileName = file; // the active window holds it: its text is sent, edits included
        sendRecent(file);
        QCOMPARE(h.transfers->started(), QStringList({QStringLiteral("sendFileNoWindow:") + file,
                                                      QStringLiteral("sendTextBlock:%1:1").arg(file)}));
        h.transfers->calls.clear();

        QAction* received = w->menuItem(QStringLiteral("mnuRecentReceiveFile(2)"));
        received->setText(QStringLiteral("(Empty)"));
        received->setVisible(true);
        received->setEnabled(true);
        received->trigger();
        received->setData(file);
        w->binaryReceive = true;
        received->trigger();
        QVERIFY(!w->binaryReceive);
        w->menuItem(QStringLiteral("mnuReceiveBinary"))->trigger();
        QVERIFY(w->binaryReceive);
        QCOMPARE(h.transfers->started(), QStringList({QStringLiteral("receive:0:") + file, QStringLiteral("receive:0:")}));
        h.transfers->calls.clear();

        // Binary chunks: the choice is stored even when no file is chosen.
        w->menuItem(QStringLiteral("mnuBinaryChunk(8)"))->trigger();
        QCOMPARE(readIni(gCurrentMachineSection, QStringLiteral("BinaryChunk")), QStringLiteral("8"));
        QVERIFY(w->menuItem(QStringLiteral("mnuBinaryChunk(8)"))->isChecked());
        QVERIFY(h.transfers->started().isEmpty());
        h.editor->chosenFile = file;
        w->menuItem(QStringLiteral("mnuBinaryChunk(2)"))->trigger();
        QCOMPARE(h.transfers->started(), QStringList{QStringLiteral("binary:BINARY%1:128").arg(file)});
        QVERIFY(h.editor->calls.contains(QStringLiteral("choose:Send Binary File To Machine1:SendDirectory")));
        h.transfers->calls.clear();

        // Merge: a cancelled merge sends nothing; a finished one is sent and leaves the port idle.
        w->menuItem(QStringLiteral("mnuMerge"))->trigger();
        QVERIFY(h.transfers->started().isEmpty());
        h.editor->mergedFile = file;
        w->menuItem(QStringLiteral("mnuMerge"))->trigger();
        QCOMPARE(h.transfers->started(), QStringList{QStringLiteral("sendTextBlock:%1:0").arg(file)});
        QCOMPARE(gPortState, int(PortIdle));

        // Paste: Ctrl+V already pasted in the editor is not pasted twice.
        // (The real editor enables both only when there is something to paste or clear.)
        w->menuItem(QStringLiteral("mnuPaste"))->setEnabled(true);
        w->menuItem(QStringLiteral("mnuClear"))->setEnabled(true);
        gPastePending = true;
        w->menuItem(QStringLiteral("mnuPaste"))->trigger();
        QVERIFY(!gPastePending);
        w->menuItem(QStringLiteral("mnuPaste"))->trigger();
        w->menuItem(QStringLiteral("mnuClear"))->trigger();
        QCOMPARE(h.editor->calls.mid(h.editor->calls.size() - 2),
                 QStringList({QStringLiteral("paste"), QStringLiteral("clearRecent")}));
    }

    void pickerHideButtonRebuildsItsList() {
        Harness h = loadedWindow();
        ModalAnswerer visibility([](QWidget* w) {
            auto* dialog = qobject_cast<frmVisibleCNC*>(w);
            if (!dialog)
                return false;
            for (int i = 0; i < dialog->List1()->count(); ++i)
                dialog->List1()->item(i)->setCheckState(i == 2 || i == 6 ? Qt::Checked : Qt::Unchecked);
            dialog->Command1_Click();
            return true;
        });
        QStringList rowsAfterHide;
        int selectedAfterHide = -1;
        ModalAnswerer picker([&](QWidget* w) {
            auto* dialog = qobject_cast<frmSelectCNC*>(w);
            if (!dialog)
                return false;
            dialog->Command3_Click();
            for (int i = 0; i < dialog->List1()->count(); ++i)
                rowsAfterHide << dialog->List1()->item(i)->text();
            selectedAfterHide = dialog->List1()->currentRow();
            dialog->List1()->setCurrentRow(1);
            dialog->Command1_Click(0);
            return true;
        });
        h.window->btnToolBar_Click(3);
        QCOMPARE(rowsAfterHide, QStringList({QStringLiteral("Machine3"), QStringLiteral("Machine7")}));
        QCOMPARE(selectedAfterHide, 0);
        QCOMPARE(gDialogResult, QStringLiteral("True"));
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine7"));
        QCOMPARE(h.window->cmbCNCVisible()->currentText(), QStringLiteral("Machine7"));
        QCOMPARE(readIni(QStringLiteral("Machine1"), QStringLiteral("Visible")), QStringLiteral("0"));
        QCOMPARE(readIni(QStringLiteral("Machine7"), QStringLiteral("Visible")), QStringLiteral("-1"));
    }

    void layoutShowsEveryButtonWithoutOverlap_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("800x600") << QSize(800, 600);
        QTest::newRow("1600x1000") << QSize(1600, 1000);
    }

    void layoutShowsEveryButtonWithoutOverlap() {
        QFETCH(QSize, size);
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        w->show();
        w->resize(size);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTRY_COMPARE(w->size(), size);
        QCoreApplication::processEvents();

        const QRect window = w->rect();
        const QRect status = rectIn(w->statusStrip(), w);
        const QRect selector = rectIn(w->cmbCNCVisible(), w);
        const QRect editor = rectIn(w->SSTab1(), w);
        QVERIFY(w->statusStrip()->isVisible());
        QVERIFY(w->cmbCNCVisible()->isVisible());
        QVERIFY(window.contains(status));
        QVERIFY(status.contains(selector));
        QVERIFY(selector.width() >= 100);
        QVERIFY(!editor.intersects(status));
        for (int i = 0; i < 8; ++i) {
            const QRect light = rectIn(w->LEDBreakout(i), w);
            QVERIFY(w->LEDBreakout(i)->isVisible());
            QVERIFY(status.contains(light));
            QVERIFY(!light.intersects(selector));
        }
        // Both page tabs of the tool bars can be reached.
        const QTabBar* pages = w->SSTab2()->tabBar();
        for (int page = 0; page < 2; ++page)
            QVERIFY(pages->rect().contains(pages->tabRect(page)));
        for (int page = 0; page < 2; ++page) {
            w->SSTab2()->setCurrentIndex(page);
            QCoreApplication::processEvents();
            QVector<QRect> placed;
            for (int i = 0; i < 7; ++i) {
                QPushButton* b = page == 0 ? w->btnToolBar(i) : w->btnToolBar2(i);
                QVERIFY2(b->isVisible(), qPrintable(b->objectName()));
                const QRect r = rectIn(b, w);
                QVERIFY2(window.contains(r), qPrintable(b->objectName()));
                QVERIFY2(rectIn(w->SSTab2(), w).contains(r), qPrintable(b->objectName()));
                QVERIFY(!r.intersects(status));
                QVERIFY(!r.intersects(selector));
                QVERIFY(!r.intersects(editor));
                for (const QRect& other : placed)
                    QVERIFY2(!r.intersects(other), qPrintable(b->objectName()));
                placed << r;
            }
        }
    }

    void smallScreensLeaveOutTheLastButtonsAndTheLights() {
        Harness h = loadedWindow("ShowBreakoutLights=0\n");
        frmTerminal* w = h.window.get();
        gShowBreakoutLights = 1;
        w->layoutForScreen(640);
        QVERIFY(!w->btnToolBar(6)->isVisibleTo(w));
        QVERIFY(!w->btnToolBar2(6)->isVisibleTo(w));
        QVERIFY(!w->LEDBreakout(3)->isVisibleTo(w));
        w->layoutForScreen(1024);
        QVERIFY(w->LEDBreakout(3)->isVisibleTo(w));
        QVERIFY(w->btnToolBar(6)->isVisibleTo(w));
    }

    void statusLineAndBreakoutLights() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        QCOMPARE(w->lblStat(0)->text(), QStringLiteral("  Ready"));
        w->statusbar(QStringLiteral("Sending Block 4"));
        QCOMPARE(w->lblStat(0)->text(), QStringLiteral("  Sending Block 4"));
        ::statusbar(QStringLiteral("From elsewhere"));
        QCOMPARE(w->lblStat(0)->text(), QStringLiteral("  From elsewhere"));
        w->UpdatePos(0);
        QCOMPARE(w->lblStat(0)->text(), QStringLiteral("  Ready"));

        auto red = [w](int i) { return w->LEDBreakout(i)->palette().color(QPalette::Window) == QColor(255, 0, 0); };
        for (int i = 0; i < 8; ++i)
            QVERIFY(red(i));
        PortLines lines;
        lines.known = true;
        lines.open = true;
        lines.cts = true;
        lines.dtr = true;
        lines.portName = QStringLiteral("Com5");
        lines.inBufferSize = 8192;
        lines.outBufferSize = 4096;
        w->showPortLines(lines);
        QCOMPARE(w->LEDBreakout(0)->text(), QStringLiteral("COM5"));
        QCOMPARE(w->LEDBreakout(0)->toolTip(), QStringLiteral("OutBufferSize=4096 InBufferSize=8192"));
        QVERIFY(!red(0) && !red(1) && red(2) && red(3) && !red(4) && !red(5));
        lines.known = false; // a port whose lines cannot be read
        w->showPortLines(lines);
        QVERIFY(!red(0));
        for (int i = 1; i < 8; ++i)
            QVERIFY(red(i));
        w->showPortLines(PortLines{});
        QCOMPARE(w->LEDBreakout(0)->text(), QStringLiteral("CLOSED"));
        QVERIFY(red(0));

        w->LEDBreakout_DblClick(6);
        QVERIFY(!red(6));
        w->LEDBreakout_DblClick(6);
        QVERIFY(red(6));
        w->LEDBreakout_DblClick(2);
        QVERIFY(red(2));

        // With the mouse: one double-click toggles once, one click runs once.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTest::mouseDClick(w->LEDBreakout(7), Qt::LeftButton);
        QVERIFY(!red(7));
        QTest::mouseClick(w->lblStat(1), Qt::LeftButton);
        QCOMPARE(h.dialogs->calls, QStringList{QStringLiteral("properties")});
    }

    void keyboardCommands() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        showActive(w);

        // Esc during a send over a USB adapter is left to the progress window's Cancel.
        gPortState = PortSending;
        h.transfers->usbPort = true;
        press(w, Qt::Key_Escape);
        QVERIFY(!gCancelSend && !gCancelOperation);
        h.transfers->usbPort = false;
        press(w, Qt::Key_Escape);
        QVERIFY(gCancelSend && gCancelOperation);
        gPortState = PortIdle;

        // Ctrl+Tab walks the visible editor windows and never types a tab.
        EditorManager* ed = w->editorManager();
        QTabWidget* tabs = w->SSTab1();
        for (int i = 0; i < 3; ++i)
            ed->openFileInNewWindow();
        QCOMPARE(tabs->count(), 4);
        const int first = w->findFirstVisibleTab();
        ed->selectWindow(3);
        press(w, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), first);
        ed->selectWindow(0);
        tabs->setTabVisible(1, false);
        press(w, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 2);
        tabs->setTabVisible(1, true);
        tabs->setTabVisible(3, false);
        ed->selectWindow(2);
        press(w, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), first);
        ed->selectWindow(1);
        ed->editor(1)->setFocus();
        press(w, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(ed->editor(1)->bytes().isEmpty());
        QCOMPARE(tabs->currentIndex(), 2);

        // F1 opens the main window's own help page.
        QVERIFY(QDir().mkpath(home_->file(QStringLiteral("help"))));
        QVERIFY(writeAllBytes(home_->file(QStringLiteral("help/frmTerminal.htm")), "<html/>"));
        QList<QUrl> opened;
        const ShellOpener previous = setShellOpener([&opened](const QUrl& url) {
            opened << url;
            return true;
        });
        press(w, Qt::Key_F1);
        setShellOpener(previous);
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.first().toLocalFile().endsWith(QLatin1String("help/frmTerminal.htm")));
    }

    void windowSizeFromTheSettings() {
        Harness h = loadedWindow("FormState=0\nFormW=9000\nFormH=6000\n");
        QCOMPARE(h.window->size(), QSize(600, 400));
        Harness tiny = loadedWindow("FormState=0\nFormW=15\nFormH=abc\n");
        QVERIFY(tiny.window->width() >= 320 && tiny.window->height() >= 240);
        Harness max = loadedWindow("FormState=2\n");
        QVERIFY(max.window->windowState() & Qt::WindowMaximized);
    }

    void loadingEndsOnASettingsFileItCannotWrite() {
        // No font keys and no write allowed: the defaults are used once, never retried.
        home_->writeIni(kSettledSettings);
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner));
        ScriptedMessages msgs;
        Harness h = makeWindow();
        QVERIFY(h.window->Form_Load());
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(h.window->textboxTerm()->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(h.window->textboxTerm()->font().pointSize(), 10);
        QVERIFY(h.window->textboxTerm()->font().bold());
        QVERIFY(msgs.sawText(QStringLiteral("Can't Write To Settings File")));
        QCOMPARE(h.window->cmbCNC()->count(), 64);
    }

    void unusedReceiveFileIsRemoved() {
        QString temp;
        {
            Harness h = loadedWindow();
            temp = gReceiveTempFile;
            QVERIFY(QFileInfo::exists(temp));
        }
        QVERIFY(!QFileInfo::exists(temp));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
