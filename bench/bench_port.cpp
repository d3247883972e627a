// 10 MB through the port layer (in the 4 KB blocks the block senders use, and
// in one write) to a pseudo-terminal whose other end is drained, against `cat`
// of the same file into the same kind of pseudo-terminal. Prints the ratio.
#include "SerialLink.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kSize = 10 * 1024 * 1024;

// A pty pair whose master is read (and thrown away) as fast as it fills.
class DrainedPty {
public:
    DrainedPty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master_);
        ::unlockpt(master_);
        slave_ = QString::fromLocal8Bit(::ptsname(master_));
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
    ~DrainedPty() {
        stop_ = true;
        thread_.join();
        ::close(keeper_);
        ::close(master_);
    }
    QString slave() const { return slave_; }
    void reset() { count_ = 0; }
    void waitFor(qint64 n) const {
        while (count_ < n)
            std::this_thread::yield();
    }

private:
    int master_ = -1, keeper_ = -1;
    QString slave_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<qint64> count_{0};
};

QByteArray& payload() {
    static QByteArray data = [] {
        QByteArray d(int(kSize), Qt::Uninitialized);
        QRandomGenerator gen(42);
        for (int i = 0; i < d.size(); ++i)
            d[i] = char(gen.bounded(256));
        return d;
    }();
    return data;
}

double bestLayer = 0, bestCat = 0;

void record(double* best, double seconds) {
    if (*best == 0 || seconds < *best)
        *best = seconds;
}

void runLayer(benchmark::State& state, int block) {
    DrainedPty pty;
    SerialLink link;
    PortSettings s;
    PortSettings::parse(QStringLiteral("115200,N,8,1"), &s);
    if (!link.open(pty.slave(), s)) {
        state.SkipWithError(qPrintable(link.errorString()));
        return;
    }
    const QByteArray& data = payload();
    for (auto _ : state) {
        pty.reset();
        const auto start = std::chrono::steady_clock::now();
        for (qint64 at = 0; at < data.size(); at += block)
            if (link.write(QByteArray::fromRawData(
                    data.constData() + at, int(qMin<qint64>(block, data.size() - at)))) != PortResult::Ok)
                state.SkipWithError("write failed");
        pty.waitFor(data.size());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (block == 4096)
            record(&bestLayer, seconds);
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

void BM_LayerBlocks4K(benchmark::State& state) {
    runLayer(state, 4096);
}
void BM_LayerOneWrite(benchmark::State& state) {
    runLayer(state, int(kSize));
}

void BM_Cat(benchmark::State& state) {
    DrainedPty pty;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("payload.bin"));
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(payload());
    f.close();
    for (auto _ : state) {
        pty.reset();
        QProcess cat;
        cat.setStandardOutputFile(pty.slave());
        const auto start = std::chrono::steady_clock::now();
        cat.start(QStringLiteral("cat"), {file});
        cat.waitForFinished(-1);
        pty.waitFor(kSize);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        record(&bestCat, seconds);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

BENCHMARK(BM_Cat)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LayerBlocks4K)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LayerOneWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (bestCat > 0 && bestLayer > 0)
        std::printf(
            "port layer (4 KB blocks) / cat, best of each: %.3f s / %.3f s = %.2fx (target: within 1.5x)\n",
            bestLayer, bestCat, bestLayer / bestCat);
    return 0;
}
