// The block routes (executive tape, drip feed, chunked, Send Binary, turbo)
// end to end over a pseudo-terminal, their line preparation, and the
// paper-tape title.
#include "BlockPrep.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "PercentBar.h"
#include "RecentFiles.h"
#include "SendEntries.h"
#include "SendOnPty.h"
#include "TapePunch.h"
#include "XModemTransfer.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <atomic>
#include <utility>

namespace {

TEST(BlockPrep, SameBlocksWhateverThePieces) {
    SendLines::Rules strip;
    strip.stripSpaces = true;
    strip.ignoreBlock = "/";
    strip.stripBlankLines = true;
    const struct {
        QByteArray in, eob;
        SendLines::Rules rules;
        QByteArray out;
    } rows[] = {
        {"N10 G0\r\n/N20\r\n\r\nN30 M30\r\n", "\r\n", strip, "N10G0\r\nN30M30\r\n"},
        {"A\nB\rC\r\nD", "\r\n", {}, "A\r\nB\r\nC\r\nD\r\n"}, // every line end, and a last line without one
        {"A\r\n\r\nB\r\n", "\n", {}, "A\n\nB\n"},             // an empty line stays unless asked
        {"A\r\r\nB", ";", {}, "A;;B;"},                       // CR, then CR LF
        {"A\n\rB\n\r\n\rC", "\r\n", {}, "A\r\nB\r\n\r\nC\r\n"},   // LF CR ends, an empty line between
        {"A\n\r\rB\n\r\r", ";", {}, "A;B;"},                // LF CR CR
        {"A\n\rB\n\r", "\n\r", {}, "A\n\rB\n\r"},            // already the machine's
        {"A\n\nB\r\rC", ";", {}, "A;;B;;C;"},                // LF LF and CR CR keep their blank line
        {"", "\r\n", {}, ""},
    };
    for (const auto& row : rows) {
        for (int piece = 1; piece <= row.in.size() + 1; ++piece) {
            SCOPED_TRACE(row.in.toStdString() + " in pieces of " + std::to_string(piece));
            BlockPrep prep(row.eob, row.rules);
            QByteArray out;
            for (int at = 0; at < row.in.size(); at += piece)
                prep.feed(row.in.constData() + at, qMin(piece, int(row.in.size()) - at), &out);
            prep.finish(&out);
            EXPECT_EQ(out, row.out);
        }
    }
}

class Blocks : public SendOnPty {
protected:
    void SetUp() override {
        SendOnPty::SetUp();
        set({{"DripFeedPacketSize", "2"}, {"HeaderSend", "37,10"}, {"TrailerSend", "77,51,48"}});
    }
};

// Every route from disk, as its machine setting (DripFeedPacketSize) or
// the Send Binary menu chooses it; the text send beside them.
const struct Route {
    const char* name;
    const char* packetSize;
    bool binary;
} kRoutes[] = {{"text", "0", false},  {"drip feed", "2", false},      {"chunked", "7", false},
               {"turbo", "3", false}, {"executive tape", "1", false}, {"Send Binary", "0", true}};

SendOutcome sendBy(const Route& route, const QString& path) {
    writeIni(gCurrentMachineSection, QStringLiteral("DripFeedPacketSize"),
             QString::fromLatin1(route.packetSize));
    return route.binary ? sendBinaryFile(path, 512) : sendFileNoWindow(path);
}

// The number of a numbered block ("N120 G01 X1.000" is 120); -1 for none.
int blockNumber(const QString& block) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^N(\\d+) ")).match(block);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// What the progress window shows as it goes away at the end of a send.
class LastLook : public QObject {
public:
    struct Seen {
        QString bar, currentBlock, echoEnd, timeSoFar, time;
    };
    Seen seen;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* frm = qobject_cast<frmCancelSend*>(watched);
        if (frm && event->type() == QEvent::Hide) {
            seen.bar = frm->currentPicture() ? frm->currentPicture()->label() : QString();
            seen.currentBlock = frm->Label2(5)->text();
            seen.echoEnd = frm->Text1()->toPlainText().section(QLatin1Char('\n'), -1);
            seen.timeSoFar = frm->Label2(2)->text();
            seen.time = frm->Label2(frm->layout() == 3 ? 7 : 0)->text();
        }
        return false;
    }

private:
    During watch_{[this] {
        if (frmCancelSend* frm = frmCancelSend::instance())
            frm->installEventFilter(this);
        return false;
    }};
};

