// The command-line text send against cat: programs of 24-byte lines sent by
// the program itself ("?1?S?file") to a pseudo-terminal that is read as fast
// as it fills, and cat of the bytes the machine must receive into the same
// pseudo-terminal. For each: the time until the last byte arrived, CPU time
// and peak memory, best of three rounds; the 10 MB to 100 MB growth; and a
// 1 GB program, made on disk and deleted after, with its peak memory.
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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

struct Side {
    bench::ProgramRun best; // the fastest round
    qint64 peak = 0;        // the most of any round
};

struct Machine {
    QTemporaryDir dir;
    bench::DrainedPty pty;
    Machine() {
        bench::useProgramFolder(dir.path());
        QFile ini(dir.filePath(QStringLiteral("feedline-settings.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Settings]\nRunBefore=Yes\nUpdateDataSendMode=1-Jan-24\n"
                  "[Machine1]\nAlias=MILL\nCommPort=0\niBaudrate=12\nWaitAfterSending=30\nSendTimeOut=30\n"
                  "[Ports]\nCom1=" + QFile::encodeName(pty.slave()) + "\n");
    }
    // One round of `argv` writing `bytes` into the machine.
    void round(const QStringList& argv, const QString& stdoutPath, qint64 bytes, Side& side) {
        pty.reset();
        const bench::ProgramRun r = bench::runProgram(argv, stdoutPath, [&] { return pty.count() >= bytes; });
        if (r.exitCode != 0 || pty.count() != bytes)
            std::fprintf(stderr, "%s: exit %d, %lld of %lld bytes\n", qPrintable(argv[0]), r.exitCode,
                         static_cast<long long>(pty.count()), static_cast<long long>(bytes));
        if (side.best.seconds == 0 || r.seconds < side.best.seconds)
            side.best = r;
        side.peak = qMax(side.peak, r.peak);
    }
};

void print(const char* what, const Side& ours, const Side& cat, const char* goal) {
    std::printf("%-28s ours %7.3f s, CPU %6.3f s, peak %6.1f MiB | cat %7.3f s, CPU %6.3f s, peak %5.1f MiB | "
                "time %.2fx, CPU %.2fx (goal %s)\n",
                what, ours.best.seconds, ours.best.cpu, bench::mib(ours.peak), cat.best.seconds, cat.best.cpu,
                bench::mib(cat.peak), ours.best.seconds / cat.best.seconds,
                cat.best.cpu > 0 ? ours.best.cpu / cat.best.cpu : 0.0, goal);
}

} // namespace

int main(int argc, char** argv) {
    bench::preferOffscreen(); // for the program it starts too
    QCoreApplication app(argc, argv);
    Machine m;
    const QString feedline = QStringLiteral(FEEDLINE_EXECUTABLE);
    const QString program = m.dir.filePath(QStringLiteral("program.nc"));
    const QString expected = m.dir.filePath(QStringLiteral("expected.nc"));
    auto send = [&](const QString& file) { return QStringList{feedline, QStringLiteral("?1?S?") + file}; };

    std::printf("command-line text send of 24-byte lines to a drained pseudo-terminal, best of %d:\n",
                bench::rounds(3));
    Side one;
    const qint64 lineBytes = writeProgram(program, 24);
    for (int i = 0; i < bench::rounds(3); ++i)
        m.round(send(program), QString(), lineBytes, one);
    std::printf("%-28s ours %7.3f s, CPU %6.3f s, peak %6.1f MiB (the start and end of the program)\n", "one line",
                one.best.seconds, one.best.cpu, bench::mib(one.peak));

    // The start: the one-line send against a QApplication program that
    // does nothing else, taken in turns, so both see the same load.
    {
        const int turns = bench::rounds(15);
        std::vector<double> ours, floor;
        for (int i = 0; i < turns; ++i) {
            Side s;
            m.round(send(program), QString(), lineBytes, s);
            ours.push_back(s.best.seconds);
            floor.push_back(bench::runProgram({QStringLiteral(FEEDLINE_FLOOR_EXECUTABLE)}).seconds);
        }
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        const double oursMedian = median(ours), floorMedian = median(floor);
        std::printf("%-28s ours %7.3f s best, %7.3f median | QApplication %7.3f best, %7.3f median | "
                    "median %.2fx (goal <= 1.5x), %d turns\n",
                    "start to end, one line", *std::min_element(ours.begin(), ours.end()), oursMedian,
                    *std::min_element(floor.begin(), floor.end()), floorMedian, oursMedian / floorMedian,
                    turns);
    }

    double tenMb = 0;
    const struct {
        const char* name;
        qint64 bytes;
        const char* goal;
    } sizes[] = {{"10 MB", 10LL << 20, "<= 1.3x"}, {"100 MB", 100LL << 20, "<= 1.2x, CPU <= 2x, peak <= 64 MiB"}};
    for (const auto& size : sizes) {
        const qint64 bytes = writeProgram(program, bench::sized(size.bytes), expected);
        Side ours, cat;
        for (int i = 0; i < bench::rounds(3); ++i) {
            m.round(send(program), QString(), bytes, ours);
            m.round({QStringLiteral("cat"), expected}, m.pty.slave(), bytes, cat);
        }
        print(size.name, ours, cat, size.goal);
        if (tenMb == 0)
            tenMb = ours.best.seconds;
        else
            std::printf("%-28s %.1f (linear: about 10)\n", "100 MB / 10 MB send time", ours.best.seconds / tenMb);
    }
    QFile::remove(expected);

    const qint64 gb = writeProgram(program, bench::sized(1LL << 30));
    Side huge;
    m.round(send(program), QString(), gb, huge);
    QFile::remove(program);
    std::printf("%-28s ours %7.3f s, CPU %6.3f s, peak %6.1f MiB (goal: peak under 64 MiB)\n", "1 GB", huge.best.seconds,
                huge.best.cpu, bench::mib(huge.peak));
    return 0;
}
