// The text send end to end: a pseudo-terminal pair with the test as the
// machine, comparing every byte it receives.
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileStuff.h"
#include "PercentBar.h"
#include "ProgramPaths.h"
#include "SendEntries.h"
#include "SendLines.h"
#include "SendOnPty.h"
#include "SendSession.h"
#include "TerminalEcho.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>

namespace {

QByteArray blocks(const QList<QByteArray>& lines, const QByteArray& eob) {
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + eob;
    return out;
}

QString statusText() {
    frmCancelSend* frm = frmCancelSend::instance();
    return frm ? frm->Label2(4)->text() : QString();
}

using Send = SendOnPty;

const struct {
    const char* setting;
    QByteArray eob;
} kEobs[] = {{"0", "\r\n"}, {"1", "\n\r\r"}, {"2", "\n"}, {"3", "\r"}, {"4", "\n\r"}, {"5", ";\r\n"}};

const QList<QByteArray> kLines = {"O1000", "N10 G0 X1", "M30"};

} // namespace

TEST_F(Send, EveryEndOfBlockFromEveryKindOfFile) {
    set({{"HeaderSend", "37,10"}, {"TrailerSend", "37"}, {"CustomEOBSend", "59,13,10"}});
    const struct {
        const char* name;
        QByteArray file;
    } files[] = {{"CR LF", "O1000\r\nN10 G0 X1\r\nM30\r\n"},
                 {"LF", "O1000\nN10 G0 X1\nM30\n"},
                 {"CR", "O1000\rN10 G0 X1\rM30\r"},
                 {"LF CR", "O1000\n\rN10 G0 X1\n\rM30\n\r"},
                 {"LF CR CR", "O1000\n\r\rN10 G0 X1\n\r\rM30\n\r\r"},
                 {"no final line end", "O1000\nN10 G0 X1\nM30"}};
    for (const auto& e : kEobs) {
        set("EOBSend", e.setting);
        for (const auto& f : files) {
            SCOPED_TRACE(std::string(e.setting) + " / " + f.name);
            const QString path = program(f.file);
            const QByteArray expected = "%\n" + blocks(kLines, e.eob) + "%";
            EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
            EXPECT_EQ(received(expected.size()), expected);
            EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")), QStringLiteral("M30"));
            // The window engine, loading the file from disk, gives the same bytes.
            int line = 0;
            EXPECT_EQ(windowSend(path, &line), SendOutcome::Sent);
            EXPECT_EQ(line, 3);
            EXPECT_EQ(received(expected.size()), expected);
            EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")), QStringLiteral("M30"));
        }
    }
    EXPECT_FALSE(msgs.sawText(QStringLiteral("Bad or No End Of Block")));
    expectIdleAndUnlocked();
}

// An end of block longer than a short line's room still goes whole after
// every line, short or long, and nothing of it before the next line.
TEST_F(Send, ALongCustomEndOfBlockFollowsEveryLine) {
    set({{"HeaderSend", ""},
         {"TrailerSend", ""},
         {"EOBSend", "5"},
         {"CustomEOBSend", "59,32,69,78,68,32,79,70,32,66,76,79,67,75,13,10"}});
    const QByteArray eob = "; END OF BLOCK\r\n";
    const QByteArray longLine(300, 'X');
    const QString path = program("G0\n\nN1 X1\n" + longLine + "\nM30");
    const QByteArray expected = "G0" + eob + eob + "N1 X1" + eob + longLine + eob + "M30" + eob;
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(received(expected.size()), expected);
    expectIdleAndUnlocked();
}

TEST_F(Send, LineRulesOfEachEngine) {
    set({{"StripSpaces", "1"}, {"IgnoreBlock", "/"}, {"StripBlankLines", "1"}});
    const QString path = program("N10 G01 X5\n/N20 M00\n\nN30  M30\n\n/N40\n");
    QByteArray expected = "N10G01X5\r\nN30M30\r\n";
    for (const bool window : {false, true}) {
        EXPECT_EQ(window ? windowSend(path) : sendFileNoWindow(path), SendOutcome::Sent);
        EXPECT_EQ(received(expected.size()), expected);
        // The last line the machine got, not one the send dropped after it.
        EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")), QStringLiteral("N30  M30"));
    }

    // The window engine also knows the ignore type that keeps the part of a
    // block before the mark, and the double space after N.
    set({{"IgnoreBlock", "("}, {"IgnoreBlockType", "1"}, {"DoubleSpaceN", "1"}, {"StripBlankLines", "0"}});
    const QString second = program("N10 G01 X5 (NOTE)\n(ALL COMMENT)\nN100\nG01 N10\n", QStringLiteral("second.nc"));
    EXPECT_EQ(windowSend(second), SendOutcome::Sent);
    expected = "N10  G01X5\r\n\r\nN100  \r\nG01N10\r\n";
    EXPECT_EQ(received(expected.size()), expected);

    // The send without window always drops such a block whole and never
    // double-spaces.
    EXPECT_EQ(sendFileNoWindow(second), SendOutcome::Sent);
    expected = "N100\r\nG01N10\r\n";
    EXPECT_EQ(received(expected.size()), expected);
}

TEST_F(Send, EiaCodeForBlocksHeaderAndTrailer) {
    // A small table of the test's own; characters without a key are dropped.
    writeAllBytes(home.file(QStringLiteral("codeset.eia")),
                  "[Ascii2Eia]\n78=69\n49=1\n48=32\n32=16\n88=55\n53=21\n37=11\n13=128\n"
                  "[Eia2Ascii]\n69=78\n");
    set({{"CharacterSet", "1"}, {"EOBSend", "3"}, {"HeaderSend", "37,!50!,240,37"}, {"TrailerSend", "37"}});
    const QString path = program("N10 X5\nN10 G X5\n");
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    const QByteArray block("\x45\x01\x20\x10\x37\x15\x80");
    // The pause stays a pause; the literal 240 has no code and is dropped.
    const QByteArray expected = QByteArray("\x0b\x0b") + block + QByteArray("\x45\x01\x20\x10\x10\x37\x15\x80") + "\x0b";
    EXPECT_EQ(received(expected.size()), expected);
    EXPECT_TRUE(status.contains(QStringLiteral("Waiting Whilst Sending Header...")));

    // The header is converted before the "%" rule looks at it: "%" is no
    // longer there to drop, so a program that starts with "%" still gets it.
    set({{"HeaderSend", "37,13"}, {"TrailerSend", ""}});
    EXPECT_EQ(sendFileNoWindow(program("%\nN10\n", QStringLiteral("pct.nc"))), SendOutcome::Sent);
    EXPECT_EQ(received(8), QByteArray("\x0b\x80\x0b\x80\x45\x01\x20\x80"));

    // Without the table nothing goes out at all.
    QFile::remove(home.file(QStringLiteral("codeset.eia")));
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::NotSent);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Can't Find The EIA Code Table")));
    EXPECT_EQ(settled(), QByteArray());
    expectIdleAndUnlocked();
}

TEST_F(Send, HeaderAndTrailerCharactersPausesAndPercent) {
    set({{"HeaderSend", "37,10,!200!,10"}, {"TrailerSend", "10,240,!1x!"}, {"DelayBeforeHeader", "100"}});
    const QString path = program("%\nG0X1\n%\n");
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    // The file brings its own "%"; a pause that is not a number is no pause.
    const QByteArray expected = QByteArray("\n\n") + "%\r\nG0X1\r\n%\r\n" + QByteArray("\n\xF0");
    EXPECT_EQ(received(expected.size()), expected);
    EXPECT_EQ(status.count(QStringLiteral("Waiting Before Sending Header...")), 2) << "before the trailer too";
    EXPECT_TRUE(status.contains(QStringLiteral("Waiting Whilst Sending Header...")));
    EXPECT_FALSE(status.contains(QStringLiteral("Waiting Whilst Sending Trailer...")));
}

TEST_F(Send, MachineWithDefaultKeysSendsTheWholeProgram) {
    removeIniSection(gCurrentMachineSection, gIniPath);
    const QString path = program("%\nO1\nN10 G0 X1\nN20 Y2\nM30\n%\n");
    // The default keeps the port open a while after the send; Esc skips the countdown.
    During operatorSide([&] {
        if (!statusText().startsWith(QLatin1String("Closing Com Port In")))
            return false;
        gCancelSend = true;
        return true;
    });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    const QByteArray expected = "%\r\nO1\r\nN10 G0 X1\r\nN20 Y2\r\nM30\r\n%\r\n";
    EXPECT_EQ(received(expected.size()), expected);
    EXPECT_FALSE(msgs.sawText(QStringLiteral("Error")));
    const QStringList log = logLines();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("Machine1 - Send File To CNC - ") + path + QStringLiteral(" - ")));
    expectIdleAndUnlocked();
}