TEST_F(Blocks, EachRouteSendsItsBytes) {
    set({{"StripSpaces", "1"}, {"IgnoreBlock", "/"}});
    const QString path = program("N10 G0 X1\r\n/N20 M0\r\nN30 M30\r\n");
    const QString copy = home.file(QStringLiteral("copy.nc"));
    writeIni(QStringLiteral("Settings"), QStringLiteral("TressickFile"), copy);
    for (const char* packets : {"2", "3"}) {
        SCOPED_TRACE(packets[0] == '2' ? "drip feed" : "turbo");
        set("DripFeedPacketSize", QString::fromLatin1(packets));
        gBestEob = true; // left on by the debug window: a send's echo is shown as it passes
        EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
        EXPECT_FALSE(gBestEob);
        EXPECT_EQ(received(22), "%\nN10G0X1\r\nN30M30\r\nM30");
        EXPECT_EQ(readAllBytes(copy), "N10G0X1\r\nN30M30\r\n") << "the extra copy is what was sent";
        QFile::remove(copy);
    }
    writeIni(QStringLiteral("Settings"), QStringLiteral("TressickFile"), QString());

    SCOPED_TRACE("chunked, 2-byte blocks, default keys but the route and StripBlankLines; a last line without its end");
    removeIniSection(gCurrentMachineSection, gIniPath);
    set({{"DripFeedPacketSize", "5"}, {"WaitAfterSending", "30"}, {"StripBlankLines", "1"}});
    writeAllBytes(path, "G0\n\nX1");
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(settled(), "G0\r\nX1\r\n");

    SCOPED_TRACE("Send Binary: the file's own bytes");
    const QByteArray binary = randomBytes(1000);
    writeAllBytes(path, binary);
    EXPECT_EQ(sendBinaryFile(path, 32), SendOutcome::Sent);
    EXPECT_EQ(received(binary.size()), binary);

    SCOPED_TRACE("executive tape: the file as it is, no header, no trailer");
    set({{"DripFeedPacketSize", "1"}, {"HeaderSend", "37,10"}, {"TrailerSend", "77,51,48"}});
    writeAllBytes(path, "N10\nN20");
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(settled(), "N10\nN20");

    SCOPED_TRACE("an EIA machine's drip feed arrives converted");
    writeAllBytes(home.file(QStringLiteral("codeset.eia")), "[Ascii2Eia]\n71=103\n48=32\n37=11\n10=128\n");
    set({{"DripFeedPacketSize", "2"}, {"CharacterSet", "1"}, {"EOBSend", "2"}, {"TrailerSend", ""}});
    writeAllBytes(path, "G0\r\n");
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(received(5), QByteArray("\x0b\x80\x67\x20\x80", 5));
    SCOPED_TRACE("on an EIA machine Send Binary and executive tape still send the file's own bytes");
    EXPECT_EQ(sendBinaryFile(path, 32), SendOutcome::Sent);
    EXPECT_EQ(settled(), QByteArray("\x0b\x80G0\r\n"));
    set("DripFeedPacketSize", "1");
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(settled(), "G0\r\n");
    expectIdleAndUnlocked();
}

