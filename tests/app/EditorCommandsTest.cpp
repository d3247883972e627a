// Editor commands of the main window that reach the machine, with the test
// as the machine on a pseudo-terminal.
#include "IniStorage.h"
#include "ScriptedMessages.h"
#include "WindowOnPty.h"
#include "EditControl.h"
#include "EditorManager.h"
#include "frmMenus.h"
#include "frmMerge.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <QAction>

class EditorCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowOnPty> env_;

    QString file(const QString& name, const QByteArray& text) const {
        const QString path = env_->home->file(name);
        writeAllBytes(path, text);
        return path;
    }
    // Chooses Merge from the File menu; the dialog gets `files` and "Merge To DNC".
    void mergeToDnc(frmTerminal& w, const QStringList& files) {
        QTimer::singleShot(0, this, [files] {
            auto* dialog = qobject_cast<frmMerge*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->addFiles(files);
            dialog->Command1_Click(2);
            if (dialog->isVisible())
                dialog->Command1_Click(1); // the merge stopped: Quit
        });
        w.menuItem(QStringLiteral("mnuMerge"))->trigger();
    }

    // The pop-up menu for a position, as it would be shown now.
    static std::unique_ptr<QMenu> popup(frmTerminal& w, int position) {
        return std::unique_ptr<QMenu>(w.findChild<frmMenus*>()->buildMenu(position));
    }
    static QAction* entry(const std::unique_ptr<QMenu>& menu, const char* name) {
        return menu->findChild<QAction*>(QLatin1String(name));
    }

private Q_SLOTS:
    void init() { env_ = std::make_unique<WindowOnPty>(); }
    void cleanup() { env_.reset(); }

    void mergeToDncSendsTheMergedProgramOrNothing() {
        auto w = env_->load("Alias=MILL\ntrimPercents=1\nWaitAfterSending=30\n");
        const QStringList files{file(QStringLiteral("a.nc"), "%\nO1\nG01\n%\n"), env_->home->file(QStringLiteral("gone.nc")),
                                file(QStringLiteral("b.nc"), "%\nO2\nG02\n%\n\x1a")};
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerNo); // stop at the vanished file
        mergeToDnc(*w, files);
        QVERIFY(msgs.sawText("gone.nc"));
        QCOMPARE(env_->machine.receivedCount(), 0);

        msgs.answer(Msg::AnswerYes); // go on without it
        mergeToDnc(*w, files);
        const QByteArray expected = "%\r\nO1\r\nG01\r\n\r\n\r\nO2\r\nG02\r\n%\r\n";
        QVERIFY(env_->machine.waitForCount(expected.size(), 20000));
        QCOMPARE(env_->machine.received(), expected);
        QCOMPARE(gPortState, int(PortIdle));
        QVERIFY(w->close());
    }

    void theEditorPopupFollowsTheWindowAndItsLock() {
        auto w = env_->load("Alias=MILL\n");
        const char* const textItems[] = {"mnuFind(0)", "mnuFind(1)", "mnuSave",      "mnuClose",
                                         "mnuReload",  "mnuCompare", "mnuSendToCNC", "mnuTools"};
        auto menu = popup(*w, 0);
        for (const char* name : textItems)
            QVERIFY2(!entry(menu, name)->isEnabled(), name);
        QVERIFY(entry(menu, "mnuPrint")->isEnabled());
        QCOMPARE(entry(menu, "mnuSendToCNC")->text(), QStringLiteral("Send To MILL"));

        const QString path = file(QStringLiteral("p.nc"), "g01 x1\n");
        w->editorManager()->openFileInNewWindow(path);
        EditControl* ed = w->editorManager()->activeEditor();
        menu = popup(*w, 0);
        for (const char* name : textItems)
            QVERIFY2(entry(menu, name)->isEnabled(), name);
        // Reload asks before dropping edits.
        ScriptedMessages msgs;
        ed->setBytes("changed\n");
        msgs.answer(Msg::AnswerNo);
        entry(menu, "mnuReload")->trigger();
        QCOMPARE(ed->bytes(), QByteArray("changed\n"));
        msgs.answer(Msg::AnswerYes);
        entry(menu, "mnuReload")->trigger();
        QCOMPARE(ed->bytes(), QByteArray("g01 x1\n"));
        QVERIFY(!ed->isModified());
        QCOMPARE(msgs.shown().size(), 2);
        // Capitalize is the main menu's: a locked editor stays as it is.
        writeIni(QStringLiteral("Settings"), QStringLiteral("lockeditor"), QStringLiteral("1"));
        w->editorManager()->applyDisplaySettings();
        popup(*w, 0)->findChild<QAction*>(QStringLiteral("mnuCapitalize"))->trigger();
        QCOMPARE(ed->bytes(), QByteArray("g01 x1\n"));
        QVERIFY(!ed->isModified());
        QVERIFY(w->close());
    }

    void theTerminalPopupSendsCharactersAndEndsAReceive() {
        auto w = env_->load("Alias=MILL\n");
        gDebugMode = 0;
        auto menu = popup(*w, 1);
        QVERIFY(!entry(menu, "mnuGetEOB")->isVisible());
        QVERIFY(!entry(menu, "mnuCharSend(0)")->isEnabled());
        gDebugMode = 1;
        w->btnToolBar_Click(5); // the terminal window holds the port
        menu = popup(*w, 1);
        QVERIFY(entry(menu, "mnuGetEOB")->isVisible());
        entry(menu, "mnuCharSend(0)")->trigger();
        QVERIFY(env_->machine.waitForCount(1, 20000));
        QCOMPARE(env_->machine.received(), QByteArray("\x11"));
        w->btnToolBar_Click(5);

        ScriptedMessages msgs;
        msgs.answerFiles({env_->home->file(QStringLiteral("in.nc"))});
        w->btnToolBar_Click(2);
        QCOMPARE(gPortState, int(PortReceiving));
        menu = popup(*w, 2);
        QCOMPARE(menu->actions().size(), 1);
        menu->actions().first()->trigger();
        QCOMPARE(gPortState, int(PortIdle));
        QVERIFY(w->close());
    }

    void savingTheTerminalTextShowsItInTheWindowOfThatFile() {
        auto w = env_->load("Alias=MILL\n");
        const QString path = file(QStringLiteral("t.nc"), "old\n");
        w->editorManager()->openFileInNewWindow(path);
        EditControl* ed = w->editorManager()->activeEditor();
        ed->setBytes("edited\n");
        w->textboxTerm()->setPlainText(QStringLiteral("G1\nG2"));
        ScriptedMessages msgs;
        msgs.answerFiles({path}).answer(Msg::AnswerYes).answer(Msg::AnswerNo); // overwrite; keep the edits
        popup(*w, 1)->findChild<QAction*>(QStringLiteral("mnuSaveWindow"))->trigger();
        QCOMPARE(readAllBytes(path), QByteArray("G1\r\nG2\r\n"));
        QCOMPARE(ed->bytes(), QByteArray("edited\n"));
        msgs.answerFiles({path}).answer(Msg::AnswerYes).answer(Msg::AnswerYes);
        popup(*w, 1)->findChild<QAction*>(QStringLiteral("mnuSaveWindow"))->trigger();
        QCOMPARE(ed->bytes(), QByteArray("G1\r\nG2\r\n"));
        w->close();
    }
};

QTEST_MAIN(EditorCommandsTest)
#include "EditorCommandsTest.moc"
