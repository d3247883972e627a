// Sends started from the main window's buttons and menus, with the test as
// the machine on a pseudo-terminal: the window is locked while a send runs,
// the progress window follows it when minimised, and all is idle afterwards.
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ScriptedMessages.h"
#include "TransferLog.h"
#include "WindowOnPty.h"
#include "frmCancelSend.h"
#include "frmLogFile.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

class SendWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowOnPty> env_;

    std::unique_ptr<frmTerminal> loaded() { return env_->load("Alias=MILL\nWaitAfterSending=30\n"); }

    QString program(const QByteArray& text) const {
        const QString path = env_->home->file(QStringLiteral("part.nc"));
        writeAllBytes(path, text);
        return path;
    }

private Q_SLOTS:
    void init() { env_ = std::make_unique<WindowOnPty>(); }
    void cleanup() { env_.reset(); }

    void theSendButtonLocksTheWindowUntilTheSendEnds() {
        auto w = loaded();
        writeIni(gCurrentMachineSection, QStringLiteral("LineDelay"), QStringLiteral("20"));
        const QString path = program("N1\nN2\nN3\nN4\nN5\n");
        ScriptedMessages msgs;
        msgs.answerFiles({path});
        const QString caption = w->windowTitle();
        bool lockedWhileSending = false;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            if (gPortState == PortSending)
                lockedWhileSending = !w->menuItem(QStringLiteral("mnuSendHeader"))->isEnabled() &&
                                     !w->SSTab1()->isEnabled() && !w->cmbCNCVisible()->isEnabled() &&
                                     !w->btnToolBar(0)->isEnabled() && !w->textboxTerm()->isEnabled();
        });
        look.start(5);
        w->btnToolBar_Click(0);
        look.stop();
        QVERIFY(env_->machine.waitForCount(20, 20000));
        QCOMPARE(env_->machine.received(), QByteArray("N1\r\nN2\r\nN3\r\nN4\r\nN5\r\n"));
        QCOMPARE(msgs.fileRequests().value(0).title, QStringLiteral("Send CNC File To MILL"));
        QVERIFY(lockedWhileSending);
        QVERIFY(w->menuItem(QStringLiteral("mnuSendHeader"))->isEnabled());
        QVERIFY(w->SSTab1()->isEnabled());
        QVERIFY(w->cmbCNCVisible()->isEnabled());
        QVERIFY(w->btnToolBar(0)->isEnabled());
        QVERIFY(w->textboxTerm()->isEnabled());
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(gPortState, int(PortIdle));
        QVERIFY(readAllBytes(transferLogPath()).startsWith("MILL - Send File To CNC - " + path.toUtf8()));
        QVERIFY(w->close());
    }

    void theProgressWindowFollowsTheMainWindow() {
        auto w = loaded();
        // A send that lasts until the test has seen it through.
        writeIni(gCurrentMachineSection, QStringLiteral("LineDelay"), QStringLiteral("600000"));
        const QString path = program("N1\nN2\n");
        ScriptedMessages msgs;
        int stage = 0;
        bool hiddenWhileMinimised = false, shownWhenRestored = false;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            frmCancelSend* frm = frmCancelSend::instance();
            if (!frm || (!frm->isVisible() && stage == 0))
                return;
            if (stage == 0) {
                w->showMinimized();
                stage = 1;
            } else if (stage == 1) {
                hiddenWhileMinimised = !frm->isVisible();
                w->showNormal();
                stage = 2;
            } else if (stage == 2) {
                shownWhenRestored = frm->isVisible();
                stage = 3;
                gCancelSend = true;
            }
        });
        look.start(5);
        QVERIFY(!w->transfers().sendFileNoWindow(path));
        look.stop();
        QVERIFY(hiddenWhileMinimised);
        QVERIFY(shownWhenRestored);
    }

    void theLogMenuRepeatsASend() {
        auto w = loaded();
        ScriptedMessages msgs;
        const QString path = program("G0X1\n");
        QVERIFY(w->transfers().sendFileNoWindow(path));
        QVERIFY(env_->machine.waitForCount(6, 20000));
        env_->machine.clearReceived();
        QString title;
        QTimer::singleShot(0, this, [&] {
            auto* viewer = qobject_cast<frmLogFile*>(QApplication::activeModalWidget());
            QVERIFY(viewer);
            title = viewer->windowTitle();
            viewer->repeatAction();
        });
        w->menuItem(QStringLiteral("mnuLog1"))->trigger();
        QCOMPARE(title, QStringLiteral("Log File 1 Entries..."));
        QVERIFY(env_->machine.waitForCount(6, 20000));
        QCOMPARE(env_->machine.received(), QByteArray("G0X1\r\n"));
        QCOMPARE(gPortState, int(PortIdle));
    }
};

QTEST_MAIN(SendWindowTest)
#include "SendWindowTest.moc"