// The progress window's caption once the wait for the machine has begun.
QString waitCaption() {
    frmCancelSend* frm = frmCancelSend::instance();
    const QString t = frm ? frm->windowTitle() : QString();
    return t.startsWith(QLatin1String("Waiting For")) ? t : QString();
}

TEST_F(Send, NothingGoesBeforeTheMachineOrTheOperatorSaysGo) {
    set("HeaderSend", "37,10");
    const QString path = program("G0X1\n");
    // WaitForXON 1 waits for XON whatever else comes, 2 for any byte;
    // RemoteDeviceOnline for the operator. Override or Cancel end any wait.
    // A send cancelled while it waits for the machine was begun: it is
    // logged and kept as the last file sent; one the operator never let go
    // was not.
    enum Go { Bytes, Override, Cancel };
    const struct {
        const char *waitForXon, *online;
        QByteArray ignored, go;
        Go how;
    } rows[] = {{"1", "0", "", "", Cancel}, {"0", "1", "", "", Cancel},   {"1", "0", "AB", "\x11", Bytes},
                {"2", "0", "", "Z", Bytes}, {"1", "0", "", "", Override}, {"0", "1", "", "", Override}};
    for (const auto& r : rows) {
        for (const bool window : {false, true}) {
            SCOPED_TRACE(std::string(r.waitForXon) + r.online + r.ignored.constData() + char('0' + r.how) +
                         (window ? " window" : ""));
            set({{"WaitForXON", r.waitForXon}, {"RemoteDeviceOnline", r.online}, {"lastfilesent", ""}});
            QFile::remove(transferLogPath());
            host.holds.clear();
            qint64 taken = -1, beforeGo = -1;
            During sides([&] {
                frmCancelSend* frm = frmCancelSend::instance();
                const bool waiting =
                    !waitCaption().isEmpty() || (frm && *r.online == '1' && frm->cmdOverride()->isEnabled());
                if (taken < 0) {
                    if (!waiting)
                        return false;
                    taken = comPort().receivedCount() + r.ignored.size();
                    machine.send(r.ignored);
                }
                if (comPort().receivedCount() < taken)
                    return false;
                beforeGo = machine.receivedCount();
                if (r.how == Bytes)
                    machine.send(r.go);
                else if (r.how == Override)
                    frm->cmdOverride()->click();
                else
                    gCancelSend = true;
                return true;
            });
            const SendOutcome outcome = window ? windowSend(path) : sendFileNoWindow(path);
            if (r.how == Cancel) {
                EXPECT_EQ(outcome, SendOutcome::Cancelled);
                EXPECT_EQ(settled(), QByteArray()) << "no header";
                const bool begun = *r.online == '0';
                EXPECT_EQ(logLines().size(), begun ? 1 : 0);
                EXPECT_EQ(MachineRecord::current(QStringLiteral("lastfilesent")), begun ? path : QString());
                EXPECT_FALSE(msgs.sawText(QStringLiteral("Has Been Sent")));
                EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")), QString());
            } else {
                EXPECT_EQ(outcome, SendOutcome::Sent);
                EXPECT_EQ(received(8), "%\nG0X1\r\n");
            }
            EXPECT_EQ(beforeGo, 0);
            // Where no window shows it, a wait for XON is said, and its end only where the send goes on.
            EXPECT_EQ(host.holds.contains(QString()), r.how != Cancel && *r.waitForXon != '0')
                << qPrintable(host.holds.join('|'));
            expectIdleAndUnlocked();
        }
    }

    // With the display set to "None" a window send shows no window, so there
    // is no operator wait.
    gDNCStatus = 3;
    EXPECT_EQ(windowSend(path), SendOutcome::Sent);
    EXPECT_EQ(received(8), "%\nG0X1\r\n");
    gDNCStatus = 2;
}

TEST_F(Send, CancelMidSendLeavesTheRestartLineTheMachineGotWhole) {
    const QByteArray all = numbered(100000);
    // Past 20,000 bytes the machine stops reading (what is on its way waits
    // in the pseudo-terminal), or says XOFF (it waits in the PC); the
    // operator cancels while the send is held. The line named is the one the
    // editor shows, where a restart asks for it: LF CR takes two there.
    // Without flow control the lines are only queued between hand-overs.
    const struct {
        bool xonXoff, xoff, lfCr;
    } cases[] = {{true, false, false}, {true, true, false}, {true, true, true}, {false, false, false}, {false, false, true}};
    for (const auto& [xonXoff, xoff, lfCr] : cases) {
        SCOPED_TRACE(std::string(xoff ? (lfCr ? "XOFF, LF CR" : "XOFF") : (lfCr ? "not reading, LF CR" : "not reading")) +
                     (xonXoff ? "" : ", no flow control"));
        set("Handshaking", xonXoff ? "1" : "0");
        const QString path = program(lfCr ? QByteArray(all).replace("\r\n", "\n\r") : all);
        const qint64 before = comPort().handedCount() - comPort().droppedCount();
        qint64 lastHanded = -1;
        auto held = std::make_shared<std::atomic<bool>>(false);
        machine.setReaction([m = &machine, held, xoff](qint64 got) {
            if (*held || got < 20000)
                return;
            if (xoff)
                m->send("\x13");
            else
                m->setReading(false);
            *held = true;
        });
        During operatorSide([&] {
            // Held: nothing more went out since the last look and, with XOFF,
            // the machine has read all that left the PC.
            const qint64 handed = comPort().handedCount();
            const qint64 left = handed - comPort().droppedCount() - comPort().pendingOutput() - before;
            const bool stuck = handed == lastHanded;
            lastHanded = handed;
            if (!*held || !stuck || (xoff && machine.receivedCount() != left))
                return false;
            gCancelSend = true;
            return true;
        });
        EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Cancelled);
        machine.setReading(true);
        const QByteArray got = settled();
        ASSERT_TRUE(all.startsWith(got)) << "nothing lost or doubled";
        const QByteArray whole = got.left(got.lastIndexOf("\r\n"));
        const QByteArray lastWhole = whole.mid(whole.lastIndexOf("\r\n") + 2);
        EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")).toLatin1(), lastWhole);
        const int block = lastWhole.mid(1, lastWhole.indexOf(' ') - 1).toInt() / 10; // "N<10 x line> ..."
        const int line = lfCr ? 2 * block - 1 : block;
        EXPECT_EQ(lastStatusText(), QStringLiteral("Send Cancelled - Line %1 Is Kept For A Restart: %2")
                                        .arg(line)
                                        .arg(QString::fromLatin1(lastWhole)));
    }
}

TEST_F(Send, AHeaderPauseWaitsForAMachineThatStopsReading) {
    // More header than a pseudo-terminal holds for a machine that does not read.
    set("HeaderSend", "#30000,65,#30000,65,#30000,65,!100!,66");
    machine.setReading(false);
    int heldSeen = 0;
    bool pausedWhileHeld = false;
    During machineSide([&] {
        if (!comPort().isOpen() || comPort().pendingOutput() == 0)
            return false;
        pausedWhileHeld = pausedWhileHeld || status.contains(QStringLiteral("Waiting Whilst Sending Header..."));
        if (++heldSeen < 10)
            return false;
        machine.setReading(true);
        return true;
    });
    EXPECT_EQ(sendFileNoWindow(program("G0\n")), SendOutcome::Sent);
    EXPECT_GE(heldSeen, 10);
    EXPECT_FALSE(pausedWhileHeld) << "the pause began with header bytes still in the PC";
    const QByteArray expected = QByteArray(90000, 'A') + "BG0\r\n";
    EXPECT_EQ(received(expected.size()), expected);
}

TEST_F(Send, WithoutWindowTheLineDelayFollowsSkippedAndBlankLinesToo) {
    // The longest delay, after each of 40 lines: the last comes 20 s later.
    set({{"LineDelay", "500"}, {"IgnoreBlock", "/"}, {"StripBlankLines", "1"}});
    for (const QByteArray& first : {QByteArray("/SKIPPED\n"), QByteArray("\n")}) {
        SCOPED_TRACE(first.constData());
        // Cancelled in the delay after the first line, or once the last came.
        During operatorSide([&] {
            frmCancelSend* frm = frmCancelSend::instance();
            if (machine.receivedCount() == 0 && !(frm && frm->Label2(3)->text() == QLatin1String("1")))
                return false;
            gCancelSend = true;
            return true;
        });
        EXPECT_EQ(sendFileNoWindow(program(first.repeated(40) + "B\n")), SendOutcome::Cancelled);
        EXPECT_EQ(settled(), QByteArray()) << "the delays after the first lines hold the last back";
    }
}

