// XModem: the state machines against each other, and the port layer's
// transfers against lrzsz's rx and sx over pseudo-terminals.
#include "XModem.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MachineOnPty.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "ReceiveEngine.h"
#include "ReceiveSave.h"
#include "ReceiveWindowStub.h"
#include "ScriptedMessages.h"
#include "SendEngine.h"
#include "SettingsGlobals.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "XModemCopy.h"
#include "XModemPanels.h"
#include "XModemTransfer.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

using namespace XModem;

namespace {

QByteArray padded(const QByteArray& data, char pad) {
    const int rest = data.size() % kBlockSize;
    return rest ? data + QByteArray(kBlockSize - rest, pad) : data;
}

// Carries each side's output to the other; `toReceiver`/`toSender` may change
// or drop what passes. Time moves on only while the line is quiet.
struct Line {
    std::function<void(QByteArray&)> toReceiver = [](QByteArray&) {};
    std::function<void(QByteArray&)> toSender = [](QByteArray&) {};
    qint64 now = 0;

    void run(Sender& s, Receiver& r, int maxSteps = 100000) {
        r.start(now);
        s.start(now);
        for (int step = 0; step < maxSteps && !(s.finished() && r.finished()); ++step) {
            QByteArray a = s.takeOutput();
            QByteArray b = r.takeOutput();
            toReceiver(a);
            toSender(b);
            if (a.isEmpty() && b.isEmpty()) {
                now += 100;
                s.tick(now);
                r.tick(now);
            }
            r.feed(a, now);
            s.feed(b, now);
        }
    }
};

Timing quick() {
    Timing t;
    t.startTimeoutMs = 20000;
    return t;
}

struct Pair {
    explicit Pair(const QByteArray& data, char pad = 0x1a) : source(data) {
        in.setBuffer(&source);
        in.open(QIODevice::ReadOnly);
        out.setBuffer(&received);
        out.open(QIODevice::WriteOnly);
        sender = std::make_unique<Sender>(&in, pad, quick());
        receiver = std::make_unique<Receiver>(&out, quick());
    }
    QByteArray source, received;
    QBuffer in, out;
    std::unique_ptr<Sender> sender;
    std::unique_ptr<Receiver> receiver;
};

TEST(XModemCopyOf, HeaderProgramTrailerAndPadMakeWholeBlocks) {
    const struct {
        qint64 length;
        const char *header, *trailer, *pad;
        bool needed;
        QByteArray head;
        qsizetype tailSize;
        char tailEnd;
    } rows[] = {
        {128, "", "", "32", false, "", 0, 0},
        {129, "", "", "32", true, "", 127, ' '},
        {125, "37,10,37", "", "32", true, "%\n%", 0, 0},
        {125, "", "", "0", true, "", 3, '\0'},
        {0, "", "", "32", false, "", 0, 0},
        {0, "37", "", "255", true, "%", 127, '\xff'},
        {1, "", "77", "abc", true, "", 127, ' '},
        {1, "", "77", "300", true, "", 127, ' '},
        {0, "37,!500!,10", "", "32", true, "%\n", 126, ' '}, // a pause is no character of the program
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.length) + " " + r.header + " / " + r.trailer + " / " + r.pad);
        const XModemCopy copy = formatXmodemCopy(r.length, r.header, r.trailer, r.pad);
        EXPECT_EQ(copy.needed, r.needed);
        EXPECT_EQ(copy.head, r.head);
        ASSERT_EQ(copy.tail.size(), r.tailSize);
        EXPECT_EQ((r.length + copy.head.size() + copy.tail.size()) % kBlockSize, 0);
        EXPECT_EQ(copy.tail.isEmpty() ? char(0) : copy.tail.back(), r.tailEnd);
        EXPECT_FALSE(copy.head.contains(char(240)));
    }
}

TEST(XModemCopyOf, ALargeCopyTellsHowFarItGot) {
    QTemporaryDir dir;
    const QByteArray data = randomBytes(200000);
    const QString program = dir.filePath(QStringLiteral("part.nc")), copied = dir.filePath(QStringLiteral("copy"));
    ASSERT_TRUE(writeAllBytes(program, data));
    const XModemCopy copy = formatXmodemCopy(data.size(), "37,10", "", "32");
    QVector<int> shown;
    ASSERT_TRUE(writeXmodemCopy(program, copy, copied, nullptr, [&](int percent) { shown << percent; }));
    EXPECT_EQ(readAllBytes(copied), copy.head + data + copy.tail);
    EXPECT_GT(shown.size(), 2);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(shown.last(), 100);
}

