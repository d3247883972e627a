// The main window's menu commands with the real subsystems behind them: Quit
// and its save questions, the recent-file entries, the FTP hand-off, captions,
// the system settings and machine copy across restarts, the Tools menu's text
// tools on the editor, and the pop-ups and merge that reach the machine.
#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileSizeLimit.h"
#include "IniStorage.h"
#include "IniStore.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "ProgramQuit.h"
#include "PtyMachine.h"
#include "ReceiveEngine.h"
#include "ReceiveHostAdapter.h"
#include "RecentFiles.h"
#include "ScriptedMessages.h"
#include "SettingsBackup.h"
#include "ShippedFiles.h"
#include "TerminalView.h"
#include "TextCase.h"
#include "TextTools.h"
#include "TransferLog.h"
#include "frmButtonSetup.h"
#include "frmCopyDNC.h"
#include "frmFind.h"
#include "frmIntelli.h"
#include "frmMenus.h"
#include "frmMerge.h"
#include "frmProperties.h"
#include "frmAskDeleteNulls.h"
#include "frmExampleSettings.h"
#include "LanguageEditor.h"
#include "ShellOpen.h"
#include "frmSelectCNC.h"
#include "frmFanucSplitFiles.h"
#include "frmSystem.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class MenusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home_;

    QString program(const char* name, const QByteArray& text) const {
        const QString path = home_->file(name);
        writeAllBytes(path, text);
        return path;
    }
    // Shows `T` from the menu item and lets `act` answer it.
    template <typename T> void fromMenu(frmTerminal& w, const char* item, std::function<void(T*)> act) {
        ModalAnswerer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<T*>(modal);
            if (dialog)
                act(dialog);
            return dialog != nullptr;
        });
        choose(w, item);
        QCOMPARE(answer.answered(), 1);
    }
    std::unique_ptr<frmTerminal> restart() {
        auto w = std::make_unique<frmTerminal>();
        [&] { QVERIFY(w->Form_Load()); }();
        return w;
    }
    // The process would end here: what the program held back in memory goes
    // with it, and the event loops may run again.
    static void programEnded() {
        IniStore::instance().clearCache();
        IniStore::instance().endBatch();
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    static EditControl* holding(frmTerminal& w, const QByteArray& text) {
        EditControl* ed = w.editorManager()->activeEditor();
        ed->loadBytes(text);
        return ed;
    }
    static void run(frmTerminal& w, const char* item) { choose(w, item); }
    static bool idle(frmTerminal& w) {
        return !gBusyEditing && !w.xPercent()->isVisibleTo(&w) && w.menuItem("mnuToolsheader")->isEnabled() &&
               w.SSTab2()->isEnabled() && w.SSTab1()->currentWidget()->isEnabled();
    }

    // Chooses Merge from the File menu; the dialog gets `files` and "Merge To DNC".
    void mergeToDnc(frmTerminal& w, const QStringList& files) {
        fromMenu<frmMerge>(w, "mnuMerge", [&files](frmMerge* dialog) {
            dialog->addFiles(files);
            dialog->Command1_Click(2);
            if (dialog->isVisible())
                dialog->Command1_Click(1); // the merge stopped: Quit
        });
    }
    // The main window with machine 1 on the machine's pseudo-terminal, shown.
    std::unique_ptr<frmTerminal> onPort(const PtyMachine& machine, const QByteArray& keys = {}) {
        auto w = loadedTerminal(*home_, machineOnPort(machine.slavePath(), keys));
        gKeepAlive = 0;
        w->show();
        return w;
    }
    // The pop-up menu for a position, as it would be shown now.
    static std::unique_ptr<QMenu> popup(frmTerminal& w, int position) {
        return std::unique_ptr<QMenu>(w.findChild<frmMenus*>()->buildMenu(position));
    }
    static QAction* entry(const std::unique_ptr<QMenu>& menu, const char* name) {
        return menu->findChild<QAction*>(name);
    }

private Q_SLOTS:
    void init() { home_ = freshAppHome(); }
    void cleanup() {
        gPortState = PortIdle;
        gCancelSend = false;
        gCancelBatch = false;
        home_.reset();
    }

    void quitAsksToSaveEachModifiedWindowAndCancelKeepsTheProgram() {
        auto w = loadedTerminal(*home_);
        w->show();
        EditorManager* ed = w->editorManager();
        const QString a = program("a.nc", "A\n"), b = program("b.nc", "B\n");
        const int ia = ed->openFileInNewWindow(a), ib = ed->openFileInNewWindow(b);
        ed->editor(ia)->setBytes("A2\n");
        ed->editor(ib)->setBytes("B2\n");
        ScriptedMessages msgs;

        // During a send only Quit closes the window, and the transfer question comes first.
        gPortState = PortSending;
        QVERIFY(!w->close());
        msgs.answer(Msg::AnswerNo);
        QVERIFY(!quitProgram());
        QVERIFY(msgs.texts().value(0).startsWith("A Transfer Is Still Running"));
        QCOMPARE(msgs.shown().size(), 1);
        // A Cancel after it leaves the send running.
        msgs.clear();
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerYes).answer(Msg::AnswerCancel);
        QVERIFY(!quitProgram());
        QVERIFY(msgs.texts().value(2).contains(b));
        QVERIFY(!gCancelSend);
        QVERIFY(w->isVisible());
        QCOMPARE(readAllBytes(a), QByteArray("A2\n"));
        QCOMPARE(readAllBytes(b), QByteArray("B\n"));
        QVERIFY(!gWindows[ib].closed);

        // Only the window still changed is asked about; No ends the program, and the send, without saving it.
        // The find box keeps its place.
        frmFind* box = frmFind::showFindBox(w.get(), ed, QString(), 0);
        box->move(30, 40);
        const QString findX = QString::number(box->x() * 15);
        msgs.clear();
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerNo);
        QVERIFY(w->quitProgram());
        QCOMPARE(readIni("Settings", "FindX"), findX);
        QCOMPARE(msgs.shown().size(), 2);
        QVERIFY(!w->isVisible());
        QVERIFY(gCancelSend && gCancelBatch);
        QCOMPARE(readAllBytes(b), QByteArray("B\n"));
    }

    void quitWritesNoEditsOverAFileWrittenSinceUnaskedAndNoKeepsTheProgram() {
        auto w = loadedTerminal(*home_);
        w->show();
        EditorManager* ed = w->editorManager();
        const QString a = program("a.nc", "A\n");
        ed->editor(ed->openFileInNewWindow(a))->setBytes("A2\n");
        writeAllBytes(a, "RECEIVED\n"); // a receive wrote it meanwhile
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerNo);
        QVERIFY(!w->quitProgram());
        QVERIFY(msgs.texts().value(1).startsWith("The File " + a + " Has Changed On Disk"));
        QVERIFY(w->isVisible());
        QCOMPARE(readAllBytes(a), QByteArray("RECEIVED\n"));
    }

    void recentEntriesSayWhenTheFileIsGoneAndSendTheEditedWindow() {
        PtyMachine machine;
        auto w = onPort(machine, "WaitAfterSending=0\n");
        ScriptedMessages msgs;
        const QString gone = home_->file("gone.nc");
        RecentFiles::add(gone, "open");
        const int tabs = w->SSTab1()->count();
        choose(*w, "mnuRecentFile(1)");
        QCOMPARE(msgs.texts(), QStringList{gone + " Does Not Exist"});
        QCOMPARE(w->SSTab1()->count(), tabs);

        // Opened from the menu it is listed; sent from the list while open in the active window, it goes out
        // with its unsaved edits.
        const QString part = program("part.nc", "G0X1\n");
        msgs.answerFiles({part});
        choose(*w, "mnuOpen");
        QCOMPARE(readIni(gCurrentMachineSection, QString("RecentFile1")), part);
        RecentFiles::add(part, "send");
        w->editorManager()->activeEditor()->setBytes("G1X2\n");
        choose(*w, "mnuRecentSentFile(1)");
        QVERIFY(machine.waitForCount(6, 20000));
        QCOMPARE(machine.received(), QByteArray("G1X2\r\n"));
        QCOMPARE(readAllBytes(part), QByteArray("G0X1\n"));
    }

    void ftpCommandsHandTheHelperOneArgumentOrSayWhyNot() {
        const QString helper = program(
            "ftp.exe", "#!/bin/sh\nprintf '%s:%s' \"$#\" \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
        QVERIFY(QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        auto w = loadedTerminal(*home_);
        ScriptedMessages msgs;
        w->selectMachine(11);
        auto argumentOf = [&](const char* item) {
            QFile::remove(helper + ".args");
            choose(*w, item);
            return waitUntil([&] { return QFile::exists(helper + ".args"); }, 10000)
                       ? QString::fromUtf8(readAllBytes(helper + ".args"))
                       : QString();
        };
        QCOMPARE(argumentOf("mnuFTPReceive"), QString("1:?!?12?D?") + gIniPath);
        // The window's changed text is saved first when the user says so; blanks, a quote and a "$" in
        // its path reach the helper untouched.
        const QString part = program("my part's $HOME.nc", "G0X1\n");
        w->editorManager()->openFileInNewWindow(part);
        w->editorManager()->activeEditor()->setBytes("G1X2\n");
        msgs.answer(Msg::AnswerYes);
        QCOMPARE(argumentOf("mnuFTPSub(0)"), QString("1:?%1?12?U?%2").arg(part, gIniPath));
        QCOMPARE(readAllBytes(part), QByteArray("G1X2\n"));
        // No command line without the helper: said, not silent.
        QVERIFY(QFile::remove(helper));
        choose(*w, "mnuFTPReceive");
        QCOMPARE(msgs.texts().last(), QString("The FTP Program %1 Was Not Found").arg(helper));
    }

    void menuCaptionsStayOnTheirOwnItemsAndResetLeavesThroughQuit() {
        const QByteArray settings = "UseLanguageSupport=1\n[Language-Menus]\nmnuOpen=-\nmnuSave=&Sichern\n";
        auto w = loadedTerminal(*home_, settings);
        RecentFiles::add(program("part.nc", "G0\n"), "open");
        auto box = [](frmButtonSetup* setup, const char* item) -> QLineEdit* {
            for (const auto& [edit, action] : setup->menuBoxes())
                if (action->objectName() == item)
                    return edit;
            return nullptr;
        };
        fromMenu<frmButtonSetup>(*w, "mnuLanguage", [&](frmButtonSetup* setup) {
            box(setup, "mnuClose")->setText("Schliessen");
            box(setup, "mnuNew")->setText("-");
            setup->Text1(2)->setText("Empfang");
            setup->Command1_Click(0);
        });
        auto check = [](frmTerminal* t) {
            for (const auto& [item, caption] : {std::pair{"mnuOpen", "&Open File"},
                                                {"mnuSave", "&Sichern"},
                                                {"mnuClose", "Schliessen"},
                                                {"mnuNew", "&Create A New File"}})
                QCOMPARE(t->menuItem(item)->text(), QString::fromUtf8(caption));
            QCOMPARE(t->btnToolBar(2)->text(), QString("Empfang"));
        };
        check(w.get());
        QVERIFY(!iniHasKey("Language-Menus", "mnuNew"));
        for (const QString& key : iniSectionKeys("Language-Menus", gIniPath))
            QVERIFY2(!readIni("Language-Menus", key).contains(home_->path()), qPrintable(key));

        w.reset();
        w = restart();
        check(w.get());

        // Reset: the question, then the Quit path asks about the changed window; Cancel keeps the program.
        w->show();
        w->editorManager()->activeEditor()->setBytes("G1\n");
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerCancel);
        fromMenu<frmButtonSetup>(*w, "mnuLanguage", [](frmButtonSetup* setup) { setup->Command2_Click(); });
        QCOMPARE(msgs.shown().size(), 2);
        QVERIFY(msgs.texts().value(1).contains("has changed"));
        QVERIFY(w->isVisible());
        QVERIFY(!iniHasSection("Language-Menus", gIniPath));
        QVERIFY(!iniHasSection("Language-Buttons", gIniPath));
    }

    // A caption's "&" marks its key; only a label tied to its control shows it so.
    void dialogCaptionsShowNoEscapeCharacters() {
        auto w = loadedTerminal(*home_);
        frmSystem system(frmSystem::MainWindowParts{});
        frmProperties properties;
        frmMerge merge;
        frmSelectCNC picker(w->machineList(), 0);
        frmFanucSplitFiles split;
        for (QWidget* dialog : std::initializer_list<QWidget*>{&system, &properties, &merge, &picker, &split}) {
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                const QString text = QString(label->text()).remove("&&");
                if (text.contains('&') && !label->buddy())
                    QFAIL(qPrintable(dialog->objectName() + ": " + label->text()));
            }
        }
    }

    void f1OpensTheHelpPageOfEveryDialog() {
        auto w = loadedTerminal(*home_);
        w->show();
        const QStringList forms{"frmFind", "frmExampleSettings", "frmAskDeleteNulls", "frmLanguage"};
        QDir(home_->path()).mkpath("help");
        for (const QString& form : forms)
            writeAllBytes(home_->file(qPrintable("help/" + form + ".htm")), "<html/>");
        QStringList opened;
        const ShellOpener previous = setShellOpener([&opened](const QUrl& url) {
            opened << QFileInfo(url.toLocalFile()).completeBaseName();
            return true;
        });
        ScriptedMessages msgs;
        frmFind* box = frmFind::showFindBox(w.get(), w->editorManager(), "G01", 1);
        QTest::keyClick(box->txtFind, Qt::Key_F1);
        box->close();
        frmExampleSettings examples("Machine1");
        QTest::keyClick(&examples, Qt::Key_F1);
        frmAskDeleteNulls nuls;
        QTest::keyClick(&nuls, Qt::Key_F1);
        frmLanguage caption;
        QTest::keyClick(caption.Text1(), Qt::Key_F1);
        setShellOpener(previous);
        QCOMPARE(opened, forms);
    }

    void itemsWithoutActionStayGreyedAndHelpAlwaysAnswers() {
        auto w = loadedTerminal(*home_);
        for (bool busy : {true, false, false}) {
            for (const char* inert :
                 {"mnuFindFile", "mnuSync", "mnuScheduler", "mnuChangePassword"})
                QVERIFY2(!w->menuItem(inert)->isEnabled(), inert);
            w->lockForTransfer(busy);
            w->receivingMenuStatus(!busy);
            w->disableDuringSeq(busy);
            Q_EMIT w->menuItem("mnuFileHeader")->menu()->aboutToShow();
        }

        ScriptedMessages msgs;
        choose(*w, "mnuAboutHeader");
        QCOMPARE(msgs.shown().size(), 1);
        QVERIFY(msgs.texts().first().contains(home_->file("help/frmTerminal.htm")));
    }
    void fontsAndColoursSurviveARestart() {
        auto w = loadedTerminal(*home_);
        ScriptedMessages msgs;
        msgs.answerColour(0x112233u);
        fromMenu<frmSystem>(*w, "mnuSystemSettings", [](frmSystem* d) {
            d->cmdColorPicker1_Click(4);
            d->findChild<QLineEdit*>("Text1(1)")->setText("15");
            d->Command1_Click(0);
        });
        QCOMPARE(w->textboxTerm()->palette().color(QPalette::Base), QColor(0x33, 0x22, 0x11));
        w.reset();
        w = restart();
        QCOMPARE(w->textboxTerm()->palette().color(QPalette::Base), QColor(0x33, 0x22, 0x11));
        QCOMPARE(w->textboxTerm()->font().pointSize(), 15);
        QCOMPARE(w->editorManager()->editor(0)->fontSize(), 15);
    }

    void choosingAMachineOrMovingItsPortTakesThePortAndTheLightsAlong() {
        PtyMachine machine;
        auto w = loadedTerminal(*home_, "[Ports]\nCom1=" + machine.slavePath().toUtf8() +
                                            "\nCom5=/nonexistent/tty\n[Machine1]\nKeepAlive=1\n"
                                            "[Machine2]\nKeepAlive=0\n");
        // Keep-alive opened the port at start-up, and the first light names it; a machine that keeps no
        // port open closes it when chosen.
        QVERIFY(comPort().isOpen());
        QCOMPARE(w->LEDBreakout(0)->text(), QString("COM1"));
        w->selectMachine(1);
        QVERIFY(!comPort().isOpen());
        QCOMPARE(w->LEDBreakout(0)->text(), QString("CLOSED"));
        w->selectMachine(0);
        ScriptedMessages msgs;
        fromMenu<frmProperties>(*w, "mnuCNCProperties1", [](frmProperties* d) {
            d->findChild<QLineEdit*>("Text1")->setText("Lathe 2");
            d->findChild<QComboBox*>("cboPort")->setCurrentIndex(4);
            d->cmdOK_Click();
        });
        QCOMPARE(w->cmbCNC()->currentText(), QString("Lathe 2"));
        QCOMPARE(w->cmbCNCVisible()->currentText(), QString("Lathe 2"));
        // Nothing answers on Com5: the old port is closed and the light says so.
        QVERIFY(!comPort().isOpen());
        QCOMPARE(w->LEDBreakout(0)->palette().color(QPalette::Window), QColor(255, 0, 0));
    }

    void aCopyOntoTheCurrentMachineIsTakenUpAtOnce() {
        PtyMachine machine;
        QByteArray ini = machineOnPort(machine.slavePath(), "WaitAfterSending=30\n");
        // 1, 4 and 6 visible, 9 without the key (visible to the main window), the rest hidden.
        for (int n = 2; n <= 64; ++n) {
            ini += "[Machine" + QByteArray::number(n) + "]\n";
            if (n == 4)
                ini += "Alias=Four\nCharacterSet=1\nEOBSend=3\nKeepAlive=1\nCommPort=6\nVisible=-1\n";
            else if (n != 9)
                ini += n == 6 ? "Visible=-1\n" : "Visible=0\n";
        }
        writeAllBytes(home_->file("codeset.eia"), "[Ascii2Eia]\n78=69\n49=1\n13=128\n");
        auto w = loadedTerminal(*home_, ini);
        QVERIFY(!comPort().isOpen());
        const QByteArray before = home_->readIniBytes();
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        QStringList listed, labels;
        QByteArray afterNo;
        fromMenu<frmCopyDNC>(*w, "mnuCopyDNC", [&](frmCopyDNC* d) {
            for (int i = 0; i < d->List1(0)->count(); ++i)
                listed << d->List1(0)->item(i)->text();
            labels << d->Label1()->text();
            d->List1(0)->setCurrentRow(1);
            d->List1(1)->setCurrentRow(0);
            labels << d->Label1()->text();
            d->Command1_Click(0);
            afterNo = home_->readIniBytes();
            d->Command1_Click(0);
            d->Command1_Click(1);
        });
        QCOMPARE(listed, QStringList({"Machine1", "Four", "Machine6", "Machine9"}));
        QCOMPARE(labels, QStringList({"Copy Settings...Select The Other CNC",
                                      "Copy Settings From Four to Machine1"}));
        QCOMPARE(msgs.texts().value(0), QString("Ok To Update Machine1 with settings from Four ?"));
        QCOMPARE(afterNo, before);
        // Taken up as a new selection would: the copied keep-alive opens the port now.
        QVERIFY(comPort().isOpen());
        const QString part = home_->file("part.nc");
        writeAllBytes(part, "N1\n");
        QVERIFY(w->transfers().sendFileNoWindow(part));
        QVERIFY(machine.waitForCount(3, 20000));
        QCOMPARE(machine.received(), QByteArray("\x45\x01\x80"));
    }

    void backUpChangeRestoreAndTheNextStartHasTheOldSettings() {
        auto w = loadedTerminal(*home_, "[Machine1]\nAlias=Mill\n");
        w->show();
        const QString parts[2] = {home_->file("a.nc"), home_->file("b.nc")};
        EditorManager& editors = *w->editorManager();
        for (const QString& part : parts) {
            writeAllBytes(part, "N1\n");
            editors.editor(editors.openFileInNewWindow(part))->setBytes("N1 X5\n");
        }
        ScriptedMessages msgs;
        const QByteArray original = home_->readIniBytes();
        fromMenu<frmSystem>(*w, "mnuSystemSettings", [](frmSystem* d) {
            d->cmdBackup_Click(0);
            d->Command1_Click(1);
        });
        const QStringList made = SettingsBackup::list(SettingsBackup::defaultFolder());
        QCOMPARE(made.size(), 1);
        const QByteArray backup = readAllBytes(SettingsBackup::defaultFolder() + made[0]);
        QCOMPARE(backup, original);
        writeIni("Machine1", "Alias", "Lathe");

        // Restore; save a.nc, not b.nc. Each window is asked once.
        msgs.clear();
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerYes).answer(Msg::AnswerNo);
        fromMenu<frmSystem>(*w, "mnuSystemSettings", [](frmSystem* d) { d->cmdBackup_Click(1); });
        QVERIFY(!w->isVisible());
        QCOMPARE(msgs.shown().size(), 4);
        QCOMPARE(readAllBytes(parts[0]), QByteArray("N1 X5\n"));
        QCOMPARE(readAllBytes(parts[1]), QByteArray("N1\n"));
        QCOMPARE(home_->readIniBytes(), backup);
        // What the program still stores on its way out does not reach the file.
        writeIni("Settings", "FormW", "9000");
        w.reset();
        QCOMPARE(home_->readIniBytes(), backup);
        programEnded();

        w = restart();
        QCOMPARE(w->cmbCNC()->itemText(0), QString("Mill"));
    }
    void toolsTakeTheMachineSettingsAndUndoInOneStep() {
        auto w = loadedTerminal(*home_);
        EditControl* ed = holding(*w, "G01 X1\nG00\n");
        run(*w, "mnuTools(0)"); // nothing stored: from 10 by 10, N words, no zeros
        QCOMPARE(ed->bytes(), QByteArray("N10 G01 X1\nN20 G00\n"));
        QVERIFY(idle(*w));
        QVERIFY(gWindows[0].modified);
        w->editor().undo();
        QCOMPARE(ed->bytes(), QByteArray("G01 X1\nG00\n"));
        writeIni(gCurrentMachineSection, "UseN", "0");
        run(*w, "mnuTools(0)");
        QCOMPARE(ed->bytes(), QByteArray("10 G01 X1\n20 G00\n"));
        run(*w, "mnuTools(1)");
        QCOMPARE(ed->bytes(), QByteArray("G01 X1\nG00\n"));
        holding(*w, "  G01  \r\n X1\r\n");
        run(*w, "mnuTools(5)");
        QCOMPARE(ed->bytes(), QByteArray("G01\r\nX1\r\n"));

        // Reformat: with no word format set it says so and where, and changes nothing.
        ScriptedMessages msgs;
        holding(*w, "g01 x1 (cut x)\r\ng00\r\n");
        run(*w, "mnuReformat");
        QCOMPARE(ed->bytes(), QByteArray("g01 x1 (cut x)\r\ng00\r\n"));
        QVERIFY(msgs.sawText("No Word Format Is Set") && msgs.sawText("[Machine1] Of " + gIniPath));
        // A reformat that ran to its end leaves the caret on line 1.
        writeIni(gCurrentMachineSection, "WordFormat0", "4");
        ed->setCaretLine(2);
        run(*w, "mnuReformat");
        QCOMPARE(ed->bytes(), QByteArray("G01 X1.000 (CUT X)\r\nG00\r\n"));
        QCOMPARE(ed->caretLine(), 1);
        QVERIFY(idle(*w));
    }

    void aStoppedOrFailedPassLeavesTheWindowAsItWas() {
        auto w = loadedTerminal(*home_);
        QByteArray text;
        for (int i = 0; i < 1000; ++i)
            text += "G01 X" + QByteArray::number(i) + "\r\n";
        EditControl* ed = holding(*w, text);
        // Cancel from the tools box, as Esc does, seen at the first yield.
        w->menuItem("mnuTools(0)")->trigger();
        QMetaObject::invokeMethod(
            w.get(), [&] { w->Command1_Click(); }, Qt::QueuedConnection);
        runChosenCommands();
        QVERIFY(idle(*w));
        // Stopped half way, at a progress point.
        processNCText(ed, Resequence, {},
                      {[](double percent) {
                           if (percent >= 50)
                               gCancelOperation = true;
                       },
                       {}});
        QCOMPARE(ed->bytes(), text);
        QVERIFY(!ed->isModified());
        // Edited while the pass yielded: the window stays as the user left it.
        bool edited = false;
        processNCText(ed, Resequence, {},
                      {[&](double percent) {
                           if (percent >= 50 && !edited)
                               edited = true, ed->selectRange(0, 3), ed->replaceSelection("G02");
                       },
                       {}});
        QCOMPARE(ed->bytes(), "G02" + text.mid(3));
        ed->undo();
        QVERIFY(!ed->isModified());
        ScriptedMessages msgs;
        {
            FileSizeLimit fullDisk(1000);
            processNCText(ed, Resequence);
        }
        QVERIFY(msgs.sawText("Could Not Be Written"));
        QCOMPARE(ed->bytes(), text);
        QVERIFY(!ed->isModified());
    }

    // A tool pass, and the debug window closed again, give the focus back to
    // the editor: the letters typed next go into the program. Steps are menu
    // items chosen with the mouse, buttons clicked or keys pressed.
    void theEditorHasTheFocusAgainAfterAToolPassOrTheDebugWindow_data() {
        QTest::addColumn<QString>("steps");
        QTest::newRow("Resequence File") << "mnuTools(0)";
        QTest::newRow("Open Debug, Close Debug") << "btnToolBar(5), btnToolBar(5)";
        QTest::newRow("F7, F7") << "F7, F7";
    }
    void theEditorHasTheFocusAgainAfterAToolPassOrTheDebugWindow() {
        QFETCH(QString, steps);
        PtyMachine machine;
        auto w = onPort(machine);
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        const QString selected = w->cmbCNCVisible()->currentText();
        EditControl* ed = holding(*w, "G01 X1\n");
        ed->setFocus();
        for (const QString& step : steps.split(QStringLiteral(", "))) {
            if (step.startsWith(QLatin1String("mnu")))
                QVERIFY(chooseFromMenuBar(*w, qPrintable(step)));
            else if (auto* button = w->findChild<QPushButton*>(step))
                QTest::mouseClick(button, Qt::LeftButton);
            else
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(step));
            runChosenCommands();
        }
        QVERIFY(waitUntil([&] { return idle(*w) && gPortState == PortIdle; }));
        QTest::keyClicks(QApplication::focusWidget(), "M99");
        QCOMPARE(QApplication::focusWidget(), ed);
        QVERIFY2(ed->bytes().contains("M99"), ed->bytes().constData());
        QCOMPARE(w->cmbCNCVisible()->currentText(), selected);
    }

    void aLockedEditorIsLeftAloneByEveryTool() {
        auto w = loadedTerminal(*home_, "lockeditor=1\n[Machine1]\nWordFormat0=4\n");
        EditControl* ed = holding(*w, "g01 x1\n");
        for (const char* item :
             {"mnuTools(0)", "mnuTools(2)", "mnuTools(5)", "mnuReformat", "mnuCapitalise", "mnuReverse"})
            run(*w, item);
        // The pop-up's Capitalize is the main menu's.
        popup(*w, 0)->findChild<QAction*>("mnuCapitalize")->trigger();
        runChosenCommands();
        QCOMPARE(ed->bytes(), QByteArray("g01 x1\n"));
        QVERIFY(!ed->isModified());
        QVERIFY(idle(*w));
    }

    void caseCommandsKeepEveryOtherByteUndoInOneStepAndTheChoiceIsStored() {
        auto w = loadedTerminal(*home_);
        QByteArray all(256, 0);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        EditControl* ed = holding(*w, all);
        run(*w, "mnuCapitalise");
        QCOMPARE(ed->bytes(), capitaliseBytes(all));
        w->editor().undo();
        QCOMPARE(ed->bytes(), all);
        holding(*w, "aBc1-Z");
        run(*w, "mnuReverse");
        QCOMPARE(ed->bytes(), QByteArray("AbC1-z"));

        // Use Capital Letters is stored, and read back at the next start.
        for (const char* stored : {"True", "False"}) {
            run(*w, "mnuCapitalise2");
            QCOMPARE(readIni("Settings", "Capitalise"), QString(stored));
            w.reset();
            w = restart();
            QCOMPARE(w->menuItem("mnuCapitalise2")->isChecked(), stored == QLatin1String("True"));
        }
    }

    void theAnalyserProposesWhatTheMachineSentAndStoresItOnYes() {
        PtyMachine machine;
        auto w = onPort(machine);
        ScriptedMessages msgs;
        w->editor().analyseEndOfBlock();
        QVERIFY(msgs.sawText("Nothing To Analyse"));
        w->btnToolBar_Click(5); // the debug window
        const QByteArray sent = "%\n\rG01 X1\n\r\n\rM30\n\r";
        machine.send(sent);
        QTRY_COMPARE_WITH_TIMEOUT(attachReceiveSide(*w).terminal().receivedBytes(), sent, 20000);
        msgs.answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        w->editor().analyseEndOfBlock();
        QVERIFY(msgs.sawText("Detected As <LF\\CR>"));
        QCOMPARE(MachineRecord::current("EOBSend"), QString("0"));
        w->editor().analyseEndOfBlock();
        QCOMPARE(MachineRecord::current("EOBSend"), QString("4"));
        w->btnToolBar_Click(5);
        for (const auto& [code, name] :
             {std::pair{126, "<~=126>"}, {127, "<\x7f=127>"}, {233, "<\xe9=233>"}, {255, "<\xff=255>"}})
            QCOMPARE(charName(uchar(code)), QString::fromLatin1(name));
    }

    void aWordFromTheListReplacesTheLetterInOneUndoStep() {
        auto w = loadedTerminal(*home_);
        QVERIFY(writeAllBytes(home_->file("fanuc.itc"), "G?\r\nG?G00:Rapid\r\nG?G01:Linear\r\n!\r\n"));
        auto* list = w->findChild<QListWidget*>("lstIntellisense");
        auto* panel = w->findChild<QWidget*>("picIntellisense");
        const struct {
            const char* before;
            int column;
            int row;
            const char* after;
            int caret;
        } cases[] = {{"n10 g", 5, 1, "N10 G01", 7}, {"gx1 (a)", 1, 0, "G00 X1 (A)", 4}};
        for (const auto& c : cases) {
            EditControl* ed = holding(*w, c.before);
            ed->setCaretColumn(c.column);
            QTest::keyClick(ed, Qt::Key_Question);
            QVERIFY(!panel->isHidden());
            QCOMPARE(ed->bytes(), QByteArray(c.before)); // the trap key is not typed
            list->setCurrentRow(c.row);
            QTest::keyClick(list, Qt::Key_Return);
            QVERIFY(panel->isHidden());
            QCOMPARE(ed->bytes(), QByteArray(c.after));
            QCOMPARE(ed->currentColumn(), c.caret);
            w->editor().undo();
            QCOMPARE(ed->bytes(), QByteArray(c.before));
        }
    }

    void theShippedWordFileListsTheGCodesAfterG() {
        QVERIFY(ShippedFiles::install().isEmpty()); // as a first start does
        auto w = loadedTerminal(*home_);
        auto* list = w->findChild<QListWidget*>("lstIntellisense");
        EditControl* ed = holding(*w, "N10 G");
        ed->setCaretColumn(5);
        QTest::keyClick(ed, Qt::Key_Question);
        QVERIFY(!w->findChild<QWidget*>("picIntellisense")->isHidden());
        QCOMPARE(list->item(0)->text(), QString("G00:Rapid positioning"));
        QVERIFY(list->count() > 40);
        list->setCurrentRow(1);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(ed->bytes(), QByteArray("N10 G01"));
    }

    void theTrapKeyIsStoredOnlyAsAKeyNumberWithItsWordFile() {
        for (const char* name : {"fanuc.itc", "haas.itc"})
            QVERIFY(writeAllBytes(home_->file(name), "G?\r\n!\r\n"));
        ScriptedMessages msgs;
        frmIntelli dialog({});
        dialog.List1->setCurrentRow(1);
        dialog.Text1->setText("300");
        dialog.Command1_Click(0);
        QVERIFY(msgs.sawText("1 To 255"));
        QVERIFY(readIni("Settings", "intelliTrap").isEmpty());
        dialog.Text1->setText("220");
        dialog.Command1_Click(0);
        QCOMPARE(readIni("Settings", QString("intelliTrap")), QString("220"));
        QCOMPARE(readIni("Settings", QString("intelliCodeFile")), QString("haas.itc"));
    }

    void mergeToDncSendsTheMergedProgramOrNothing() {
        PtyMachine machine;
        auto w = onPort(machine, "Alias=MILL\ntrimPercents=1\nWaitAfterSending=30\n");
        const QStringList files{program("a.nc", "%\nO1\nG01\n%\n"), home_->file("gone.nc"),
                                program("b.nc", "%\nO2\nG02\n%\n\x1a")};
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerNo); // stop at the vanished file
        mergeToDnc(*w, files);
        QVERIFY(msgs.sawText("gone.nc"));
        QCOMPARE(machine.receivedCount(), 0);

        msgs.answer(Msg::AnswerYes); // go on without it
        mergeToDnc(*w, files);
        // The trimmed "%" lines between the programs are not sent as empty blocks.
        const QByteArray expected = "%\r\nO1\r\nG01\r\nO2\r\nG02\r\n%\r\n";
        QVERIFY(machine.waitForCount(expected.size(), 20000));
        QCOMPARE(machine.received(), expected);
        QCOMPARE(gPortState, int(PortIdle));
        // Logged as what was merged; the file the next merge overwrites is listed nowhere.
        QVERIFY(readAllBytes(transferLogPath()).contains("MILL - Send File To CNC - Merge Of a.nc + b.nc - "));
        QVERIFY(!RecentFiles::entries("send").join(' ').contains("merge"));
        QVERIFY(!readIni(gCurrentMachineSection, "lastfilesent").contains("merge"));
        QVERIFY(w->close());
    }

    void theEditorPopupFollowsTheWindow() {
        PtyMachine machine;
        auto w = onPort(machine, "Alias=MILL\n");
        const char* const textItems[] = {"mnuFind(0)", "mnuFind(1)", "mnuSave",      "mnuClose",
                                         "mnuReload",  "mnuCompare", "mnuSendToCNC", "mnuTools"};
        auto menu = popup(*w, 0);
        for (const char* name : textItems)
            QVERIFY2(!entry(menu, name)->isEnabled(), name);
        QVERIFY(entry(menu, "mnuPrint")->isEnabled());
        QCOMPARE(entry(menu, "mnuSendToCNC")->text(), QString("Send To MILL"));

        const QString path = program("p.nc", "g01 x1\n");
        w->editorManager()->openFileInNewWindow(path);
        EditControl* ed = w->editorManager()->activeEditor();
        menu = popup(*w, 0);
        for (const char* name : textItems)
            QVERIFY2(entry(menu, name)->isEnabled(), name);
        // Reload asks before dropping edits; the file it read is the one a
        // save then replaces unasked.
        ScriptedMessages msgs;
        ed->setBytes("changed\n");
        msgs.answer(Msg::AnswerNo);
        QVERIFY(chooseFromPopup(ed->viewport(), {"mnuReload"}));
        runChosenCommands();
        QCOMPARE(ed->bytes(), QByteArray("changed\n"));
        program("p.nc", "g02 x2\n"); // written meanwhile
        msgs.answer(Msg::AnswerYes);
        QVERIFY(chooseFromPopup(ed->viewport(), {"mnuReload"}));
        runChosenCommands();
        QCOMPARE(ed->bytes(), QByteArray("g02 x2\n"));
        QVERIFY(!ed->isModified());
        QTest::keyClicks(ed, "N1 ");
        QVERIFY(w->editorManager()->saveWindowToFile());
        QCOMPARE(readAllBytes(path), QByteArray("N1 g02 x2\n"));
        QCOMPARE(msgs.shown().size(), 2);
        QVERIFY(w->close());
    }

    void savingTheTerminalTextShowsItInTheWindowOfThatFile() {
        auto w = loadedTerminal(*home_);
        const QString path = program("t.nc", "old\n");
        w->editorManager()->openFileInNewWindow(path);
        EditControl* ed = w->editorManager()->activeEditor();
        ed->setBytes("edited\n");
        w->textboxTerm()->setPlainText("G1\nG2");
        ScriptedMessages msgs;
        msgs.answerFiles({path}).answer(Msg::AnswerYes).answer(Msg::AnswerNo); // overwrite; keep the edits
        popup(*w, 1)->findChild<QAction*>("mnuSaveWindow")->trigger();
        runChosenCommands();
        QCOMPARE(readAllBytes(path), QByteArray("G1\r\nG2\r\n"));
        QCOMPARE(ed->bytes(), QByteArray("edited\n"));
        msgs.answerFiles({path}).answer(Msg::AnswerYes).answer(Msg::AnswerYes);
        popup(*w, 1)->findChild<QAction*>("mnuSaveWindow")->trigger();
        runChosenCommands();
        QCOMPARE(ed->bytes(), QByteArray("G1\r\nG2\r\n"));
        // It holds what is on disk now: a save replaces it unasked.
        msgs.clear();
        ed->setBytes("G3\r\n");
        QVERIFY(w->editorManager()->saveWindowToFile());
        QVERIFY(msgs.shown().isEmpty());
        w->close();
    }
};

QTEST_MAIN(MenusTest)
#include "MenusTest.moc"
