// The port layer over pseudo-terminal pairs, the test playing the machine.
#include "EiaCode.h"
#include "MachineOnPty.h"
#include "MessageSeam.h"
#include "PortRelease.h"

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace {

class Port : public MachineOnPty {
protected:
    void SetUp() override {
        MachineOnPty::SetUp();
        set({{"Handshaking", "0"}, {"iBaudrate", "6"}, {"iParity", "0"}, {"iDataLength", "3"},
             {"iStopBits", "0"}, {"SendTimeOut", "30"}});
    }
    termios slaveTermios() const {
        termios t;
        ::tcgetattr(machine.slaveFd(), &t);
        return t;
    }
    // Starts receiving into `in`.
    static void receiveInto(QByteArray& in) {
        ASSERT_TRUE(beginPortReceive([&in](const QByteArray& b) { in += b; }));
    }
    static bool receivedAtLeast(const QByteArray& in, int count) {
        return waitUntil([&] { return in.size() >= count; }, 20000);
    }
};

TEST_F(Port, EachSettingsStringOpens) {
    // A pseudo-terminal keeps 8 data bits and no parity bit whatever it is
    // told; the speed, the stop bits and the parity kind still show.
    struct Case {
        const char *baud, *parity, *data, *stop, *text;
        speed_t speed;
    };
    const Case cases[] = {
        {"6", "1", "2", "1", "9600,E,7,2", B9600}, {"10", "0", "3", "0", "115200,N,8,1", B115200},
        {"5", "3", "2", "0", "4800,M,7,1", B4800}, {"5", "4", "2", "0", "4800,S,7,1", B4800},
        {"4", "2", "3", "1", "2400,O,8,2", B2400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        set({{"iBaudrate", c.baud}, {"iParity", c.parity}, {"iDataLength", c.data}, {"iStopBits", c.stop}});
        // Still open from the case before: the changed settings reopen the port.
        ASSERT_TRUE(openPort()) << qPrintable(lastPortError());
        EXPECT_EQ(comPort().settings().toString(), QString::fromLatin1(c.text));
        const termios t = slaveTermios();
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        const QByteArray text(c.text);
        const char parity = text.split(',')[1][0];
        EXPECT_EQ(bool(t.c_cflag & PARODD), parity == 'O' || parity == 'M');
        EXPECT_EQ(bool(t.c_cflag & CMSPAR), parity == 'M' || parity == 'S');
        EXPECT_EQ(bool(t.c_cflag & CSTOPB), text.endsWith(",2"));
        EXPECT_FALSE(t.c_oflag & OPOST) << "raw: LF must not become CR LF";
        EXPECT_TRUE(openPort()) << "open again with the same settings";
    }
    EXPECT_TRUE(msgs.shown().isEmpty());
}

TEST_F(Port, AllByteValuesBothWays) {
    ASSERT_TRUE(openPort());
    QByteArray out;
    for (int i = 0; i < 8 * 256; ++i)
        out.append(char(i));
    EXPECT_EQ(sendToPort(out), PortResult::Ok);
    ASSERT_TRUE(machine.waitForCount(out.size(), 20000));
    EXPECT_EQ(machine.received(), out);

    QByteArray in;
    receiveInto(in);
    machine.send(out);
    receivedAtLeast(in, out.size());
    EXPECT_EQ(in, out);
    EXPECT_EQ(comPort().receivedCount(), out.size());
}

TEST_F(Port, HeldXoffEndsInTheTimeOut) {
    set({{"Handshaking", "1"}, {"SendTimeOut", "1"}});
    ASSERT_TRUE(openPort());
    holdWithXoff(machine);
    EXPECT_EQ(sendToPort(randomBytes(4096)), PortResult::TimedOut);
    EXPECT_TRUE(gSendTimedOut);
    EXPECT_TRUE(gCancelSend);
    EXPECT_EQ(sendToPort("N1"), PortResult::Cancelled) << "nothing more of that send";
    machine.send(QByteArray(1, char(17)));
    pumpEvents(200);
    EXPECT_EQ(machine.receivedCount(), 0) << "the held output was discarded";
    gCancelSend = false;
    ASSERT_TRUE(openPort());
    EXPECT_FALSE(gSendTimedOut) << "the next transfer starts clean";
}

// The kernel keeps XOFF to itself: only a standstill of the output tells
// it. A pseudo-terminal (a relay's too) stands still while its machine
// empties the pair's buffers: one that reads slowly (480 bytes every
// 100 ms) holds nothing, and no hold is told while it keeps that pace (a
// loaded PC that leaves the reader without the CPU for seconds holds the
// send for real: a hold told with the reader far behind its pace over the
// 2.5 s before it is no false one); an XOFF there is told as a standstill,
// no more. A port that counts what its transmitter takes (a stand-in's
// count) is a real line, which only XOFF stops: it names it.
TEST_F(Port, AHoldIsNamedAnXoffOnlyWhereTheLineCanTell) {
    set("Handshaking", "1");
    using H = SerialLink::Hold;
    const struct {
        const char* name;
        bool xoff, counted;
        H told;
    } rows[] = {{"slow reader", false, false, H::Unknown},
                {"XOFF on a pseudo-terminal", true, false, H::Standstill},
                {"XOFF on a port that counts", true, true, H::Xoff}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        machine.clearReceived();
        if (r.counted)
            countTransmitted();
        ASSERT_TRUE(openPort());
        struct Reads {
            std::mutex mutex;
            QElapsedTimer clock;
            std::vector<std::pair<qint64, qint64>> taken; // when, and all it had by then
        };
        auto reads = std::make_shared<Reads>();
        reads->clock.start();
        if (!r.xoff)
            machine.setReaction([reads](qint64 got) {
                const std::lock_guard<std::mutex> lock(reads->mutex);
                if (reads->taken.empty() || reads->taken.back().second != got)
                    reads->taken.push_back({reads->clock.elapsed(), got});
            });
        // Whether the reader kept half its pace at least over the 2.5 s before now.
        auto keptPace = [reads] {
            const qint64 now = reads->clock.elapsed(), from = qMax<qint64>(0, now - 2500);
            const std::lock_guard<std::mutex> lock(reads->mutex);
            qint64 atFrom = 0, atNow = 0;
            for (const auto& [when, had] : reads->taken) {
                if (when <= from)
                    atFrom = had;
                atNow = had;
            }
            return atNow - atFrom >= (now - from) * 480 / 100 / 2;
        };
        QList<H> told;
        const QObject looking;
        QObject::connect(&comPort(), &SerialLink::holdingChanged, &looking, [&](H h) {
            if (h != H::Unknown && (r.xoff || keptPace()))
                told << h;
        });
        if (r.xoff)
            holdWithXoff(machine);
        else
            machine.setPace(480, 100);
        During machineSide([&] {
            if (told.isEmpty())
                return false;
            machine.send("\x11");
            return true;
        });
        const QByteArray data = randomBytes(32 * 1024);
        EXPECT_EQ(sendToPort(data), PortResult::Ok);
        machine.setPace(0, 0);
        machine.setReaction(nullptr);
        EXPECT_EQ(told, r.told == H::Unknown ? QList<H>() : QList<H>{r.told});
        ASSERT_TRUE(machine.waitForCount(data.size(), 20000));
        EXPECT_EQ(machine.received(), data);
        closeComPort(CloseWhen::Always);
        comPort().setLineCalls({});
    }
}

TEST_F(Port, Wait4XonEndsOnXonOrInMode2OnAnyByte) {
    set("Handshaking", "1"); // the kernel would swallow the XON: the wait turns that off
    ASSERT_TRUE(openPort());
    bool stillWaiting = false;
    at(100, [&] { machine.send("abc\x13"); });
    at(300, [&] {
        stillWaiting = true;
        machine.send("x\x11y");
    });
    int mode = 1;
    EXPECT_EQ(wait4XON(mode, QString()), PortResult::Ok);
    EXPECT_TRUE(stillWaiting) << "bytes without XON must not end mode 1";
    EXPECT_TRUE(comPort().softwareFlowArmed()) << "re-armed after the wait";
    EXPECT_TRUE(slaveTermios().c_iflag & IXON);

    mode = 2;
    at(100, [&] { machine.send(QByteArray(1, '\0')); });
    EXPECT_EQ(wait4XON(mode, QString()), PortResult::Ok);
    EXPECT_TRUE(comPort().takeUnclaimedInput().isEmpty()) << "the start signal is not program data";
}

TEST_F(Port, CloseDeliversEveryByteHandedOver) {
    const QByteArray data = randomBytes(1 << 20);
    ASSERT_TRUE(openPort());
    EXPECT_EQ(sendToPort(data), PortResult::Ok);
    gCancelSend = true; // as at the end of every send
    closeComPort();
    EXPECT_FALSE(comPort().isOpen());
    ASSERT_TRUE(machine.waitForCount(data.size(), 20000));
    EXPECT_EQ(machine.received(), data);

    // Queued without waiting, then closed at once: close drains Qt's buffer.
    machine.clearReceived();
    gCancelSend = false;
    ASSERT_TRUE(openPort());
    comPort().queue(data);
    closeComPort(CloseWhen::Always);
    ASSERT_TRUE(machine.waitForCount(data.size(), 20000));
    EXPECT_EQ(machine.received(), data);
}

// Where the program must end with the GUI thread held, the port is left
// as found from another thread: its output dropped, then the line settings
// it was found with given back, but only once its transmitter is empty (a
// UART still sends its FIFO), or has had the time to be. A stand-in
// transmitter empties at its third look, or never.
std::atomic<int> gLooks{0}, gEmptyAt{0}, gRestoredEarly{0};
TEST(PortRelease, LineSettingsComeBackOnlyOnceTheTransmitterIsEmpty) {
    PtyMachine pty;
    const int fd = ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios found{};
    ASSERT_EQ(::tcgetattr(fd, &found), 0);
    ::cfsetspeed(&found, B1200);
    termios used = found;
    ::cfsetspeed(&used, B9600);
    PortRelease::setTransmitterQuery([](int port) -> std::optional<bool> {
        termios now{};
        ::tcgetattr(port, &now);
        gRestoredEarly += ::cfgetospeed(&now) != B9600;
        return ++gLooks >= gEmptyAt;
    });
    for (const int emptyAt : {3, 1000000}) {
        SCOPED_TRACE(emptyAt);
        gLooks = 0;
        gEmptyAt = emptyAt;
        gRestoredEarly = 0;
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &used), 0);
        PortRelease::noteOpened(fd, pty.slavePath(), &found, 60);
        PortRelease::releaseFromAnyThread();
        termios after{};
        ::tcgetattr(fd, &after);
        EXPECT_EQ(::cfgetospeed(&after), speed_t(B1200));
        EXPECT_EQ(gRestoredEarly, 0);
        EXPECT_EQ(gLooks >= 1 && (emptyAt > 3 || gLooks == 3), true) << gLooks;
    }
    PortRelease::setTransmitterQuery(nullptr);
    ::close(fd);
}

