// The pop-up menus of the editor windows and the terminal view, shown by a
// right click and their entries clicked as a user clicks them: the commands
// that send or run a tool pass yield for a long time, and must run clear of
// the menu, which is gone by the time they end.
#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "frmFind.h"
#include "frmMenus.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class PopupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home_;

    static EditControl* editor(frmTerminal& w, int i) { return w.editorManager()->editor(i); }

    // Two windows: the first with an edit not saved, the second active with `text`.
    EditControl* twoWindows(frmTerminal& w, const QByteArray& text) {
        EditorManager* editors = w.editorManager();
        const QString a = home_->file("a.nc"), b = home_->file("b.nc");
        writeAllBytes(a, "N1 G00\n");
        writeAllBytes(b, text);
        editors->editor(editors->openFileInNewWindow(a))->setBytes("N1 G00 X5\n");
        editors->openFileInNewWindow(b);
        return editors->activeEditor();
    }
    void otherWindowKeptItsEdit(frmTerminal& w) {
        QVERIFY(w.isVisible());
        QCOMPARE(editor(w, 1)->bytes(), QByteArray("N1 G00 X5\n"));
        QVERIFY(editor(w, 1)->isModified());
        QCOMPARE(readAllBytes(home_->file("a.nc")), QByteArray("N1 G00\n"));
    }