TEST_F(Send, CancelStopsEitherEngineWithinOneLineWithoutTrailer) {
    set({{"HeaderSend", "37,10"}, {"TrailerSend", "77,51,48"}, {"LineDelay", "10"}});
    const QByteArray text = numbered(100);
    const QString path = program(text);
    const QByteArray all = "%\n" + text + "M30";
    for (const bool window : {false, true}) {
        SCOPED_TRACE(window ? "window" : "without window");
        qint64 atCancel = -1;
        During operatorSide([&] {
            if (machine.receivedCount() < 200)
                return false;
            atCancel = machine.receivedCount();
            frmCancelSend::instance()->Command1()->click(); // the progress window's Cancel
            return true;
        });
        int line = 0;
        EXPECT_EQ(window ? windowSend(path, &line) : sendFileNoWindow(path), SendOutcome::Cancelled);
        const QByteArray got = settled();
        EXPECT_TRUE(all.startsWith(got));
        EXPECT_LE(got.size() - atCancel, 25) << "at most the line on its way";
        EXPECT_FALSE(got.endsWith("M30"));
        EXPECT_LT(line, 100);
        EXPECT_FALSE(msgs.sawText(QStringLiteral("Has Been Sent")));
        EXPECT_EQ(logLines().size(), window ? 2 : 1) << "the transfer was started";
        EXPECT_FALSE(comPort().isOpen());
        expectIdleAndUnlocked();
    }
}

// A hold that never ends meets SendTimeOut, and the message says what the
// send waited for: XON from a machine that takes nothing (on a line that
// can tell an XOFF; a pseudo-terminal names nothing), CTS never raised at
// the start, dropped between blocks or during a write.
TEST_F(Send, MachineThatTakesNothingTimesOut) {
    set("SendTimeOut", "1");
    const QString path = program(numbered(20000));
    const struct {
        const char *handshaking, *flowMethod;
        qint64 ctsUntil;   // CTS is up while the machine has fewer bytes; -1: lines not read
        qint64 readsUntil; // the machine stops reading once it has this many; -1: never
        const char* waited;
    } rows[] = {{"2", "1", 0, -1, "CTS"},
                {"2", "0", 100, -1, "CTS"},
                {"2", "1", 100, 100, "CTS"},
                {"1", "1", -1, 0, "XON"},
                {"1", "1", -1, 0, ""}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.ctsUntil) + " " + std::to_string(r.readsUntil) + " " + r.waited);
        comPort().setLineCalls({});
        if (QByteArray(r.waited) == "XON")
            countTransmitted();
        set({{"Handshaking", r.handshaking}, {"FlowMethod", r.flowMethod}});
        machine.setReading(r.readsUntil != 0);
        if (r.readsUntil > 0)
            machine.setReaction([m = &machine, until = r.readsUntil](qint64 got) {
                if (got >= until)
                    m->setReading(false);
            });
        if (r.ctsUntil >= 0)
            comPort().setLineSource([this, until = r.ctsUntil](QSerialPort::PinoutSignals* lines) {
                *lines =
                    machine.receivedCount() < until ? QSerialPort::ClearToSendSignal : QSerialPort::NoSignal;
                return true;
            });
        msgs.clear();
        QFile::remove(transferLogPath());
        set("lastfilesent", "");
        const CancelAfter deadline(20000);
        EXPECT_EQ(sendFileNoWindow(path), SendOutcome::TimedOut) << "no time-out on the hold";
        EXPECT_EQ(logLines().size(), 1) << "the send was begun";
        EXPECT_EQ(MachineRecord::current(QStringLiteral("lastfilesent")), path);
        EXPECT_TRUE(msgs.sawText(QStringLiteral("Transfer Automatically Timed Out After 1s of Inactivity") +
                                 (*r.waited ? "\n" : "")));
        EXPECT_TRUE(msgs.sawText(QStringLiteral("Waiting For ") + r.waited) == (*r.waited != '\0'))
            << qPrintable(msgs.texts().join('|'));
        EXPECT_FALSE(msgs.sawText(QStringLiteral("Has Been Sent")));
        EXPECT_EQ(lastSendActivity, 0);
        expectIdleAndUnlocked();
        machine.setReaction(nullptr);
        machine.setReading(true);
        comPort().setLineSource(nullptr);
        EXPECT_EQ(settled().left(4), QByteArray(r.ctsUntil == 0 ? "" : "N10 ")) << "nothing before CTS";
    }
}

// A machine that holds the send (XOFF, CTS down between blocks or during a
// write) is named in the progress window's status, caption and frame and on
// the status line, on every route; once it lets go they say again what the
// send said (unless it said something else meanwhile, which stays), and the
// program arrives whole. A turbo send writes its status line only at its end.
TEST_F(Send, AHeldSendSaysWhatItWaitsFor) {
    set("SendTimeOut", "0");
    countTransmitted(); // a line that can tell an XOFF
    const QByteArray all = numbered(20000);
    const QString path = program(all);
    const QString meanwhile = QStringLiteral("Sending File 99% [Esc=Cancel]");
    const struct {
        const char *handshaking, *flowMethod, *route;
        bool window, readsWhileHeld;
        const char *waitsFor, *frame;
        bool saidMeanwhile;
    } rows[] = {{"1", "0", "0", false, true, "XON", "Sending File [Block Mode]", true},
                {"2", "0", "0", true, true, "CTS", "Transfer Status", false},
                {"2", "1", "2", false, false, "CTS", "Sending File [Drip Feed Mode]", false},
                {"1", "0", "3", false, true, "XON", "Sending File [Turbo Drip Feed Mode]", false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.handshaking) + r.flowMethod + r.route);
        set({{"Handshaking", r.handshaking}, {"FlowMethod", r.flowMethod}, {"DripFeedPacketSize", r.route}});
        const QString waits = QStringLiteral("Held By The CNC - Waiting For ") + QLatin1String(r.waitsFor);
        const bool xoff = *r.handshaking == '1';
        auto held = std::make_shared<std::atomic<bool>>(false);
        auto ctsDown = std::make_shared<std::atomic<bool>>(false);
        machine.setReaction([m = &machine, held, ctsDown, xoff, reads = r.readsWhileHeld](qint64 got) {
            if (got < 20000 || held->exchange(true))
                return;
            if (xoff)
                m->send("\x13");
            else
                *ctsDown = true;
            m->setReading(reads);
        });
        comPort().setLineSource([ctsDown](QSerialPort::PinoutSignals* lines) {
            *lines = *ctsDown ? QSerialPort::NoSignal : QSerialPort::ClearToSendSignal;
            return true;
        });
        status.clear();
        QStringList captions, frames;
        const frmCancelSend* watched = nullptr;
        const QObject looking;
        int heldLooks = 0;
        bool captionHeld = true;
        During machineSide([&] {
            frmCancelSend* frm = frmCancelSend::instance();
            if (frm && frm != watched) {
                watched = frm;
                QObject::connect(frm, &QWidget::windowTitleChanged, &looking,
                                 [&](const QString& t) { captions << t; });
                // After the window's own answer to the hold.
                QObject::connect(&comPort(), &SerialLink::holdingChanged, &looking,
                                 [&frames, frm = QPointer<frmCancelSend>(frm)] {
                                     if (frm)
                                         frames << frm->Frame1(frm->layout())->title();
                                 });
            }
            if (!frm || statusText() != waits)
                return false;
            captionHeld = captionHeld && frm->windowTitle() == waits;
            if (++heldLooks < 20) // the display is redrawn meanwhile
                return false;
            if (r.saidMeanwhile)
                statusbar(meanwhile);
            machine.setReading(true);
            if (xoff)
                machine.send("\x11");
            *ctsDown = false;
            return true;
        });
        const CancelAfter deadline(60000);
        EXPECT_EQ(r.window ? windowSend(path) : sendFileNoWindow(path), SendOutcome::Sent);
        EXPECT_TRUE(captionHeld);
        EXPECT_EQ(frames.join('|').toStdString(), (waits + QLatin1Char('|') + QLatin1String(r.frame)).toStdString());
        const qsizetype shown = captions.indexOf(waits), said = status.indexOf(waits);
        ASSERT_TRUE(shown >= 0 && shown + 1 < captions.size()) << qPrintable(captions.join('|'));
        EXPECT_TRUE(captions[shown + 1].startsWith(QLatin1String("Sending File")))
            << qPrintable(captions.join('|'));
        ASSERT_TRUE(said > 0 && said + 1 < status.size()) << qPrintable(status.join('|'));
        if (r.saidMeanwhile) {
            const qsizetype m = status.indexOf(meanwhile, said);
            ASSERT_TRUE(m > said && m + 1 < status.size()) << qPrintable(status.join('|'));
            EXPECT_NE(status[m + 1], status[said - 1]) << qPrintable(status.join('|'));
        } else
            EXPECT_EQ(status[said + 1], status[said - 1]) << qPrintable(status.join('|'));
        EXPECT_EQ(received(all.size()), all);
        machine.setReaction(nullptr);
        comPort().setLineSource(nullptr);
    }
}

