#include "BenchSupport.h"

#include "IniStorage.h"
#include "IniStore.h"
#include "ProgramPaths.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <cstdio>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <sys/resource.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

bool small() {
    static const bool on = qEnvironmentVariableIsSet("FEEDLINE_BENCH_SMALL");
    return on;
}

qint64 sized(qint64 bytes) { return small() ? qMax<qint64>(bytes / 100, 64 * 1024) : bytes; }

int rounds(int n) { return small() ? 1 : n; }

namespace {
// VmHWM of a running process, in bytes; -1 once it is gone.
qint64 peakOf(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}
} // namespace

ProgramRun runProgram(const QStringList& argv, const QString& stdoutPath, const std::function<bool()>& done,
                      const std::function<bool()>& arrived) {
    std::vector<QByteArray> args;
    for (const QString& a : argv)
        args.push_back(QFile::encodeName(a));
    std::vector<char*> cargs;
    for (QByteArray& a : args)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = QFile::encodeName(stdoutPath);
    if (!stdoutPath.isEmpty())
        posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_NOCTTY | O_CREAT | O_TRUNC, 0644);
    if (!qEnvironmentVariableIsSet("FEEDLINE_BENCH_VERBOSE"))
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0); // its messages are not the report
    ProgramRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawnp(&pid, cargs[0], &actions, nullptr, cargs.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        std::fprintf(stderr, "cannot start %s\n", cargs[0]);
        return run;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    // The peak is read from /proc while it runs: a spawned child's own
    // figure at its end also counts this process's memory.
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (int tick = 0; wait4(pid, &status, WNOHANG, &usage) == 0; ++tick) {
        if (arrived && run.arrived == 0 && arrived())
            run.arrived = elapsed();
        if (tick % 4 == 0)
            run.peak = qMax(run.peak, peakOf(pid));
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    // What it wrote may still be on its way; a minute is the limit.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (((done && !done()) || (arrived && run.arrived == 0 && !arrived())) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    if (arrived && run.arrived == 0 && arrived())
        run.arrived = elapsed();
    run.seconds = elapsed();
    run.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void useProgramFolder(const QString& folder) {
    qputenv("FEEDLINE_HOME", QFile::encodeName(folder));
    ProgramPaths::reset();
    IniStore::instance().clearCache();
    initSettingsPath();
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    const bool ok = f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    if (!ok)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return ok;
}

bool fileHolds(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll() == data;
}

void preferOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}


QByteArray ncProgram(qint64 bytes, const QByteArray& eob) {
    QByteArray out;
    out.reserve(int(bytes + 64));
    for (int n = 1; out.size() < bytes; ++n)
        out += "N" + QByteArray::number(n) + " G01 X" + QByteArray::number(n % 997) + ".5 Y-" +
               QByteArray::number(n % 313) + eob;
    return out;
}

QByteArray randomBytes(qint64 size, quint32 seed) {
    QByteArray d(int(size), Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (int i = 0; i < d.size(); ++i)
        d[i] = char(gen.bounded(256));
    return d;
}

DrainedPty::DrainedPty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master_);
    ::unlockpt(master_);
    slave_ = QString::fromLocal8Bit(::ptsname(master_));
    // Held open so the pair outlives each writer; raw, so nothing is translated.
    keeper_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
    termios t;
    ::tcgetattr(keeper_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(keeper_, TCSANOW, &t);
    thread_ = std::thread([this] {
        char buf[1 << 16];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0)
                    count_ += n;
            }
        }
    });
}

DrainedPty::~DrainedPty() {
    stop_ = true;
    thread_.join();
    ::close(keeper_);
    ::close(master_);
}

bool DrainedPty::waitFor(qint64 n) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (count_ < n) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::yield();
    }
    return true;
}

double catInto(const QString& file, DrainedPty& pty, qint64 bytes) {
    pty.reset();
    return seconds([&] {
        QProcess cat;
        cat.setStandardOutputFile(pty.slave());
        cat.start(QStringLiteral("cat"), {file});
        cat.waitForFinished(-1);
        pty.waitFor(bytes);
    });
}


namespace {
std::string duration(double s) {
    char text[32];
    if (s < 1)
        std::snprintf(text, sizeof text, "%.2f ms", s * 1000);
    else
        std::snprintf(text, sizeof text, "%.3f s", s);
    return text;
}
std::string memory(qint64 added, qint64 bytes) {
    char text[64];
    if (bytes > 0)
        std::snprintf(text, sizeof text, "+%.1f MiB (%.2f B/B)", mib(added), double(added) / double(bytes));
    else
        std::snprintf(text, sizeof text, "+%.1f MiB", mib(added));
    return text;
}
} // namespace

void printRow(const std::string& what, const Side& ours, const Side& theirs, qint64 bytes, const std::string& goal) {
    std::string line = "[" + what + "] " + ours.name + " " + duration(ours.seconds);
    if (theirs.seconds > 0) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.2fx", ours.seconds / theirs.seconds);
        line += " | " + theirs.name + " " + duration(theirs.seconds) + " | " + ratio;
    }
    if (!goal.empty())
        line += " (goal " + goal + ")";
    if (ours.added >= 0 || theirs.added >= 0) {
        line += " | peak added:";
        if (ours.added >= 0)
            line += " " + ours.name + " " + memory(ours.added, bytes);
        if (theirs.added >= 0)
            line += std::string(ours.added >= 0 ? "," : "") + " " + theirs.name + " " + memory(theirs.added, 0);
    }
    if (ours.tenthSeconds > 0) {
        char growth[96];
        std::snprintf(growth, sizeof growth, " | 10:1: %s %.1fx", ours.name.c_str(), ours.seconds / ours.tenthSeconds);
        line += growth;
        if (theirs.tenthSeconds > 0) {
            std::snprintf(growth, sizeof growth, ", %s %.1fx", theirs.name.c_str(), theirs.seconds / theirs.tenthSeconds);
            line += growth;
        }
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

namespace {
// A field of /proc/self/status ("VmRSS:", "VmHWM:") in bytes; -1 when missing.
qint64 statusBytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}
} // namespace

qint64 peakAdded(const std::function<void()>& f) {
    // "5" sets the peak back to the resident size now.
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        return -1;
    reset.close();
    const qint64 before = statusBytes("VmRSS:");
    f();
    const qint64 peak = statusBytes("VmHWM:");
    return before < 0 || peak < 0 ? -1 : peak - before;
}

void timeRounds(int n, Best& best, qint64* firstPeak, const std::function<void()>& f,
                const std::function<void()>& after) {
    for (int run = 0; run < rounds(n); ++run) {
        const auto timed = [&] { best.record(seconds(f)); };
        if (run == 0 && firstPeak)
            *firstPeak = peakAdded(timed);
        else
            timed();
        if (after)
            after();
    }
}

void TimesReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& r : runs)
        if (r.run_type == Run::RT_Iteration && r.iterations > 0)
            times_[r.run_name.function_name] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
}

double TimesReporter::time(const std::string& row) const {
    const auto it = times_.find(row);
    return it == times_.end() ? 0 : it->second;
}

} // namespace bench
