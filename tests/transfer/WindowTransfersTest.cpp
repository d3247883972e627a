// The main window's own part in its transfers, with the test as the machine on
// a pseudo-terminal: what it locks while a send or a receive runs, and the
// progress window following it when minimised. What goes over the wire is
// tested on the engines.
#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "TransferLog.h"
#include "frmCancelSend.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

class WindowTransfersTest : public QObject {
    Q_OBJECT

    // How many of the controls a transfer locks are free.
    static int freeControls(frmTerminal& w) {
        return int(w.btnToolBar(0)->isEnabled()) + int(w.SSTab1()->isEnabled()) +
               int(w.cmbCNCVisible()->isEnabled()) + int(w.textboxTerm()->isEnabled());
    }

private Q_SLOTS:
    void aTransferLocksTheWindowAndTheProgressWindowFollowsIt() {
        auto home = freshAppHome();
        PtyMachine machine;
        // A send that lasts until the test ends it: 200 lines, each followed by the longest delay.
        auto w = loadedTerminal(*home, machineOnPort(machine.slavePath(), "LineDelay=500\nHandshaking=0\n"));
        gKeepAlive = 0;
        w->show();
        const QString path = home->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(path, QByteArray("N1\n").repeated(200)));
        ScriptedMessages msgs;
        msgs.answerFiles({path});
        int stage = 0, freeWhileSending = -1;
        bool hiddenWhileMinimised = false, shownWhenRestored = false;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            frmCancelSend* frm = frmCancelSend::instance();
            if (!frm || !machine.receivedCount())
                return;
            if (stage == 0) {
                freeWhileSending = freeControls(*w);
                w->showMinimized();
            } else if (stage == 1) {
                hiddenWhileMinimised = !frm->isVisible();
                w->showNormal();
            } else if (stage == 2) {
                shownWhenRestored = frm->isVisible();
                gCancelSend = true;
            }
            ++stage;
        });
        look.start(5);
        w->btnToolBar_Click(0);
        look.stop();
        QCOMPARE(freeWhileSending, 0);
        QVERIFY(hiddenWhileMinimised);
        QVERIFY(shownWhenRestored);
        QCOMPARE(freeControls(*w), 4);

        // A cancel is said with the line kept for a restart, from disk or
        // from the editor window alike: the window's caret, put back, does
        // not take the status line.
        const auto saysCancelled = [&w] {
            const QString said = w->lblStat(0)->text();
            return said.startsWith(QLatin1String("  Send Cancelled - Line ")) &&
                   said.endsWith(QLatin1String(" Is Kept For A Restart: N1"));
        };
        QVERIFY2(saysCancelled(), qPrintable(w->lblStat(0)->text()));
        w->editor().openFileInNewWindow(path);
        w->editorManager()->activeEditor()->setCaretLine(100); // where the send does not stop
        QVERIFY(machine.waitUntilRead());
        machine.clearReceived();
        QTimer cancel;
        connect(&cancel, &QTimer::timeout, this, [&] { gCancelSend = gCancelSend || machine.receivedCount() > 0; });
        cancel.start(5);
        w->btnToolBar_Click(1);
        cancel.stop();
        w->editorManager()->activeEditor()->viewport()->repaint(); // the caret, moved, is reported as it is drawn
        QVERIFY2(saysCancelled(), qPrintable(w->lblStat(0)->text()));
        QCOMPARE(freeControls(*w), 4);

        // A receive leaves only its stop button free.
        msgs.answerFiles({home->file(QStringLiteral("in.nc"))});
        w->btnToolBar_Click(2);
        QCOMPARE(gPortState, int(PortReceiving));
        QVERIFY(!w->btnToolBar(0)->isEnabled());
        QVERIFY(w->btnToolBar(2)->isEnabled());
        w->btnToolBar_Click(2);
        QCOMPARE(gPortState, int(PortIdle));
        QCOMPARE(freeControls(*w), 4);
        QVERIFY(w->close());
    }

    // The machine's adaptor is pulled three lines into a receive over a
    // program (or, for a receive-all, over the program its split would
    // write): the program stays as it was, nothing is called received, and
    // the user is told where the three lines are.
    void aReceiveCutOffByThePortNeverReplacesTheProgram_data() {
        QTest::addColumn<bool>("receiveAll");
        QTest::newRow("one program") << false;
        QTest::newRow("receive all") << true;
    }
    void aReceiveCutOffByThePortNeverReplacesTheProgram() {
        QFETCH(bool, receiveAll);
        auto home = freshAppHome();
        PtyMachine machine;
        const QString folder = home->file(QStringLiteral("received/"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray all =
            "FanucSaveAll=1\nFanucBefore=1\nFanucLaunch=2\nReceiveDirectory=" + folder.toLocal8Bit() + "\n";
        auto w =
            loadedTerminal(*home, machineOnPort(machine.slavePath(), "Handshaking=0\nWaitAfterReceive=26\n" +
                                                                         (receiveAll ? all : QByteArray())));
        const QString path =
            receiveAll ? folder + QStringLiteral("2000") : home->file(QStringLiteral("O2000.nc"));
        const QByteArray old = "%\r\nO2000\r\nG01 X1.\r\nM30\r\n%\r\n";
        QVERIFY(writeAllBytes(path, old));
        ScriptedMessages msgs;
        if (!receiveAll)
            msgs.answerFiles({path});
        msgs.answer(Msg::AnswerYes); // to overwrite it, were it asked
        w->btnToolBar_Click(2);
        QCOMPARE(gPortState, int(PortReceiving));
        const QByteArray lines = "%\nO2000\nG00 X0\n";
        machine.send(lines);
        QVERIFY(waitUntil([&] { return QFileInfo(gReceiveTempFile).size() == lines.size(); }));
        const QString temp = gReceiveTempFile;
        machine.hangUp();
        QVERIFY(waitUntil([] { return gPortState == PortIdle; }));

        QCOMPARE(readAllBytes(path), old);
        QVERIFY(!readAllBytes(transferLogPath()).contains("Received"));
        QCOMPARE(msgs.shown().size(), receiveAll ? 1 : 2);
        const QString told = msgs.texts().last();
        QVERIFY2(told.contains(QStringLiteral("Disconnected")) && told.contains(temp) &&
                     (receiveAll || told.contains(path + QStringLiteral(" Was Not Changed"))),
                 qPrintable(told));
        QCOMPARE(readAllBytes(temp), lines);
        for (int i = 1; i < gWindows.size(); ++i)
            QVERIFY(gWindows[i].closed || gWindows[i].fileName != path);
        QCOMPARE(w->btnToolBar(2)->text(), gReceiveCaption);
        QVERIFY(w->close());
    }
};

QTEST_MAIN(WindowTransfersTest)
#include "WindowTransfersTest.moc"
