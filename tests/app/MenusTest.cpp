// The main window's menu commands with the real editor behind them: Quit and
// its save questions, the recent-file entries, the FTP hand-off, the items
// that have no action, Help.
#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "ProgramQuit.h"
#include "PtyMachine.h"
#include "RecentFiles.h"
#include "ScriptedMessages.h"
#include "frmButtonSetup.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

class MenusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home_;

    QString program(const char* name, const QByteArray& text) const {
        const QString path = home_->file(QLatin1String(name));
        writeAllBytes(path, text);
        return path;
    }

private Q_SLOTS:
    void init() { home_ = freshAppHome(); }
    void cleanup() {
        gPortState = PortIdle;
        gCancelSend = false;
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

        // During a send the transfer question comes first; a Cancel after it leaves the send running.
        gPortState = PortSending;
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerYes).answer(Msg::AnswerCancel);
        QVERIFY(!quitProgram());
        QVERIFY(msgs.texts().value(0).startsWith(QStringLiteral("A Transfer Is Still Running")));
        QVERIFY(msgs.texts().value(2).contains(b));
        QVERIFY(!gCancelSend);
        QVERIFY(w->isVisible());
        QCOMPARE(readAllBytes(a), QByteArray("A2\n"));
        QCOMPARE(readAllBytes(b), QByteArray("B\n"));
        QVERIFY(!gWindows[ib].closed);

        // Only the window still changed is asked about; No ends the program without saving it.
        gPortState = PortIdle;
        msgs.clear();
        msgs.answer(Msg::AnswerNo);
        QVERIFY(w->quitProgram());
        QCOMPARE(msgs.shown().size(), 1);
        QVERIFY(!w->isVisible());
        QCOMPARE(readAllBytes(b), QByteArray("B\n"));
    }

    void recentEntriesSayWhenTheFileIsGoneAndSendTheEditedWindow() {
        PtyMachine machine;
        auto w = loadedTerminal(*home_, machineOnPort(machine.slavePath(), "WaitAfterSending=31\n"));
        ScriptedMessages msgs;
        const QString gone = home_->file(QStringLiteral("gone.nc"));
        RecentFiles::add(gone, QStringLiteral("open"));
        const int tabs = w->SSTab1()->count();
        w->menuItem(QStringLiteral("mnuRecentFile(1)"))->trigger();
        QCOMPARE(msgs.texts(), QStringList{gone + QStringLiteral(" Does Not Exist")});
        QCOMPARE(w->SSTab1()->count(), tabs);

        // A sent file open in the active window goes out with its unsaved edits.
        const QString part = program("part.nc", "G0X1\n");
        RecentFiles::add(part, QStringLiteral("send"));
        EditorManager* ed = w->editorManager();
        ed->openFileInNewWindow(part);
        ed->activeEditor()->setBytes("G1X2\n");
        w->menuItem(QStringLiteral("mnuRecentSentFile(1)"))->trigger();
        QVERIFY(machine.waitForCount(6, 20000));
        QCOMPARE(machine.received(), QByteArray("G1X2\r\n"));
        QCOMPARE(readAllBytes(part), QByteArray("G0X1\n"));
    }

    void ftpCommandsHandTheHelperOneArgumentOrSayWhyNot() {
        const QString helper = program("ftp.exe", "#!/bin/sh\nprintf '%s:%s' \"$#\" \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
        QVERIFY(QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        auto w = loadedTerminal(*home_);
        ScriptedMessages msgs;
        w->selectMachine(11);
        auto argumentOf = [&](const char* item) {
            QFile::remove(helper + ".args");
            w->menuItem(QLatin1String(item))->trigger();
            return waitUntil([&] { return QFile::exists(helper + ".args"); }, 10000)
                       ? QString::fromUtf8(readAllBytes(helper + ".args")) : QString();
        };
        QCOMPARE(argumentOf("mnuFTPReceive"), QStringLiteral("1:?!?12?D?") + gIniPath);
        // The window's changed text is saved first when the user says so.
        const QString part = program("part.nc", "G0X1\n");
        w->editorManager()->openFileInNewWindow(part);
        w->editorManager()->activeEditor()->setBytes("G1X2\n");
        msgs.answer(Msg::AnswerYes);
        QCOMPARE(argumentOf("mnuFTPSub(0)"), QStringLiteral("1:?%1?12?U?%2").arg(part, gIniPath));
        QCOMPARE(readAllBytes(part), QByteArray("G1X2\n"));
        // No command line without the helper: said, not silent.
        QVERIFY(QFile::remove(helper));
        w->menuItem(QStringLiteral("mnuFTPReceive"))->trigger();
        QCOMPARE(msgs.texts().last(), QStringLiteral("The FTP Program %1 Was Not Found").arg(helper));
    }

    void menuCaptionsStayOnTheirOwnItemsAndResetLeavesThroughQuit() {
        const QByteArray settings = "UseLanguageSupport=1\n[Language-Menus]\nmnuOpen=-\nmnuSave=&Sichern\n";
        auto w = loadedTerminal(*home_, settings);
        RecentFiles::add(program("part.nc", "G0\n"), QStringLiteral("open"));
        auto setUp = [&w](const std::function<void(frmButtonSetup*)>& act) {
            ModalAnswerer answer([&](QWidget* modal) {
                auto* setup = qobject_cast<frmButtonSetup*>(modal);
                if (setup)
                    act(setup);
                return setup != nullptr;
            });
            w->menuItem(QStringLiteral("mnuLanguage"))->trigger();
            QCOMPARE(answer.answered(), 1);
        };
        auto box = [](frmButtonSetup* setup, const char* item) -> QLineEdit* {
            for (const auto& [edit, action] : setup->menuBoxes())
                if (action->objectName() == QLatin1String(item))
                    return edit;
            return nullptr;
        };
        setUp([&](frmButtonSetup* setup) {
            box(setup, "mnuClose")->setText(QStringLiteral("Schliessen"));
            box(setup, "mnuNew")->setText(QStringLiteral("-"));
            setup->Text1(2)->setText(QStringLiteral("Empfang"));
            setup->Command1_Click(0);
        });
        auto check = [](frmTerminal* t) {
            for (const auto& [item, caption] : {std::pair{"mnuOpen", "&Open File"}, {"mnuSave", "&Sichern"},
                                                {"mnuClose", "Schliessen"}, {"mnuNew", "&Create A New File"}})
                QCOMPARE(t->menuItem(QLatin1String(item))->text(), QString::fromUtf8(caption));
            QCOMPARE(t->btnToolBar(2)->text(), QStringLiteral("Empfang"));
        };
        check(w.get());
        QVERIFY(!iniHasKey(QStringLiteral("Language-Menus"), QStringLiteral("mnuNew")));
        for (const QString& key : iniSectionKeys(QStringLiteral("Language-Menus"), gIniPath))
            QVERIFY2(!readIni(QStringLiteral("Language-Menus"), key).contains(home_->path()), qPrintable(key));

        w.reset();
        w = std::make_unique<frmTerminal>();
        QVERIFY(w->Form_Load());
        check(w.get());

        // Reset: the question, then the Quit path asks about the changed window; Cancel keeps the program.
        w->show();
        w->editorManager()->activeEditor()->setBytes("G1\n");
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerCancel);
        setUp([](frmButtonSetup* setup) { setup->Command2_Click(); });
        QCOMPARE(msgs.shown().size(), 2);
        QVERIFY(msgs.texts().value(1).contains(QStringLiteral("has changed")));
        QVERIFY(w->isVisible());
        QVERIFY(!iniHasSection(QStringLiteral("Language-Menus"), gIniPath));
        QVERIFY(!iniHasSection(QStringLiteral("Language-Buttons"), gIniPath));
    }

    void itemsWithoutActionStayGreyedAndHelpAlwaysAnswers() {
        auto w = loadedTerminal(*home_);
        for (bool busy : {true, false, false}) {
            for (const char* inert : {"mnuFindFile", "mnuSync", "mnuWizard", "mnuScheduler", "mnuChangePassword"})
                QVERIFY2(!w->menuItem(QLatin1String(inert))->isEnabled(), inert);
            w->lockForTransfer(busy);
            w->receivingMenuStatus(!busy);
            w->disableDuringSeq(busy);
            Q_EMIT w->menuItem(QStringLiteral("mnuFileHeader"))->menu()->aboutToShow();
        }

        ScriptedMessages msgs;
        w->menuItem(QStringLiteral("mnuAboutHeader"))->trigger();
        QCOMPARE(msgs.shown().size(), 1);
        QVERIFY(msgs.texts().first().contains(home_->file(QStringLiteral("help/frmTerminal.htm"))));
    }
};

QTEST_MAIN(MenusTest)
#include "MenusTest.moc"