// A merge goes out by the route its machine chooses; every route logs it as
// what was merged, and the "{Prompt Me}" box names it so too, and lists the
// file the next merge overwrites nowhere.
TEST_F(Blocks, EveryRouteLogsAMergeAsWhatWasMerged) {
    set("SendTimeOut", "1"); // the XModem route has no receiver
    const QString merged = program("G0\r\n", QStringLiteral("merge.$$$"));
    // DripFeedPacketSize and Handshaking: text, drip feed, chunked, turbo, executive tape, XModem.
    for (const char* route : {"0 1", "2 1", "7 1", "3 1", "1 1", "0 4"}) {
        SCOPED_TRACE(route);
        set("DripFeedPacketSize", QString(QLatin1Char(route[0])));
        set("Handshaking", QString::fromLatin1(route + 2));
        QFile::remove(transferLogPath());
        msgs.clear();
        QString file = merged;
        int line = 0;
        sendTextBlock(file, false, line, QStringLiteral("Merge Of a.nc + b.nc"));
        const QStringList log = logLines();
        ASSERT_EQ(log.size(), 1);
        EXPECT_TRUE(log[0].startsWith(QStringLiteral("Machine1 - Send File To CNC - Merge Of a.nc + b.nc - ")));
        EXPECT_FALSE(msgs.sawText(QStringLiteral("merge.$$$"))) << msgs.texts().join('|').toStdString();
        if (route[2] != '4') { // XModem asks nothing after its send
            EXPECT_TRUE(msgs.sawText(QStringLiteral("\"Merge Of a.nc + b.nc\" Has Been Sent")));
        }
        EXPECT_FALSE(RecentFiles::entries(QStringLiteral("send")).join(' ').contains(QStringLiteral("merge")));
        settled();
    }
}

// A cancelled XModem transfer repeats its CANs a moment later, for a peer
// that was not listening: never into another transfer begun meanwhile.
TEST_F(Blocks, ACancelledXModemTransfersCansReachNoLaterTransfer) {
    set("Handshaking", "4");
    XModemTransfer* t = startXModemSendTransfer(program("G0\r\n"));
    ASSERT_TRUE(t);
    cancelXModemTransfer();
    EXPECT_EQ(t->waitUntilFinished(), XModem::Outcome::Cancelled);
    // A send begins before the repeat is due, however late the machine reads.
    ASSERT_TRUE(openPort());
    pumpEvents(800); // past the repeat's delay
    EXPECT_EQ(settled(), QByteArray(5, '\x18')) << "the cancel's CANs, and no repeat into the send";
    resetXModemTransfer();
}