// A progress window says at once whether the machine holds the send: one
// that opens during a hold (CTS low) says so in its caption, status field
// and frame, and goes back once the send goes on. A hold ends when the
// machine lets the write go on, long before that write ends; after a
// time-out or a cancel neither the port, nor the next window, nor the line
// without a screen tells the send going on. A time-out tells the hold
// first, however late the slice that sees it comes, on every wait: a write,
// a drain, a wait for CTS; and CTS low holding a write is told long before
// a standstill under XOFF would be. Where the line cannot tell an XOFF from
// a slow reader (a pseudo-terminal as it is), only the standstill is told.
TEST_F(Send, AWindowOpensSayingWhetherTheSendIsHeld) {
    // The caption, the status field and the frame's caption.
    auto opened = [] {
        frmCancelSend* frm = frmCancelSend::instance();
        return (frm->windowTitle() + '|' + frm->Label2(4)->text() + '|' + frm->Frame1(frm->layout())->title())
            .toStdString();
    };
    enum Look { LetGo, Cancel, Wait, StallThenWait };
    // Besides: XOFF holds a drain, not a write; CTS low holds a write (the
    // machine reads no more); the line cannot tell an XOFF.
    enum Besides { Nothing, Drain, CtsWrite, Untold };
    const struct {
        const char* name;
        bool cts; // a wait for CTS, else a write XOFF holds on a line that can tell
        const char* timeOut;
        Look look; // once the hold is told
        PortResult result;
        Besides besides = Nothing;
    } rows[] = {{"CTS let go", true, "0", LetGo, PortResult::Ok},
                {"CTS times out", true, "1", Wait, PortResult::TimedOut},
                {"XON in the middle of a long write", false, "0", LetGo, PortResult::Ok},
                {"XOFF cancelled", false, "0", Cancel, PortResult::Cancelled},
                // Past the bound on a standstill under XOFF; the event loop stalls once beyond both.
                {"XOFF times out", false, "3", StallThenWait, PortResult::TimedOut},
                {"CTS stalls, then times out", true, "3", StallThenWait, PortResult::TimedOut},
                {"XOFF holds a drain, stalls, then times out", false, "3", StallThenWait,
                 PortResult::TimedOut, Drain},
                // The time-out comes before the bound that an XOFF on a pseudo-terminal would need.
                {"CTS low holds a write", false, "2", Wait, PortResult::TimedOut, CtsWrite},
                {"a standstill on a line that cannot tell", false, "0", LetGo, PortResult::Ok, Untold}};
    const QByteArray data = randomBytes(1 << 20);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const bool ctsHolds = r.cts || r.besides == CtsWrite;
        set({{"Handshaking", ctsHolds ? "2" : "1"}, {"SendTimeOut", r.timeOut}});
        gCancelSend = false;
        if (!ctsHolds && r.besides != Untold)
            countTransmitted();
        ASSERT_TRUE(openPort());
        if (ctsHolds)
            comPort().setLineSource([](QSerialPort::PinoutSignals* lines) {
                *lines = QSerialPort::NoSignal;
                return true;
            });
        if (r.besides == CtsWrite)
            machine.setReading(false);
        else if (!r.cts)
            holdWithXoff(machine);
        const SendSession session(host);
        host.holds.clear();
        const qint64 before = comPort().handedCount();
        qint64 handedAsItGoesOn = -1;
        bool everHeld = false;
        const QObject looking;
        QObject::connect(&comPort(), &SerialLink::holdingChanged, &looking, [&](SerialLink::Hold h) {
            everHeld = everHeld || h != SerialLink::Hold::Unknown;
            if (everHeld && h == SerialLink::Hold::Unknown && handedAsItGoesOn < 0)
                handedAsItGoesOn = comPort().handedCount() - before;
        });
        std::string whileHeld;
        bool stalled = false;
        During look([&] {
            if (r.look == StallThenWait && !stalled) {
                stalled = true; // a slice late by more than the time-out
                std::this_thread::sleep_for(std::chrono::milliseconds(3500));
            }
            if (comPort().holding() == SerialLink::Hold::Unknown)
                return false;
            if (r.cts) {
                frmCancelSend::load()->show();
                whileHeld = opened();
            }
            if (r.look == LetGo && r.cts)
                comPort().setLineSource(nullptr); // lines that cannot be read count as CTS on
            else if (r.look == LetGo)
                machine.send("\x11");
            gCancelSend = r.look == Cancel;
            return true;
        });
        if (r.besides == Drain)
            comPort().queue(data);
        const PortResult result = r.cts ? wait4CTS() : r.besides == Drain ? drainPort() : sendToPort(data);
        EXPECT_EQ(result, r.result);
        EXPECT_TRUE(everHeld);
        EXPECT_EQ(comPort().holding(), SerialLink::Hold::Unknown);
        const QString held =
            r.besides == Untold
                ? QStringLiteral("Standing Still - Waiting For The Line To Take More")
                : QStringLiteral("Held By The CNC - Waiting For ") + (ctsHolds ? "CTS" : "XON");
        if (r.cts && r.look != StallThenWait)
            EXPECT_EQ(QString::fromStdString(whileHeld), held + '|' + held + '|' + held);
        else
            frmCancelSend::load();
        EXPECT_EQ(opened(), "Send File To CNC||Transfer Status");
        const QString said = r.look == LetGo ? held + QLatin1Char('|') : held;
        EXPECT_EQ(host.holds.join('|').toStdString(), said.toStdString());
        if (r.look == LetGo && !r.cts) {
            EXPECT_GE(handedAsItGoesOn, 0);
            EXPECT_LT(handedAsItGoesOn, data.size()) << "the hold ended only with the write";
        }
        frmCancelSend::unload();
        comPort().setLineSource(nullptr);
        comPort().setLineCalls({});
        machine.setReading(true);
        closeComPort(CloseWhen::Always);
    }
}

TEST_F(Send, PortThatVanishesEndsTheSendWithTheSettingsError) {
    const QString path = program(numbered(50000));
    QString indicator;
    bool hungUp = false;
    During machineSide([&] {
        if (!hungUp && machine.receivedCount() > 5000) {
            machine.hangUp();
            hungUp = true;
        }
        if (statusText().startsWith(QLatin1String("Error")))
            indicator = statusText();
        return !indicator.isEmpty();
    });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::PortFailed);
    EXPECT_EQ(indicator, QStringLiteral("Error - Check Your CNC Property Settings"));
    expectIdleAndUnlocked();
}