TEST(XModemCopyOf, AReceivedFileLosesThePadOfItsLastBlockOnly) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("got.bin"));
    const auto trimmed = [&](const QByteArray& received) {
        EXPECT_TRUE(writeAllBytes(file, received) && trimXmodemPad(file, nullptr));
        return readAllBytes(file);
    };
    EXPECT_EQ(trimmed("G0" + QByteArray(126, 26)), "G0");
    const QByteArray program = "A" + QByteArray(127, 26); // the 26s of an earlier block are the program's
    EXPECT_EQ(trimmed(program + QByteArray(128, 26)), program);
}

TEST(XModemMachines, DamagedBlockAndLostAckAreRepeatedWithCrcOrChecksum) {
    for (bool oldSender : {false, true}) {
        SCOPED_TRACE(oldSender ? "an old sender: checksums" : "CRC");
        Pair p(randomBytes(500));
        Line line;
        int invitesSeen = 0, frames = 0, acks = 0;
        line.toSender = [&](QByteArray& b) {
            invitesSeen += b.count(CRC_REQUEST);
            if (oldSender)
                b.replace(QByteArray(1, CRC_REQUEST), QByteArray()); // it does not know 'C'
            if (b == QByteArray(1, ACK) && ++acks == 3)
                b.clear(); // the third ACK is lost: block 3 is repeated
        };
        line.toReceiver = [&](QByteArray& b) {
            if (b.size() > 100 && ++frames == 2)
                b[50] = char(b[50] ^ 0x40); // the second block arrives damaged: NAKed, never written
        };
        line.run(*p.sender, *p.receiver);
        EXPECT_EQ(p.sender->outcome(), Outcome::Completed);
        EXPECT_EQ(p.receiver->outcome(), Outcome::Completed);
        EXPECT_EQ(p.received, padded(p.source, 0x1a)) << "no block twice, none missing";
        EXPECT_EQ(p.receiver->progress().errors, 2) << "the damaged block and the silence after the lost ACK";
        EXPECT_EQ(p.sender->progress().errors, 2) << "one repeat for each NAK";
        EXPECT_EQ(p.receiver->progress().crc, !oldSender);
        EXPECT_EQ(p.sender->progress().crc, !oldSender);
        EXPECT_EQ(invitesSeen, oldSender ? 3 : 1);
    }
}

