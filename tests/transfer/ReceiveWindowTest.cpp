// The receive and the debug window driven from the main window's buttons,
// with the test as the machine on a pseudo-terminal: however a receive ends,
// the window is idle again and can be closed.
#include "EditorGlobals.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ScriptedMessages.h"
#include "WindowOnPty.h"

#include <QPlainTextEdit>
#include <QPushButton>

class ReceiveWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowOnPty> env_;

    std::unique_ptr<frmTerminal> loaded() { return env_->load("Handshaking=0\nHeaderReceive=38\nTrailerReceive=38\nEOBReceive=3\n"); }

    static bool receiving(frmTerminal& w) { return w.btnToolBar(2)->text() == QLatin1String("Stop !"); }

private Q_SLOTS:
    void init() { env_ = std::make_unique<WindowOnPty>(); }
    void cleanup() { env_.reset(); }

    void aReceiveEndedByItsIdleTimeOutIsSavedAndTheWindowCloses() {
        auto w = loaded();
        writeIni(gCurrentMachineSection, QStringLiteral("WaitAfterReceive"), QStringLiteral("0")); // 5 s
        const QString dest = env_->home->file(QStringLiteral("O1234.nc"));
        ScriptedMessages msgs;
        msgs.answerFiles({dest});
        w->btnToolBar_Click(2);
        QVERIFY(receiving(*w));
        QVERIFY(w->textboxTerm()->isVisible());
        QVERIFY(!w->SSTab1()->isVisible());
        QVERIFY(!w->btnToolBar(0)->isEnabled());
        QVERIFY(w->btnToolBar(2)->isEnabled());
        // While it runs the window stays.
        QVERIFY(!w->close());

        env_->machine.send("junk%\nO1234\nG0 X1\n%junk");
        QTRY_VERIFY_WITH_TIMEOUT(gPortState == PortIdle, 30000);
        QCOMPARE(readAllBytes(dest), QByteArray("\r\nO1234\r\nG0 X1\r\n"));
        QCOMPARE(gWindows[gActiveWindow].fileName, dest);
        QCOMPARE(w->receivedByteCount, qint64(23));
        QCOMPARE(w->btnToolBar(2)->text(), gReceiveCaption);
        QVERIFY(w->SSTab1()->isVisible());
        QVERIFY(!w->textboxTerm()->isVisible());
        QVERIFY(w->btnToolBar(0)->isEnabled());
        QVERIFY(w->close());
    }

    void aReceiveStoppedByTheButtonLeavesTheWindowFreeToClose() {
        auto w = loaded();
        const QString dest = env_->home->file(QStringLiteral("stopped.nc"));
        ScriptedMessages msgs;
        msgs.answerFiles({dest});
        w->btnToolBar_Click(2);
        QVERIFY(receiving(*w));
        env_->machine.send("%\nO1\n%");
        QTRY_COMPARE_WITH_TIMEOUT(w->receivedByteCount, qint64(6), 20000);
        w->btnToolBar_Click(2);
        QVERIFY(!receiving(*w));
        QVERIFY(!QFile::exists(dest));
        QCOMPARE(gPortState, int(PortIdle));
        QVERIFY(w->close());
    }

    void theDebugWindowOpensAndClosesFromItsButton() {
        auto w = loaded();
        w->btnToolBar_Click(5);
        QCOMPARE(w->btnToolBar(5)->text(), QStringLiteral("Close Debug"));
        QCOMPARE(gPortState, int(PortTerminal));
        QVERIFY(!w->btnToolBar(2)->isEnabled());
        QVERIFY(w->textboxTerm()->isVisible());
        env_->machine.send("G1\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(w->textboxTerm()->toPlainText().contains(QStringLiteral("G1")), 20000);
        QVERIFY(!w->close());
        w->btnToolBar_Click(5);
        QCOMPARE(w->btnToolBar(5)->text(), QStringLiteral("Open Debug"));
        QVERIFY(w->btnToolBar(2)->isEnabled());
        QVERIFY(!w->textboxTerm()->isVisible());
        QVERIFY(w->close());
    }
};

QTEST_MAIN(ReceiveWindowTest)
#include "ReceiveWindowTest.moc"