// Closing gives the device back the line settings it had before it was
// opened, and a UART takes them at once. On a port whose queue reads empty
// while its transmitter still sends (a stand-in's), no close changes them
// before the transmitter is empty: after a whole write, after a cancel, and
// before a reopen with other settings. One that never empties holds the
// close for its bound (two FIFOs' worth at the port's speed and framing),
// not for ever. Slow speeds, so that the stand-in's looks fit in the bound
// however loaded the machine.
TEST_F(Port, LineSettingsChangeOnlyOnceTheTransmitterIsEmpty) {
    SerialLink& link = comPort();
    const SerialLink::LineCalls own = link.lineCalls();
    QStringList calls;
    int busyLooks = 0; // looks that still find the transmitter sending
    link.setLineCalls({[&]() -> std::optional<bool> {
                           const bool empty = --busyLooks < 0;
                           if (calls.isEmpty() || calls.last() != (empty ? "empty" : "busy"))
                               calls << (empty ? "empty" : "busy");
                           return empty;
                       },
                       [&] {
                           calls << "settings";
                           own.closeDevice();
                       },
                       {}});
    enum End { Whole, Cancelled, Reopened, NeverEmpty };
    for (const End end : {Whole, Cancelled, Reopened, NeverEmpty}) {
        SCOPED_TRACE(int(end));
        set({{"iBaudrate", "1"},
             {"iParity", end == NeverEmpty ? "1" : "0"},
             {"iDataLength", end == NeverEmpty ? "2" : "3"},
             {"iStopBits", end == NeverEmpty ? "1" : "0"}});
        gCancelSend = false;
        ASSERT_TRUE(openPort());
        const int bound = SerialLink::closeBoundMs(link.settings());
        if (end == Cancelled) {
            machine.setReading(false);
            at(100, [] { gCancelSend = true; });
        }
        EXPECT_EQ(sendToPort(randomBytes(end == Cancelled ? 1 << 20 : 4096)),
                  end == Cancelled ? PortResult::Cancelled : PortResult::Ok);
        EXPECT_EQ(link.pendingOutput(), 0);
        calls.clear();
        busyLooks = end == NeverEmpty ? 1 << 30 : 3;
        QElapsedTimer closing;
        closing.start();
        if (end == Reopened) {
            set("iBaudrate", "5");
            ASSERT_TRUE(openPort());
        } else {
            closeComPort(CloseWhen::Always);
        }
        EXPECT_EQ(calls.join(' ').toStdString(), end == NeverEmpty ? "busy settings" : "busy empty settings");
        if (end == NeverEmpty) {
            EXPECT_GE(closing.elapsed(), bound);
            EXPECT_LT(closing.elapsed(), 10000);
        }
        machine.setReading(true);
        closeComPort(CloseWhen::Always);
        ASSERT_TRUE(machine.waitUntilRead());
    }
    link.setLineCalls({});
}