TEST(XModemMachines, CancelsAndFailuresEndBothSides) {
    const struct {
        const char* what;
        std::function<void(Pair&, QByteArray&)> toReceiver;
        Outcome receiver, sender;
        int blocksKept; // at most
    } rows[] = {
        {"the receiver cancels",
         [](Pair& p, QByteArray&) {
             if (p.receiver->progress().blocks == 10)
                 p.receiver->cancel();
         },
         Outcome::Cancelled, Outcome::PeerCancelled, 10},
        {"the sender cancels",
         [](Pair& p, QByteArray&) {
             if (p.sender->progress().blocks == 10)
                 p.sender->cancel();
         },
         Outcome::PeerCancelled, Outcome::Cancelled, 11},
        {"every copy damaged",
         [](Pair&, QByteArray& b) {
             if (b.size() > 100)
                 b[10] = char(b[10] ^ 1);
         },
         Outcome::TooManyErrors, Outcome::PeerCancelled, 0},
        {"a block skipped",
         [](Pair&, QByteArray& b) {
             if (b.size() > 100) {
                 b[1] = char(b[1] + 1);
                 b[2] = char(b[2] - 1);
             }
         },
         Outcome::OutOfSequence, Outcome::PeerCancelled, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Pair p(randomBytes(5000));
        Line line;
        line.toReceiver = [&](QByteArray& b) { r.toReceiver(p, b); };
        line.run(*p.sender, *p.receiver);
        EXPECT_EQ(p.receiver->outcome(), r.receiver);
        EXPECT_EQ(p.sender->outcome(), r.sender);
        EXPECT_LE(p.received.size(), r.blocksKept * kBlockSize);
    }
}

// A receiver of the test's own: it invites, acknowledges the one block and
// then falls silent, the end of transfer unanswered. Every block was
// acknowledged, so the send is complete: a silence longer than the limit
// for one is no reason to cancel it.
using XModemStandIn = MachineOnPty;

TEST_F(XModemStandIn, APeerSilentAfterTheLastAckLeavesTheSendComplete) {
    set({{"Handshaking", "4"}, {"iBaudrate", "10"}});
    const QString file = home.file(QStringLiteral("part.bin"));
    ASSERT_TRUE(writeAllBytes(file, randomBytes(kBlockSize)));
    constexpr int kFrame = 3 + kBlockSize + 2; // with its CRC
    auto acked = std::make_shared<std::atomic<bool>>(false);
    machine.setReaction([m = &machine, acked](qint64 got) {
        if (got >= kFrame && !acked->exchange(true))
            m->send(QByteArray(1, ACK));
    });
    ASSERT_TRUE(openPortX());
    XModemTransfer transfer(comPort());
    transfer.setSilenceLimitMs(2000);
    Timing timing;
    timing.firstBlockDelayMs = 0;
    timing.eotTimeoutMs = 4000;
    timing.eotTries = 1;
    ASSERT_TRUE(transfer.startSend(file, 0x1a, timing));
    machine.send(QByteArray(1, CRC_REQUEST));
    EXPECT_EQ(transfer.waitUntilFinished(), Outcome::Completed);
    ASSERT_TRUE(machine.waitUntilRead());
    EXPECT_EQ(machine.received().mid(kFrame), QByteArray(1, EOT)) << "no CAN";
    machine.setReaction(nullptr);
}

// The send panel's Cancel says CAN to the receiver, and says it again a
// moment later for one that was emptying its input just then: a receiver
// of the test's own that leaves the fourth block unanswered gets those and
// nothing else.
TEST_F(XModemStandIn, CancelOnTheSendPanelSaysCanTwice) {
    set({{"Handshaking", "4"}, {"iBaudrate", "10"}, {"SendTimeOut", "20"}});
    const QString file = home.file(QStringLiteral("part.bin"));
    ASSERT_TRUE(writeAllBytes(file, QByteArray(6 * kBlockSize, 'A')));
    constexpr int kFrame = 3 + kBlockSize + 2; // with its CRC
    auto acked = std::make_shared<int>(0);     // the reaction is copied for each call
    machine.setReaction([m = &machine, acked](qint64 got) {
        for (; *acked < 3 && got >= (*acked + 1) * kFrame; ++*acked)
            m->send(QByteArray(1, ACK));
    });
    bool invited = false, busyWhileCancelling = false;
    During receiverAndOperator([&] {
        XModemPanel* panel = xmodemPanel();
        if (!panel || !panel->cancelButton()->isEnabled())
            return false;
        if (!invited)
            machine.send(QByteArray(1, CRC_REQUEST));
        invited = true;
        if (machine.receivedCount() < 4 * kFrame)
            return false;
        panel->cancelButton()->click();
        busyWhileCancelling =
            QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        return true;
    });
    EXPECT_EQ(sendFileNoWindow(file), SendOutcome::Cancelled);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Send Cancelled")));
    EXPECT_TRUE(busyWhileCancelling);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(machine.waitUntilRead());
    EXPECT_EQ(machine.received().mid(4 * kFrame), QByteArray(10, CAN));
    machine.setReaction(nullptr);
}

// ---- the port layer's transfers, the XModem route of a send and the receive
// of an XModem machine, against lrzsz over pseudo-terminals

class XModemPanels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(QStringLiteral("/usr/bin/rx")) &&
                    QFile::exists(QStringLiteral("/usr/bin/sx")))
            << "lrzsz is needed (Makefile deps)";
        gCurrentMachineSection = QStringLiteral("Machine1");
        home.writeIni("[Machine1]\nHandshaking=4\niBaudrate=10\niParity=1\niDataLength=2\nSendTimeOut=20\n"
                      "WaitAfterSending=30\nHeaderSend=37,10\nTrailerSend=37\nXModemPad=42\n[Ports]\nCom1=" +
                      bridge.ourSide().toLocal8Bit() + "\n");
        gKeepAlive = 0;
        gCancelSend = false;
        gReceiveTempFile = home.file(QStringLiteral("dncRECEIVE.TMP"));
    }
    void TearDown() override {
        resetXModemTransfer();
        closeComPort(CloseWhen::Always);
    }

    // lrzsz's `tool` (rx or sx), quiet, on the other end of the line.
    void startPeer(QProcess& peer, const QString& tool, const QStringList& args) {
        peer.setWorkingDirectory(dir.path());
        if (tool == QLatin1String("rx"))
            bridge.peerEmptiesInputAfterWrites();
        peer.setStandardInputFile(bridge.peerSide());
        peer.setStandardOutputFile(bridge.peerSide());
        peer.start(QStringLiteral("/usr/bin/") + tool, QStringList{QStringLiteral("-q")} + args);
        ASSERT_TRUE(peer.waitForStarted(5000));
    }
    // The port keeps working (last ACK, CANs) while the peer finishes.
    static bool waitForPeer(QProcess& peer, int ms) {
        return waitUntil([&] { return peer.state() == QProcess::NotRunning; }, ms);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    // Runs `action` once the running panel shows `blocks` blocks gone.
    void atBlocks(int blocks, const std::function<void(XModemPanel*)>& action) {
        QObject::connect(&ticker, &QTimer::timeout, [this, blocks, action] {
            XModemPanel* panel = xmodemPanel();
            if (panel &&
                panel->lblXmodemSendMSG(panel->isSendPanel() ? 1 : 8)->text().toInt() >= blocks * 128) {
                ticker.stop();
                action(panel);
            }
        });
        ticker.start(5);
    }
    void expectIdle() {
        EXPECT_EQ(gPortState, PortIdle);
        EXPECT_FALSE(comPort().isOpen());
        EXPECT_EQ(xmodemTransfersRunning(), 0);
    }

    TestHome home;
    ScriptedMessages msgs;
    PtyBridge bridge;
    QTemporaryDir dir;
    QTimer ticker;
};

