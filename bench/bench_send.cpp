// The command-line text send ("?1?S?file") at 115200 baud, to a
// pseudo-terminal that is read as fast as it fills:
// - the start: a one-line send from the program's start to its line at the
//   machine, and to the program's end, against a minimal Qt program of the
//   same libraries that opens the port and writes the line (and one with
//   only the core object), taken in turns, the median of fifteen;
// - programs of 24-byte lines of 1, 10 and 100 MB against cat of the bytes
//   the machine must receive into the same kind of pseudo-terminal: time
//   until the last byte arrived, CPU time and peak memory, best of three;
//   the CPU each further megabyte costs between 10 and 100 MB; 1 GB, made on
//   disk and deleted after, for its peak memory;
// - the settings file saves of a one-line send (with strace, when present).
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

// Writes a program of 24-byte lines, `bytes` long, a piece at a time, and
// when asked the bytes the machine receives for it (every line end CR LF).
qint64 writeProgram(const QString& path, qint64 bytes, const QString& expectedPath = QString()) {
    QFile out(path), expected(expectedPath);
    out.open(QIODevice::WriteOnly);
    if (!expectedPath.isEmpty())
        expected.open(QIODevice::WriteOnly);
    QByteArray piece, sent;
    qint64 written = 0, sentBytes = 0;
    for (qint64 n = 0; written < bytes; ++n) {
        const QByteArray line = "N" + QByteArray::number(n % 100000).rightJustified(5, '0') + " G01 X1.000 Y2.000";
        piece += line + '\n';
        sent += line + "\r\n";
        if (piece.size() >= (1 << 20) || written + piece.size() >= bytes) {
            out.write(piece);
            written += piece.size();
            sentBytes += sent.size();
            if (expected.isOpen())
                expected.write(sent);
            piece.clear();
            sent.clear();
        }
    }
    return sentBytes;
}

// The fastest round of one side, the median of its times (and of its times
// to its end, when timed by arrival), and the most memory any round used.
struct Rounds {
    bench::ProgramRun best;
    qint64 peak = 0;
    std::vector<double> times, ends;
    void record(const bench::ProgramRun& r, bool byArrival = false) {
        const double t = byArrival ? r.arrived : r.seconds;
        const double bestT = byArrival ? best.arrived : best.seconds;
        if (bestT == 0 || (t > 0 && t < bestT))
            best = r;
        peak = qMax(peak, r.peak);
        times.push_back(t);
        ends.push_back(r.seconds);
    }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double median() const { return median(times); }
    double medianEnd() const { return median(ends); }
};

const char kSettings[] = "[Settings]\nRunBefore=Yes\nUpdateDataSendMode=1-Jan-24\n"
                         "[Machine1]\nAlias=MILL\nCommPort=0\niBaudrate=10\nWaitAfterSending=30\nSendTimeOut=30\n"
                         "[Ports]\nCom1=";

struct Machine {
    QTemporaryDir dir;
    bench::DrainedPty pty;
    Machine() {
        bench::useProgramFolder(dir.path());
        freshSettings();
    }
    QString settingsFile() const { return dir.filePath(QStringLiteral("feedline-settings.ini")); }
    // The settings of a first start: machine 1 at 115200 baud on the pseudo-terminal.
    void freshSettings() const { bench::writeFile(settingsFile(), kSettings + QFile::encodeName(pty.slave()) + "\n"); }
    // One round of `argv` writing `bytes` into the machine.
    bench::ProgramRun round(const QStringList& argv, const QString& stdoutPath, qint64 bytes) {
        pty.reset();
        const auto all = [&] { return pty.count() >= bytes; };
        const bench::ProgramRun r = bench::runProgram(argv, stdoutPath, all, all);
        if (r.exitCode != 0 || pty.count() != bytes)
            std::fprintf(stderr, "%s: exit %d, %lld of %lld bytes\n", qPrintable(argv[0]), r.exitCode,
                         static_cast<long long>(pty.count()), static_cast<long long>(bytes));
        return r;
    }
};

