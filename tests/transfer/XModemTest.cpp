// XModem: the state machines against each other, and the port layer's
// transfers against lrzsz's rx and sx over pseudo-terminals.
#include "XModem.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "XModemTransfer.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

TEST(XModemChecks, CrcAndChecksum) {
    EXPECT_EQ(crc16(QByteArray("123456789")), 0x31C3);
    EXPECT_EQ(crc16(QByteArray()), 0);
    EXPECT_EQ(checksum(QByteArray("\x01\x02\xff", 3)), 2);
}

TEST(XModemMachines, ReceiverFallsBackToChecksumForAnOldSender) {
    Pair p(randomBytes(300));
    Line line;
    int invitesSeen = 0;
    line.toSender = [&](QByteArray& b) {
        invitesSeen += b.count(CRC_REQUEST);
        b.replace(QByteArray(1, CRC_REQUEST), QByteArray()); // it does not know 'C'
    };
    line.run(*p.sender, *p.receiver);
    EXPECT_EQ(p.receiver->outcome(), Outcome::Completed);
    EXPECT_EQ(invitesSeen, 3);
    EXPECT_FALSE(p.sender->progress().crc);
    EXPECT_FALSE(p.receiver->progress().crc);
    EXPECT_EQ(p.received, padded(p.source, 0x1a));
}

TEST(XModemMachines, DamagedBlockAndLostAckAreRepeated) {
    Pair p(randomBytes(500));
    Line line;
    int frames = 0, acks = 0;
    line.toReceiver = [&](QByteArray& b) {
        if (b.size() > 100 && ++frames == 2)
            b[50] = char(b[50] ^ 0x40); // the second block arrives damaged
    };
    line.toSender = [&](QByteArray& b) {
        if (b == QByteArray(1, ACK) && ++acks == 3)
            b.clear(); // the third ACK is lost: block 3 is repeated
    };
    line.run(*p.sender, *p.receiver);
    EXPECT_EQ(p.sender->outcome(), Outcome::Completed);
    EXPECT_EQ(p.receiver->outcome(), Outcome::Completed);
    EXPECT_EQ(p.received, padded(p.source, 0x1a)) << "no block twice, none missing";
    EXPECT_EQ(p.receiver->progress().errors, 2) << "the damaged block and the silence after the lost ACK";
    EXPECT_EQ(p.sender->progress().errors, 2) << "one repeat for each NAK";
}

TEST(XModemMachines, CancelEndsBothSides) {
    {
        Pair p(randomBytes(5000));
        Line line;
        line.toSender = [&](QByteArray&) {
            if (p.receiver->progress().blocks == 10)
                p.receiver->cancel();
        };
        line.run(*p.sender, *p.receiver);
        EXPECT_EQ(p.receiver->outcome(), Outcome::Cancelled);
        EXPECT_EQ(p.sender->outcome(), Outcome::PeerCancelled);
    }
    {
        Pair p(randomBytes(5000));
        Line line;
        line.toReceiver = [&](QByteArray&) {
            if (p.sender->progress().blocks == 10)
                p.sender->cancel();
        };
        line.run(*p.sender, *p.receiver);
        EXPECT_EQ(p.sender->outcome(), Outcome::Cancelled);
        EXPECT_EQ(p.receiver->outcome(), Outcome::PeerCancelled);
    }
}