TEST_F(Blocks, EveryRouteEndsAt100WithTheLastBlockAndItsTime) {
    set({{"HeaderSend", ""}, {"TrailerSend", ""}});
    const QByteArray text = numbered(3000);
    const QString path = program(text);
    const QRegularExpression clock(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d$"));
    for (const Route& route : kRoutes) {
        for (const int display : {2, 0}) { // the echo of a send from disk, every field
            SCOPED_TRACE(std::string(route.name) + (display ? " echo" : " fields"));
            gDNCStatus = display;
            LastLook look;
            EXPECT_EQ(sendBy(route, path), SendOutcome::Sent);
            EXPECT_EQ(received(text.size()), text);
            EXPECT_EQ(look.seen.bar, QStringLiteral("100%"));
            EXPECT_EQ(display ? look.seen.echoEnd : look.seen.currentBlock,
                      QStringLiteral("N30000 G01 X1.000"));
            EXPECT_TRUE(clock.match(look.seen.time).hasMatch()) << look.seen.time.toStdString();
            if (!display) {
                EXPECT_TRUE(clock.match(look.seen.timeSoFar).hasMatch()) << look.seen.timeSoFar.toStdString();
            }
        }
    }
    gDNCStatus = 2;
}

// A cancel once the program and the trailer's bytes have all left the port
// (in the trailer's closing pause, or the last line's delay, the lines
// after it dropped, in a later piece too) stopped nothing: the send is
// whole and says no cancel, and the restart line is the last line the
// machine got. One in a pause before the trailer's bytes, in the last
// line's delay with the trailer to come, with a line or a block still to go
// (after the last block of a piece, the next not yet read, or only a last
// line without its end), while CTS holds the last line, or with the trailer
// handed over but held by XOFF (a port kept open included), stays a cancel.
TEST_F(Blocks, ACancelOnceEverythingHasLeftStopsNothing) {
    const QByteArray text = "N10 G0\r\nN20 M30\r\n";
    QByteArray pieces; // 8-byte lines: the first 64 KiB piece ends with a line
    for (int i = 1; i <= 8202; ++i)
        pieces += "N" + QByteArray::number(i).rightJustified(5, '0') + "\r\n";
    const QString path = home.file(QStringLiteral("part.nc"));
    std::vector<std::pair<std::string, std::function<SendOutcome()>>> sends;
    for (const Route& route : kRoutes)
        if (qstrcmp(route.packetSize, "1") != 0) // the executive tape has no trailer to hold it
            sends.push_back({route.name, [&route, &path] { return sendBy(route, path); }});
    sends.push_back({"window engine", [&path] {
                         set("DripFeedPacketSize", "0");
                         return windowSend(path);
                     }});
    const char* lineRoutes = "text|window engine|drip feed";
    const struct {
        const char *trailer, *lineDelay, *handshaking;
        QByteArray cancelledOnceIn;
        SendOutcome outcome;
        QByteArray program = {};           // the two lines when empty
        const char* keys = "";             // more machine keys, "Key=value", a space between
        const char* routes = "";           // the routes the row is for, "|" between; every route when empty
        bool xoffBeforeTrailer = false;
        bool lateIsWhole = false; // a cancel the test makes late (a loaded machine) ends a whole send
    } rows[] = {
        {"77,51,48,!20000!", "0", "1", "%\n" + text + "M30", SendOutcome::Sent},
        {"!20000!,77,51,48", "0", "1", "%\n" + text, SendOutcome::Cancelled},
        {"", "500", "1", "%\n" + text, SendOutcome::Sent},
        {"77,51,48", "500", "1", "%\n" + text, SendOutcome::Cancelled},
        {"", "500", "1", "%\nN10 G0\r\n", SendOutcome::Cancelled, "", "", "text|window engine|chunked"},
        {"", "100", "1", "%\n" + pieces.left(65536), SendOutcome::Cancelled, pieces, "OutBufferSize=1",
         "drip feed", false, true},
        {"", "500", "1", "%\n" + text, SendOutcome::Sent, text + "\r\n\r\n\r\n", "StripBlankLines=1",
         lineRoutes},
        {"", "500", "1", "%\n" + text, SendOutcome::Sent, text + "(SKIP) M0\r\n", "IgnoreBlock=(SKIP)",
         lineRoutes},
        // CTS falls as the text send looks before its second line.
        {"", "0", "2", "%\nN10 G0\r\n", SendOutcome::Cancelled, "", "", "text|window engine"},
        {"77,51,48", "500", "1", "%\n" + text, SendOutcome::Cancelled, "", "", "", true},
        // A port kept open for the next send drops the held trailer all the same.
        {"77,51,48", "500", "1", "%\n" + text, SendOutcome::Cancelled, "", "KeepAlive=1 SendTimeOut=0",
         "text|drip feed|chunked", true},
        // The first piece sent, its last line held back by the preparation for its end.
        {"", "100", "1", "%\n" + pieces.left(65536), SendOutcome::Cancelled, pieces.left(65536) + "N08193",
         "OutBufferSize=1", "drip feed", false, true},
        // The first piece sent, and only blank lines dropped after it.
        {"", "100", "1", "%\n" + pieces.left(65536), SendOutcome::Sent, pieces.left(65536) + "\r\n\r\n\r\n",
         "OutBufferSize=1 StripBlankLines=1", "drip feed"},
        // The tape's end is still to punch after the trailer.
        {"", "500", "1", "%\n" + text, SendOutcome::Cancelled, "", "PunchToTape=1", "window engine"}};
    // A tape title ends at the first line; punched only where a row asks.
    set({{"IgnoreUntil", "N10"}, {"AfterTape", "3"}});
    writeAllBytes(home.file(QStringLiteral("punch.man")), "[Settings]\ngap=0\n");
    for (const auto& row : rows) {
        const bool cts = qstrcmp(row.handshaking, "2") == 0; // looked at before each line
        writeAllBytes(path, row.program.isEmpty() ? text : row.program);
        set({{"TrailerSend", row.trailer},
             {"LineDelay", row.lineDelay},
             {"Handshaking", row.handshaking},
             {"FlowMethod", cts ? "0" : "1"},
             {"OutBufferSize", "7"},
             {"StripBlankLines", "0"},
             {"IgnoreBlock", ""},
             {"KeepAlive", "0"},
             {"PunchToTape", "0"}});
        for (const QString& key : QString::fromLatin1(row.keys).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            writeIni(gCurrentMachineSection, key.section(QLatin1Char('='), 0, 0),
                     key.section(QLatin1Char('='), 1));
        loadCurrentMachineValues(); // as selecting the machine does
        for (const auto& [name, send] : sends) {
            if ((name == "turbo" && qstrcmp(row.lineDelay, "0") != 0) ||
                (*row.routes &&
                 ('|' + std::string(row.routes) + '|').find('|' + name + '|') == std::string::npos))
                continue; // no delay between its blocks; not the route the row is for
            SCOPED_TRACE(name + " " + row.trailer + " " + row.lineDelay + " " + row.handshaking + " " +
                         std::to_string(row.program.size()) + (row.xoffBeforeTrailer ? " XOFF" : "") + " " +
                         row.keys);
            int looks = 0; // at CTS: before the header, before each line
            comPort().setLineSource([&looks, cts](QSerialPort::PinoutSignals* lines) {
                *lines = !cts || ++looks <= 2 ? QSerialPort::ClearToSendSignal : QSerialPort::NoSignal;
                return true;
            });
            set("lastline", "OLD");
            const qint64 handedBefore = comPort().handedCount();
            bool xoff = false;
            // Timed on what the port has handed over, not on what the machine
            // has read: a reader that runs late would cancel past the delay.
            During operatorSide([&] {
                if (comPort().handedCount() - handedBefore < row.cancelledOnceIn.size())
                    return false;
                // XOFF in the last line's delay; then the trailer is handed over, and held.
                if (row.xoffBeforeTrailer) {
                    if (!std::exchange(xoff, true))
                        holdWithXoff(machine);
                    if (comPort().handedCount() - handedBefore < row.cancelledOnceIn.size() + 3 ||
                        comPort().pendingOutput() == 0)
                        return false;
                }
                gCancelSend = true;
                return true;
            });
            const SendOutcome outcome = send();
            if (xoff) {
                machine.send("\x11");
                pumpEvents(100);
            }
            const QByteArray got = settled();
            // A last line without its end gets the machine's.
            const QByteArray sentWhole = row.program.endsWith('\n') ? row.program : row.program + "\r\n";
            const bool late = row.lateIsWhole && got == "%\n" + sentWhole;
            EXPECT_EQ(outcome, late ? SendOutcome::Sent : row.outcome);
            EXPECT_EQ(got, late ? got : row.cancelledOnceIn);
            EXPECT_EQ(lastStatusText().startsWith(QLatin1String("Send Cancelled")),
                      outcome == SendOutcome::Cancelled);
            if (name == "text" || name == "window engine") { // the block routes keep no restart line
                const QByteArray whole = row.cancelledOnceIn.left(row.cancelledOnceIn.lastIndexOf("\r\n"));
                EXPECT_EQ(MachineRecord::current(QStringLiteral("lastline")).toLatin1(),
                          whole.mid(whole.lastIndexOf('\n') + 1));
            }
            comPort().setLineSource(nullptr);
        }
    }
    SCOPED_TRACE("it still ends a repeat");
    writeAllBytes(path, text);
    set({{"TrailerSend", rows[0].trailer}, {"LineDelay", "0"}, {"Handshaking", "1"}, {"FlowMethod", "1"}});
    During operatorSide([&] {
        if (machine.receivedCount() < rows[0].cancelledOnceIn.size())
            return false;
        gCancelSend = true;
        return true;
    });
    sendRepeat(3, path);
    EXPECT_EQ(settled(), rows[0].cancelledOnceIn);
}

TEST_F(Blocks, AHeldWriteShowsWhatHasGone) {
    set({{"HeaderSend", ""}, {"TrailerSend", ""}, {"Handshaking", "0"}});
    gDNCStatus = 0;
    const QByteArray text = numbered(20000);
    const QString path = program(text);
    for (const Route& route : kRoutes) {
        if (QByteArray(route.name) == "turbo")
            continue; // its display changes once a minute
        SCOPED_TRACE(route.name);
        // The machine stops reading 20,000 bytes in: the pseudo-terminal
        // fills and the write waits, until the test has looked.
        auto stopped = std::make_shared<QElapsedTimer>();
        machine.setReaction([m = &machine, stopped](qint64 got) {
            if (got >= 20000 && !stopped->isValid()) {
                m->setReading(false);
                stopped->start();
            }
        });
        int shown = -1, machineHas = -1;
        During look([&] {
            if (!stopped->isValid() || stopped->elapsed() < 500)
                return false;
            shown = blockNumber(frmCancelSend::instance()->Label2(5)->text());
            const QByteArray got = machine.received();
            const QByteArray whole = got.left(got.lastIndexOf("\r\n"));
            machineHas = blockNumber(QString::fromLatin1(whole.mid(whole.lastIndexOf("\r\n") + 2)));
            machine.setReading(true);
            return true;
        });
        EXPECT_EQ(sendBy(route, path), SendOutcome::Sent);
        machine.setReaction(nullptr);
        EXPECT_EQ(received(text.size()), text);
        EXPECT_GT(machineHas, 0);
        EXPECT_GE(shown, machineHas) << "the display stayed behind what the machine had";
    }
    gDNCStatus = 2;
}

// A machine that vanishes, or says XOFF and never XON, ends every route:
// the settings error and why, or the inactivity report; never "Sent".
TEST_F(Blocks, AHangUpOrAnEndlessXoffEndsEveryRoute) {
    set({{"Handshaking", "1"}, {"SendTimeOut", "1"}});
    const QString path = program(numbered(50000));
    for (const Route& route : kRoutes) {
        if (QByteArray(route.name) == "text")
            continue; // the text send's own rows
        SCOPED_TRACE(route.name);
        // It stops reading first, so that it goes while the send surely runs.
        PtyMachine vanishing;
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), vanishing.slavePath());
        auto stopped = std::make_shared<std::atomic<bool>>(false);
        vanishing.setReaction([m = &vanishing, stopped](qint64 got) {
            if (got > 5000 && !stopped->exchange(true))
                m->setReading(false);
        });
        QString indicator;
        During hangUp([&] {
            if (*stopped)
                vanishing.hangUp();
            if (frmCancelSend* frm = frmCancelSend::instance())
                indicator = frm->Label2(4)->text();
            if (!indicator.startsWith(QLatin1String("Error")))
                return false;
            gCancelSend = true; // no need to sit out the error's pause
            return true;
        });
        EXPECT_EQ(sendBy(route, path), SendOutcome::PortFailed);
        EXPECT_EQ(indicator, QStringLiteral("Error - Check Your CNC Property Settings"));
        EXPECT_TRUE(msgs.sawText(QStringLiteral("Was Not Sent Whole")));
        expectIdleAndUnlocked();

        PtyMachine holding;
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), holding.slavePath());
        holding.setReaction([m = &holding, said = false](qint64 got) mutable {
            if (got > 0 && !said)
                m->send("\x13");
            said = said || got > 0;
        });
        msgs.clear();
        EXPECT_EQ(sendBy(route, path), SendOutcome::TimedOut);
        EXPECT_TRUE(msgs.sawText(QStringLiteral("Transfer Automatically Timed Out After 1s of Inactivity")));
        EXPECT_FALSE(msgs.sawText(QStringLiteral("Has Been Sent")));
        expectIdleAndUnlocked();
    }
}

