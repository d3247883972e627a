// Opening a 50 MB NC program of about two million blocks into an editor
// window, against reading the same file with QFile::readAll alone.
#include "BenchSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

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
        bench::useProgramFolder(dir.path());
        path = dir.filePath(QStringLiteral("big.nc"));
        const QByteArray program = "%\r\nO1000\r\n" + bench::ncProgram(kTargetBytes, "\r\n") + "M30\r\n%\r\n";
        bench::writeFile(path, program);
        bytes = program.size();
        lines = program.count('\n');
        editors = std::make_unique<EditorManager>();
        editors->tabWidget()->resize(1000, 700);
        editors->tabWidget()->show();
        QCoreApplication::processEvents();
    }
};

// Made on first use and gone before the application object, which the
// editor windows need to close cleanly.
std::unique_ptr<Fixture> gFixture;
Fixture& fixture() {
    if (!gFixture)
        gFixture = std::make_unique<Fixture>();
    return *gFixture;
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

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    bench::TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double read = reporter.time("BM_ReadAllOnly"), open = reporter.time("BM_OpenIntoEditorWindow"),
                 coloured = reporter.time("BM_OpenIntoEditorWindowColoured");
    if (read > 0 && open > 0 && coloured > 0) {
        std::printf("\n%.1f MB, %lld lines\n", double(fixture().bytes) / (1024 * 1024),
                    static_cast<long long>(fixture().lines));
        std::printf("  QFile::readAll alone:          %8.1f ms\n", read);
        std::printf("  open into an editor window:    %8.1f ms  (target under 1000 ms)\n", open);
        std::printf("  the same with block colouring: %8.1f ms\n", coloured);
    }
    gFixture.reset();
    return 0;
}