TEST_F(Send, PortThatCannotOpenEmptyFileAndRoutesWithoutAProtocolSendNothing) {
    const QString path = program("G0X1\n");
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), home.file(QStringLiteral("no-such-device")));
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::PortFailed);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("no-such-device")));
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), machine.slavePath());
    EXPECT_EQ(sendFileNoWindow(program(QByteArray(), QStringLiteral("empty.nc"))), SendOutcome::NotSent);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Zero Length File")));
    EXPECT_TRUE(logLines().isEmpty());
    expectIdleAndUnlocked();

    // A value no port, or no send, can use stops every route of either
    // engine that reads it, said once: Com1, where a port number that is no
    // number would fall back to, is this pseudo-terminal, and gets nothing.
    const char* impossible[][4] = {{"CommPort", "abc", "Handshaking", "1"},
                                   {"CommPort", "abc", "Handshaking", "4"},
                                   {"iBaudrate", "13", "DripFeedPacketSize", "2"},
                                   {"Handshaking", "9", "LineDelay", "0"},
                                   {"SendTimeOut", "-5", "DripFeedPacketSize", "3"},
                                   {"SendTimeOut", "9223372036854775807", "LineDelay", "0"},
                                   {"SendTimeOut", "9999999999", "DripFeedPacketSize", "0"},
                                   {"EOBSend", "", "DripFeedPacketSize", "0"},
                                   {"EOBSend", "2147483648", "DripFeedPacketSize", "5"},
                                   {"CharacterSet", "1e9", "DripFeedPacketSize", "1"},
                                   {"LineDelay", "2097151", "DripFeedPacketSize", "2"},
                                   {"LineDelay", "99999999999999999999", "DripFeedPacketSize", "0"},
                                   {"CharacterDelay", "3000000", "DripFeedPacketSize", "3"},
                                   {"DripFeedPacketSize", "1e9", "LineDelay", "0"},
                                   {"WaitForXON", "3", "DripFeedPacketSize", "0"},
                                   {"WaitAfterSending", "2147483647", "DripFeedPacketSize", "2"},
                                   {"KeepAlive", "-1", "Handshaking", "4"},
                                   {"XModemPad", "+1", "Handshaking", "4"}};
    for (const auto& r : impossible) {
        const QString named = QStringLiteral("%1=%2").arg(r[0], r[1]);
        removeIniSection(gCurrentMachineSection, gIniPath);
        set({{r[2], r[3]}, {r[0], r[1]}, {"lastline", "N9 (RESTART HERE)"}});
        for (const bool window : {false, true}) {
            msgs.clear();
            const CancelAfter deadline(10000); // a send that went ahead on such a value would not end
            EXPECT_EQ(window ? windowSend(path) : sendFileNoWindow(path), SendOutcome::PortFailed)
                << qPrintable(named);
            EXPECT_EQ(msgs.texts().filter(named).size(), 1) << qPrintable(msgs.texts().join('|'));
            // Headed as what it is: no port is opened on a send key the send refuses.
            const bool portKey =
                QStringList{"CommPort", "iBaudrate", "Handshaking", "SendTimeOut"}.contains(r[0]);
            EXPECT_TRUE(msgs.texts().filter(named).value(0).startsWith(
                portKey ? QStringLiteral("Can't Open The Port Of Machine1\n")
                        : QStringLiteral("The Send To Machine1 Is Refused For Its Settings\n")))
                << qPrintable(msgs.texts().join('|'));
            // The last send's restart line outlives a send that never had its port.
            EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")), QStringLiteral("N9 (RESTART HERE)"));
        }
    }
    EXPECT_EQ(settled(), QByteArray());
    EXPECT_TRUE(logLines().isEmpty());
    expectIdleAndUnlocked();

    const struct {
        const char* key;
        const char* value;
        const char* message;
    } routes[] = {{"Handshaking", "5", "Blockwise"}, {"Kelbrook", "1", "Pre-Send Processing"}};
    for (const auto& r : routes) {
        SCOPED_TRACE(std::string(r.key) + "=" + r.value);
        removeIniSection(gCurrentMachineSection, gIniPath);
        set(r.key, r.value);
        msgs.clear();
        host.events.clear();
        EXPECT_EQ(sendFileNoWindow(path), SendOutcome::NotSent);
        EXPECT_TRUE(msgs.sawText(QString::fromLatin1(r.message))) << qPrintable(msgs.texts().join('|'));
        EXPECT_TRUE(host.events.isEmpty()) << "nothing was locked";
        if (QLatin1String(r.key) == QLatin1String("Kelbrook"))
            continue; // a hook of the send without window only
        EXPECT_EQ(windowSend(path), SendOutcome::NotSent);
    }
    EXPECT_EQ(settled(), QByteArray());
    EXPECT_TRUE(logLines().isEmpty());
    EXPECT_EQ(gPortState, PortIdle);
}

TEST_F(Send, BookkeepingLastFileLastLineLogAndExtraCopy) {
    writeIni(QStringLiteral("Settings"), QStringLiteral("TressickFile"), home.file(QStringLiteral("copy.nc")));
    const QByteArray text = "O1\nN10 G0 X1\nM30 (END)\n";
    const QString path = program(text);
    // The restart record is one pair, stored once at the end: while the
    // program goes out the file holds the last send's pair whole (a restart
    // after a crash in the middle offers that), and the recent list already
    // names this file. The machine may read its first byte only after the
    // send has ended: what it saw is taken once it has looked, never while
    // it may still be looking. The pause after each line gives a prompt
    // machine time to look while the send still runs.
    set({{"LineDelay", "20"}, {"lastfilesent", "/old/part.nc"}, {"lastline", "N5 G1"}});
    QByteArray onDiskAtFirstByte;
    std::atomic<bool> looked{false};
    machine.setReaction([&](qint64 got) {
        if (got > 0 && !looked) {
            onDiskAtFirstByte = home.readIniBytes();
            looked = true;
        }
    });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_TRUE(waitUntil([&] { return looked.load(); }));
    machine.setReaction(nullptr);
    EXPECT_TRUE(onDiskAtFirstByte.contains("lastfilesent=/old/part.nc\n"));
    EXPECT_TRUE(onDiskAtFirstByte.contains("lastline=N5 G1\n"));
    EXPECT_TRUE(onDiskAtFirstByte.contains("RecentSentFile1=" + path.toUtf8() + '\n'));
    // "{Prompt Me}" leaves the port open until answered.
    EXPECT_TRUE(
        msgs.sawText(QStringLiteral("The File \"%1\" Has Been Sent\nThe Com Port Is Still Open").arg(path)));
    EXPECT_EQ(MachineRecord::current(QStringLiteral("lastfilesent")), path);
    EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")), QStringLiteral("M30 (END)"));
    EXPECT_EQ(readAllBytes(home.file(QStringLiteral("copy.nc"))), text);
    ASSERT_EQ(logLines().size(), 1);

    // The prompt comes after a pause that lets the events of its time run;
    // the status line no longer says the send goes on.
    bool eventRan = false, ranBeforeBox = false;
    QString statusAtBox;
    QElapsedTimer sinceCall;
    qint64 boxAfter = -1;
    QTimer::singleShot(100, [&] { eventRan = true; }); // within the pause
    const Msg::Handler scripted = Msg::setHandler([&](const Msg::Request&) {
        ranBeforeBox = eventRan;
        boxAfter = sinceCall.elapsed();
        statusAtBox = lastStatusText();
        return Msg::AnswerOk;
    });
    gCancelSend = false; // as for a send that went whole
    afterSendPromptPauseMs() = 500;
    statusbar(QStringLiteral("Sending File 100% [Esc=Cancel]"));
    sinceCall.start();
    checkNeedToWarnAfterSend(path);
    Msg::setHandler(scripted);
    EXPECT_TRUE(ranBeforeBox);
    EXPECT_GE(boxAfter, 500) << "the box comes only after the pause";
    EXPECT_EQ(statusAtBox, QStringLiteral("File Sent - Press OK To End Transmission"));

    // A temporary file is sent, but not logged; its record names no file,
    // and so no line either.
    const QString temp = program("G1\n", QStringLiteral("WORK.TMP"));
    EXPECT_EQ(sendFileNoWindow(temp), SendOutcome::Sent);
    EXPECT_EQ(MachineRecord::current(QStringLiteral("lastfilesent")), QString());
    EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")), QString());
    EXPECT_EQ(logLines().size(), 1);
}

TEST_F(Send, ProgressDisplayLayoutsAndPercentages) {
    const QString path = program("AAA\nBBB\nCCC\n");
    // A slow machine, so every step is drawn; the trailer's pause keeps the
    // window up a moment after the last line.
    set({{"LineDelay", "50"}, {"TrailerSend", "!30!"}});
    auto percents = [this] { return status.filter(QStringLiteral("Sending File ")); };
    const QStringList thirds = {"Sending File 33% [Esc=Cancel]", "Sending File 67% [Esc=Cancel]",
                                "Sending File 100% [Esc=Cancel]"};
    QString barLabel, echo, title;
    bool everShown = false;
    During look([&] {
        if (frmCancelSend* frm = frmCancelSend::instance()) {
            if (frm->currentPicture())
                barLabel = frm->currentPicture()->label();
            if (frm->layout() == 3 && frm->isVisible())
                echo = frm->Text1()->toPlainText();
            if (frm->windowTitle().endsWith(QLatin1String(" Bytes...")))
                title = frm->windowTitle(); // the running count
            everShown = everShown || frm->isVisible();
        }
        return false;
    });

    // Window engine: counted in lines; the bar of a whole send ends at 100 %.
    EXPECT_EQ(windowSend(path), SendOutcome::Sent);
    EXPECT_EQ(percents(), thirds);
    EXPECT_EQ(barLabel, QStringLiteral("100%"));

    // Send without window, "Large %": the echo layout, counted in bytes.
    status.clear();
    QByteArray terminal; // what the terminal view is handed: the blocks as sent
    setTerminalEcho([&terminal](const QByteArray& bytes) { terminal += bytes; });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    setTerminalEcho(nullptr);
    EXPECT_EQ(echo, QStringLiteral("AAA\nBBB\nCCC"));
    EXPECT_EQ(terminal, QByteArray("AAA\r\nBBB\r\nCCC\r\n"));
    EXPECT_EQ(percents(), thirds);

    // The title counts each line read as its length and two, whatever the
    // end of block; the terminal shows each line sent and CR LF. Each line
    // outlasts the window's redraw interval, so the last count is drawn
    // before the trailer's status takes the title.
    set({{"EOBSend", "2"}, {"StripBlankLines", "1"}, {"LineDelay", "300"}});
    settled();
    terminal.clear();
    setTerminalEcho([&terminal](const QByteArray& bytes) { terminal += bytes; });
    EXPECT_EQ(sendFileNoWindow(program("123456789\n\n1234567\n", QStringLiteral("three.nc"))), SendOutcome::Sent);
    setTerminalEcho(nullptr);
    EXPECT_EQ(received(18), "123456789\n1234567\n");
    EXPECT_EQ(title, QStringLiteral("Sending File 22 Bytes..."));
    EXPECT_EQ(terminal, QByteArray("123456789\r\n1234567\r\n"));
    set({{"EOBSend", "0"}, {"StripBlankLines", "0"}, {"LineDelay", "50"}});

    // "None": no window for either engine.
    gDNCStatus = 3;
    everShown = false;
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(windowSend(path), SendOutcome::Sent);
    EXPECT_FALSE(everShown);
    EXPECT_EQ(gDNCStatus, 3);
    gDNCStatus = 2;

    // Fast, the steps come quicker than they could be seen: fewer are drawn,
    // always rising, always ending at 100 %.
    set("LineDelay", "0");
    status.clear();
    const QString big = program(QByteArray(200000, 'X').replace("XXXXXXXXXX", "XXXXXXXXX\n"), QStringLiteral("big.nc"));
    EXPECT_EQ(sendFileNoWindow(big), SendOutcome::Sent);
    const QStringList shown = percents();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), QStringLiteral("Sending File 100% [Esc=Cancel]"));
    int last = 0;
    for (const QString& s : shown) {
        const int pct = s.section(QLatin1Char(' '), 2, 2).chopped(1).toInt();
        EXPECT_GT(pct, last);
        last = pct;
    }
}