TEST(XModemMachines, FailuresEndTheTransfer) {
    {
        SCOPED_TRACE("nobody answers");
        QByteArray data = randomBytes(200);
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        Timing t;
        t.startTimeoutMs = 2000;
        Sender s(&in, ' ', t);
        s.start(0);
        s.tick(1999);
        EXPECT_FALSE(s.finished());
        s.tick(2000);
        EXPECT_EQ(s.outcome(), Outcome::NoPeer);
        EXPECT_TRUE(s.takeOutput().endsWith(QByteArray(2, CAN)));
    }
    {
        SCOPED_TRACE("every copy damaged");
        Pair p(randomBytes(200));
        Line line;
        line.toReceiver = [](QByteArray& b) {
            if (b.size() > 100)
                b[10] = char(b[10] ^ 1);
        };
        line.run(*p.sender, *p.receiver);
        EXPECT_EQ(p.receiver->outcome(), Outcome::TooManyErrors);
        EXPECT_EQ(p.sender->outcome(), Outcome::PeerCancelled);
    }
    {
        SCOPED_TRACE("a block skipped");
        QByteArray sink;
        QBuffer out(&sink);
        out.open(QIODevice::WriteOnly);
        Receiver r(&out, quick());
        r.start(0);
        QByteArray frame(1, SOH);
        frame += char(2);
        frame += char(0xfd);
        const QByteArray data(kBlockSize, 'x');
        frame += data;
        const quint16 crc = crc16(data);
        frame += char(crc >> 8);
        frame += char(crc & 0xff);
        r.feed(frame, 10);
        EXPECT_EQ(r.outcome(), Outcome::OutOfSequence);
        EXPECT_TRUE(sink.isEmpty());
    }
}

// ---- against lrzsz over pseudo-terminals

class XModemPeer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(QStringLiteral("/usr/bin/rx")) &&
                    QFile::exists(QStringLiteral("/usr/bin/sx")))
            << "lrzsz is needed (Makefile deps)";
        gCurrentMachineSection = QStringLiteral("Machine1");
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), bridge.ourSide());
        writeIniValues(gCurrentMachineSection, {{QStringLiteral("Handshaking"), QStringLiteral("4")},
                                                {QStringLiteral("iBaudrate"), QStringLiteral("10")},
                                                {QStringLiteral("iParity"), QStringLiteral("1")},
                                                {QStringLiteral("iDataLength"), QStringLiteral("2")},
                                                {QStringLiteral("SendTimeOut"), QStringLiteral("20")}});
        gKeepAlive = 0;
        gCancelSend = false;
    }
    void TearDown() override {
        resetXModemTransfer();
        closeComPort(CloseWhen::Always);
    }

    void startPeer(QProcess& peer, const QString& program, const QStringList& args) {
        peer.setWorkingDirectory(dir.path());
        peer.setStandardInputFile(bridge.peerSide());
        peer.setStandardOutputFile(bridge.peerSide());
        peer.start(program, args);
        ASSERT_TRUE(peer.waitForStarted(5000));
    }
    // The port keeps working (last ACK, CANs) while the peer finishes.
    static bool waitForPeer(QProcess& peer, int ms) {
        return waitUntil([&] { return peer.state() == QProcess::NotRunning; }, ms);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    TestHome home;
    ScriptedMessages msgs;
    PtyBridge bridge;
    QTemporaryDir dir;
};

class XModemToRx : public XModemPeer, public ::testing::WithParamInterface<std::tuple<bool, int>> {};

TEST_P(XModemToRx, ArrivesByteForByte) {
    const auto [crc, size] = GetParam();
    const QByteArray data = randomBytes(size);
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("send.bin")), data));
    QProcess rx;
    QStringList args = {QStringLiteral("-q"), QStringLiteral("-b")};
    if (crc)
        args << QStringLiteral("-c");
    startPeer(rx, QStringLiteral("/usr/bin/rx"), args << QStringLiteral("got.bin"));

    ASSERT_TRUE(openPortX());
    XModemTransfer t(comPort());
    Timing timing;
    timing.startTimeoutMs = 10000;
    // rx answers an EOT after a quiet second and then empties its terminal,
    // which on a pty can swallow that last ACK: one EOT, a short wait.
    timing.eotTimeoutMs = 1200;
    timing.eotTries = 1;
    ASSERT_TRUE(t.startSend(path(QStringLiteral("send.bin")), ' ', timing));
    EXPECT_EQ(t.waitUntilFinished(), Outcome::Completed) << qPrintable(t.progress().status);
    EXPECT_EQ(t.progress().crc, crc);
    EXPECT_EQ(t.progress().bytes, padded(data, ' ').size());
    EXPECT_EQ(t.progress().total, padded(data, ' ').size());
    ASSERT_TRUE(waitForPeer(rx, 10000));
    EXPECT_EQ(rx.exitCode(), 0) << rx.readAllStandardError().constData();
    EXPECT_EQ(readAllBytes(path(QStringLiteral("got.bin"))), padded(data, ' '));
}

