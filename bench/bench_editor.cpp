#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "IniStore.h"
#include "ProgramPaths.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr qint64 kTargetBytes = 50LL * 1024 * 1024;

// A program folder with one 50 MB NC program of about two million blocks.
struct Fixture {
    QTemporaryDir dir;
    QString path;
    qint64 bytes = 0;
    qint64 lines = 0;
    std::unique_ptr<EditorManager> editors;

    Fixture() {
        qputenv("FEEDLINE_HOME", QFile::encodeName(dir.path()));
        ProgramPaths::reset();
        IniStore::instance().clearCache();
        initSettingsPath();
        path = dir.filePath(QStringLiteral("big.nc"));
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        QByteArray chunk;
        out.write("%\r\nO1000\r\n");
        for (qint64 n = 1; bytes < kTargetBytes; ++n) {
            chunk += "N" + QByteArray::number(n) + " G01 X" + QByteArray::number(n % 997) + ".5 Y-" +
                     QByteArray::number(n % 313) + "\r\n";
            ++lines;
            if (chunk.size() > (1 << 20)) {
                bytes += out.write(chunk);
                chunk.clear();
            }
        }
        bytes += out.write(chunk + "M30\r\n%\r\n");
        lines += 4;
        out.close();
        bytes = QFileInfo(path).size();
        editors = std::make_unique<EditorManager>();
        editors->tabWidget()->resize(1000, 700);
        editors->tabWidget()->show();
        QCoreApplication::processEvents();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_ReadAllOnly(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        QFile in(f.path);
        in.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(in.readAll());
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

// From the call to a painted window: NUL check, read, load into the edit
// control, tab and caption, recent list, first paint (colouring included).
void openIntoWindow(benchmark::State& state, bool coloured) {
    Fixture& f = fixture();
    gColourizeBlocks = coloured;
    for (int i = 1; i <= 26; ++i)
        gBlockColours[i] = 0x00FF00u + 0x000009u * i;
    f.editors->applyDisplaySettings();
    for (auto _ : state) {
        const int index = f.editors->openFileInNewWindow(f.path);
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (index < 0 || f.editors->editor(index)->textLength() != f.bytes) {
            state.SkipWithError("the program did not load whole");
            break;
        }
        f.editors->closeMyFile();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

void BM_OpenIntoEditorWindow(benchmark::State& state) { openIntoWindow(state, false); }
void BM_OpenIntoEditorWindowColoured(benchmark::State& state) { openIntoWindow(state, true); }

BENCHMARK(BM_ReadAllOnly)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenIntoEditorWindow)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenIntoEditorWindowColoured)->Unit(benchmark::kMillisecond)->Iterations(5);

// Prints the comparison the rows are there for.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    SummaryReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                ms_[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto read = ms_.find("BM_ReadAllOnly");
        const auto open = ms_.find("BM_OpenIntoEditorWindow");
        const auto coloured = ms_.find("BM_OpenIntoEditorWindowColoured");
        if (read == ms_.end() || open == ms_.end() || coloured == ms_.end())
            return;
        std::printf("\n%.1f MB, %lld lines\n", double(fixture().bytes) / (1024 * 1024),
                    static_cast<long long>(fixture().lines));
        std::printf("  QFile::readAll alone:          %8.1f ms\n", read->second);
        std::printf("  open into an editor window:    %8.1f ms  (target under 1000 ms)\n", open->second);
        std::printf("  the same with block colouring: %8.1f ms\n", coloured->second);
    }

private:
    std::map<std::string, double> ms_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