// The port's numbers follow its settings, every bit of a character counted
// (start, data, parity, stop): the transmitter's FIFO and shift register
// emptying, the close's bound, and the bound after which output standing
// still under XOFF is a hold: on a port that counts what its transmitter
// takes (a stand-in's count), else 2.5 s at least. The line status says
// the transmitter is empty by TIOCSER_TEMT, not by the UART's own bits.
TEST_F(Port, ItsNumbersFollowItsSettings) {
    const struct {
        const char *baud, *parity, *data, *stop, *text;
        int transmitter, close, xoff;
    } rows[] = {{"1", "1", "2", "1", "300,E,7,2", 624, 1268, 1748},
                {"1", "0", "2", "1", "300,N,7,2", 567, 1154, 1634},
                {"1", "1", "2", "0", "300,E,7,1", 567, 1154, 1634},
                {"6", "0", "3", "0", "9600,N,8,1", 18, 56, 536},
                {"5", "3", "2", "0", "4800,M,7,1", 36, 92, 572},
                {"10", "2", "3", "1", "115200,O,8,2", 2, 24, 504},
                {"0", "1", "3", "1", "150,E,8,2", 1360, 2740, 3220}};
    SerialLink& link = comPort();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        set({{"iBaudrate", r.baud}, {"iParity", r.parity}, {"iDataLength", r.data}, {"iStopBits", r.stop}});
        link.setLineCalls({});
        ASSERT_TRUE(openPort());
        const PortSettings s = link.settings();
        ASSERT_EQ(s.toString(), QString::fromLatin1(r.text));
        EXPECT_EQ(SerialLink::transmitterMs(s), r.transmitter);
        EXPECT_EQ(SerialLink::closeBoundMs(s), r.close);
        EXPECT_EQ(SerialLink::xoffBoundMs(s), r.xoff);
        EXPECT_FALSE(link.tellsXoff());
        EXPECT_EQ(link.xoffHeldAfterMs(), qMax(r.xoff, 2500));
        countTransmitted();
        EXPECT_TRUE(link.tellsXoff());
        EXPECT_EQ(link.xoffHeldAfterMs(), r.xoff);
    }
    // A driver that answers and counts nothing (a USB modem's) tells nothing.
    link.setLineCalls({{}, {}, [] { return std::optional<quint32>(0); }});
    EXPECT_FALSE(link.tellsXoff());
    link.setLineCalls({});
    const struct {
        unsigned int status;
        bool empty;
    } statuses[] = {{0, false}, {TIOCSER_TEMT, true}, {0x40, false}, {0x60, false}, {0x41, true}};
    for (const auto& l : statuses)
        EXPECT_EQ(SerialLink::lineStatusSaysEmpty(l.status), l.empty) << l.status;
}