// With keys XModem never reads (framing, flow, lines, code, send mode) at
// values no other route could use.
class XModemRouteToRx : public XModemPanels,
                        public ::testing::WithParamInterface<std::tuple<bool, int, const char*>> {};

TEST_P(XModemRouteToRx, RxGetsTheFormattedCopy) {
    const auto [crc, size, unusedKeys] = GetParam();
    for (const QString& entry : QString::fromLatin1(unusedKeys).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        writeIni(gCurrentMachineSection, entry.section(QLatin1Char('='), 0, 0),
                 entry.section(QLatin1Char('='), 1));
    const QByteArray data = randomBytes(size, 5);
    const QString file = path(QStringLiteral("part.nc"));
    ASSERT_TRUE(writeAllBytes(file, data));
    QProcess rx;
    QStringList args = {QStringLiteral("-b")};
    if (crc)
        args << QStringLiteral("-c");
    startPeer(rx, "rx", args << QStringLiteral("got.bin"));
    EXPECT_EQ(sendFileNoWindow(file), SendOutcome::Sent);
    ASSERT_TRUE(waitForPeer(rx, 20000));
    EXPECT_EQ(rx.exitCode(), 0) << rx.readAllStandardError().constData();
    const XModemCopy copy = formatXmodemCopy(size, "37,10", "37", "42");
    EXPECT_EQ(readAllBytes(path(QStringLiteral("got.bin"))), copy.head + data + copy.tail);
    EXPECT_TRUE(readAllBytes(transferLogPath()).contains("Send File To CNC - " + file.toUtf8()));
    EXPECT_EQ(QDir(home.path()).entryList({QStringLiteral("dnc*")}), QStringList()) << "the copy is removed";
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    ChecksumAndCrc, XModemRouteToRx,
    ::testing::Values(std::make_tuple(false, 0, ""), std::make_tuple(true, 127, "iParity=9 FlowMethod=7"),
                      std::make_tuple(false, 128, "iDataLength=9 iStopBits=x WaitForXON=3"),
                      std::make_tuple(true, 129,
                                      "EOBSend= LineDelay=2097151 CharacterSet=1e9 "
                                      "CharacterDelay=3000000 DripFeedPacketSize=1e9"),
                      std::make_tuple(true, 1 << 20, "")));

TEST_F(XModemPanels, SxToTheReceivePanelLandsAuditedAndLogged) {
    writeIni(gCurrentMachineSection, QStringLiteral("AuditTrail"), QStringLiteral("1"));
    EditorManager editors;
    auto window = std::make_unique<FakeHost>();
    FakeHost* host = window.get();
    ReceiveEngine engine(std::move(window));
    const QString dest = path(QStringLiteral("O1000.nc"));
    ASSERT_TRUE(writeAllBytes(dest, "OLD"));
    QByteArray program;
    for (int i = 0; i < 20; ++i)
        program += "N" + QByteArray::number(i) + " G01 X1.0\r\n";
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("out.nc")), program));
    bool saved = false;
    QObject::connect(&engine, &ReceiveEngine::receiveEnded, [&](bool s) { saved = s; });
    // An earlier transfer's CANs still wait in the port: they must not end this one.
    ASSERT_TRUE(openPortX());
    const qint64 heard = comPort().receivedCount();
    {
        QFile peer(bridge.peerSide());
        ASSERT_TRUE(peer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        peer.write("\x18\x18\x18");
    }
    ASSERT_TRUE(waitUntil([&] { return comPort().receivedCount() >= heard + 3; }));

    msgs.answerFiles({dest});
    engine.receiveFileToDisk(false);
    EXPECT_EQ(gPortState, PortTerminal);
    EXPECT_EQ(host->locks, 1);
    QProcess sx;
    startPeer(sx, "sx", {QStringLiteral("out.nc")});
    ASSERT_TRUE(waitUntil([&] { return saved; }, 20000)) << qPrintable(msgs.texts().join('|'));
    EXPECT_EQ(readAllBytes(dest), program) << "the pad is gone";
    EXPECT_EQ(QDir(ReceiveSave::auditFolder()).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(readAllBytes(transferLogPath()).contains("File Received From CNC - " + dest.toUtf8()));
    EXPECT_EQ(host->locks, 0);
    expectIdle();
    ASSERT_TRUE(waitForPeer(sx, 10000));
}

TEST_F(XModemPanels, AReceiveCutOffByThePortKeepsTheOldProgramAndLogsNothing) {
    EditorManager editors;
    ReceiveEngine engine(std::make_unique<FakeHost>());
    const QString dest = path(QStringLiteral("O1000.nc"));
    ASSERT_TRUE(writeAllBytes(dest, "OLD"));
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("big.bin")), randomBytes(1 << 20)));
    QList<bool> ended;
    QObject::connect(&engine, &ReceiveEngine::receiveEnded, [&](bool saved) { ended << saved; });
    msgs.answerFiles({dest});
    engine.receiveFileToDisk(false);
    QProcess sx;
    startPeer(sx, "sx", {QStringLiteral("big.bin")});
    atBlocks(20, [this](XModemPanel*) { bridge.hangUpOurSide(); });
    ASSERT_TRUE(waitUntil([] { return gPortState == PortIdle; }, 30000));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Disconnected"))) << qPrintable(msgs.texts().join('|'));
    EXPECT_EQ(readAllBytes(dest), QByteArray("OLD"));
    EXPECT_FALSE(QFile::exists(transferLogPath()));
    EXPECT_FALSE(ended.contains(true));
    expectIdle();
    sx.kill();
    waitForPeer(sx, 10000);
}

