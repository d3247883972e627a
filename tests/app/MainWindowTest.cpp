#include "AppTestSupport.h"
#include "DialogSize.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MachineSettingsCheck.h"
#include "MessageBoxUi.h"
#include "PercentBar.h"
#include "Printing.h"
#include "ScriptedMessages.h"
#include "ShellOpen.h"
#include "StatusLine.h"
#include "frmCancelWait.h"
#include "frmFanucSplitFiles.h"
#include "frmFind.h"
#include "frmMerge.h"
#include "frmPercent.h"
#include "frmProperties.h"
#include "frmSelectCNC.h"
#include "frmVisibleCNC.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

struct Harness {
    std::unique_ptr<frmTerminal> window;
    RecordingTransfers* transfers = nullptr;
    RecordingEditor* editor = nullptr;
    RecordingDialogs* dialogs = nullptr;
};

Harness makeWindow() {
    Harness h{std::make_unique<frmTerminal>()};
    h.transfers = new RecordingTransfers(*h.window);
    h.editor = new RecordingEditor(*h.window);
    h.dialogs = new RecordingDialogs(*h.window);
    h.window->setTransferActions(std::unique_ptr<TransferActions>(h.transfers));
    h.window->setEditorActions(std::unique_ptr<EditorActions>(h.editor));
    h.window->setDialogActions(std::unique_ptr<DialogActions>(h.dialogs));
    return h;
}

// Answers every visibility dialog by ticking exactly the machines (by number)
// in `visible`, and notes the row it came up on.
struct VisibilityAnswer {
    QList<int> visible;
    int highlighted = -1;
    ModalAnswerer answerer{[this](QWidget* w) {
                               auto* dialog = qobject_cast<frmVisibleCNC*>(w);
                               if (!dialog)
                                   return false;
                               highlighted = dialog->List1()->currentRow();
                               for (int i = 0; i < dialog->List1()->count(); ++i)
                                   dialog->List1()->item(i)->setCheckState(
                                       visible.contains(i + 1) ? Qt::Checked : Qt::Unchecked);
                               dialog->Command1_Click();
                               return true;
                           },
                           true};
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

// Machines 1 to `count`; the numbers in `visible` are visible.
MachineList machines(int count, const QList<int>& visible) {
    MachineList list;
    for (int n = 1; n <= count; ++n)
        list.append({QString("Machine%1").arg(n), visible.contains(n) ? -1 : 0});
    return list;
}

QStringList rows(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}
// Keys as the user types them: each to the control of the window that has
// the focus at that moment.
void press(QWidget* window, const char* keys) {
    for (const QString& key : QString::fromLatin1(keys).split(QStringLiteral(", "))) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keySequence(focus && focus->window() == window->window() ? focus : window, QKeySequence(key));
        runChosenCommands();
    }
}