const QString kFeedline = QStringLiteral(FEEDLINE_EXECUTABLE);
QStringList send(const QString& file) { return {kFeedline, QStringLiteral("?1?S?") + file}; }

void startRow(Machine& m) {
    const QString program = m.dir.filePath(QStringLiteral("one.nc"));
    const qint64 lineBytes = writeProgram(program, 24);
    const QString floor = QStringLiteral(SEND_FLOOR_EXECUTABLE);
    const QString line = QStringLiteral("N00000 G01 X1.000 Y2.000");
    // Taken in turns, so that every side sees the same load; the goal holds at the median.
    Rounds ours, qt, core;
    for (int i = 0; i < bench::rounds(15); ++i) {
        ours.record(m.round(send(program), QString(), lineBytes), true);
        qt.record(m.round({floor, m.pty.slave(), line}, QString(), lineBytes), true);
        core.record(m.round({floor, QStringLiteral("--core"), m.pty.slave(), line}, QString(), lineBytes), true);
    }
    bench::printRow("start and one-line command-line send, start to the line at the machine, median",
                    {"ours", ours.median(), 0, ours.peak}, {"QApplication program", qt.median(), 0, qt.peak}, 0,
                    "<= 1.5x");
    bench::printRow("the same, floor without widgets, median", {"ours", ours.median(), 0, ours.peak},
                    {"QCoreApplication program", core.median(), 0, core.peak});
    bench::printRow("start and one-line command-line send, start to the program's end, median",
                    {"ours", ours.medianEnd(), 0, ours.peak}, {"QApplication program", qt.medianEnd(), 0, qt.peak}, 0,
                    "<= 1.5x");
    std::printf("  (best of %d: ours %.3f s, QApplication %.3f s, QCoreApplication %.3f s)\n", int(ours.times.size()),
                ours.best.arrived, qt.best.arrived, core.best.arrived);
}

struct SizeRun {
    Rounds ours, cat;
};

SizeRun sendRounds(Machine& m, qint64 size) {
    const QString program = m.dir.filePath(QStringLiteral("program.nc"));
    const QString expected = m.dir.filePath(QStringLiteral("expected.nc"));
    const qint64 bytes = writeProgram(program, size, expected);
    SizeRun r;
    for (int i = 0; i < bench::rounds(3); ++i) {
        r.ours.record(m.round(send(program), QString(), bytes));
        r.cat.record(m.round({QStringLiteral("cat"), expected}, m.pty.slave(), bytes));
    }
    QFile::remove(expected);
    return r;
}

void sendRows(Machine& m) {
    const qint64 mb = bench::sized(1LL << 20);
    const SizeRun one = sendRounds(m, mb), ten = sendRounds(m, 10 * mb), hundred = sendRounds(m, 100 * mb);
    const auto side = [](const char* name, const Rounds& r, const Rounds& tenth) {
        return bench::Side{name, r.best.seconds, tenth.best.seconds, r.peak};
    };
    bench::printRow("command-line text send, 10 MB at 115200 (5,760-byte hand-overs)", side("ours", ten.ours, one.ours),
                    side("cat", ten.cat, one.cat), 0, "<= 1.3x");
    bench::printRow("command-line text send, 100 MB", side("ours", hundred.ours, ten.ours),
                    side("cat", hundred.cat, ten.cat), 0, "<= 1.2x, peak <= 64 MiB");
    // What each further megabyte costs, start and end left out.
    const double megabytes = double(90 * mb) / (1 << 20);
    const auto margin = [&](const SizeRun& a, const SizeRun& b, bool ours) {
        const Rounds& x = ours ? a.ours : a.cat;
        const Rounds& y = ours ? b.ours : b.cat;
        return (y.best.cpu - x.best.cpu) / megabytes;
    };
    bench::printRow("CPU per MB at the margin (10 -> 100 MB)", {"ours", margin(ten, hundred, true)},
                    {"cat", margin(ten, hundred, false)}, 0, "<= 2.2x");
    std::printf("  (CPU of the whole send: ours %.3f s / cat %.3f s at 10 MB, %.3f s / %.3f s at 100 MB)\n",
                ten.ours.best.cpu, ten.cat.best.cpu, hundred.ours.best.cpu, hundred.cat.best.cpu);

    const QString program = m.dir.filePath(QStringLiteral("program.nc"));
    const qint64 gb = writeProgram(program, bench::sized(1LL << 30));
    Rounds huge;
    huge.record(m.round(send(program), QString(), gb));
    QFile::remove(program);
    bench::printRow("command-line text send, 1 GB", {"ours", huge.best.seconds, 0, huge.peak}, {}, 0,
                    "peak under 64 MiB");
}