TEST_F(Blocks, TurboSendsFullAndShortBlocks) {
    // No pause between blocks, whatever LineDelay says: one would hold each
    // send for minutes, and the operator gives up (Esc) on every send long before.
    set({{"DripFeedPacketSize", "3"}, {"HeaderSend", ""}, {"TrailerSend", ""}, {"LineDelay", "600000"}});
    QElapsedTimer sending;
    During operatorGivesUp([&] {
        if (!sendInProgress())
            sending.invalidate();
        else if (!sending.isValid())
            sending.start();
        else if (sending.elapsed() > 20000)
            gCancelSend = true;
        return false;
    });
    const char* rule = "a turbo send makes no pause between its blocks, whatever LineDelay says";
    for (int size : {10000, 100}) {
        SCOPED_TRACE(size);
        const QByteArray text = QByteArray(size - 2, 'X') + "\r\n";
        ASSERT_EQ(sendFileNoWindow(program(text)), SendOutcome::Sent) << rule;
        EXPECT_EQ(received(size), text);
        EXPECT_EQ(gTurboPercent, 100);
    }
    SCOPED_TRACE("the machine's end of block, a last line without one included");
    set({{"EOBSend", "2"}, {"StripBlankLines", "1"}});
    ASSERT_EQ(sendFileNoWindow(program("G0\r\n\r\nX1")), SendOutcome::Sent) << rule;
    EXPECT_EQ(settled(), "G0\nX1\n");
    expectIdleAndUnlocked();
}

