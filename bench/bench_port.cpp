// 10 MB through the port layer (in the 4 KB blocks the block senders use, and
// in one write) to a pseudo-terminal whose other end is drained, against `cat`
// of the same file into the same kind of pseudo-terminal. Prints the ratio.
#include "BenchSupport.h"
#include "SerialLink.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

constexpr qint64 kSize = 10 * 1024 * 1024;

const QByteArray& payload() {
    static const QByteArray data = bench::randomBytes(kSize);
    return data;
}

bench::Best bestLayer, bestCat;

void runLayer(benchmark::State& state, int block) {
    bench::DrainedPty pty;
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
        const double seconds = bench::seconds([&] {
            for (qint64 at = 0; at < data.size(); at += block)
                if (link.write(QByteArray::fromRawData(data.constData() + at,
                                                       int(qMin<qint64>(block, data.size() - at)))) != PortResult::Ok)
                    state.SkipWithError("write failed");
            pty.waitFor(data.size());
        });
        state.SetIterationTime(seconds);
        if (block == 4096)
            bestLayer.record(seconds);
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

void BM_LayerBlocks4K(benchmark::State& state) { runLayer(state, 4096); }
void BM_LayerOneWrite(benchmark::State& state) { runLayer(state, int(kSize)); }

void BM_Cat(benchmark::State& state) {
    bench::DrainedPty pty;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("payload.bin"));
    bench::writeFile(file, payload());
    for (auto _ : state) {
        const double seconds = bench::catInto(file, pty, kSize);
        state.SetIterationTime(seconds);
        bestCat.record(seconds);
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
    bench::printRatio("port layer (4 KB blocks) / cat", bestLayer, bestCat, "within 1.5x");
    return 0;
}