private Q_SLOTS:
    void init() { home_ = freshAppHome(); }
    void cleanup() {
        gPortState = PortIdle;
        gCancelSend = false;
        home_.reset();
    }

    void sendToTheMachineFromTheEditorPopup() {
        PtyMachine machine;
        auto w =
            loadedTerminal(*home_, machineOnPort(machine.slavePath(), "Alias=MILL\nWaitAfterSending=0\n"));
        gKeepAlive = 0;
        w->show();
        QByteArray program;
        for (int i = 1; i <= 400; ++i)
            program += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i) + "\n";
        EditControl* ed = twoWindows(*w, program);
        QString why;
        QVERIFY2(chooseFromPopup(ed->viewport(), {"mnuSendToCNC"}, &why), qPrintable(why));
        QVERIFY2(machine.receivedCount() == 0 && gPortState == PortIdle, "sent inside the menu's click");
        QVERIFY(waitUntil([&] { return gPortState == PortIdle && !gSending && machine.receivedCount() > 0; }, 60000));
        QByteArray expected = program;
        expected.replace("\n", "\r\n");
        QVERIFY(machine.waitForCount(expected.size(), 20000));
        QCOMPARE(machine.received(), expected);
        pumpEvents(50);
        otherWindowKeptItsEdit(*w);
    }

    void toolPassesFromTheEditorPopup_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("firstLine");
        QTest::newRow("Resequence") << "mnuSubTools(1)" << QByteArray("N10 G01 X1  \n\nN20 ");
        QTest::newRow("Desequence") << "mnuSubTools(2)" << QByteArray("G01 X1  \n\nG01 ");
        QTest::newRow("Insert Spaces") << "mnuSubTools(3)" << QByteArray("N1 G01 X1\n\nN2 ");
        QTest::newRow("Delete Spaces") << "mnuSubTools(4)" << QByteArray("N1G01X1\n\nN2");
        QTest::newRow("Delete Blank Lines") << "mnuSubTools(5)" << QByteArray("N1G01 X1  \nN2");
        QTest::newRow("Reformat") << "mnuSubTools(6)" << QByteArray("N1G01 X1\n\nN2");
        QTest::newRow("Trim Lines") << "mnuSubTools(7)" << QByteArray("N1G01 X1\n\nN2");
    }
    void toolPassesFromTheEditorPopup() {
        QFETCH(QString, entry);
        QFETCH(QByteArray, firstLine);
        auto w = loadedTerminal(*home_, "[Machine1]\nWordFormat0=1\n");
        w->show();
        QByteArray program;
        for (int i = 1; i <= 20000; ++i)
            program += "N" + QByteArray::number(i) + "G01 X" + QByteArray::number(i) + "  \n\n";
        EditControl* ed = twoWindows(*w, program);
        QString why;
        QVERIFY2(chooseFromPopup(ed->viewport(), {"mnuTools", entry}, &why), qPrintable(why));
        QVERIFY2(ed->bytes() == program && !gBusyEditing, "the pass ran inside the menu's click");
        QVERIFY(waitUntil([&] { return !gBusyEditing && !w->xPercent()->isVisible() && ed->bytes() != program; },
                          60000));
        QVERIFY2(ed->bytes().startsWith(firstLine), ed->bytes().left(40).constData());
        pumpEvents(50);
        otherWindowKeptItsEdit(*w);
    }

    // A find box closed a moment ago is deleted once the event loop is back;
    // the next Find makes a new one rather than showing the one going away.
    void aFindBoxJustClosedIsNotShownAgain() {
        auto w = loadedTerminal(*home_);
        w->show();
        QPointer<frmFind> first = frmFind::showFindBox(w.get(), w->editorManager(), "G01", 0);
        first->close();
        QPointer<frmFind> next = frmFind::showFindBox(w.get(), w->editorManager(), "G02", 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(next && next->isVisible());
        QCOMPARE(next->txtFind->text(), QString("G02"));
        next->close();
    }

    // The main menu's commands wait for the event loop just the same.
    void theMainMenuRunsItsCommandsClearOfTheMenu() {
        PtyMachine machine;
        auto w = loadedTerminal(*home_, machineOnPort(machine.slavePath(), "WaitAfterSending=0\n"));
        gKeepAlive = 0;
        w->show();
        EditControl* ed = twoWindows(*w, "G01 X1\nG01 X2\n");
        QVERIFY(chooseFromMenuBar(*w, "mnuTools(0)"));
        QCOMPARE(ed->bytes(), QByteArray("G01 X1\nG01 X2\n"));
        QVERIFY(waitUntil([&] { return ed->bytes() == "N10 G01 X1\nN20 G01 X2\n" && !gBusyEditing; }, 20000));
        QVERIFY(chooseFromMenuBar(*w, "mnuSendWindow1"));
        QCOMPARE(machine.receivedCount(), 0);
        const QByteArray expected = "N10 G01 X1\r\nN20 G01 X2\r\n";
        QVERIFY(machine.waitForCount(expected.size(), 20000));
        QVERIFY(waitUntil([] { return gPortState == PortIdle && !gSending; }, 20000));
        QCOMPARE(machine.received(), expected);
        otherWindowKeptItsEdit(*w);
    }

    void theTerminalPopupCopiesLinesSendsCharactersAndEndsAReceive() {
        PtyMachine machine;
        auto w = loadedTerminal(*home_, machineOnPort(machine.slavePath(), "Alias=MILL\n"));
        gKeepAlive = 0;
        w->show();
        QPlainTextEdit* term = w->textboxTerm();
        QWidget* view = term->viewport();
        auto shown = [w = w.get()](int position, const char* name) {
            std::unique_ptr<QMenu> menu(w->findChild<frmMenus*>()->buildMenu(position));
            QAction* a = menu->findChild<QAction*>(name);
            return a && a->isVisible() && a->isEnabled();
        };
        // End of block only from characters shown as they are; characters only while the port is held.
        gDebugMode = 0;
        QVERIFY(!shown(1, "mnuGetEOB"));
        QVERIFY(!shown(1, "mnuCharSend(0)"));
        gDebugMode = 1;
        w->btnToolBar_Click(5); // the terminal window holds the port
        QVERIFY(shown(1, "mnuGetEOB"));
        term->setPlainText("G1 X\xe9\nG2");
        term->selectAll();
        QString why;
        QVERIFY2(chooseFromPopup(view, {"mnuCopy2"}, &why), qPrintable(why));
        runChosenCommands();
        // Pasted into an editor window these are two lines, every other character as it was.
        QCOMPARE(QApplication::clipboard()->text(), QString("G1 X\xe9\r\nG2"));
        QVERIFY2(chooseFromPopup(view, {"mnuCharSend(0)"}, &why), qPrintable(why));
        QVERIFY(machine.waitForCount(1, 20000));
        QCOMPARE(machine.received(), QByteArray("\x11"));
        QVERIFY(w->cmdFlow(0)->isVisible());
        w->btnToolBar_Click(5);
        // Closing the debug window puts the XON and XOFF buttons away.
        QVERIFY(!w->cmdFlow(0)->isVisible() && !w->cmdFlow(1)->isVisible());

        ScriptedMessages msgs;
        const QString in = home_->file("in.nc");
        msgs.answerFiles({in}).answer(Msg::AnswerYes);
        w->btnToolBar_Click(2);
        QCOMPARE(gPortState, int(PortReceiving));
        machine.send("%\r\nN1 G01\r\n%\r\n");
        QVERIFY(waitUntil([&] { return term->toPlainText().contains("N1 G01"); }, 20000));
        QCOMPARE(std::unique_ptr<QMenu>(w->findChild<frmMenus*>()->buildMenu(2))->actions().size(), 1);
        QVERIFY2(chooseFromPopup(view, {"mnuHere"}, &why), qPrintable(why));
        QCOMPARE(gPortState, int(PortReceiving));
        QVERIFY(waitUntil([] { return gPortState == PortIdle; }, 20000));
        QVERIFY(!QFile::exists(in)); // cancelled, nothing saved
        QVERIFY(w->close());
    }
};

QTEST_MAIN(PopupTest)
#include "PopupTest.moc"
