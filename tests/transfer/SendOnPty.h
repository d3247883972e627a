#pragma once

#include "MachineOnPty.h"
#include "SendEngine.h"
#include "SendHost.h"
#include "StatusLine.h"
#include "TransferLog.h"
#include "frmCancelSend.h"

#include <QLabel>

// The main window as a record of what the send asked of it.
class RecordingHost : public SendHost {
public:
    QStringList events;
    bool minimized = false;
    void lockForTransfer(bool locked) override { events << (locked ? "lock" : "unlock"); }
    QString caption() override { return caption_; }
    void setCaption(const QString& caption) override { caption_ = caption; }
    bool isMinimized() override { return minimized; }
    void minimize() override {
        minimized = true;
        events << "minimize";
    }
    void showNormal() override {
        minimized = false;
        events << "normal";
    }
    // What the send said of holds where no window shows them: each hold,
    // and an empty entry where it went on.
    QStringList holds;
    void showHold(const QString& held) override { holds << held; }

private:
    QString caption_ = QStringLiteral("Feedline");
};

// A send to machine 1 at 115200 baud with the "{Prompt Me}" after-send
// choice, answered at once (and without its half-second pause) where a
// countdown would take seconds.
class SendOnPty : public MachineOnPty {
protected:
    void SetUp() override {
        MachineOnPty::SetUp();
        set({{"iBaudrate", "10"}, {"SendTimeOut", "10"}, {"WaitAfterSending", "30"}});
        gDNCStatus = 2;
        afterSendPromptPauseMs() = 0;
        setStatusbarWriter([this](const QString& m) { status << m; });
    }
    void TearDown() override {
        setStatusbarWriter(nullptr);
        afterSendPromptPauseMs() = 500;
        MachineOnPty::TearDown();
    }
    QString program(const QByteArray& bytes, const QString& name = QStringLiteral("part.nc")) {
        const QString path = home.file(name);
        writeAllBytes(path, bytes);
        return path;
    }
    // What the machine got, once `count` bytes are in and a moment has passed
    // for any that should not be there; the next look starts afresh.
    QByteArray received(qint64 count) {
        machine.waitForCount(count, 20000);
        pumpEvents(30);
        return takeReceived();
    }
    // What the machine got once a send has ended and nothing more is due.
    QByteArray settled() {
        EXPECT_TRUE(machine.waitUntilRead());
        return takeReceived();
    }
    QByteArray takeReceived() {
        const QByteArray got = machine.received();
        machine.clearReceived();
        return got;
    }
    // The window engine's send of the file at `path`; `line` gets where it ended.
    static SendOutcome windowSend(QString path, int* line = nullptr) {
        int ended = 0;
        const SendOutcome outcome = sendTextBlock(path, false, ended);
        if (line)
            *line = ended;
        return outcome;
    }
    static QStringList logLines() {
        const QByteArray log = readAllBytes(transferLogPath());
        return QString::fromUtf8(log).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    // Numbered lines of CR LF blocks.
    static QByteArray numbered(int lines) {
        QByteArray out;
        for (int i = 1; i <= lines; ++i)
            out += "N" + QByteArray::number(i * 10) + " G01 X1.000\r\n";
        return out;
    }
    void expectIdleAndUnlocked() {
        EXPECT_EQ(gPortState, PortIdle);
        EXPECT_FALSE(gSending);
        EXPECT_FALSE(sendInProgress());
        ASSERT_FALSE(host.events.isEmpty());
        EXPECT_EQ(host.events.last(), "unlock");
        EXPECT_EQ(host.events.count("lock"), host.events.count("unlock"));
        EXPECT_EQ(frmCancelSend::instance(), nullptr);
        EXPECT_EQ(gDNCStatus, 2) << "the display setting is given back";
    }

    RecordingHost host;
    SendHostScope scope{&host};
    QStringList status;

private:
    // "{Prompt Me}" (WaitAfterSending 30) keeps the port open until OK, with
    // no countdown: one is ended at once and named, not sat out by every send.
    bool countdownSeen_ = false;
    During promptNotCountdown_{[this] {
        frmCancelSend* frm = frmCancelSend::instance();
        if (!frm || !frm->Label2(4)->text().startsWith(QLatin1String("Closing Com Port In")) ||
            readIni(gCurrentMachineSection, QStringLiteral("WaitAfterSending")) != QLatin1String("30"))
            return false;
        gCancelSend = true;
        if (!countdownSeen_)
            ADD_FAILURE() << "with {Prompt Me} the port stays open until OK is pressed: no countdown";
        countdownSeen_ = true;
        return false;
    }};
};
