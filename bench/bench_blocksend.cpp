// The block routes against their baselines, side by side in one run:
// drip feed and turbo drip feed of 10 MB and 100 MB programs to a drained
// pseudo-terminal against cat of the same bytes, with the peak memory each
// send adds (flat in the program's size); a 1 GB drip feed, generated here
// and deleted after, under 64 MiB; and 1 MB by XModem to rx against sx to rx.
// FEEDLINE_BENCH_SMALL set: every size a hundred times smaller, one round
// (the build's check that the benchmark still runs).
#include "BenchSupport.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "SendEngine.h"
#include "TransferGlobals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const bool kSmall = qEnvironmentVariableIsSet("FEEDLINE_BENCH_SMALL");
const qint64 kScale = kSmall ? 100 : 1;
const int kRounds = kSmall ? 1 : 3;

struct Setup {
    QTemporaryDir dir;
    bench::DrainedPty machine;
    Setup() {
        bench::useProgramFolder(dir.path());
        Msg::setHandler([](const Msg::Request& r) { return Msg::defaultAnswer(r); });
        // The "{Prompt Me}" box is answered at once: its half-second pause
        // before the box is the operator's, not the send's.
        afterSendPromptPauseMs() = 0;
        gCurrentMachineSection = QStringLiteral("Machine1");
        gKeepAlive = 0;
        gDNCStatus = 2;
    }
    // A machine on the drained pseudo-terminal at the highest listed speed
    // (a pty has none of its own), no pauses, in `mode`.
    void machineFor(const char* mode) {
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), machine.slave());
        writeIniValues(gCurrentMachineSection, {{QStringLiteral("iBaudrate"), QStringLiteral("12")},
                                                {QStringLiteral("WaitAfterSending"), QStringLiteral("30")},
                                                {QStringLiteral("SendTimeOut"), QStringLiteral("30")},
                                                {QStringLiteral("Handshaking"), QStringLiteral("1")},
                                                {QStringLiteral("DripFeedPacketSize"), QString::fromLatin1(mode)}});
    }
    // A CR LF program: what the machine receives is the file itself.
    QString program(qint64 bytes) {
        const QString path = dir.filePath(QStringLiteral("%1.nc").arg(bytes));
        if (!QFileInfo::exists(path)) {
            QFile out(path);
            out.open(QIODevice::WriteOnly);
            const QByteArray piece = bench::ncProgram(qMin<qint64>(bytes, 16 << 20), "\r\n");
            for (qint64 done = 0; done < bytes; done += piece.size())
                out.write(piece);
        }
        return path;
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

struct Side {
    bench::Best best;
    qint64 peak = -1;
};

// Sends `file` in the route `mode` ("2" drip feed, "3" turbo) until the
// machine has every byte, with the memory the send adds at its peak.
void sendRounds(const char* mode, const QString& file, int rounds, Side& side) {
    Setup& s = setup();
    s.machineFor(mode);
    const qint64 size = QFileInfo(file).size();
    for (int i = 0; i < rounds; ++i) {
        s.machine.reset();
        SendOutcome outcome = SendOutcome::NotSent;
        double seconds = 0;
        const qint64 peak = bench::peakAdded([&] {
            seconds = bench::seconds([&] {
                outcome = sendFileNoWindow(file);
                s.machine.waitFor(size);
            });
        });
        if (outcome != SendOutcome::Sent || s.machine.count() != size) {
            std::printf("  %s: the program did not arrive whole\n", mode);
            return;
        }
        side.best.record(seconds);
        side.peak = peak; // the last round's: the first one also builds the progress window
    }
}

void catRounds(const QString& file, int rounds, Side& side) {
    Setup& s = setup();
    for (int i = 0; i < rounds; ++i)
        side.best.record(bench::catInto(file, s.machine, QFileInfo(file).size()));
}

// The program folder's rx receives `file` from a sender started by `start`:
// seconds until rx has it and ends (a sender may still wait for the last
// answer, which rx can empty away as it ends), -1 when rx does not hold it whole.
template <typename Start> double toRx(const QString& file, Start start) {
    PtyBridge bridge;
    Setup& s = setup();
    QFile::remove(s.dir.filePath(QStringLiteral("got.bin")));
    QProcess rx;
    rx.setWorkingDirectory(s.dir.path());
    rx.setStandardInputFile(bridge.peerSide());
    rx.setStandardOutputFile(bridge.peerSide());
    rx.start(QStringLiteral("/usr/bin/rx"), {QStringLiteral("-q"), QStringLiteral("-c"), QStringLiteral("got.bin")});
    rx.waitForStarted(5000);
    QElapsedTimer clock;
    double seconds = -1;
    QObject::connect(&rx, &QProcess::finished, [&] { seconds = clock.elapsed() / 1000.0; });
    clock.start();
    start(bridge.ourSide(), rx);
    waitUntil([&] { return seconds >= 0; }, 60000);
    QFile in(file);
    in.open(QIODevice::ReadOnly);
    QFile got(s.dir.filePath(QStringLiteral("got.bin")));
    got.open(QIODevice::ReadOnly);
    return got.readAll() == in.readAll() ? seconds : -1;
}

void xmodemRounds(const QString& file, Side& ours, Side& theirs) {
    Setup& s = setup();
    for (int i = 0; i < kRounds; ++i) {
        const double mine = toRx(file, [&](const QString& port, QProcess&) {
            writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), port);
            writeIniValues(gCurrentMachineSection, {{QStringLiteral("Handshaking"), QStringLiteral("4")},
                                                    {QStringLiteral("SendTimeOut"), QStringLiteral("30")}});
            sendFileNoWindow(file);
        });
        const double sx = toRx(file, [&](const QString& port, QProcess& rx) {
            QProcess sender;
            sender.setWorkingDirectory(s.dir.path());
            sender.setStandardInputFile(port);
            sender.setStandardOutputFile(port);
            sender.start(QStringLiteral("/usr/bin/sx"), {QStringLiteral("-q"), file});
            waitUntil([&] { return rx.state() == QProcess::NotRunning; }, 60000);
            sender.kill();
            sender.waitForFinished(5000);
        });
        if (mine < 0 || sx < 0) {
            std::printf("  XModem: rx did not get the file whole\n");
            return;
        }
        ours.best.record(mine);
        theirs.best.record(sx);
    }
}

} // namespace