// A send faster than the window draws: the echo box holds whole lines in
// their order, the newest read, at least the hundred newest (when a hundred
// were read) and, at the end, the program's last; the terminal view's last
// piece is the program's end as sent.
TEST_F(Send, AFastSendEchoesItsNewestLines) {
    QByteArray text;
    const int lines = 3000;
    for (int i = 1; i <= lines; ++i)
        text += "N" + QByteArray::number(i).rightJustified(6, '0') + " G01 X1.000\r\n";
    const QString path = program(text);
    set("TrailerSend", "!30!"); // the window stays up a moment after the last line
    QList<QStringList> boxes; // each look that found the box drawn
    During look([&] {
        frmCancelSend* frm = frmCancelSend::instance();
        if (frm && frm->layout() == 3 && frm->isVisible() && !frm->Text1()->toPlainText().isEmpty())
            boxes << frm->Text1()->toPlainText().split(QLatin1Char('\n'));
        return false;
    });
    QByteArray piece;
    setTerminalEcho([&piece](const QByteArray& bytes) { piece = bytes; });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    setTerminalEcho(nullptr);
    EXPECT_EQ(settled(), text);
    ASSERT_FALSE(boxes.isEmpty());
    for (const QStringList& shown : boxes) {
        const int first = shown.first().mid(1, 6).toInt();
        for (qsizetype i = 0; i < shown.size(); ++i)
            ASSERT_EQ(shown[i], QStringLiteral("N%1 G01 X1.000").arg(first + i, 6, 10, QLatin1Char('0')));
        EXPECT_GE(shown.size(), qMin(100, first + int(shown.size()) - 1)) << "the newest hundred at least";
    }
    EXPECT_EQ(boxes.last().last(), QStringLiteral("N%1 G01 X1.000").arg(lines, 6, 10, QLatin1Char('0')));
    ASSERT_FALSE(piece.isEmpty());
    EXPECT_TRUE(text.endsWith(piece));
}

// Every line is handed over but the port is still sending (a slow line; a
// machine that reads slowly): the window says so, and its bar follows what
// has left the port, never ahead of it, up to 100 %. "Sending Any Trailer"
// only where there is a trailer.
TEST_F(Send, TheLastBytesAreSaidAndTheBarFollowsThem) {
    set({{"HeaderSend", ""}, {"Handshaking", "0"}});
    const int lines = 1500; // more than the pseudo-terminal holds, and the last hand-over
    const QByteArray text = numbered(lines);
    const QString path = program(text);
    const QString lastBytes = QStringLiteral("Sending The Last Bytes");
    const struct {
        bool window;
        const char* trailer;
        // DripFeedPacketSize; a drip feed's last block is written whole, its
        // bytes gone as the write ends: nothing left for the last bytes.
        const char* route = "0";
    } rows[] = {{false, ""}, {true, "77,51,48"}, {false, "", "2"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.window ? "window engine, a trailer" : "from disk, no trailer") + " " + r.route);
        set({{"TrailerSend", r.trailer}, {"DripFeedPacketSize", r.route}});
        const qint64 before = comPort().handedCount() - comPort().droppedCount();
        QStringList said; // the window's captions, the indicator's texts among them
        const QObject listening;
        frmCancelSend* heard = nullptr;
        // Looks at the last bytes with the bar short of 100 %, and ahead of the port.
        int behindTheLine = 0, ahead = 0;
        During look([&] {
            frmCancelSend* frm = frmCancelSend::instance();
            if (!frm || !frm->currentPicture())
                return false;
            if (frm != heard)
                QObject::connect(heard = frm, &QWidget::windowTitleChanged, &listening,
                                 [&said](const QString& t) { said << t; });
            if (statusText() != lastBytes)
                return false;
            const qint64 left =
                comPort().handedCount() - comPort().droppedCount() - comPort().pendingOutput() - before;
            const int wire = r.window ? SendLines::percentOf(text.left(left).count("\r\n"), lines)
                                      : SendLines::percentOf(qMin<qint64>(left, text.size()), text.size());
            const int bar = frm->currentPicture()->label().chopped(1).toInt();
            ahead += bar > wire;
            behindTheLine += bar < 100;
            return false;
        });
        machine.setPace(100, 20);
        EXPECT_EQ(r.window ? windowSend(path) : sendFileNoWindow(path), SendOutcome::Sent);
        machine.setPace(0, 0);
        const QByteArray trailer = *r.trailer ? "M30" : "";
        EXPECT_EQ(received(text.size() + trailer.size()), text + trailer);
        EXPECT_EQ(ahead, 0) << "the bar ran ahead of the port";
        const qsizetype sending = said.lastIndexOf(QStringLiteral("Sending File"));
        if (*r.route == '0') {
            EXPECT_GT(behindTheLine, 0);
            EXPECT_GT(said.indexOf(lastBytes, sending), sending) << qPrintable(said.join('|'));
        }
        EXPECT_EQ(said.contains(QStringLiteral("Sending Any Trailer")), *r.trailer != 0)
            << qPrintable(said.join('|'));
    }
}

// The resident memory's peak ("VmHWM") or its size now ("VmRSS"), in bytes;
// -1 where the system does not say.
qint64 residentBytes(const char* which) {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("%1:\\s*(\\d+) kB").arg(QLatin1String(which)))
            .match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() * 1024 : -1;
}

// A program of one line megabytes long (a file with no line end the send
// splits on) goes to a machine that reads at once as fast as it reads,
// whole, in far less memory than its text laid out would take: the echo
// shows the line's end, the Current Block field its start.
TEST_F(Send, ALineMegabytesLongGoesAtThePortsPace) {
    set({{"HeaderSend", ""}, {"TrailerSend", ""}});
    const struct {
        bool window;
        int display; // the echo of a send from disk, every field
        int pieces;  // of the line, 7 bytes each
    } rows[] = {{false, 2, 150000}, {true, 0, 600000}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.window ? "window engine, every field" : "from disk, echo");
        gDNCStatus = r.display;
        const QByteArray line = "N1" + QByteArray("G01X1.0").repeated(r.pieces) + "M30";
        const QString path = program(line);
        QString echoEnd, block;
        During look([&] {
            if (frmCancelSend* frm = frmCancelSend::instance(); frm && frm->isVisible()) {
                echoEnd = frm->Text1()->toPlainText().right(10);
                block = frm->Label2(5)->text();
            }
            return false;
        });
        // The peak from here on; unchecked where the kernel cannot set it back.
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        const bool measured = reset.open(QIODevice::WriteOnly) && reset.write("5") == 1 && reset.flush();
        const qint64 before = residentBytes("VmRSS");
        const CancelAfter deadline(60000); // not still going long after the machine had it all
        EXPECT_EQ(r.window ? windowSend(path) : sendFileNoWindow(path), SendOutcome::Sent);
        const qint64 added = residentBytes("VmHWM") - before;
        const QByteArray got = received(line.size() + 2);
        EXPECT_EQ(got.size(), line.size() + 2);
        EXPECT_TRUE(got == line + "\r\n");
        if (measured && before > 0) { // a program idling at under 50 MiB stays under 150 MiB
            EXPECT_LT(added, 100 << 20) << added / (1 << 20) << " MiB";
        }
        // Named by its start in the restart record, not megabytes of settings.
        const QString restart = MachineRecord::current(QStringLiteral("lastline"));
        EXPECT_TRUE(restart.size() <= 4096 && restart.startsWith(QLatin1String("N1G01X1.0"))) << restart.size();
        if (r.window)
            EXPECT_TRUE(block.startsWith(QLatin1String("N1G01X1.0"))) << block.left(20).toStdString();
        else
            EXPECT_EQ(echoEnd, QStringLiteral("G01X1.0M30"));
    }
    gDNCStatus = 2;
}

