// The main window's menu commands with the real editor behind them: Quit and
// its save questions, the recent-file entries, the FTP hand-off, the items
// that have no action, Help.
#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "ProgramQuit.h"
#include "ScriptedMessages.h"

#include <QAction>
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
        QVERIFY(!gWindows[ia].closed && !gWindows[ib].closed);
        QCOMPARE(ed->editor(ib)->bytes(), QByteArray("B2\n"));

        // Only the window still changed is asked about; No ends the program without saving it.
        gPortState = PortIdle;
        msgs.clear();
        msgs.answer(Msg::AnswerNo);
        QVERIFY(w->quitProgram());
        QCOMPARE(msgs.shown().size(), 1);
        QVERIFY(!w->isVisible());
        QCOMPARE(readAllBytes(b), QByteArray("B\n"));
    }
};

QTEST_MAIN(MenusTest)
#include "MenusTest.moc"
