// The main window's own part in its transfers, with the test as the machine on
// a pseudo-terminal: what it locks while a send or a receive runs, and the
// progress window following it when minimised. What goes over the wire is
// tested on the engines.
#include "AppTestSupport.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "frmCancelSend.h"

#include <QComboBox>
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
        // A send that lasts until the test ends it.
        auto w =
            loadedTerminal(*home, machineOnPort(machine.slavePath(), "LineDelay=600000\nHandshaking=0\n"));
        gKeepAlive = 0;
        w->show();
        const QString path = home->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(path, "N1\nN2\n"));
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
};

QTEST_MAIN(WindowTransfersTest)
#include "WindowTransfersTest.moc"