TEST_F(Blocks, XoffHoldsXonResumesAndCancelEndsWithoutTrailer) {
    const QByteArray text = numbered(50000);
    const QString path = program(text);
    const QByteArray expected = "%\n" + text + "M30";
    // The machine says XOFF the moment 10,000 bytes are in and holds it: were
    // it not obeyed, the whole program would be through long before the XON.
    std::atomic<bool> xoff{false};
    machine.setReaction([&](qint64 got) {
        if (got >= 10000 && !xoff.exchange(true))
            machine.send("\x13");
    });
    qint64 atXon = -1;
    QElapsedTimer held;
    During machineSide([&] {
        if (xoff && !held.isValid())
            held.start();
        if (!held.isValid() || held.elapsed() < 500)
            return false;
        atXon = machine.receivedCount();
        machine.send("\x11");
        return true;
    });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_LT(atXon, expected.size());
    EXPECT_EQ(received(expected.size()), expected) << "nothing lost or doubled";

    xoff = false;
    During operatorSide([&] {
        if (!xoff)
            return false;
        frmCancelSend::instance()->Command1()->click();
        return true;
    });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Cancelled);
    machine.setReaction(nullptr);
    const QByteArray atCancel = received(0);
    machine.send("\x11");
    pumpEvents(300);
    EXPECT_EQ(machine.receivedCount(), 0) << "nothing after the cancel, no trailer";
    EXPECT_LT(atCancel.size(), expected.size());
    EXPECT_EQ(lastStatusText(), QStringLiteral("Send Cancelled"));
    expectIdleAndUnlocked();

    SCOPED_TRACE("XOFF held once the last block is in: the trailer cannot go, the send times out");
    set({{"LineDelay", "200"}, {"SendTimeOut", "1"}});
    // The machine says XOFF once the header and the one block are in, and holds it.
    const auto xoffOnceTheBlockIsIn = [this] {
        return [this, from = comPort().handedCount()] {
            if (comPort().handedCount() - from < 2 + 4)
                return false;
            machine.waitForCount(2 + 4, 20000);
            holdWithXoff(machine);
            return true;
        };
    };
    During machineHolds(xoffOnceTheBlockIsIn());
    EXPECT_EQ(sendFileNoWindow(program("G0\r\n")), SendOutcome::TimedOut);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Timed Out")));
    expectIdleAndUnlocked();

    // With no time-out, cancelled in the trailer's line delay: nothing
    // waits for an XON that may never come, and the held bytes are dropped.
    set({{"LineDelay", "500"}, {"SendTimeOut", "0"}});
    for (const char* packets : {"2", "7"}) {
        SCOPED_TRACE(std::string("XOFF holds the trailer, no time-out, cancelled; packets ") + packets);
        set("DripFeedPacketSize", packets);
        machine.send("\x11");
        settled();
        During machineHoldsAgain(xoffOnceTheBlockIsIn());
        QElapsedTimer sinceCancel;
        During operatorSide([&] {
            if (!sinceCancel.isValid() && comPort().pendingOutput() > 0) { // the trailer waits in the port
                gCancelSend = true;
                sinceCancel.start();
            }
            if (!sinceCancel.isValid() || sinceCancel.elapsed() < 15000)
                return false;
            machine.send("\x11"); // a send that waits for it ends here, late
            return true;
        });
        EXPECT_EQ(sendFileNoWindow(program("G0\r\n")), SendOutcome::Cancelled);
        ASSERT_TRUE(sinceCancel.isValid());
        EXPECT_LT(sinceCancel.elapsed(), 10000)
            << "a drip feed cancelled while XOFF holds its last bytes ends within 2 s";
        machine.send("\x11");
        EXPECT_EQ(settled(), "%\nG0\r\n") << "the trailer held at the cancel is dropped";
        expectIdleAndUnlocked();
    }
}