TEST_F(XModemPanels, CancelOnTheReceivePanelStopsSx) {
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("big.bin")), randomBytes(1 << 20)));
    ASSERT_TRUE(
        startXModemReceive(path(QStringLiteral("in.bin")), {nullptr, nullptr}, [](qint64) { FAIL(); }));
    QProcess sx;
    startPeer(sx, "sx", {QStringLiteral("big.bin")});
    atBlocks(20, [](XModemPanel* panel) { panel->cancelButton()->click(); });
    ASSERT_TRUE(waitUntil([] { return gPortState == PortIdle; }, 20000));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Send Cancelled")));
    ASSERT_TRUE(waitForPeer(sx, 10000)) << "sx must stop too";
    EXPECT_NE(sx.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(gReceiveTempFile)) << "nothing of it is kept";
    expectIdle();
}

TEST_F(XModemPanels, PanelCaptionsAreTranslatedAsEveryFormsAre) {
    const QScopedValueRollback<int> translated(gUseLanguageSupport, 1);
    const QString section = QStringLiteral("Language-picXmodemReceiveContainer");
    writeIni(section, QStringLiteral("lblXMODEM-8"), QStringLiteral("Empfangen :"));
    writeIni(section, QStringLiteral("fraXModemStatus"), QStringLiteral("XModem-Stand"));
    writeIni(section, QStringLiteral("cmdXModemReceiveCancel"), QStringLiteral("Abbrechen"));
    ASSERT_TRUE(startXModemReceive(path(QStringLiteral("in.bin")), {nullptr, nullptr}, [](qint64) {}));
    XModemPanel* panel = xmodemPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("lblXMODEM(8)"))->text(),
              QStringLiteral("Empfangen :"));
    EXPECT_EQ(panel->findChild<QGroupBox*>(QStringLiteral("fraXModemStatus"))->title(),
              QStringLiteral("XModem-Stand"));
    EXPECT_EQ(panel->cancelButton()->text(), QStringLiteral("Abbrechen"));
    panel->cancelButton()->click();
    ASSERT_TRUE(waitUntil([] { return gPortState == PortIdle; }, 20000));
}

