// Reading every key of 64 machine records through the cached store, against
// parsing the settings file afresh for every read.
#include "BenchSupport.h"
#include "IniDocument.h"
#include "IniStorage.h"
#include "MachineRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// 64 complete machine records in a fresh program folder.
struct Fixture {
    QTemporaryDir dir;
    QStringList sections;
    QStringList keys;
    Fixture() {
        bench::useProgramFolder(dir.path());
        keys = MachineRecord::recordKeys();
        IniBatch batch;
        for (int m = 1; m <= kMachineCount; ++m) {
            sections << MachineRecord::sectionName(m);
            MachineRecord::writeDefaults(sections.last());
        }
    }
    qint64 reads() const { return qint64(sections.size()) * keys.size(); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_StoreReadsEveryMachineKey(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        for (const QString& s : f.sections)
            for (const QString& k : f.keys)
                benchmark::DoNotOptimize(readIni(s, k, QString()));
    }
    state.counters["reads"] = double(f.reads());
    state.counters["per_read"] =
        benchmark::Counter(double(f.reads()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// What a profile-string function costs: open, read and parse the file for every value.
void BM_ParseFileForEveryRead(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        for (const QString& s : f.sections)
            for (const QString& k : f.keys) {
                QFile file(gIniPath);
                file.open(QIODevice::ReadOnly);
                const IniDocument doc = IniDocument::parse(file.readAll());
                benchmark::DoNotOptimize(doc.value(s, k).value_or(QString()));
            }
    }
    state.counters["reads"] = double(f.reads());
    state.counters["per_read"] =
        benchmark::Counter(double(f.reads()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_StoreReadsEveryMachineKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseFileForEveryRead)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    bench::TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double store = reporter.time("BM_StoreReadsEveryMachineKey"), parse = reporter.time("BM_ParseFileForEveryRead");
    if (store > 0 && parse > 0) {
        std::printf("\n%lld readIni calls over %d machine sections\n", static_cast<long long>(fixture().reads()),
                    kMachineCount);
        std::printf("  cached store:        %10.3f ms  (target under 20 ms)\n", store);
        std::printf("  parse at every read: %10.3f ms\n", parse);
        std::printf("  store is %.0f times faster (target at least 50)\n", parse / store);
    }
    return 0;
}