// A discard drops what waited in the queue, less what the transmitter
// took from it meanwhile, where the port counts that (a stand-in's count,
// here moving by `took` as the queue is flushed): those bytes leave, and
// the restart line counts them. Where the count never stands still while
// the queue is read, or there is none (a pseudo-terminal), all that waited
// counts as dropped.
TEST_F(Port, ADiscardDropsOnlyWhatTheTransmitterDidNotTake) {
    SerialLink& link = comPort();
    enum Count { None, Still, Busy };
    const struct {
        Count count;
        int took;
    } rows[] = {{None, 0}, {Still, 0}, {Still, 100}, {Busy, 100}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.count) + " " + std::to_string(r.took));
        quint32 looks = 0;
        SerialLink::LineCalls calls;
        if (r.count != None)
            calls.transmitted = [&]() -> std::optional<quint32> {
                const quint32 moving = r.count == Busy ? ++looks : 0;
                return 7000 + moving + (link.pendingOutput() == 0 ? r.took : 0);
            };
        link.setLineCalls(calls);
        ASSERT_TRUE(openPort());
        machine.setReading(false);
        link.queue(randomBytes(1 << 20));
        const qint64 waiting = link.pendingOutput(), before = link.droppedCount();
        ASSERT_GT(waiting, 1000);
        link.discardOutput();
        EXPECT_EQ(link.pendingOutput(), 0);
        EXPECT_EQ(link.droppedCount() - before, r.count == Still ? waiting - r.took : waiting);
        machine.setReading(true);
        closeComPort(CloseWhen::Always);
        ASSERT_TRUE(machine.waitUntilRead());
        machine.clearReceived();
    }
    link.setLineCalls({});
}