// The saves of the settings file one send makes, read from strace's record:
// renames onto the file, and the writes and syncs of the files renamed.
struct Saves {
    int saves = 0, writes = 0, syncs = 0;
};

Saves countSaves(const QString& log, const QString& settings) {
    QFile in(log);
    in.open(QIODevice::ReadOnly);
    Saves s;
    std::map<int, std::pair<int, int>> pending; // descriptor -> writes, syncs since it was opened
    static const QRegularExpression call(QStringLiteral("^(?:\\d+ +)?(\\w+)\\((\\d+)?(.*)\\) += (-?\\d+)"));
    static const QRegularExpression linked(QStringLiteral("\"/proc/self/fd/(\\d+)\".*\"([^\"]+)\""));
    for (const QByteArray& raw : in.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const QRegularExpressionMatch c = call.match(line);
        if (!c.hasMatch())
            continue;
        const QString name = c.captured(1);
        const int fd = c.captured(2).toInt();
        if (name == QLatin1String("openat") && line.contains(QLatin1String("O_TMPFILE")))
            pending[c.captured(4).toInt()] = {0, 0};
        else if (name == QLatin1String("write") && pending.count(fd))
            ++pending[fd].first;
        else if (name == QLatin1String("fdatasync") && pending.count(fd))
            ++pending[fd].second;
        else if (name == QLatin1String("linkat") && c.captured(4) == QLatin1String("0")) {
            const QRegularExpressionMatch l = linked.match(line);
            if (l.hasMatch() && l.captured(2).startsWith(settings)) {
                const auto& p = pending[l.captured(1).toInt()];
                ++s.saves;
                s.writes += p.first;
                s.syncs += p.second;
            }
        }
    }
    return s;
}

void savesRow(Machine& m) {
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) {
        std::printf("[settings saves of a one-line send] not counted: strace is not installed\n");
        return;
    }
    const QString log = m.dir.filePath(QStringLiteral("strace.log"));
    // Each program its own last line, as a shop's programs have.
    const auto traced = [&](const QString& name) {
        const QString program = m.dir.filePath(name);
        const QByteArray line = "G01 X" + QFile::encodeName(name) + "\n";
        bench::writeFile(program, line);
        const qint64 bytes = line.size() + 1; // the line end goes out as CR LF
        m.round(QStringList{strace, QStringLiteral("-f"), QStringLiteral("-o"), log, QStringLiteral("-e"),
                            QStringLiteral("trace=openat,write,fdatasync,linkat")} +
                    send(program),
                QString(), bytes);
        return countSaves(log, m.settingsFile());
    };
    const auto print = [](const char* what, const Saves& s) {
        std::printf("[settings saves of a one-line send, %s] %d saves, %d write() and %d sync per save "
                    "(goal: one save per send, one write() per save)\n",
                    what, s.saves, s.saves ? s.writes / s.saves : 0, s.saves ? s.syncs / s.saves : 0);
    };
    m.freshSettings();
    print("first start", traced(QStringLiteral("first.nc")));
    print("a program not sent before", traced(QStringLiteral("second.nc")));
    print("the same program again", traced(QStringLiteral("second.nc")));
}

} // namespace

int main(int argc, char** argv) {
    bench::preferOffscreen(); // for the programs it starts too
    QCoreApplication app(argc, argv);
    Machine m;
    startRow(m);
    sendRows(m);
    savesRow(m);
    return 0;
}