// The send without window's batched path (plain settings): lines of any
// length go whole, one longer than a read piece too; blank lines stay out
// when asked; the terminal view gets the lines sent, each with CR LF,
// whatever the end of block.
TEST_F(Send, TheBatchedPathSendsLinesWholeAndShowsThem) {
    QByteArray lines;
    for (int i = 1; i <= 300; ++i)
        lines += "N" + QByteArray::number(i) + " " + QByteArray(50 + i * 37 % 151, char('A' + i % 26)) + "\n";
    lines.insert(lines.indexOf("\nN150 ") + 1, "(" + QByteArray(70000, 'L') + ")\n");
    EXPECT_EQ(sendFileNoWindow(program(lines)), SendOutcome::Sent);
    EXPECT_EQ(settled(), QByteArray(lines).replace("\n", "\r\n"));

    QByteArray spaced, kept;
    for (int i = 1; i <= 3000; ++i) {
        const QByteArray line = "N" + QByteArray::number(i) + " G01 X1\n";
        spaced += line + "\n";
        kept += line;
    }
    set("StripBlankLines", "1");
    EXPECT_EQ(sendFileNoWindow(program(spaced)), SendOutcome::Sent);
    EXPECT_EQ(settled(), QByteArray(kept).replace("\n", "\r\n")) << "no blank line";

    set({{"StripBlankLines", "0"}, {"EOBSend", "2"}});
    QByteArray terminal;
    setTerminalEcho([&terminal](const QByteArray& bytes) { terminal += bytes; });
    EXPECT_EQ(sendFileNoWindow(program(kept)), SendOutcome::Sent);
    setTerminalEcho(nullptr);
    EXPECT_EQ(settled(), kept);
    const QByteArray lastLines = kept.mid(kept.indexOf("N2900 "));
    EXPECT_TRUE(terminal.endsWith(QByteArray(lastLines).replace("\n", "\r\n")))
        << terminal.right(100).constData();
}

TEST_F(Send, MinimiseOnSend) {
    const QString path = program("G0X1\n");
    writeIni(QStringLiteral("Settings"), QStringLiteral("MinimizeOnSend"), QStringLiteral("2"));
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_TRUE(host.minimized);
    EXPECT_EQ(host.caption(), QStringLiteral("Machine1 : 100 %"));
    host.setCaption(QStringLiteral("Feedline"));
    EXPECT_EQ(sendFileNoWindow(program(QByteArray(), QStringLiteral("empty.nc"))), SendOutcome::NotSent);
    EXPECT_EQ(host.caption(), QStringLiteral("Machine1 : 100 %")) << "however the send ended";

    writeIni(QStringLiteral("Settings"), QStringLiteral("MinimizeOnSend"), QStringLiteral("1"));
    host.minimized = false;
    host.setCaption(QStringLiteral("Feedline"));
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_FALSE(host.minimized);
    EXPECT_TRUE(host.events.contains("minimize"));
    EXPECT_EQ(host.events.last(), "normal");
    EXPECT_EQ(host.caption(), QStringLiteral("Feedline"));
}

TEST_F(Send, SecondSendWhileOneRunsIsRefused) {
    set("LineDelay", "5");
    const QString path = program(numbered(40));
    SendOutcome second = SendOutcome::Sent;
    During user([&] {
        if (machine.receivedCount() == 0)
            return false;
        second = sendFileNoWindow(path);
        sendFromWindow();
        return true;
    });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(second, SendOutcome::NotSent);
    const QByteArray expected = numbered(40);
    EXPECT_EQ(received(expected.size()), expected);
    EXPECT_EQ(settled(), QByteArray()) << "sent once";
}

class SendFromEditor : public Send {
protected:
    EditorManager editors;
};

TEST_F(SendFromEditor, EditedWindowGoesAsItStandsThroughTheTemporaryFile) {
    const QString path = program("N1 X1\nN2 X2\n");
    ASSERT_GE(editors.openFileInNewWindow(path), 0);
    EditControl* control = editors.activeEditor();
    const QString windowFile = gWindows[gActiveWindow].fileName;

    // Unchanged: the window's text, logged under its file.
    QString file = windowFile;
    int line = 0;
    EXPECT_EQ(sendTextBlock(file, true, line), SendOutcome::Sent);
    EXPECT_EQ(received(14), "N1 X1\r\nN2 X2\r\n");
    EXPECT_EQ(logLines().size(), 1);

    // Edited: saved to the machine's temporary file and sent from the window.
    // The progress window and the prompt after it name the window's file, as
    // the operator knows it.
    const QString sent = QStringLiteral("The File \"%1\" Has Been Sent").arg(windowFile);
    set("LineDelay", "50"); // the progress window stays up to be read
    QSet<QString> shownNames;
    During look([&] {
        if (frmCancelSend* frm = frmCancelSend::instance())
            shownNames << frm->Label2(1)->text();
        return false;
    });
    control->setBytes("N1 X9\nN2 X2\nN3 X3\n");
    ASSERT_TRUE(control->isModified());
    file = windowFile;
    line = 0;
    msgs.clear();
    control->setCaretLine(1);
    EXPECT_EQ(sendTextBlock(file, true, line), SendOutcome::Sent);
    EXPECT_EQ(control->caretLine(), 1) << "the caret followed the send, and goes back";
    EXPECT_EQ(file, ProgramPaths::programFolder() + QStringLiteral("Machine1.tmp"));
    EXPECT_EQ(readAllBytes(file), QByteArray("N1 X9\nN2 X2\nN3 X3\n"));
    EXPECT_EQ(received(21), "N1 X9\r\nN2 X2\r\nN3 X3\r\n");
    EXPECT_TRUE(msgs.sawText(sent)) << qPrintable(msgs.texts().join('|'));
    EXPECT_EQ(logLines().size(), 1) << "the temporary file is not logged";
    EXPECT_EQ(MachineRecord::current(QStringLiteral("lastfilesent")), windowFile);

    // Send from disk of the file the window holds sends the window, edits
    // included, by the text send and by a drip feed alike.
    for (const char* route : {"0", "2"}) {
        set("DripFeedPacketSize", route);
        msgs.clear();
        msgs.answerFiles({windowFile});
        sendFromDisk(true);
        EXPECT_EQ(received(21), "N1 X9\r\nN2 X2\r\nN3 X3\r\n");
        EXPECT_TRUE(msgs.sawText(sent)) << route << qPrintable(msgs.texts().join('|'));
    }
    EXPECT_EQ(shownNames, QSet<QString>{getFileNameFromPath(windowFile)});
    EXPECT_EQ(logLines().size(), 1);
    expectIdleAndUnlocked();

    // A drip feed of the edited window that fails (the machine gone) names
    // the window's file too.
    set("DripFeedPacketSize", "2");
    control->setBytes(numbered(50000));
    PtyMachine vanishing;
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), vanishing.slavePath());
    vanishing.setReaction([m = &vanishing](qint64 got) {
        if (got > 5000)
            m->setReading(false); // and it goes while the send surely runs
    });
    During hangUp([&] {
        if (vanishing.receivedCount() > 5000)
            vanishing.hangUp();
        frmCancelSend* frm = frmCancelSend::instance();
        if (!frm || !frm->Label2(4)->text().startsWith(QLatin1String("Error")))
            return false;
        gCancelSend = true; // no need to sit out the error's pause
        return true;
    });
    msgs.clear();
    file = windowFile;
    EXPECT_EQ(sendTextBlock(file, true, line), SendOutcome::PortFailed);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("\"%1\" Was Not Sent Whole").arg(windowFile)))
        << qPrintable(msgs.texts().join('|'));
}

// Each entry checks the keys of the route it sends by: the editor window's
// send is the window's text send, which reads IgnoreBlockType; Send Binary
// sends the file as it is and never reads the end of block.
TEST_F(SendFromEditor, EachEntryChecksTheKeysOfItsOwnRoute) {
    const QByteArray text = "N1 X1\nN2 X2\n";
    const QString path = program(text);
    ASSERT_GE(editors.openFileInNewWindow(path), 0);
    const struct {
        const char *key, *value;
        std::function<void()> send;
        QByteArray received; // empty: refused, naming the key
    } rows[] = {{"IgnoreBlockType", "1.0", [] { sendFromWindow(); }, ""},
                {"EOBSend", "7", [&path] { sendBinaryFile(path, 512); }, text}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        set(row.key, row.value);
        msgs.clear();
        row.send();
        EXPECT_EQ(settled(), row.received);
        EXPECT_EQ(msgs.sawText(QStringLiteral("%1=%2").arg(row.key, row.value)), row.received.isEmpty())
            << qPrintable(msgs.texts().join('|'));
        set(row.key, "0");
    }
}