TEST_F(Port, CancelMidWriteStopsOutput) {
    ASSERT_TRUE(openPort());
    machine.setReading(false);
    at(200, [] { gCancelSend = true; });
    const QByteArray data = randomBytes(1 << 20);
    EXPECT_EQ(sendToPort(data), PortResult::Cancelled);
    EXPECT_FALSE(gSendTimedOut);
    machine.setReading(true);
    ASSERT_TRUE(machine.waitUntilRead());
    const qint64 got = machine.receivedCount();
    EXPECT_LT(got, data.size());
    EXPECT_EQ(machine.received(), data.left(int(got))) << "what went out went in order";
    EXPECT_EQ(sendToPort("N1"), PortResult::Cancelled);
    closeComPort(CloseWhen::Always);
    ASSERT_TRUE(machine.waitUntilRead());
    EXPECT_EQ(machine.receivedCount(), got) << "nothing more after the cancel";
}

// A write the machine holds (it stops reading, or says XOFF) lets the event
// loop run again and again while it waits: only then can the machine be let
// go here, or the operator cancel.
TEST_F(Port, AHeldWriteKeepsTheEventLoopRunning) {
    set({{"Handshaking", "1"}, {"SendTimeOut", "10"}});
    const QByteArray data = randomBytes(1 << 20);
    enum Hold { NotReading, Xoff };
    for (const Hold hold : {NotReading, Xoff}) {
        for (const bool cancel : {false, true}) {
            SCOPED_TRACE(std::string(hold == Xoff ? "XOFF" : "not reading") + (cancel ? ", cancelled" : ""));
            gCancelSend = false;
            machine.clearReceived();
            ASSERT_TRUE(openPort());
            if (hold == Xoff)
                holdWithXoff(machine);
            else
                machine.setReading(false);
            int turns = 0;
            QTimer turn;
            turn.setInterval(0);
            QObject::connect(&turn, &QTimer::timeout, [&] {
                if (++turns != 10)
                    return;
                if (cancel)
                    gCancelSend = true;
                else if (hold == Xoff)
                    machine.send(QByteArray(1, char(17)));
                else
                    machine.setReading(true);
            });
            turn.start();
            EXPECT_EQ(sendToPort(data), cancel ? PortResult::Cancelled : PortResult::Ok);
            turn.stop();
            EXPECT_GE(turns, 10);
            machine.setReading(true);
            if (!cancel) {
                ASSERT_TRUE(machine.waitForCount(data.size(), 20000));
                EXPECT_EQ(machine.received(), data);
            }
            closeComPort(CloseWhen::Always);
            ASSERT_TRUE(machine.waitUntilRead()); // what a cancel left in the pair, before the next round
        }
    }
}

TEST_F(Port, PeerVanishingMidSendIsAnError) {
    ASSERT_TRUE(openPort());
    machine.setReading(false);
    at(200, [this] { machine.hangUp(); });
    EXPECT_EQ(sendToPort(randomBytes(1 << 20)), PortResult::PortError) << "not the 30 s time-out";
    EXPECT_TRUE(portFault());
    EXPECT_FALSE(portLines().error.isEmpty());
    EXPECT_EQ(sendToPort("N1"), PortResult::PortError);
    closeComPort(); // no hang either
}

