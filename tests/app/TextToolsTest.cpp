#include "FileSizeLimit.h"
#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "PtyMachine.h"
#include "ReceiveEngine.h"
#include "ReceiveHostAdapter.h"
#include "ScriptedMessages.h"
#include "TextCase.h"
#include "TerminalView.h"
#include "TextTools.h"
#include "frmIntelli.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

// The Tools menu's text tools and case commands on the main window's editor.
class TextToolsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home_;

    static EditControl* holding(frmTerminal& w, const QByteArray& text) {
        EditControl* ed = w.editorManager()->activeEditor();
        ed->loadBytes(text);
        return ed;
    }
    static void run(frmTerminal& w, const char* item) { w.menuItem(QLatin1String(item))->trigger(); }
    static bool idle(frmTerminal& w) {
        return !gBusyEditing && !w.xPercent()->isVisibleTo(&w) && w.menuItem(QStringLiteral("mnuToolsheader"))->isEnabled() &&
               w.SSTab2()->isEnabled() && w.SSTab1()->currentWidget()->isEnabled();
    }

private Q_SLOTS:
    void init() { home_ = freshAppHome(); }
    void cleanup() { home_.reset(); }

    void toolsTakeTheMachineSettingsAndUndoInOneStep() {
        auto w = loadedTerminal(*home_);
        EditControl* ed = holding(*w, "G01 X1\nG00\n");
        run(*w, "mnuTools(0)"); // nothing stored: from 10 by 10, N words, no zeros
        QCOMPARE(ed->bytes(), QByteArray("N10 G01 X1\nN20 G00\n"));
        QVERIFY(idle(*w));
        QVERIFY(gWindows[0].modified);
        w->editor().undo();
        QCOMPARE(ed->bytes(), QByteArray("G01 X1\nG00\n"));
        writeIni(gCurrentMachineSection, QStringLiteral("UseN"), QStringLiteral("0"));
        run(*w, "mnuTools(0)");
        QCOMPARE(ed->bytes(), QByteArray("10 G01 X1\n20 G00\n"));
        run(*w, "mnuTools(1)");
        QCOMPARE(ed->bytes(), QByteArray("G01 X1\nG00\n"));
        writeIni(gCurrentMachineSection, QStringLiteral("WordFormat0"), QStringLiteral("4"));
        holding(*w, "g01 x1 (cut x)\r\n");
        run(*w, "mnuReformat");
        QCOMPARE(ed->bytes(), QByteArray("G01 X1.000 (CUT X)\r\n"));
        QVERIFY(idle(*w));
    }

    void aStoppedOrFailedPassLeavesTheWindowAsItWas() {
        auto w = loadedTerminal(*home_);
        QByteArray text;
        for (int i = 0; i < 1000; ++i)
            text += "G01 X" + QByteArray::number(i) + "\r\n";
        EditControl* ed = holding(*w, text);
        // Cancel from the tools box, as Esc does, seen at the first yield.
        QMetaObject::invokeMethod(w.get(), [&] { w->Command1_Click(); }, Qt::QueuedConnection);
        run(*w, "mnuTools(0)");
        QVERIFY(idle(*w));
        // Stopped half way, at a progress point.
        processNCText(ed, Resequence, {}, {[](double percent) {
                                               if (percent >= 50)
                                                   gCancelOperation = true;
                                           },
                                           {}});
        QCOMPARE(ed->bytes(), text);
        QVERIFY(!ed->isModified());
        ScriptedMessages msgs;
        {
            FileSizeLimit fullDisk(1000);
            processNCText(ed, Resequence);
        }
        QVERIFY(msgs.sawText(QStringLiteral("Could Not Be Written")));
        QCOMPARE(ed->bytes(), text);
        QVERIFY(!ed->isModified());
    }

    void aLockedEditorIsLeftAloneByEveryTool() {
        auto w = loadedTerminal(*home_, "lockeditor=1\n[Machine1]\nWordFormat0=4\n");
        EditControl* ed = holding(*w, "g01 x1\n");
        for (const char* item : {"mnuTools(0)", "mnuTools(2)", "mnuTools(5)", "mnuReformat", "mnuCapitalise", "mnuReverse"})
            run(*w, item);
        QCOMPARE(ed->bytes(), QByteArray("g01 x1\n"));
        QVERIFY(idle(*w));
    }

    void capitalizeKeepsEveryOtherByteAndUndoesInOneStep() {
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
    }

    void useCapitalLettersIsStoredAndReadBackAtStart() {
        {
            auto w = loadedTerminal(*home_);
            run(*w, "mnuCapitalise2");
            QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("Capitalise")), QStringLiteral("True"));
        }
        frmTerminal w;
        QVERIFY(w.Form_Load());
        QVERIFY(w.menuItem(QStringLiteral("mnuCapitalise2"))->isChecked());
        run(w, "mnuCapitalise2");
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("Capitalise")), QStringLiteral("False"));
    }

    void theAnalyserProposesWhatTheMachineSentAndStoresItOnYes() {
        PtyMachine machine;
        auto w = loadedTerminal(*home_, machineOnPort(machine.slavePath()));
        gKeepAlive = 0;
        ScriptedMessages msgs;
        w->editor().analyseEndOfBlock();
        QVERIFY(msgs.sawText(QStringLiteral("Nothing To Analyse")));
        w->btnToolBar_Click(5); // the debug window
        const QByteArray sent = "%\n\rG01 X1\n\r\n\rM30\n\r";
        machine.send(sent);
        QTRY_COMPARE_WITH_TIMEOUT(attachReceiveSide(*w).terminal().receivedBytes(), sent, 20000);
        msgs.answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        w->editor().analyseEndOfBlock();
        QVERIFY(msgs.sawText(QStringLiteral("Detected As <LF\\CR>")));
        QCOMPARE(MachineRecord::current(QStringLiteral("EOBSend")), QStringLiteral("0"));
        w->editor().analyseEndOfBlock();
        QCOMPARE(MachineRecord::current(QStringLiteral("EOBSend")), QStringLiteral("4"));
        w->btnToolBar_Click(5);
        const std::pair<int, const char*> names[] = {{0, "<0=NUL>"},     {13, "<13=CR>"},  {31, "<31=US>"},
                                                     {32, "<32SPACE>"},  {65, "<A=65>"},   {126, "<~=126>"},
                                                     {127, "<\x7f=127>"}, {233, "<\xe9=233>"}, {255, "<\xff=255>"}};
        for (const auto& [code, name] : names)
            QCOMPARE(charName(uchar(code)), QString::fromLatin1(name));
    }

    void aWordFromTheListReplacesTheLetterInOneUndoStep() {
        auto w = loadedTerminal(*home_);
        QVERIFY(writeAllBytes(home_->file(QStringLiteral("fanuc.itc")), "G?\r\nG?G00:Rapid\r\nG?G01:Linear\r\n!\r\n"));
        auto* list = w->findChild<QListWidget*>(QStringLiteral("lstIntellisense"));
        auto* panel = w->findChild<QWidget*>(QStringLiteral("picIntellisense"));
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

    void theTrapKeyIsStoredOnlyAsAKeyNumberWithItsWordFile() {
        for (const char* name : {"fanuc.itc", "haas.itc"})
            QVERIFY(writeAllBytes(home_->file(QLatin1String(name)), "G?\r\n!\r\n"));
        ScriptedMessages msgs;
        frmIntelli dialog({});
        dialog.List1->setCurrentRow(1);
        dialog.Text1->setText(QStringLiteral("300"));
        dialog.Command1_Click(0);
        QVERIFY(msgs.sawText(QStringLiteral("1 To 255")));
        QVERIFY(readIni(QStringLiteral("Settings"), QStringLiteral("intelliTrap")).isEmpty());
        dialog.Text1->setText(QStringLiteral("220"));
        dialog.Command1_Click(0);
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("intelliTrap")), QStringLiteral("220"));
        QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("intelliCodeFile")), QStringLiteral("haas.itc"));
    }

    void onlyTheNamedFindAndReplaceBoxesClose() {
        QWidget find, replace, other;
        find.setWindowTitle(QStringLiteral("Find"));
        replace.setWindowTitle(QStringLiteral("Replace"));
        other.setWindowTitle(QStringLiteral("Find Files"));
        for (QWidget* box : {&find, &replace, &other})
            box->show();
        destroyFindReplaceWindows(2);
        QVERIFY(find.isVisible() && replace.isVisible());
        destroyFindReplaceWindows(1);
        QVERIFY(!find.isVisible() && replace.isVisible());
        destroyFindReplaceWindows(-1);
        QVERIFY(!replace.isVisible() && other.isVisible());
    }
};

QTEST_MAIN(TextToolsTest)
#include "TextToolsTest.moc"
