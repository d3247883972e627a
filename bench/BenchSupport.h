#pragma once

#include <QByteArray>
#include <QString>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>

namespace bench {

// A small run (FEEDLINE_BENCH_SMALL set, as ctest sets it): every size a
// hundredth and one round, so CI sees each benchmark build and run. Its
// times mean nothing.
bool small();
qint64 sized(qint64 bytes); // bytes, or a hundredth of them (at least 64 KiB) in a small run
int rounds(int n);          // n, or 1 in a small run

// Points the program at `folder` for the whole run: settings file, temporary
// files and caches all start empty there.
void useProgramFolder(const QString& folder);

bool writeFile(const QString& path, const QByteArray& data);
// The file holds exactly these bytes.
bool fileHolds(const QString& path, const QByteArray& data);

// Runs without a display unless one is asked for; call before the application object.
void preferOffscreen();

// A program of numbered G01 blocks ended by `eob`, at least `bytes` long.
QByteArray ncProgram(qint64 bytes, const QByteArray& eob = "\n");

// `size` bytes of every value, the same for the same seed.
QByteArray randomBytes(qint64 size, quint32 seed = 42);

// How long `f` takes, in seconds.
template <typename F> double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The shortest of the times recorded: the run least disturbed by the rest
// of the machine.
class Best {
public:
    void record(double s) {
        if (s_ == 0 || s < s_)
            s_ = s;
    }
    double get() const { return s_; }

private:
    double s_ = 0;
};

// A pseudo-terminal pair whose master is read, and thrown away, as fast as it
// fills; counts what arrives.
class DrainedPty {
public:
    DrainedPty();
    ~DrainedPty();
    DrainedPty(const DrainedPty&) = delete;
    DrainedPty& operator=(const DrainedPty&) = delete;
    QString slave() const { return slave_; }
    void reset() { count_ = 0; }
    qint64 count() const { return count_; }
    // Waits until `n` bytes have come; false when a minute passes first.
    bool waitFor(qint64 n) const;

private:
    int master_ = -1, keeper_ = -1;
    QString slave_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<qint64> count_{0};
};

// How long `cat file` into `pty` takes until every byte has come out of it.
double catInto(const QString& file, DrainedPty& pty, qint64 bytes);

// Another program's run: its wall time until it ended and `done` held, its
// CPU time (user and system) and its peak resident memory (sampled every
// millisecond while it ran).
struct ProgramRun {
    double seconds = 0;
    double arrived = 0; // when `arrived` first held (0: never asked or never held)
    double cpu = 0;
    qint64 peak = 0;
    int exitCode = -1;
};
// Runs `argv` (its standard output into `stdoutPath` when given, its
// standard error nowhere) in this process's environment.
// `arrived`, when given, is looked at about every quarter millisecond while
// it runs.
ProgramRun runProgram(const QStringList& argv, const QString& stdoutPath = QString(),
                      const std::function<bool()>& done = {}, const std::function<bool()>& arrived = {});

// Runs `f` rounds(n) times, each timed into `best`; the first run's peak
// memory added (peakAdded) goes to *firstPeak when one is given. `after`
// runs after each, untimed (to take the result, to undo).
void timeRounds(int n, Best& best, qint64* firstPeak, const std::function<void()>& f,
                const std::function<void()>& after = {});

// The most resident memory `f` adds while it runs, in bytes; -1 when the
// kernel cannot reset the process's peak. Run it before memory was freed
// back to the allocator, or the figure is too low.
qint64 peakAdded(const std::function<void()>& f);
inline double mib(qint64 bytes) { return double(bytes) / (1 << 20); }

// One side of a report row: its best time at the row's size and at a tenth
// of it, and the most memory it added there.
struct Side {
    std::string name;        // "ours", "cat", "sed"
    double seconds = 0;      // 0: not measured
    double tenthSeconds = 0; // 0: the row has no tenth
    qint64 added = -1;       // bytes; -1: not measured
};
// One line per row, the same in every benchmark, so that runs can be set
// side by side:
//   [what] ours T | theirs T | ratio (goal) | peak added: ours +M MiB (B/B), theirs +M MiB | 10:1: ours G, theirs G
// `bytes`, when given, turns our memory into bytes per byte of it.
void printRow(const std::string& what, const Side& ours, const Side& theirs, qint64 bytes = 0,
              const std::string& goal = std::string());

// The console report, keeping each row's time (in the row's unit) for a
// summary at the end.
class TimesReporter : public benchmark::ConsoleReporter {
public:
    TimesReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    double time(const std::string& row) const; // 0 when the row did not run

private:
    std::map<std::string, double> times_;
};

} // namespace bench