TEST_F(Port, OpenFailureNamesDeviceAndReason) {
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), QStringLiteral("/dev/feedline-no-such-port"));
    EXPECT_FALSE(openPortSilent());
    EXPECT_TRUE(msgs.shown().isEmpty());
    const PortLines lights = portLines();
    EXPECT_FALSE(lights.open);
    EXPECT_TRUE(lights.error.contains(QStringLiteral("/dev/feedline-no-such-port")));

    EXPECT_FALSE(openPort());
    ASSERT_EQ(msgs.shown().size(), 1);
    const QString text = msgs.shown()[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral("Com1"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("/dev/feedline-no-such-port"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("No such file or directory"))) << qPrintable(text);
    EXPECT_EQ(sendToPort("N1"), PortResult::NotOpen);

    set("CommPort", "99"); // Com100: no device without a mapping
    EXPECT_FALSE(openPort());
    EXPECT_TRUE(msgs.sawText(QStringLiteral("No Device Is Set For Com100")));

    // A port another program (here another link) holds is said to be in use.
    set("CommPort", "0");
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), machine.slavePath());
    SerialLink other;
    ASSERT_TRUE(other.open(machine.slavePath(), PortSettings()));
    EXPECT_FALSE(openPort());
    EXPECT_TRUE(msgs.sawText(QStringLiteral("In Use"))) << qPrintable(msgs.texts().join('|'));

    // A device the user may not open names the group that may (a link by the
    // group it leads to); one whose group may not names no group.
    const QString device = home.file(QStringLiteral("ttyS7"));
    ASSERT_TRUE(writeAllBytes(device, ""));
    ASSERT_TRUE(QFile::link(device, home.file(QStringLiteral("by-id"))));
    const QString group = QFileInfo(device).group();
    ASSERT_FALSE(group.isEmpty());
    using P = QFileDevice;
    const struct {
        QFileDevice::Permissions mode;
        bool groupMay;
    } modes[] = {{P::ReadOwner | P::WriteOwner | P::ReadGroup | P::WriteGroup, true},
                 {P::ReadOwner | P::WriteOwner | P::ReadGroup, false},
                 {P::ReadOwner | P::WriteOwner, false}};
    for (const auto& m : modes) {
        ASSERT_TRUE(QFile::setPermissions(device, m.mode));
        const QString advice = devicePermissionAdvice(home.file(QStringLiteral("by-id")));
        EXPECT_EQ(advice.contains(
                      QStringLiteral("Belongs To The Group \"%1\": Your User Must Be A Member").arg(group)),
                  m.groupMay)
            << qPrintable(advice);
        EXPECT_EQ(
            advice.contains(QStringLiteral("Only Its Owner \"%1\" May Open").arg(QFileInfo(device).owner())),
            !m.groupMay)
            << qPrintable(advice);
    }
}

TEST_F(Port, ReceivedBytesArriveInOrderThroughModalBoxes) {
    ASSERT_TRUE(openPort());
    QByteArray in;
    bool asked = false;
    // The receiver shows a box whose own event loop runs while the machine goes on sending.
    Msg::Handler previous = Msg::setHandler([&](const Msg::Request&) {
        machine.send("-more-data-");
        pumpEvents(150);
        return Msg::AnswerOk;
    });
    ASSERT_TRUE(beginPortReceive([&](const QByteArray& b) {
        in += b;
        if (!asked) {
            asked = true;
            msgBox(QStringLiteral("Disk full?"), Msg::RetryCancel);
        }
    }));
    machine.send("first");
    receivedAtLeast(in, 16);
    Msg::setHandler(previous);
    EXPECT_EQ(in, QByteArray("first-more-data-"));

    // Held input waits in the port and follows in order.
    in.clear();
    comPort().holdReceive(true);
    machine.send("abc");
    pumpEvents(100);
    EXPECT_TRUE(in.isEmpty());
    comPort().holdReceive(false);
    machine.send("def");
    receivedAtLeast(in, 6);
    EXPECT_EQ(in, QByteArray("abcdef"));

    // Input that comes with no receiver is kept for the next.
    endPortReceive();
    const qint64 before = comPort().receivedCount();
    machine.send("early");
    ASSERT_TRUE(waitUntil([&] { return comPort().receivedCount() >= before + 5; }));
    in.clear();
    receiveInto(in);
    machine.send("-late");
    receivedAtLeast(in, 10);
    EXPECT_EQ(in, QByteArray("early-late"));
}