const char* const kLockedMenus[] = {"mnuFileHeader",    "mnuEditheader",  "mnuSendHeader", "mnuWizard",
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
    void checkVisible(const QList<int>& visible) {
        for (int n = 1; n <= 64; ++n)
            QCOMPARE(readIni(MachineRecord::sectionName(n), "Visible"),
                     QString(visible.contains(n) ? "-1" : "0"));
    }
    // The eight breakout lights, G for green and R for red.
    static QString lights(const frmTerminal* w) {
        QString out;
        for (int i = 0; i < 8; ++i)
            out += w->LEDBreakout(i)->palette().color(QPalette::Window) == QColor(255, 0, 0) ? 'R' : 'G';
        return out;
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

    void firstStartWritesTheRecordsAndTheNextReadsWithoutWriting() {
        {
            Harness h = makeWindow();
            VisibilityAnswer answer;
            answer.visible = {2, 3, 9};
            QVERIFY(h.window->Form_Load());
            QCOMPARE(answer.answerer.answered(), 1);
        }
        QCOMPARE(readIni("Settings", "RunBefore"), QString("Yes"));
        checkVisible({2, 3, 9});
        for (int n = 1; n <= 64; ++n) {
            const QString section = MachineRecord::sectionName(n);
            QCOMPARE(readIni(section, "Alias"), section);
            for (const QString& key : MachineRecord::recordKeys())
                QVERIFY2(iniHasKey(section, key) == (n <= 8 || key == "Alias"),
                         qPrintable(section + ' ' + key));
            QCOMPARE(iniHasKey(section, "SendExtension1"), n <= 8);
        }
        const QByteArray before = home_->readIniBytes();
        const quint64 inode = inodeOf(home_->iniPath());

        Harness second = makeWindow();
        NoModalExpected none;
        QVERIFY(second.window->Form_Load());
        QCOMPARE(none.answerer.answered(), 0);
        QCOMPARE(home_->readIniBytes(), before);
        QCOMPARE(inodeOf(home_->iniPath()), inode);
        QCOMPARE(comboTexts(second.window->cmbCNCVisible()),
                 QStringList({"Machine2", "Machine3", "Machine9"}));
        QCOMPARE(gCurrentMachineSection, QString("Machine2"));
    }

    void machineListFollowsTheFile() {
        Harness h = loadedWindow("[Machine3]\nAlias=LATHE\n[Machine4]\nVisible=0\n[Machine5]\nVisible=1\n"
                                 "[Machine6]\nVisible=abc\n[Machine7]\nVisible=-1\n");
        QStringList visible;
        for (int n = 1; n <= 64; ++n)
            if (n < 4 || n > 6)
                visible << (n == 3 ? QString("LATHE") : MachineRecord::sectionName(n));
        QCOMPARE(comboTexts(h.window->cmbCNCVisible()), visible);
        QCOMPARE(h.window->cmbCNC()->itemText(4), QString("Machine5"));
    }

    void selectingAMachineSetsSectionKeepAliveAndFlowControl() {
        Harness h = loadedWindow(
            "[Machine1]\nVisible=0\n[Machine2]\nAlias=MILL\nHandshaking=2\nFlowMethod=0\n"
            "CharacterSet=1\nKeepAlive=0\n[Machine3]\nVisible=0\n[Machine4]\nVisible=0\n"
            "[Machine5]\nAlias=LATHE\nHandshaking=0\nFlowMethod=1\nCharacterSet=0\nKeepAlive=1\n");
        QCOMPARE(machineValues(), QString("Machine2 0 2 0 1"));
        QCOMPARE(h.transfers->calls.last(), QString("closePort"));

        // The user picks the second visible machine.
        h.window->cmbCNCVisible()->setCurrentIndex(1);
        QCOMPARE(machineValues(), QString("Machine5 1 0 1 0"));
        QCOMPARE(h.window->cmbCNC()->currentIndex(), 4);
        QCOMPARE(h.transfers->calls.last(), QString("openPort"));
        QCOMPARE(h.window->lblStat(1)->text(), QString("LATHE "));
        QCOMPARE(h.window->lblStat(1)->toolTip(), QString("4800,E,7,2"));

        // A machine without flow keys takes the record's defaults.
        h.window->selectVisibleMachine(2);
        QCOMPARE(machineValues(), QString("Machine6 1 1 1 0"));
    }

    // Values no dialog writes are named when their machine is chosen, once a run.
    void impossiblePortSettingsAreNamedWhenTheMachineIsChosen() {
        ScriptedMessages msgs;
        Harness h =
            loadedWindow("[Machine2]\nAlias=MILL\nLineDelay=501\nCommPort=-3\niBaudrate=13\niParity=01\n"
                         "iDataLength=03\niStopBits=x\nHandshaking=5\niBaudrate2=\niParity2=5\n"
                         "[Machine3]\nAlias=LATHE\nCommPort=127\niParity=4\nHandshaking=0\nLineDelay=500\n");
        QCOMPARE(impossibleMachineSettings("Machine2"),
                 QStringList({"CommPort=-3", "iBaudrate=13", "iParity=01", "iParity2=5", "iStopBits=x",
                              "LineDelay=501"}));
        QVERIFY(impossibleMachineSettings("Machine3").isEmpty());
        QVERIFY(impossibleMachineSettings("Machine9").isEmpty()); // defaults throughout
        QVERIFY(msgs.shown().isEmpty());
        h.window->selectMachine(2);
        QVERIFY(msgs.shown().isEmpty());
        h.window->selectMachine(1);
        QCOMPARE(msgs.shown().size(), 1);
        for (const char* part :
             {"MILL", "CommPort=-3\n", "iStopBits=x", "LineDelay=501", "[Machine2]", "feedline-settings.ini"})
            QVERIFY2(msgs.texts().first().contains(part), part);
        h.window->selectMachine(2);
        h.window->selectMachine(1);
        QCOMPARE(msgs.shown().size(), 1);
    }

    // A window size typed by hand, of any length, still gives a window one can use.
    void aWindowSizeOfAnyLengthGivesAUsableWindow() {
        for (const QByteArray size : {"2147483647", "-99999999999"}) {
            Harness h = loadedWindow("FormState=0\nFormW=" + size + "\nFormH=" + size + "\n");
            QVERIFY2(h.window->width() >= 320 && h.window->height() >= 240, size.constData());
        }
    }

    void hidingMachinesWritesVisibleAndLastsAcrossRestarts() {
        {
            Harness h = loadedWindow();
            h.window->selectMachine(6);
            VisibilityAnswer answer;
            answer.visible = {3, 7};
            choose(*h.window, "mnuHide1");
            QCOMPARE(answer.highlighted, 6);
            checkVisible({3, 7});
            QCOMPARE(comboTexts(h.window->cmbCNCVisible()), QStringList({"Machine3", "Machine7"}));
            // The first machine left visible becomes current, even though 7 still is visible.
            QCOMPARE(gCurrentMachineSection, QString("Machine3"));

            // Hidden from the picker: its list is rebuilt at once and a machine is chosen from it.
            answer.visible = {2, 7};
            QStringList rowsAfterHide;
            int selectedAfterHide = -1;
            ModalAnswerer picker([&](QWidget* w) {
                auto* dialog = qobject_cast<frmSelectCNC*>(w);
                if (!dialog)
                    return false;
                dialog->Command3_Click();
                rowsAfterHide = rows(dialog->List1());
                selectedAfterHide = dialog->List1()->currentRow();
                dialog->List1()->setCurrentRow(1);
                dialog->Command1_Click(0);
                return true;
            });
            h.window->btnToolBar_Click(3);
            QCOMPARE(rowsAfterHide, QStringList({"Machine2", "Machine7"}));
            QCOMPARE(selectedAfterHide, 0);
            QCOMPARE(gCurrentMachineSection, QString("Machine7"));
            QCOMPARE(h.window->cmbCNCVisible()->currentText(), QString("Machine7"));
            checkVisible({2, 7});

            // A choice the file cannot take is said, with why and what to do.
            QVERIFY(QFile::setPermissions(gIniPath, QFileDevice::ReadOwner));
            ScriptedMessages msgs;
            answer.visible = {2};
            choose(*h.window, "mnuHide1");
            QVERIFY(QFile::setPermissions(gIniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QVERIFY2(msgs.sawText(gIniPath +
                                  " is read-only\n\nThe change was not saved. Make the file and its "
                                  "folder writable."),
                     qPrintable(msgs.texts().join('|')));
        }
        Harness again = makeWindow();
        QVERIFY(again.window->Form_Load());
        QCOMPARE(comboTexts(again.window->cmbCNCVisible()), QStringList({"Machine2", "Machine7"}));
    }

    void sendModeMigrationRunsOnce() {
        home_->writeIni(
            "[Settings]\nRunBefore=Yes\n[Machine1]\nDripFeedPacketSize=0\n[Machine2]\n"
            "DripFeedPacketSize=1\n[Machine3]\nDripFeedPacketSize=3\n[Machine4]\nDripFeedPacketSize=abc\n"
            "[Machine5]\nDripFeedPacketSize=1e9\n[Machine6]\nDripFeedPacketSize=-1\n[Machine7]\n"
            "DripFeedPacketSize=01\n");
        auto modes = [] {
            QStringList out;
            for (int n = 1; n <= 7; ++n)
                out << readIni(MachineRecord::sectionName(n), "DripFeedPacketSize", "-");
            return out;
        };
        // Every stored whole number but "0" moves up by three; any other
        // text stays, for a send to name it.
        for (int start = 0; start < 2; ++start) {
            Harness h = makeWindow();
            QVERIFY(h.window->Form_Load());
            QCOMPARE(modes(), QStringList({"0", "4", "6", "abc", "1e9", "2", "01"}));
        }
    }

    void transferLockBlocksEveryShortcutAndReleasesThem() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        showActive(w);
        gPortState = PortSending;
        w->lockForTransfer(true);
        for (const char* name : kLockedMenus)
            QVERIFY2(!w->menuItem(name)->isEnabled(), name);
        for (int i = 0; i < 7; ++i) {
            QVERIFY(!w->btnToolBar(i)->isEnabled());
            QVERIFY(!w->btnToolBar2(i)->isEnabled());
        }
        QVERIFY(!w->cmbCNCVisible()->isEnabled());
        for (const char* keys :
             {"F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "Shift+F2", "Shift+F3", "Shift+F4", "Ctrl+R",
              "Ctrl+T", "Ctrl+N", "Ctrl+S", "Ctrl+P", "Ctrl+F", "Ctrl+H", "Ctrl+Shift+F"})
            press(w, keys);
        // Items that are enabled themselves but sit in a locked menu do nothing either.
        for (const char* name :
             {"mnuSendAFile1", "mnuReceive1", "mnuCNCProperties1", "mnuQuitProgram", "mnuOpenDebug"})
            choose(*w, name);
        w->lblStat_Click(0);
        w->lblStat_Click(1);
        QVERIFY(h.transfers->started().isEmpty());
        QVERIFY(h.editor->calls.isEmpty());
        QVERIFY(h.dialogs->calls.isEmpty());
        QVERIFY(w->isVisible());

        // Esc still reaches the running transfer, unless a USB adapter leaves it to the progress window.
        h.transfers->usbPort = true;
        press(w, "Esc");
        QVERIFY(!gCancelSend && !gCancelOperation);
        h.transfers->usbPort = false;
        press(w, "Esc");
        QVERIFY(gCancelSend && gCancelOperation);

        gPortState = PortIdle;
        w->lockForTransfer(false);
        for (const char* name : kLockedMenus)
            QVERIFY2(w->menuItem(name)->isEnabled(), name);
        QVERIFY(w->cmbCNCVisible()->isEnabled());
        for (const char* keys : {"F2", "F4", "F7", "F6", "Ctrl+Shift+F"})
            press(w, keys);
        QCOMPARE(h.transfers->started(), QStringList({"sendFromDisk:1", "receive:0:", "terminal"}));
        QCOMPARE(h.dialogs->calls, QStringList{"properties"});
        QCOMPARE(h.editor->calls, QStringList{"find:0"});
    }

    // With the focus in the editor every menu shortcut runs its command and
    // leaves the program as it was; the edit control's own commands beyond
    // plain editing (line transpose, duplicate, case change, ...) are gone.
    // No key takes the focus from the editor, a read-only one included:
    // "M99" typed next goes into the program, not to the machine selector.
    // (Cut, Paste and Undo are the editor's own keys: see the editor's tests.)
    void keysInTheEditorRunTheMenusCommandsAndNeverChangeTheProgram_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("done"); // what the key ran; empty: nothing
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QByteArray>("typed"); // the program after "M99"; empty: "M99" over "g02 Y2"
        const char* const rows[][2] = {
            {"Ctrl+N", "new:"},         {"F9", "open"},         {"Ctrl+S", "save"},
            {"Ctrl+P", "print:0"},      {"F8", "closed"},       {"Ctrl+C", "copied"},
            {"Ctrl+F", "find:0"},       {"Ctrl+H", "find:1"},   {"Ctrl+A", "all selected"},
            {"F2", "sendFromDisk:1"},   {"F3", "sendFromWindow"}, {"Ctrl+T", "restart"},
            {"Shift+F2", "ftp:0"},      {"Shift+F3", "ftp:1"},  {"F5", "frmSelectCNC"},
            {"F6", "properties"},       {"F4", "receive:0:"},   {"Shift+F4", "ftpReceive"},
            {"F7", "terminal"},         {"Ctrl+W", ""},         {"Ctrl+R", ""},
            {"Ctrl+Q", ""},             {"Ctrl+D", ""},         {"Ctrl+L", ""},
            {"Ctrl+Shift+L", ""},       {"Ctrl+Shift+T", ""},   {"Ctrl+U", ""},
            {"Ctrl+Shift+U", ""},       {"Ctrl+Shift+Backspace", ""}, {"Alt+Backspace", ""},
            {"Alt+Q", ""},              {"Meta+Q", ""},         {"Ctrl++", ""},
            {"Ctrl+]", ""}
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << row[0] << row[1] << false << QByteArray();
        const QByteArray text = "N10 G01 X1\r\nN20 g02 Y2\r\nN30 M30\r\n";
        // Tab indents and Shift+Tab un-indents the caret's line by one level
        // wherever the caret is, which stays on the same text.
        QTest::newRow("Shift+Tab") << "Shift+Tab" << "" << false << QByteArray();
        QTest::newRow("Home, Tab, Shift+Tab, Tab") << "Home, Tab, Shift+Tab, Tab" << "" << false
                                                   << QByteArray("N10 G01 X1\r\n\tM99N20 g02 Y2\r\nN30 M30\r\n");
        QTest::newRow("End, Shift+Tab") << "End, Shift+Tab" << "" << false
                                        << QByteArray("N10 G01 X1\r\nN20 g02 Y2M99\r\nN30 M30\r\n");
        QTest::newRow("Home, Tab, Tab, End, Shift+Tab")
            << "Home, Tab, Tab, End, Shift+Tab" << "" << false
            << QByteArray("N10 G01 X1\r\n\tN20 g02 Y2M99\r\nN30 M30\r\n");
        // The completion list takes Tab and Shift+Tab as it takes Esc.
        for (const char* keys : {"G, /, Shift+Tab", "G, /, Tab", "G, /, Esc"})
            QTest::newRow(keys) << keys << "" << false << QByteArray("N10 G01 X1\r\nN20 gM99\r\nN30 M30\r\n");
        for (const char* keys : {"Tab", "Shift+Tab", "Meta+Tab"})
            QTest::newRow(qPrintable(QString("read-only, ") + keys)) << keys << "" << true << text;
    }
    void keysInTheEditorRunTheMenusCommandsAndNeverChangeTheProgram() {
        QFETCH(QString, keys);
        QFETCH(QString, done);
        QFETCH(bool, readOnly);
        QFETCH(QByteArray, typed);
        QVERIFY(writeAllBytes(home_->file("ftp.exe"), "")); // the FTP commands are offered
        QVERIFY(writeAllBytes(home_->file("fanuc.itc"), "G?\r\nG?G00:Rapid\r\n!\r\n"));
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        showActive(w);
        const QString machine = w->cmbCNCVisible()->currentText();
        EditControl* ed = w->editorManager()->activeEditor();
        const QByteArray text = "N10 G01 X1\r\nN20 g02 Y2\r\nN30 M30\r\n";
        ed->setBytes(text);
        ed->markSaved(); // Quit asks nothing
        ed->setReadOnly(readOnly);
        ed->selectRange(16, 22); // "g02 Y2"
        ed->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), ed);
        QApplication::clipboard()->clear();
        ScriptedMessages msgs;
        QStringList ran;
        ModalAnswerer dialogs(
            [&ran](QWidget* modal) {
                ran << modal->metaObject()->className();
                modal->close();
                return true;
            },
            true);
        press(w, keys.toLatin1().constData());
        ran << h.transfers->started() << h.editor->calls << h.dialogs->calls;
        if (!w->isVisible())
            ran << "closed";
        if (QApplication::clipboard()->text() == "g02 Y2")
            ran << "copied";
        if (ed->selectionLength() == text.size())
            ran << "all selected";
        QCOMPARE(ran.join(' '), done);
        if (!w->isVisible())
            return;
        if (QApplication::activeWindow() != w) // a dialog closed: the window manager gives the focus back
            showActive(w);
        QTest::keyClicks(QApplication::focusWidget(), "M99");
        QCOMPARE(QApplication::focusWidget(), ed);
        QCOMPARE(w->cmbCNCVisible()->currentText(), machine);
        if (typed.isEmpty())
            typed = done == "all selected" ? "M99" : "N10 G01 X1\r\nN20 M99\r\nN30 M30\r\n";
        QCOMPARE(ed->bytes(), typed);
    }

    void debugViewsAreOfferedOnlyWhileTheDebugWindowIsOpen() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        choose(*w, "mnuDebug(3)");
        QCOMPARE(gDebugMode, 1);
        gPortState = PortTerminal;
        w->disableMenus(true);
        choose(*w, "mnuDebug(3)");
        QCOMPARE(gDebugMode, 3);
        // One view unticks the other four.
        choose(*w, "mnuDebug(0)");
        for (int i = 0; i < 5; ++i)
            QCOMPARE(w->menuItem(QStringLiteral("mnuDebug(%1)").arg(i))->isChecked(), i == 0);
        QCOMPARE(gDebugMode, 0);
    }

    void fileDropOnTheSendButton() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        const QString file = home_->file("part.nc");
        QVERIFY(writeAllBytes(file, "%\nG0X1\n%\n"));
        ScriptedMessages msgs;
        auto drop = [w](const QStringList& files, int button = 0) {
            QMimeData data;
            for (const QString& f : files)
                data.setUrls(data.urls() << QUrl::fromLocalFile(f));
            if (files.isEmpty())
                data.setData("application/x-other", "x");
            w->btnToolBar_OLEDragDrop(button, &data);
        };
        // Only on the Send button, and only while nothing is transferred.
        w->binaryReceive = true;
        drop({file}, 1);
        gPortState = PortReceiving;
        drop({file});
        gPortState = PortIdle;
        QVERIFY(h.transfers->started().isEmpty());
        drop({file});
        QCOMPARE(h.transfers->started(), QStringList{"sendFileNoWindow:" + file});
        QVERIFY(!w->binaryReceive);

        drop({file, file});
        QVERIFY(msgs.sawText("You Can't Drag And Send More Than One File At A Time"));
        drop({home_->file("gone.nc")});
        drop({});
        QVERIFY(msgs.sawText("Don't Think This Is A Valid Filetype Bud !"));
        QCOMPARE(h.transfers->started().size(), 1);
        QCOMPARE(msgs.shown().size(), 2);
    }

    void toolBarCommands() {
        Harness h = loadedWindow("[Machine1]\nFanucSaveAll=1\n");
        frmTerminal* w = h.window.get();
        w->binaryReceive = true;
        w->btnToolBar_Click(2);
        QVERIFY(!w->binaryReceive);
        // Stopping a receive leaves the mark alone, even with the idle caption renamed "Stop !".
        gReceiveCaption = "Stop !";
        w->btnToolBar(2)->setText("Stop !");
        gPortState = PortReceiving;
        w->binaryReceive = true;
        w->btnToolBar_Click(2);
        QVERIFY(w->binaryReceive);
        gPortState = PortIdle;
        gReceiveCaption = "Receive";
        QCOMPARE(h.transfers->started(), QStringList({"receive:1:", "receive:1:"}));
        for (int i = 0; i < 6; ++i)
            w->btnToolBar2_Click(i);
        QCOMPARE(h.editor->calls, QStringList({"new:", "open", "save", "close", "find:0", "print:0"}));

        // A settings password that is not given keeps the settings dialogs shut.
        gPasswordIniPath = home_->file("password.ini");
        QVERIFY(writeAllBytes(gPasswordIniPath, "[Main]\nPassword=xyz\n"));
        ModalAnswerer refuse(
            [](QWidget* prompt) {
                prompt->close();
                return true;
            },
            true);
        w->btnToolBar_Click(4);
        choose(*w, "mnuCNCProperties2");
        choose(*w, "mnuSystemSettings");
        QVERIFY(h.dialogs->calls.isEmpty());
        QCOMPARE(refuse.answered(), 3);
    }

    void recentFileAndOtherMenuRules() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        ScriptedMessages msgs;
        const QString file = home_->file("sent.nc");
        QVERIFY(writeAllBytes(file, "%\n%\n"));
        auto recent = [w](const char* item, const QString& path) {
            QAction* action = w->menuItem(item);
            action->setData(path);
            action->setVisible(true);
            action->setEnabled(true);
            action->trigger();
            runChosenCommands();
        };
        recent("mnuRecentSentFile(1)", "relative.nc");
        QVERIFY(msgs.sawText("Can't Access The Drive Of File relative.nc"));
        recent("mnuRecentSentFile(1)", home_->file("gone.nc"));
        QVERIFY(msgs.sawText(home_->file("gone.nc") + " Does Not Exist"));
        recent("mnuRecentSentFile(1)", QString()); // an "(Empty)" slot
        QCOMPARE(msgs.shown().size(), 2);
        recent("mnuRecentSentFile(1)", file);
        w->binaryReceive = true;
        recent("mnuRecentReceiveFile(2)", QString());
        recent("mnuRecentReceiveFile(2)", file);
        QVERIFY(!w->binaryReceive);
        choose(*w, "mnuReceiveBinary");
        QVERIFY(w->binaryReceive);
        QCOMPARE(h.transfers->started(),
                 QStringList({"sendFileNoWindow:" + file, "receive:0:" + file, "receive:0:"}));
        h.transfers->calls.clear();

        // Binary chunks: the choice is stored even when no file is chosen.
        choose(*w, "mnuBinaryChunk(8)");
        QCOMPARE(readIni(gCurrentMachineSection, "BinaryChunk"), QString("8"));
        QVERIFY(h.transfers->started().isEmpty());
        h.editor->chosenFile = file;
        choose(*w, "mnuBinaryChunk(2)");
        QCOMPARE(h.transfers->started(), QStringList{"binary:BINARY" + file + ":128"});

        // Paste: Ctrl+V already pasted in the editor is not pasted twice.
        // (The real editor enables both only when there is something to paste or clear.)
        w->menuItem("mnuPaste")->setEnabled(true);
        w->menuItem("mnuClear")->setEnabled(true);
        gPastePending = true;
        choose(*w, "mnuPaste");
        QVERIFY(!gPastePending);
        choose(*w, "mnuPaste");
        choose(*w, "mnuClear");
        QCOMPARE(h.editor->calls.mid(h.editor->calls.size() - 2), QStringList({"paste", "clearRecent"}));
    }

    // The window's own placing: the flow buttons, the edges of the screen, the find box.
    void theWindowKeepsItsPartsInPlace() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        w->show();
        w->resize(900, 600);
        QPushButton* xon = w->cmdFlow(0);
        QPushButton* xoff = w->cmdFlow(1);
        QVERIFY(xon->isVisible() && xoff->isVisible());
        QCOMPARE(xon->text() + xoff->text(), QString("XONXOFF"));
        // Side by side near the bottom right corner.
        const QRect both = xon->geometry().united(xoff->geometry());
        const QPoint corner = w->centralWidget()->mapFrom(w, QPoint(w->width(), w->height()));
        QCOMPARE(xoff->x(), xon->x() + xon->width());
        QVERIFY(both.right() < corner.x() && both.right() > corner.x() - 40);
        QVERIFY(both.bottom() < corner.y() && both.bottom() > corner.y() - 120);
        xon->click();
        xoff->click();
        QVERIFY(h.transfers->started().isEmpty());

        // Off the top or the left of the screen: back at the edge.
        w->move(-50, -30);
        w->resize(880, 600);
        QCOMPARE(w->pos(), QPoint(0, 0));
        w->move(40, -20);
        QCOMPARE(w->pos(), QPoint(40, 0));

        // The find box goes with a minimised window and comes back with it.
        frmFind* box = frmFind::showFindBox(w, w->editorManager(), "G01", 0);
        QVERIFY(box->isVisible());
        w->showMinimized();
        QVERIFY(!box->isVisible());
        w->showNormal();
        QVERIFY(box->isVisible());
        box->close();
    }

    // Large buttons above 640 pixels, small ones (Quit hidden) up to it; the
    // loading then narrows small buttons, but not their panel, and fits the
    // tab strip to them.
    void toolBarColumnFitsTheScreen() {
        const struct {
            int screen, showLights;
            QSize buttons; // twips, as first laid out
            bool quit;
            int pitch, narrowed, panel, tabs; // twips, after the loading
            bool lights;
        } rows[] = {{641, 0, {1450, 900}, true, 910, 1450, 1650, 1545, false},
                    {641, 1, {1450, 900}, true, 910, 1450, 1650, 1545, true},
                    {640, 0, {1330, 850}, false, 860, 1310, 1530, 1400, true}};
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        w->show();
        w->resize(1000, 700);
        const auto px = &frmTerminal::px;
        for (const auto& r : rows) {
            gShowBreakoutLights = r.showLights;
            w->setIconLocation(r.screen);
            for (QPushButton* b : {w->btnToolBar(3), w->btnToolBar2(3)})
                QCOMPARE(b->size(), QSize(px(r.buttons.width()), px(r.buttons.height())));
            QCOMPARE(!w->btnToolBar(6)->isHidden() && !w->btnToolBar2(6)->isHidden(), r.quit);
            w->layoutForScreen(r.screen);
            QCOMPARE(w->btnToolBar(0)->width(), px(r.narrowed));
            QCOMPARE(w->findChild<QWidget*>("picMenuBar")->width(), px(r.panel));
            QCOMPARE(w->SSTab1()->x(), px(r.narrowed + 210));
            QCOMPARE(w->findChild<QWidget*>("SSTab2")->width(), px(r.tabs));
            for (int i = 1; i <= 6; ++i)
                QCOMPARE(w->btnToolBar(i)->y() - w->btnToolBar(0)->y(), px(i * r.pitch));
            QCOMPARE(!w->LEDBreakout(3)->isHidden(), r.lights);
        }
    }

    // [Settings] FormState: -1 (the default) the screen less 340 twips each
    // way, 1 the designed size, 2 maximised, anything else FormW by FormH.
    void windowSizeFollowsFormState() {
        const auto px = &frmTerminal::px;
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size() - QSize(px(340), px(340));
        const QByteArray own = "FormW=6000\nFormH=4500\n";
        const struct {
            QByteArray settings;
            QSize size; // empty: maximised
        } rows[] = {{"", screen},
                    {"FormState=-1\n" + own, screen},
                    {"FormState=0\n" + own, {px(6000), px(4500)}},
                    {"FormState=1\n" + own, {px(9900), px(7500)}},
                    {"FormState=2\n" + own, {}}};
        for (const auto& r : rows) {
            Harness h = loadedWindow(r.settings);
            QCOMPARE(h.window->isMaximized(), r.size.isEmpty());
            if (!r.size.isEmpty())
                QCOMPARE(h.window->size(), r.size);
        }
    }

    // Dialogs as they come to the screen: one laid out for one size is fixed
    // before its window is made and shown (the window manager decides then
    // whether to draw resize handles, and where to put it); the file choosers
    // and the machine picker can be widened for long names; none is wider
    // than the screen, and an input box is as wide as its title. The file
    // choosers show every column, a label sits by the control it names, and
    // a line or title shortened for the screen keeps the file name it ends in.
    void dialogsComeToTheScreenAtAFittingSize() {
        Harness h = loadedWindow();
        h.window->editorManager()->activeEditor()->setBytes("G01\n");
        ScriptedMessages restored; // puts the script's handlers back afterwards
        installMessageBoxUi();
        struct ShownWindows : QObject {
            QStringList shown; // each dialog's class, and whether its window could be resized
            QHash<QWidget*, QRect> placed; // where each went to the screen
            bool eventFilter(QObject* o, QEvent* e) override {
                auto* window = qobject_cast<QWindow*>(o);
                if (!window || e->type() != QEvent::Show)
                    return false;
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (w->windowHandle() == window && qobject_cast<QDialog*>(w)) {
                        shown << QString(w->metaObject()->className()) +
                                     (window->minimumSize() == window->maximumSize() ? " fixed"
                                                                                     : " resizable");
                        placed[w] = w->geometry();
                    }
                return false;
            }
        } windows;
        qApp->installEventFilter(&windows);
        QVERIFY(QDir().mkpath(home_->file("programs/second-shift"))); // a row for each chooser
        QVERIFY(writeAllBytes(home_->file("programs/O1.SECONDSHIFTPROGRAM"), QByteArray(20000, 'G')));
        // The choosers restore their columns from Qt's own settings: not the user's.
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, home_->path());
        const QString file = "O1234-second-operation-of-the-left-hand-bracket-with-the-long-tool-list.NC";
        QStringList misfits;
        ModalAnswerer check(
            [&](QWidget* w) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (!dialog)
                    return false;
                QFont bold = dialog->font();
                bold.setBold(true);
                const QFontMetrics title(bold);
                if (dialog->width() < title.horizontalAdvance(dialog->windowTitle()) + 2 * title.height())
                    misfits << "narrow " + dialog->windowTitle();
                if (dialog->frameGeometry().width() > dialog->screen()->availableGeometry().width())
                    misfits << "wide " + dialog->windowTitle();
                // A window changed while its manager places it may land in the screen's corner.
                if (windows.placed.value(dialog) != dialog->geometry())
                    misfits << "changed on the screen " + dialog->windowTitle();
                if (const auto* list = dialog->findChild<QTreeView*>("treeView"); list && list->isVisible()) {
                    if (list->header()->length() > list->viewport()->width())
                        misfits << "columns cut " + dialog->windowTitle();
                    const QAbstractItemModel* model = list->model();
                    QDeadlineTimer deadline(10000); // the folder is read in the background
                    while (model->rowCount(list->rootIndex()) == 0 && !deadline.hasExpired())
                        QTest::qWait(10);
                    // Every column (name, size, type, date) as wide as its title and its rows.
                    const QAbstractItemView* view = list;
                    auto cut = [&] {
                        QStringList columns;
                        for (int c = 0; c < list->header()->count(); ++c)
                            if (list->header()->sectionSize(c) <
                                qMax(view->sizeHintForColumn(c), list->header()->sectionSizeHint(c)))
                                columns << model->headerData(c, Qt::Horizontal).toString();
                        if (list->header()->length() > list->viewport()->width())
                            columns << "(not all shown)";
                        return columns.join(' ');
                    };
                    if (!QTest::qWaitFor([&] { return cut().isEmpty(); }, 10000))
                        misfits << "cut " + cut() + " in " + dialog->windowTitle();
                    // And for a folder whose rows come once the chooser shows.
                    static_cast<QFileDialog*>(dialog)->setDirectory(home_->file("programs"));
                    if (!QTest::qWaitFor(
                            [&] { return model->rowCount(list->rootIndex()) > 0 && cut().isEmpty(); }, 10000))
                        misfits << "cut " + cut() + " in programs in " + dialog->windowTitle();
                    const QModelIndex date = model->index(0, list->header()->count() - 1, list->rootIndex());
                    if (list->visualRect(date).width() <=
                        list->fontMetrics().horizontalAdvance(date.data().toString()) + 2)
                        misfits << "date cut " + date.data().toString();
                }
                for (const QLabel* label : dialog->findChildren<QLabel*>())
                    if (label->buddy() && label->isVisible() && label->height() > 2 * label->sizeHint().height())
                        misfits << "band around " + label->text();
                if (auto* input = qobject_cast<QInputDialog*>(dialog))
                    for (const QString& text : input->labelText().split('\n') + QStringList{dialog->windowTitle()})
                        if (text.contains("/home/cnc/") && !text.contains("/" + file))
                            misfits << "file name cut " + text;
                dialog->reject();
                return true;
            },
            true);
        frmProperties properties; // has its size before its window is made, not a default one
        QCOMPARE(properties.size(), properties.layout()->totalSizeHint());
        properties.exec();
        // A control in a frame that measures itself again once shown, as the
        // machine settings' port frame does on some displays: a layout
        // request is posted, and it asks for more room when it is served.
        struct Widening : QLabel {
            using QLabel::QLabel;
            bool measured = false;
            QSize sizeHint() const override { return QLabel::sizeHint() + QSize(measured ? 40 : 0, 0); }
            void showEvent(QShowEvent* e) override {
                QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
                QLabel::showEvent(e);
            }
            bool event(QEvent* e) override {
                if (e->type() == QEvent::LayoutRequest && !measured) {
                    measured = true;
                    updateGeometry();
                }
                return QLabel::event(e);
            }
        };
        QDialog widening;
        widening.setWindowTitle("Port");
        auto* frame = new QGroupBox(&widening);
        (new QVBoxLayout(frame))->addWidget(new Widening("Port:"));
        (new QVBoxLayout(&widening))->addWidget(frame);
        keepDialogSize(&widening);
        settleDialogSize(&widening);
        widening.exec();
        frmSelectCNC(machines(3, {1, 2, 3}), 0).exec();
        frmVisibleCNC(machines(3, {1, 2, 3}), 0).exec();
        frmMerge().exec();
        frmFanucSplitFiles().exec();
        for (const auto kind :
             {Msg::FileRequest::OpenFiles, Msg::FileRequest::SaveFile, Msg::FileRequest::Folder}) {
            Msg::FileRequest files;
            files.kind = kind;
            files.startFolder = home_->path();
            fileDialog(files);
        }
        printWindow(false);
        for (const char* title :
             {"Send After Toolbreak", "A Title Far Longer Than The One Line Asked Below It"})
            inputBox("Line ?", title);
        const QString deep = "/home/cnc/" + QString("programs-of-the-second-shift/").repeated(40) + file;
        inputBox("Restart From Which Line Of\n" + deep + " ?\n(1 To 9)", "Send After Toolbreak");
        inputBox("Line ?", deep);
        qApp->removeEventFilter(&windows);
        QCOMPARE(
            windows.shown.join(", "),
            QString("frmProperties fixed, QDialog fixed, frmSelectCNC resizable, frmVisibleCNC fixed, "
                    "frmMerge fixed, frmFanucSplitFiles fixed, QFileDialog resizable, QFileDialog resizable, "
                    "QFileDialog resizable, QPrintDialog fixed, QInputDialog fixed, QInputDialog fixed, "
                    "QInputDialog fixed, QInputDialog fixed"));
        QCOMPARE(misfits.join(", "), QString());
    }

    void statusLineAndBreakoutLights() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        ::statusbar("From elsewhere");
        QCOMPARE(w->lblStat(0)->text(), QString("  From elsewhere"));
        QCOMPARE(lights(w), QString("RRRRRRRR"));
        PortLines lines;
        lines.known = true;
        lines.open = true;
        lines.cts = true;
        lines.dtr = true;
        lines.portName = "Com5";
        w->showPortLines(lines);
        QCOMPARE(w->LEDBreakout(0)->text(), QString("COM5"));
        QCOMPARE(lights(w), QString("GGRRGGGG"));
        lines.known = false; // a port whose lines cannot be read
        w->showPortLines(lines);
        QCOMPARE(lights(w), QString("GRRRRRRR"));
        w->showPortLines(PortLines{});
        QCOMPARE(w->LEDBreakout(0)->text(), QString("CLOSED"));
        QCOMPARE(lights(w), QString("RRRRRRRR"));

        // Only the last three toggle, and one double-click toggles once; one click runs once.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTest::mouseDClick(w->LEDBreakout(7), Qt::LeftButton);
        QTest::mouseDClick(w->LEDBreakout(2), Qt::LeftButton);
        QCOMPARE(lights(w), QString("RRRRRRRG"));
        // The port's next poll leaves a toggle alone; only an open or a close sets them.
        lines.known = true;
        for (const char* shown : {"GGRRGGGG", "GGRRGRGG", "GGRRGGGG"}) {
            w->showPortLines(lines);
            QCOMPARE(lights(w), QString(shown));
            QTest::mouseDClick(w->LEDBreakout(5), Qt::LeftButton);
        }
        QTest::mouseClick(w->lblStat(1), Qt::LeftButton);
        QCOMPARE(h.dialogs->calls, QStringList{"properties"});
    }

    void ctrlTabWalksTheVisibleWindowsAndF1OpensTheHelpPage() {
        Harness h = loadedWindow();
        frmTerminal* w = h.window.get();
        showActive(w);
        EditorManager* ed = w->editorManager();
        QTabWidget* tabs = w->SSTab1();
        for (int i = 0; i < 3; ++i)
            ed->openFileInNewWindow();
        const int first = w->findFirstVisibleTab();
        ed->selectWindow(3);
        press(w, "Ctrl+Tab");
        QCOMPARE(tabs->currentIndex(), first);
        ed->selectWindow(0);
        tabs->setTabVisible(1, false);
        press(w, "Ctrl+Tab");
        QCOMPARE(tabs->currentIndex(), 2);
        tabs->setTabVisible(1, true);
        ed->selectWindow(1);
        ed->editor(1)->setFocus();
        press(w, "Ctrl+Tab");
        QVERIFY(ed->editor(1)->bytes().isEmpty());
        QCOMPARE(tabs->currentIndex(), 2);

        // F1 opens the main window's own help page, Shift or not.
        QVERIFY(QDir().mkpath(home_->file("help")));
        QVERIFY(writeAllBytes(home_->file("help/frmTerminal.htm"), "<html/>"));
        QList<QUrl> opened;
        const ShellOpener previous = setShellOpener([&opened](const QUrl& url) {
            opened << url;
            return true;
        });
        press(w, "F1");
        press(w, "Shift+F1");
        setShellOpener(previous);
        QCOMPARE(opened, QList<QUrl>(2, QUrl::fromLocalFile(home_->file("help/frmTerminal.htm"))));
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

    // What killed runs left: the empty ones go, one with data is named once and stays;
    // while another copy runs from the folder nothing is touched.
    void leftoversOfEarlierRunsAreTidiedAndNamedOnce() {
        const QString empty = home_->file("dnc1A2B.TMP"), full = home_->file("dncC3D4.TMP");
        const QString other = home_->file("other.TMP");
        for (const QString& f : {empty, other})
            QVERIFY(writeAllBytes(f, ""));
        QVERIFY(writeAllBytes(full, "%\nN1 G01\n"));
        {
            const int held = ::open(QFile::encodeName(home_->file("Feedline.lock")).constData(), O_RDWR | O_CREAT, 0644);
            QVERIFY(held >= 0 && ::flock(held, LOCK_SH) == 0);
            ScriptedMessages msgs;
            Harness h = loadedWindow();
            ::close(held);
            QVERIFY(QFileInfo::exists(empty));
            QVERIFY(msgs.shown().isEmpty());
        }
        for (int start = 0; start < 2; ++start) {
            ScriptedMessages msgs;
            Harness h = makeWindow(); // on the settings file the last start left
            QVERIFY(h.window->Form_Load());
            QVERIFY(!QFileInfo::exists(empty));
            QCOMPARE(readAllBytes(full), QByteArray("%\nN1 G01\n"));
            QVERIFY(QFileInfo::exists(other));
            QVERIFY(QFileInfo::exists(gReceiveTempFile));
            QCOMPARE(msgs.shown().size(), start == 0 ? 1 : 0);
            if (start == 0)
                QVERIFY2(msgs.texts().first().contains(full), qPrintable(msgs.texts().first()));
        }
    }

    void pickerListsTheVisibleMachinesAndAnswersTheChosenRow() {
        MachineList list = machines(64, {2, 5, 9});
        list[1].alias = "Lathe";
        list[4].alias = "LATHE";
        // The current machine (5) is highlighted by its name, whatever its case: the first such row.
        frmSelectCNC picker(list, 4, nullptr);
        QCOMPARE(rows(picker.List1()), QStringList({"Lathe", "LATHE", "Machine9"}));
        QCOMPARE(picker.List1()->currentRow(), 0);
        QSignalSpy chosen(&picker, &frmSelectCNC::machineChosen);
        picker.List1()->setCurrentRow(2);
        picker.Command1_Click(0);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toInt(), 2);

        frmSelectCNC cancelled(list, 4, nullptr);
        QSignalSpy none(&cancelled, &frmSelectCNC::machineChosen);
        cancelled.Command1_Click(1);
        QCOMPARE(none.count(), 0);

        frmSelectCNC doubleClicked(list, 4, nullptr);
        QSignalSpy clicked(&doubleClicked, &frmSelectCNC::machineChosen);
        Q_EMIT doubleClicked.List1()->itemDoubleClicked(doubleClicked.List1()->item(0));
        QCOMPARE(clicked.first().first().toInt(), 0);

        // The current machine hidden: nothing is highlighted, and OK chooses no row.
        frmSelectCNC hidden(machines(8, {2, 3}), 0, nullptr);
        QSignalSpy noRow(&hidden, &frmSelectCNC::machineChosen);
        hidden.Command1_Click(0);
        QCOMPARE(noRow.first().first().toInt(), -1);

        ScriptedMessages msgs;
        frmSelectCNC empty(machines(8, {}), 0, nullptr);
        QVERIFY(msgs.sawText("You Dont Have Any CNC Machines Visible!!!"));
    }

    void visibilityDialog() {
        frmVisibleCNC dialog(machines(64, {1, 4}), 3, nullptr);
        QCOMPARE(dialog.List1()->currentRow(), 3);
        QCOMPARE(dialog.ticks().count(true), 2);
        dialog.Command3_Click(0);
        QCOMPARE(dialog.ticks().count(true), 64);
        dialog.Command3_Click(1); // Deselect All leaves the first
        const QVector<bool> onlyFirst = dialog.ticks();
        QCOMPARE(onlyFirst.count(true), 1);
        QVERIFY(onlyFirst[0]);

        ScriptedMessages msgs;
        QSignalSpy chosen(&dialog, &frmVisibleCNC::visibilityChosen);
        dialog.List1()->item(0)->setCheckState(Qt::Unchecked);
        dialog.Command1_Click();
        QVERIFY(msgs.sawText("You Have To Have At Least 1 CNC Setting!"));
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(dialog.ticks(), onlyFirst);
        dialog.List1()->item(0)->setCheckState(Qt::Unchecked);
        dialog.List1()->item(6)->setCheckState(Qt::Checked);
        dialog.Command1_Click();
        QCOMPARE(chosen.count(), 1);
        const QVector<bool> ticked = chosen.first().first().value<QVector<bool>>();
        QCOMPARE(ticked.count(true), 1);
        QVERIFY(ticked[6]);
    }

    void firstRunVisibilityEndsOnlyByOk() {
        frmVisibleCNC dialog(machines(64, {1}), 0, nullptr);
        dialog.setFirstRun();
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        QVERIFY(dialog.isVisible());
        dialog.Command1_Click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void percentBar_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<bool>("keepEnds");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("filled"); // of 200 pixels
        QTest::newRow("0 kept") << 0.0 << true << "0%" << 0;
        QTest::newRow("0") << 0.0 << false << "1%" << 0;
        QTest::newRow("50.5") << 50.5 << false << "51%" << 101;
        QTest::newRow("99.6") << 99.6 << false << "99%" << 199;
        QTest::newRow("100 kept") << 100.0 << true << "100%" << 200;
        QTest::newRow("150") << 150.0 << false << "100%" << 200;
    }

    void percentBar() {
        QFETCH(double, percent);
        QFETCH(bool, keepEnds);
        QFETCH(QString, label);
        QFETCH(int, filled);
        PercentBar bar;
        bar.resize(200, 20);
        UpdateStatus(&bar, percent, keepEnds);
        QCOMPARE(bar.label(), label);
        QCOMPARE(bar.filledWidth(), filled);
        const QImage painted = bar.grab().toImage();
        QCOMPARE(painted.pixelColor(0, 2), filled > 0 ? QColor(0, 0, 255) : QColor(Qt::white));
        QCOMPARE(painted.pixelColor(199, 2), filled == 200 ? QColor(0, 0, 255) : QColor(Qt::white));
    }

    void percentWindowCancel() {
        frmPercent progress;
        progress.show();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&progress, &activate);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        progress.Command1()->click();
        QVERIFY(gCancelOperation);
        QVERIFY(!progress.isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    void cancelWaitCountsDown() {
        QWidget sendProgress;
        sendProgress.show();
        frmCancelWait wait(&sendProgress);
        wait.show();
        QVERIFY(!sendProgress.isVisible());
        wait.tick();
        wait.tick();
        QTest::keyClick(&wait, Qt::Key_Escape);
        QVERIFY(wait.isVisible()); // not before the count is down
        wait.tick();
        QVERIFY(wait.Command1()->isEnabled());
        QTest::keyClick(&wait, Qt::Key_Space);
        QVERIFY(!wait.isVisible());
        QCOMPARE(wait.ticks(), 0);

        frmCancelWait left;
        left.show();
        for (int i = 0; i < 6; ++i)
            left.tick();
        QVERIFY(!left.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
