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

    std::unique_ptr<TestHome> home_;
    std::unique_ptr<PtyMachine> machine_;

    std::unique_ptr<frmTerminal> load(const QByteArray& keys) {
        auto w = loadedTerminal(*home_, machineOnPort(machine_->slavePath(), keys));
        gKeepAlive = 0;
        w->show();
        return w;
    }
    static bool locked(frmTerminal& w) {
        return !w.btnToolBar(0)->isEnabled() && !w.SSTab1()->isEnabled() && !w.cmbCNCVisible()->isEnabled() &&
               !w.textboxTerm()->isEnabled();
    }
    static bool unlocked(frmTerminal& w) {
        return w.btnToolBar(0)->isEnabled() && w.SSTab1()->isEnabled() && w.cmbCNCVisible()->isEnabled() &&
               w.textboxTerm()->isEnabled();
    }

private Q_SLOTS:
    void init() {
        home_ = freshAppHome();
        machine_ = std::make_unique<PtyMachine>();
    }
    void cleanup() {
        machine_.reset();
        home_.reset();
    }

    void aSendLocksTheWindowAndItsProgressWindowFollowsIt() {
        auto w = load("LineDelay=600000\n"); // a send that lasts until the test ends it
        const QString path = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(path, "N1\nN2\n"));
        ScriptedMessages msgs;
        msgs.answerFiles({path});
        int stage = 0;
        bool lockedWhileSending = false, hiddenWhileMinimised = false, shownWhenRestored = false;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            frmCancelSend* frm = frmCancelSend::instance();
            if (!frm || !machine_->receivedCount())
                return;
            if (stage == 0) {
                lockedWhileSending = locked(*w);
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
        QVERIFY(lockedWhileSending);
        QVERIFY(hiddenWhileMinimised);
        QVERIFY(shownWhenRestored);
        QVERIFY(unlocked(*w));
        QVERIFY(w->close());
    }

    void aReceiveLeavesOnlyItsStopButtonFree() {
        auto w = load("Handshaking=0\n");
        ScriptedMessages msgs;
        msgs.answerFiles({home_->file(QStringLiteral("in.nc"))});
        w->btnToolBar_Click(2);
        QCOMPARE(gPortState, int(PortReceiving));
        QVERIFY(!w->btnToolBar(0)->isEnabled());
        QVERIFY(w->btnToolBar(2)->isEnabled());
        w->btnToolBar_Click(2);
        QCOMPARE(gPortState, int(PortIdle));
        QVERIFY(unlocked(*w));
        QVERIFY(w->close());
    }
};

QTEST_MAIN(WindowTransfersTest)
#include "WindowTransfersTest.moc"