TEST_F(SendFromEditor, RestartFromTheChosenLineOfTheChosenFile) {
    set({{"HeaderSend", "37,10"},
         {"TrailerSend", "37"},
         {"DefaultToDirectories", "1"},
         {"SendDirectory", "/elsewhere"}});
    const QString path = program("N1\nN2\nN3\nN4\nN5\n");
    msgs.answerFiles({path}).answerInput(QStringLiteral("3"));
    safeRestart();
    EXPECT_EQ(received(15), "%\nN3\r\nN4\r\nN5\r\n%");

    // Not a line of the file, or no answer: nothing goes. The last file sent
    // is offered where it is, not in the send folder.
    msgs.answerFiles({path}).answerInput(QStringLiteral("6"));
    safeRestart();
    EXPECT_EQ(msgs.fileRequests().last().startPath(), path);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("\"6\" Is Not A Line Number From 1 To 5")));
    msgs.answerFiles({path}).answerInput(QString(), false);
    safeRestart();
    EXPECT_EQ(settled(), QByteArray());

    // The file open in the active window restarts from the window's text.
    ASSERT_GE(editors.openFileInNewWindow(path), 0);
    editors.activeEditor()->setBytes("N1\nN2\nN7\nN8\n");
    msgs.answerFiles({gWindows[gActiveWindow].fileName}).answerInput(QStringLiteral("2"));
    safeRestart();
    EXPECT_EQ(received(15), "%\nN2\r\nN7\r\nN8\r\n%");
    EXPECT_EQ(gPortState, PortIdle);

    // A window's send, cancelled, leaves a record of its own: an edited
    // window's names its file, which the restart then offers; an untitled
    // window's names no file and no line, never a line of the program
    // sent before.
    const QString before = program("N9\n", QStringLiteral("OTHER.NC"));
    const int edited = gActiveWindow;
    const int untitled = editors.openFileInNewWindow(QString());
    ASSERT_GE(untitled, 0);
    for (const int window : {edited, untitled}) {
        editors.selectWindow(window);
        const bool titled = window == edited;
        SCOPED_TRACE(titled ? "edited" : "untitled");
        set({{"lastfilesent", before.toLatin1().constData()}, {"lastline", "N9"}, {"LineDelay", "20"}});
        editors.activeEditor()->setBytes(numbered(200));
        During cancel([&] { return machine.receivedCount() > 30 && (gCancelSend = true); });
        QString file = gWindows[window].fileName;
        int line = 0;
        EXPECT_EQ(sendTextBlock(file, true, line), SendOutcome::Cancelled);
        EXPECT_EQ(MachineRecord::current(QStringLiteral("lastfilesent")), titled ? path : QString());
        EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")).isEmpty(), !titled);
        msgs.answerFiles({}).answerInput(QString(), false);
        safeRestart();
        EXPECT_NE(msgs.fileRequests().last().startPath(), before);
        if (titled) {
            EXPECT_EQ(msgs.fileRequests().last().startPath(), path);
        }
        settled();
    }
}

// The editor ends a line at LF and at a lone CR, so an LF CR program shows
// each block on every other line: the restart asks for the line it shows.
TEST_F(SendFromEditor, RestartLinesAreTheEditorsInAnLfCrProgram) {
    const QString path = program("N1\n\rN2\n\rN3\n\r");
    // From the file, and from the window that holds it (edited); the blank
    // line the editor shows after a block restarts at that block.
    const struct {
        const char* line;
        bool inWindow;
        QByteArray sent;
    } rows[] = {{"3", false, "N2\r\nN3\r\n"},
                {"4", false, "N2\r\nN3\r\n"},
                {"3", true, "N7\r\nN8\r\n"},
                {"4", true, "N7\r\nN8\r\n"}};
    bool opened = false;
    for (const auto& row : rows) {
        if (row.inWindow && !std::exchange(opened, true)) {
            ASSERT_GE(editors.openFileInNewWindow(path), 0);
            editors.activeEditor()->setBytes("N1\n\rN7\n\rN8\n\r");
            ASSERT_EQ(editors.activeEditor()->lineText(3), QStringLiteral("N7"));
        }
        msgs.answerFiles({row.inWindow ? gWindows[gActiveWindow].fileName : path})
            .answerInput(QLatin1String(row.line));
        safeRestart();
        EXPECT_EQ(received(row.sent.size()), row.sent) << row.line << (row.inWindow ? " in the window" : "");
    }
    msgs.answerFiles({path}).answerInput(QStringLiteral("6"));
    safeRestart();
    EXPECT_TRUE(msgs.sawText(QStringLiteral("\"6\" Is Not A Line Number From 1 To 5")));
    EXPECT_EQ(settled(), QByteArray());
}

// While a window is sent, its caret stands on the block the progress window
// shows, on the editor's own line: in an LF CR program block k is on line
// 2k-1. The machine holds the send with XOFF, so the display stands still.
TEST_F(SendFromEditor, TheCaretStandsOnTheShownBlockInTheEditorsLines) {
    set("Handshaking", "1");
    ASSERT_GE(editors.openFileInNewWindow(program(numbered(5000).replace("\r\n", "\n\r"))), 0);
    EditControl* control = editors.activeEditor();
    machine.setReaction([m = &machine, held = false](qint64 got) mutable {
        if (!held && got >= 20000)
            m->send("\x13"); // and never an XON
        held = held || got >= 20000;
    });
    bool matched = false;
    During operatorSide([&] {
        frmCancelSend* frm = frmCancelSend::instance();
        if (!frm || machine.receivedCount() < 20000 || frm->Label2(5)->text().isEmpty())
            return false;
        matched = control->lineText(control->caretLine()) == frm->Label2(5)->text();
        gCancelSend = gCancelSend || matched;
        return matched;
    });
    const CancelAfter deadline(20000);
    QString file = gWindows[gActiveWindow].fileName;
    int line = 0;
    EXPECT_EQ(sendTextBlock(file, true, line), SendOutcome::Cancelled);
    EXPECT_TRUE(matched) << "the caret was never on the block shown";
    settled();
}

TEST_F(Send, SeveralFilesInTheirOrderAndCancelEndsTheBatch) {
    const QString a = program("A1\n", QStringLiteral("a.nc"));
    const QString b = program("B1\n", QStringLiteral("b.nc"));
    const QString c = program("C1\n", QStringLiteral("c.nc"));
    msgs.answerFiles({a, b, c});
    sendFromDisk(true);
    EXPECT_EQ(received(12), "A1\r\nB1\r\nC1\r\n");
    const QStringList log = logLines();
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log[0].contains(a));
    EXPECT_TRUE(log[2].contains(c));
    EXPECT_EQ(MachineRecord::current(QStringLiteral("lastfilesent")), c);

    // A cancel once the first file has gone whole (in the trailer's pause)
    // stops nothing of it, but still ends the batch, and says so.
    set("TrailerSend", "77,!20000!");
    During inThePause([&] {
        if (machine.receivedCount() < 5)
            return false;
        gCancelSend = true;
        return true;
    });
    msgs.answerFiles({a, b, c});
    sendFromDisk(true);
    EXPECT_EQ(settled(), "A1\r\nM");
    EXPECT_EQ(lastStatusText(), QStringLiteral("Ready - a.nc Was Sent, The 2 Files After It Were Not"));

    // A cancelled send ends the batch: the files after it are not sent.
    set({{"WaitForXON", "1"}, {"TrailerSend", ""}});
    int started = 0;
    During operatorSide([&] {
        if (frmCancelSend::instance() && !gCancelSend) {
            ++started;
            gCancelSend = true;
        }
        return false;
    });
    msgs.answerFiles({a, b, c});
    sendFromDisk(true);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(settled(), QByteArray());
    ASSERT_EQ(logLines().size(), 5) << "the cancelled send was begun";
    EXPECT_TRUE(logLines()[4].contains(a));
    expectIdleAndUnlocked();

    // The dialog cancelled: no send, nothing locked.
    host.events.clear();
    msgs.answerFiles({});
    sendFromDisk(true);
    EXPECT_TRUE(host.events.isEmpty());
}

TEST_F(Send, RepeatKeepsThePortOpenBetweenTheSends) {
    const QString path = program("R1\n");
    sendRepeat(3, path);
    EXPECT_EQ(received(12), "R1\r\nR1\r\nR1\r\n");
    EXPECT_FALSE(comPort().isOpen());
    EXPECT_EQ(gKeepAlive, 0);
    EXPECT_EQ(gPortState, PortIdle);
}
