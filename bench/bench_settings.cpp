#include "IniDocument.h"
#include "IniStorage.h"
#include "IniStore.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

// 64 complete machine records in a fresh program folder.
struct Fixture {
    QTemporaryDir dir;
    QStringList sections;
    QStringList keys;
    Fixture() {
        qputenv("FEEDLINE_HOME", QFile::encodeName(dir.path()));
        ProgramPaths::reset();
        IniStore::instance().clearCache();
        initSettingsPath();
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

// Prints the comparison the two rows are there for.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    SummaryReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                ms_[r.run_name.function_name] = r.GetAdjustedRealTime(); // in the row's unit, ms
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto store = ms_.find("BM_StoreReadsEveryMachineKey");
        const auto parse = ms_.find("BM_ParseFileForEveryRead");
        if (store == ms_.end() || parse == ms_.end() || store->second <= 0)
            return;
        std::printf("\n%lld readIni calls over %d machine sections\n", static_cast<long long>(fixture().reads()),
                    kMachineCount);
        std::printf("  cached store:        %10.3f ms  (target under 20 ms)\n", store->second);
        std::printf("  parse at every read: %10.3f ms\n", parse->second);
        std::printf("  store is %.0f times faster (target at least 50)\n", parse->second / store->second);
    }

private:
    std::map<std::string, double> ms_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