TEST_F(XModemPanels, AnInvitationThatCameBeforeTheSendStartsIt) {
    // The port is kept open once the machine is chosen; the receiver invites
    // before the send begins, and not again within SendTimeOut.
    writeIni(gCurrentMachineSection, QStringLiteral("SendTimeOut"), QStringLiteral("3"));
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("part.nc")), "G0X0\r\n"));
    gKeepAlive = 1;
    ASSERT_TRUE(openPortSilent());
    QProcess rx;
    startPeer(rx, "rx", {QStringLiteral("-c"), QStringLiteral("got.bin")});
    ASSERT_TRUE(waitUntil([] { return comPort().receivedCount() > 0; }));
    EXPECT_EQ(sendFileNoWindow(path(QStringLiteral("part.nc"))), SendOutcome::Sent);
    ASSERT_TRUE(waitForPeer(rx, 20000));
    EXPECT_EQ(rx.exitCode(), 0);
}

TEST_F(XModemPanels, NoPeerAVanishedPeerOrAMissingDeviceEndsInAMessage) {
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("a.bin")), "G0X0\r\n"));
    // The longest time-out the settings take still waits for the machine.
    writeIni(gCurrentMachineSection, QStringLiteral("SendTimeOut"), QStringLiteral("999999999"));
    XModemTransfer* t = startXModemSendTransfer(path(QStringLiteral("a.bin")));
    ASSERT_NE(t, nullptr);
    pumpEvents(1000);
    EXPECT_TRUE(t->isRunning());
    cancelXModemTransfer();
    EXPECT_EQ(t->waitUntilFinished(), Outcome::Cancelled);
    resetXModemTransfer();

    writeIni(gCurrentMachineSection, QStringLiteral("SendTimeOut"), QStringLiteral("1"));
    t = startXModemSendTransfer(path(QStringLiteral("a.bin")));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(comPort().settings().toString(), "115200,N,8,1") << "the XModem framing";
    EXPECT_EQ(t->waitUntilFinished(), Outcome::NoPeer);
    EXPECT_FALSE(startXModemSendTransfer(path(QStringLiteral("missing.bin"))));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("missing.bin")));
    resetXModemTransfer();
    closeComPort(CloseWhen::Always);
    // The CANs that ended it are said again a moment later, for a machine
    // that was not listening: by then the next send is on its way, and its
    // machine must not hear them. A loaded machine gets here that late.
    QThread::msleep(700);

    writeIni(gCurrentMachineSection, QStringLiteral("SendTimeOut"), QStringLiteral("2"));
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("big.bin")), randomBytes(1 << 20)));
    QProcess rx;
    startPeer(rx, "rx", {QStringLiteral("-c"), QStringLiteral("got.bin")});
    atBlocks(1, [&](XModemPanel*) { rx.kill(); });
    EXPECT_EQ(sendFileNoWindow(path(QStringLiteral("big.bin"))), SendOutcome::TimedOut);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("No Response From CNC")));
    expectIdle();

    msgs.clear();
    QFile::remove(transferLogPath());
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), path(QStringLiteral("no-such-device")));
    EXPECT_EQ(sendFileNoWindow(path(QStringLiteral("big.bin"))), SendOutcome::PortFailed);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("no-such-device")));
    EXPECT_FALSE(QFile::exists(transferLogPath()));
    expectIdle();
}

} // namespace