INSTANTIATE_TEST_SUITE_P(ChecksumAndCrc, XModemToRx,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(0, 1, 127, 128, 129, 1 << 20)));

TEST_F(XModemPeer, SxToOurReceiver) {
    for (int size : {0, 1, 127, 128, 129, 1 << 20}) {
        SCOPED_TRACE(size);
        const QByteArray data = randomBytes(size, 11);
        ASSERT_TRUE(writeAllBytes(path(QStringLiteral("out.bin")), data));
        XModemTransfer* t = startXModemReceiveTransfer(path(QStringLiteral("in.bin")));
        ASSERT_NE(t, nullptr);
        QProcess sx;
        startPeer(sx, QStringLiteral("/usr/bin/sx"),
                  {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("out.bin")});
        EXPECT_EQ(t->waitUntilFinished(), Outcome::Completed) << qPrintable(t->progress().status);
        EXPECT_TRUE(t->progress().crc);
        ASSERT_TRUE(waitForPeer(sx, 10000));
        EXPECT_EQ(sx.exitCode(), 0) << sx.readAllStandardError().constData();
        EXPECT_EQ(readAllBytes(path(QStringLiteral("in.bin"))), padded(data, 0x1a));
        resetXModemTransfer();
    }
}

TEST_F(XModemPeer, OurCancelStopsRx) {
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("big.bin")), randomBytes(1 << 20)));
    QProcess rx;
    startPeer(rx, QStringLiteral("/usr/bin/rx"),
              {QStringLiteral("-q"), QStringLiteral("-c"), QStringLiteral("got.bin")});
    XModemTransfer* t = startXModemSendTransfer(path(QStringLiteral("big.bin")));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(xmodemTransfersRunning(), 1);
    while (t->isRunning() && t->progress().blocks < 20)
        comPort().pump(5);
    ASSERT_TRUE(comPort().isOpen());
    cancelXModemTransfer();
    EXPECT_EQ(xmodemTransfersRunning(), 0);
    EXPECT_EQ(t->outcome(), Outcome::Cancelled);
    EXPECT_EQ(t->progress().status, "Send Cancelled");
    ASSERT_TRUE(waitForPeer(rx, 10000)) << "rx must stop too";
    EXPECT_NE(rx.exitCode(), 0);
}

TEST_F(XModemPeer, OurCancelStopsSx) {
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("big.bin")), randomBytes(1 << 20)));
    XModemTransfer* t = startXModemReceiveTransfer(path(QStringLiteral("in.bin")));
    ASSERT_NE(t, nullptr);
    QProcess sx;
    startPeer(sx, QStringLiteral("/usr/bin/sx"), {QStringLiteral("-q"), QStringLiteral("big.bin")});
    while (t->isRunning() && t->progress().blocks < 20)
        comPort().pump(5);
    cancelXModemTransfer();
    EXPECT_EQ(t->outcome(), Outcome::Cancelled);
    ASSERT_TRUE(waitForPeer(sx, 10000)) << "sx must stop too";
    EXPECT_NE(sx.exitCode(), 0);
}

TEST_F(XModemPeer, NoReceiverEndsAfterTheTimeOut) {
    writeIni(gCurrentMachineSection, QStringLiteral("SendTimeOut"), QStringLiteral("1"));
    ASSERT_TRUE(writeAllBytes(path(QStringLiteral("a.bin")), "G0X0\r\n"));
    XModemTransfer* t = startXModemSendTransfer(path(QStringLiteral("a.bin")));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(comPort().settings().toString(), "115200,N,8,1") << "the XModem framing";
    EXPECT_EQ(t->waitUntilFinished(), Outcome::NoPeer);
    EXPECT_FALSE(startXModemSendTransfer(path(QStringLiteral("missing.bin"))));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("missing.bin")));
}

} // namespace