TEST_F(Blocks, ReadinessWaitsComeBeforeTheHeader) {
    set("WaitForXON", "1");
    const QString path = program("G0\r\n");
    qint64 beforeXon = -1;
    QElapsedTimer clock;
    During machineSide([&] {
        if (!clock.isValid() && frmCancelSend::instance())
            clock.start();
        if (!clock.isValid() || clock.elapsed() < 100)
            return false;
        beforeXon = machine.receivedCount();
        machine.send("\x11");
        return true;
    });
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(beforeXon, 0);
    EXPECT_EQ(received(9), "%\nG0\r\nM30");

    SCOPED_TRACE("display None: no window, so no wait for an unseen Override");
    set({{"WaitForXON", "0"}, {"RemoteDeviceOnline", "1"}});
    gDNCStatus = 3;
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_EQ(received(9), "%\nG0\r\nM30");
    EXPECT_EQ(gDNCStatus, 3);

    SCOPED_TRACE("an EIA table that is missing shifts nothing");
    set("CharacterSet", "1");
    QFile::remove(home.file(QStringLiteral("codeset.eia")));
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::NotSent);
    EXPECT_EQ(gDNCStatus, 3);
}

TEST_F(Blocks, ASavedWindowIsSentAsSaved) {
    EditorManager editors;
    const QString path = program("G0 X1\n");
    editors.openFileInNewWindow(path);
    EditControl* control = editors.activeEditor();
    control->setBytes("G0 X2\n");
    control->markModified();
    msgs.answer(Msg::AnswerYes);
    EXPECT_EQ(sendFileNoWindow(path), SendOutcome::Sent);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Save Changes Before Sending ?")));
    EXPECT_EQ(received(12), "%\nG0 X2\r\nM30");
    EXPECT_EQ(readAllBytes(path), "G0 X2\n");
}

