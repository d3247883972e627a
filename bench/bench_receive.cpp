// Filtering a 100 MB received file into its destination (start and end
// characters, line ends found in the data, control characters, two unwanted
// strings), whole in memory and in pieces, against `tr -d '\000'` over the
// same file. Prints the ratios.
#include "BenchSupport.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ReceiveSave.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr qint64 kSize = 100 * 1024 * 1024;

struct Fixture {
    QTemporaryDir dir;
    QString received;
    QString destination;
    Fixture() {
        bench::useProgramFolder(dir.path());
        gCurrentMachineSection = QStringLiteral("Machine1");
        writeIniValues(gCurrentMachineSection, {{QStringLiteral("HeaderReceive"), QStringLiteral("38")},
                                                {QStringLiteral("TrailerReceive"), QStringLiteral("38")},
                                                {QStringLiteral("EOBReceive"), QStringLiteral("0")},
                                                {QStringLiteral("Discard"), QStringLiteral("1")},
                                                {QStringLiteral("RemoveUnwantedStrings1"), QStringLiteral("(MSG)")},
                                                {QStringLiteral("RemoveUnwantedStrings2"), QStringLiteral("M01")}});
        received = dir.filePath(QStringLiteral("received.bin"));
        destination = dir.filePath(QStringLiteral("program.nc"));
        // A tape leader of NULs, then LF-ended blocks with a NUL now and then.
        QByteArray data(4096, '\0');
        data += "%\n";
        const QByteArray blocks[] = {"N10 G01 X12.345 Y-6.789 F200\n", "N20 G02 X1. Y2. I0.5 J0 (MSG)\n",
                                     QByteArray("N30 M01\0\n", 9), "N40 G00 Z25.\n"};
        for (int i = 0; data.size() < kSize - 64; ++i)
            data += blocks[i % 4];
        data += "%\n";
        data += QByteArray(kSize - data.size(), '\0');
        bench::writeFile(received, data);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

bench::Best bestWhole, bestPieces, bestTr;

void runFilter(benchmark::State& state, const char* chunk, bench::Best& best) {
    Fixture& fx = fixture();
    writeIni(gCurrentMachineSection, QStringLiteral("ReceiveChunk"), QString::fromLatin1(chunk));
    for (auto _ : state) {
        QString error;
        bool ok = false;
        const double s =
            bench::seconds([&] { ok = ReceiveSave::writeReceivedFile(fx.received, fx.destination, false, &error); });
        if (!ok)
            state.SkipWithError(qPrintable(error));
        state.SetIterationTime(s);
        best.record(s);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_FilterWhole(benchmark::State& state) { runFilter(state, "0", bestWhole); }
void BM_FilterPieces(benchmark::State& state) { runFilter(state, "1", bestPieces); }

void BM_TrDeleteNul(benchmark::State& state) {
    Fixture& fx = fixture();
    const QString out = fx.dir.filePath(QStringLiteral("tr.out"));
    const QString command = QStringLiteral("tr -d '\\000' < '%1' > '%2'").arg(fx.received, out);
    for (auto _ : state) {
        int code = -1;
        const double s =
            bench::seconds([&] { code = QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}); });
        if (code != 0)
            state.SkipWithError("tr failed");
        state.SetIterationTime(s);
        bestTr.record(s);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

BENCHMARK(BM_FilterWhole)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilterPieces)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TrDeleteNul)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::printRatio("filter, whole file / tr -d '\\000'", bestWhole, bestTr, "within 3x");
    bench::printRatio("filter, in pieces / tr -d '\\000'", bestPieces, bestTr, "within 3x");
    return 0;
}
