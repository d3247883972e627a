// 10 MB (and 1 MB) through the port layer, in the 4 KB blocks the block
// senders use and in one write, to a pseudo-terminal whose other end is
// drained, against `cat` of the same file into the same kind of
// pseudo-terminal.
#include "BenchSupport.h"
#include "SerialLink.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <map>

namespace {

constexpr qint64 kSize = 10 * 1024 * 1024;

const QByteArray& payload() {
    static const QByteArray data = bench::randomBytes(kSize);
    return data;
}

// Best times by (block, size); block 0 is cat.
std::map<std::pair<qint64, qint64>, bench::Best> best;

void runLayer(benchmark::State& state) {
    const qint64 block = state.range(0), size = state.range(1);
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
            for (qint64 at = 0; at < size; at += block)
                if (link.write(QByteArray::fromRawData(data.constData() + at, int(qMin(block, size - at)))) !=
                    PortResult::Ok)
                    state.SkipWithError("write failed");
            pty.waitFor(size);
        });
        state.SetIterationTime(seconds);
        best[{block, size}].record(seconds);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_Cat(benchmark::State& state) {
    const qint64 size = state.range(0);
    bench::DrainedPty pty;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("payload.bin"));
    bench::writeFile(file, payload().left(size));
    for (auto _ : state) {
        const double seconds = bench::catInto(file, pty, size);
        state.SetIterationTime(seconds);
        best[{0, size}].record(seconds);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

BENCHMARK(BM_Cat)->Arg(kSize)->Arg(kSize / 10)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(runLayer)
    ->Name("BM_LayerBlocks4K")
    ->Args({4096, kSize})
    ->Args({4096, kSize / 10})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(runLayer)
    ->Name("BM_LayerOneWrite")
    ->Args({kSize, kSize})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// What 10 MB in 4 KB blocks adds to this process.
qint64 layerAdds() {
    bench::DrainedPty pty;
    SerialLink link;
    PortSettings s;
    PortSettings::parse(QStringLiteral("115200,N,8,1"), &s);
    if (!link.open(pty.slave(), s))
        return -1;
    const QByteArray& data = payload();
    return bench::peakAdded([&] {
        for (qint64 at = 0; at < kSize; at += 4096)
            link.write(QByteArray::fromRawData(data.constData() + at, int(qMin<qint64>(4096, kSize - at))));
        pty.waitFor(kSize);
    });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    payload();
    const qint64 added = layerAdds();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::printRow("port layer, 10 MB in 4 KB blocks", {"ours", best[{4096, kSize}].get(), best[{4096, kSize / 10}].get(), added},
                    {"cat", best[{0, kSize}].get(), best[{0, kSize / 10}].get()}, 0, "within 1.5x");
    bench::printRow("port layer, 10 MB in one write", {"ours", best[{kSize, kSize}].get()}, {"cat", best[{0, kSize}].get()});
    return 0;
}