TEST_F(Port, EiaMachineDataIsConvertedOnTheWayIn) {
    set("CharacterSet", "1");
    ASSERT_TRUE(openPort());
    EXPECT_FALSE(beginPortReceive([](const QByteArray&) {}));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Can't Find The EIA Code Table")));

    ASSERT_TRUE(installDefaultEiaTable(eiaTableFile()));
    QByteArray in;
    receiveInto(in);
    gConversionTable = EiaTable();                   // the receive keeps its own copy of the table
    machine.send(QByteArray("\x45\x01\x20\x80", 4)); // N 1 0 EOB
    receivedAtLeast(in, 4);
    EXPECT_EQ(in, QByteArray("N10\n"));
}

TEST_F(Port, WritesOutsideASendIgnoreTheLeftoverCancelFlag) {
    ASSERT_TRUE(openPort());
    gCancelSend = true; // as every send leaves it
    EXPECT_EQ(sendToPort("N1"), PortResult::Cancelled);
    EXPECT_EQ(sendToPortOutsideSend("%\r\n"), PortResult::Ok);
    ASSERT_TRUE(machine.waitForCount(3, 20000));
    EXPECT_EQ(machine.received(), QByteArray("%\r\n"));
}

TEST_F(Port, KeepAliveDecidesTheCloseAndTheLightsShowThePort) {
    gKeepAlive = 1;
    set("InBufferSize", "3");
    ASSERT_TRUE(openPortSilent());
    closeComPort();
    EXPECT_TRUE(comPort().isOpen());
    EXPECT_TRUE(openPort()) << "already open: nothing to do";
    const PortLines l = portLines();
    EXPECT_TRUE(l.open);
    EXPECT_FALSE(l.known) << "a pseudo-terminal has no modem lines";
    EXPECT_EQ(l.portName, "Com1");
    EXPECT_EQ(l.device, machine.slavePath());
    EXPECT_EQ(l.inBufferSize, 4096);
    closeComPort(CloseWhen::Always);
    EXPECT_FALSE(comPort().isOpen());
    gKeepAlive = 0;
    ASSERT_TRUE(openPort());
    closeComPort();
    EXPECT_FALSE(comPort().isOpen());
    EXPECT_FALSE(portLines().open);

    // An opening refused for settings no port, or no send, can use closes
    // the port that keep-alive held: nothing goes out on it.
    gKeepAlive = 1;
    const struct {
        const char *key, *refused, *before;
    } rows[] = {{"iBaudrate", "13", "6"}, {"EOBSend", "9", "0"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.key);
        set(r.key, QString::fromLatin1(r.before));
        ASSERT_TRUE(openPortSilent());
        set(r.key, QString::fromLatin1(r.refused));
        EXPECT_FALSE(openPortForSend(SendRoute::NoWindow));
        EXPECT_FALSE(comPort().isOpen());
        EXPECT_EQ(sendToPort("N1"), PortResult::NotOpen);
        set(r.key, QString::fromLatin1(r.before));
    }
    gKeepAlive = 0;
}

TEST_F(Port, FlowChecksPassWhenNothingHolds) {
    set("Handshaking", "3");
    ASSERT_TRUE(openPort());
    EXPECT_EQ(wait4CTS(), PortResult::Ok) << "unreadable lines count as CTS on";
    EXPECT_EQ(sendToPort("G0X0\r\n"), PortResult::Ok);
    EXPECT_EQ(check4XONXOFF(), PortResult::Ok);
    EXPECT_EQ(drainPort(), PortResult::Ok);
    EXPECT_TRUE(slaveTermios().c_iflag & IXON);
    EXPECT_FALSE(slaveTermios().c_iflag & IXANY) << "only XON may restart output";
    EXPECT_EQ(waitYielding(50), PortResult::Ok);
    gCancelSend = true;
    EXPECT_EQ(check4XONXOFF(), PortResult::Cancelled);
    EXPECT_EQ(waitYielding(60000), PortResult::Cancelled);
    EXPECT_TRUE(machine.waitForCount(6, 20000));
}

TEST_F(Port, CharacterDelaySendsByteByByte) {
    // A delay that never ends here: the first byte alone goes, and a cancel
    // ends the write there.
    set("CharacterDelay", "600000");
    ASSERT_TRUE(openPort());
    During operatorSide([&] {
        if (machine.receivedCount() == 0)
            return false;
        gCancelSend = true;
        return true;
    });
    EXPECT_EQ(sendToPort("G1X5"), PortResult::Cancelled);
    pumpEvents(100);
    EXPECT_EQ(machine.received(), QByteArray("G"));
}

} // namespace