TEST_F(Blocks, TapeTitleBeforeTheLinesAndBlankTapeAfterTheTrailer) {
    set({{"PunchToTape", "1"},
         {"IgnoreUntil", "%"},
         {"BeforeMan", "2"},
         {"AfterMan", "1"},
         {"AfterTape", "3"}});
    writeAllBytes(home.file(QStringLiteral("punch.man")), "[Settings]\ngap=0\nA=1,2\nB=3\n1=#2,4\n");
    QByteArray first = "ab1", second = "b", third = "%", fourth = "ab";
    TapePunch punch(false);
    EXPECT_EQ(punch.beforeLine(first), QByteArray("\0\0\x01\x02\0\x03\0\x04\x04\0", 10));
    EXPECT_EQ(first, "AB1");
    EXPECT_EQ(punch.beforeLine(second), QByteArray("\0\0\x03\0", 4));
    EXPECT_EQ(punch.beforeLine(third), QByteArray());
    EXPECT_EQ(punch.beforeLine(fourth), QByteArray()) << "the title is over";
    EXPECT_EQ(fourth, "ab");
    EXPECT_EQ(punch.afterTrailer(), QByteArray(3, '\0'));

    TapePunch restart(true);
    EXPECT_EQ(restart.beforeLine(fourth), QByteArray());
    EXPECT_EQ(fourth, "ab");

    SCOPED_TRACE("in the window send, never converted");
    writeAllBytes(home.file(QStringLiteral("codeset.eia")),
                  "[Ascii2Eia]\n65=1\n66=2\n37=11\n13=128\n10=128\n");
    set({{"DripFeedPacketSize", "0"}, {"HeaderSend", ""}, {"TrailerSend", ""}, {"CharacterSet", "1"}});
    EXPECT_EQ(windowSend(program("b\n%\n")), SendOutcome::Sent);
    EXPECT_EQ(received(13), QByteArray("\0\0\x03\0\x02\x80\x80\x0b\x80\x80\0\0\0", 13));

    SCOPED_TRACE("an ASCII machine, a short title sent upper-cased as it stands");
    set("CharacterSet", "0");
    EXPECT_EQ(windowSend(program("ab1\n%\n")), SendOutcome::Sent);
    EXPECT_EQ(received(21), QByteArray("\0\0\x01\x02\0\x03\0\x04\x04\0AB1\r\n%\r\n\0\0\0", 21));

    set("IgnoreUntil", "?");
    TapePunch leader(false);
    EXPECT_EQ(leader.beforeLine(fourth), QByteArray(2, '\0'));
    EXPECT_EQ(leader.beforeLine(fourth), QByteArray()) << "once";
}

} // namespace