int main(int argc, char** argv) {
    bench::preferOffscreen();
    QApplication app(argc, argv);
    Setup& s = setup();
    const qint64 small = (10LL << 20) / kScale, large = (100LL << 20) / kScale;

    // Drip feed and turbo drip feed to a drained pseudo-terminal, best of kRounds.
    for (const char* mode : {"2", "3"}) {
        Side cat10, cat100, ours10, ours100;
        const QString a = s.program(small), b = s.program(large);
        sendRounds(mode, a, kRounds, ours10);
        catRounds(a, kRounds, cat10);
        sendRounds(mode, b, kRounds, ours100);
        catRounds(b, kRounds, cat100);
        char what[64];
        std::snprintf(what, sizeof what, "%s, %.1f MiB", mode[0] == '2' ? "drip feed" : "turbo drip feed",
                      bench::mib(large));
        bench::printRow(what, {"ours", ours100.best.get(), ours10.best.get(), ours100.peak},
                        {"cat", cat100.best.get(), cat10.best.get()}, 0, "within 1.5x, memory flat");
        QFile::remove(a);
        QFile::remove(b);
    }

    {
        Side huge;
        const QString file = s.program((1LL << 30) / kScale);
        sendRounds("2", file, 1, huge);
        char what[64];
        std::snprintf(what, sizeof what, "drip feed, %.0f MiB", bench::mib(QFileInfo(file).size()));
        bench::printRow(what, {"ours", huge.best.get(), 0, huge.peak}, {}, 0, "peak under 64 MiB");
        QFile::remove(file);
    }

    {
        Side ours, sx;
        const QString file = s.dir.filePath(QStringLiteral("xmodem.bin"));
        // Whole blocks: rx keeps the padding of a short last one.
        bench::writeFile(file, bench::randomBytes(((1 << 20) / kScale) & ~qint64(127)));
        xmodemRounds(file, ours, sx);
        char what[64];
        std::snprintf(what, sizeof what, "XModem, %.2f MiB to rx", bench::mib(QFileInfo(file).size()));
        bench::printRow(what, {"ours", ours.best.get()}, {"sx", sx.best.get()}, 0, "within 1.5x");
    }
    return 0;
}
