// Opening a 50 MB NC program of about two million blocks into an editor
// window, against reading the same file with QFile::readAll alone: time,
// peak memory per byte of the file, and the growth from a 5 MB program
// (linear: ten times the time). Beside it, a bare edit control given only the
// calls that show the file, as the floor under our open.
#include "BenchSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <Qsci/qsciscintilla.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const qint64 kLargeBytes = bench::sized(50LL << 20);

QByteArray program(qint64 bytes) { return "%\r\nO1000\r\n" + bench::ncProgram(bytes, "\r\n") + "M30\r\n%\r\n"; }

// A program folder with a 50 MB and a 5 MB program, and the editor windows.
struct Fixture {
    QTemporaryDir dir;
    QString large, small;
    qint64 largeBytes = 0, smallBytes = 0, lines = 0;
    std::unique_ptr<EditorManager> editors;

    Fixture() {
        bench::useProgramFolder(dir.path());
        large = dir.filePath(QStringLiteral("large.nc"));
        small = dir.filePath(QStringLiteral("small.nc"));
        {
            const QByteArray text = program(kLargeBytes);
            bench::writeFile(large, text);
            largeBytes = text.size();
            lines = text.count('\n');
        }
        const QByteArray text = program(kLargeBytes / 10);
        bench::writeFile(small, text);
        smallBytes = text.size();
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

QByteArray readAll(const QString& path) {
    QFile in(path);
    in.open(QIODevice::ReadOnly);
    return in.readAll();
}

// From the call to a painted window: NUL check, read, load into the edit
// control, tab and caption, recent list, first paint (colouring included).
// False when the program did not arrive whole.
bool openAndPaint(const QString& path, qint64 bytes) {
    Fixture& f = fixture();
    const int index = f.editors->openFileInNewWindow(path);
    QCoreApplication::processEvents();
    return index >= 0 && f.editors->editor(index)->textLength() == bytes;
}

// The closed window is deleted later, which the program's event loop does
// at once; without one it would never go, and every run would leave its
// 50 MB document behind.
void closeActive() {
    fixture().editors->closeMyFile();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// One open of ours, timed as openAndPaint, then closed untimed; -1 when the
// program did not arrive whole.
double oursOnce(const QString& path, qint64 bytes) {
    bool whole = false;
    const double s = bench::seconds([&] { whole = openAndPaint(path, bytes); });
    closeActive();
    return whole ? s : -1;
}

bench::Best bestOpen, bestColoured, bestSmall, bestColouredSmall;

// QFile::readAll, each read in a process of its own (this program, started
// with --read-once): within one process a 5 MB read lands in memory an
// earlier read freed, already mapped, and seems to grow 140 times to 50 MB.
double freshRead(const QString& path) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("seconds"));
    bench::Best best;
    for (int i = 0; i < bench::rounds(5); ++i) {
        bench::runProgram({QCoreApplication::applicationFilePath(), QStringLiteral("--read-once"), path}, out);
        best.record(readAll(out).toDouble());
    }
    return best.get();
}

void open(benchmark::State& state, const QString& path, qint64 bytes, bool coloured, bench::Best& best) {
    gColourizeBlocks = coloured;
    fixture().editors->applyDisplaySettings();
    for (auto _ : state) {
        const double s = oursOnce(path, bytes);
        if (s < 0) {
            state.SkipWithError("the program did not load whole");
            break;
        }
        state.SetIterationTime(s);
        best.record(s);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

// The floor under our open: a bare edit control given only the calls that
// show the file (a document without style bytes, its room taken first, the
// file in 1 MB pieces with change notices off), measured as ours is: a new
// control, with our font and code page, in a new tab of the same window,
// timed from its making to its first paint, then closed and deleted
// untimed. The two take turns, each going first every other round, so that
// both meet the same machine. What ours takes beyond it is its own part.
bench::Best bestBeside, bestControl;

// The seconds from the call to a painted window; -1 when the program did not arrive whole.
double controlAloneOnce(const QString& path, qint64 bytes) {
    Fixture& f = fixture();
    QTabWidget* tabs = f.editors->tabWidget();
    const EditControl* ours = f.editors->editor(0);
    QFont font(ours->fontName());
    if (ours->fontSize() > 0)
        font.setPointSize(ours->fontSize());
    font.setBold(ours->isBold());
    QWidget* page = nullptr;
    qint64 length = 0;
    const double s = bench::seconds([&] {
        QFile in(path);
        in.open(QIODevice::ReadOnly);
        page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* control = new QsciScintilla;
        for (int m = 0; m < 5; ++m)
            control->setMarginWidth(m, 0);
        control->setFont(font);
        layout->addWidget(control);
        auto* doc = reinterpret_cast<void*>(control->SendScintilla(
            QsciScintillaBase::SCI_CREATEDOCUMENT, 0, QsciScintillaBase::SC_DOCUMENTOPTION_STYLES_NONE));
        control->SendScintilla(QsciScintillaBase::SCI_SETDOCPOINTER, 0, doc);
        control->SendScintilla(QsciScintillaBase::SCI_RELEASEDOCUMENT, 0, doc);
        control->SendScintilla(QsciScintillaBase::SCI_SETCODEPAGE, 0L); // the document keeps it
        control->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0L);
        control->SendScintilla(QsciScintillaBase::SCI_ALLOCATE, (unsigned long)in.size() + 2);
        control->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0L);
        QByteArray piece(1 << 20, Qt::Uninitialized);
        qint64 n = 0;
        while ((n = in.read(piece.data(), piece.size())) > 0)
            control->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, (uintptr_t)n, piece.constData());
        tabs->setCurrentIndex(tabs->addTab(page, QStringLiteral("floor")));
        QCoreApplication::processEvents();
        length = control->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    });
    tabs->removeTab(tabs->indexOf(page));
    page->deleteLater();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return length == bytes ? s : -1;
}

void BM_Open50MBBesideControlAlone(benchmark::State& state) {
    const Fixture& f = fixture();
    gColourizeBlocks = false;
    fixture().editors->applyDisplaySettings();
    bool oursFirst = true;
    for (auto _ : state) {
        double ours = 0, control = 0;
        if (oursFirst) {
            ours = oursOnce(f.large, f.largeBytes);
            control = controlAloneOnce(f.large, f.largeBytes);
        } else {
            control = controlAloneOnce(f.large, f.largeBytes);
            ours = oursOnce(f.large, f.largeBytes);
        }
        oursFirst = !oursFirst;
        if (ours < 0 || control < 0) {
            state.SkipWithError("the program did not load whole");
            break;
        }
        state.SetIterationTime(control);
        bestBeside.record(ours);
        bestControl.record(control);
    }
    state.SetBytesProcessed(state.iterations() * f.largeBytes);
}

void BM_Open50MB(benchmark::State& state) { open(state, fixture().large, fixture().largeBytes, false, bestOpen); }
void BM_Open50MBColoured(benchmark::State& state) {
    open(state, fixture().large, fixture().largeBytes, true, bestColoured);
}
void BM_Open5MB(benchmark::State& state) { open(state, fixture().small, fixture().smallBytes, false, bestSmall); }
void BM_Open5MBColoured(benchmark::State& state) {
    open(state, fixture().small, fixture().smallBytes, true, bestColouredSmall);
}

BENCHMARK(BM_Open50MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Open50MBBesideControlAlone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Open5MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Open50MBColoured)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Open5MBColoured)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The most memory opening the large program adds, coloured or not.
qint64 openPeak(bool coloured) {
    Fixture& f = fixture();
    gColourizeBlocks = coloured;
    f.editors->applyDisplaySettings();
    const qint64 added = bench::peakAdded([&] { openAndPaint(f.large, f.largeBytes); });
    closeActive();
    return added;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--read-once") == 0) {
        QByteArray all;
        const double s = bench::seconds([&] { all = readAll(QString::fromLocal8Bit(argv[2])); });
        benchmark::DoNotOptimize(all);
        std::printf("%.9f\n", all.isEmpty() ? 0.0 : s);
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture& f = fixture();
    for (int i = 1; i <= 26; ++i)
        gBlockColours[i] = 0x00FF00u + 0x000009u * i;
    // Peaks first, while nothing freed sits in the allocator.
    const qint64 readPeak = bench::peakAdded([&] { benchmark::DoNotOptimize(readAll(f.large)); });
    const qint64 plainPeak = openPeak(false);
    const qint64 colouredPeak = openPeak(true);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bench::Side readAll{"QFile::readAll", freshRead(f.large), freshRead(f.small), readPeak};
    char what[128];
    std::snprintf(what, sizeof what, "open a %.1f MB program of %lld blocks in an editor window", bench::mib(f.largeBytes),
                  static_cast<long long>(f.lines));
    bench::printRow(what, {"ours", bestOpen.get(), bestSmall.get(), plainPeak}, readAll, f.largeBytes,
                    "<= 4.5x, <= 1.5 B/B");
    bench::printRow("the same, floor: the edit control alone given only the calls that show the file, in turns",
                    {"ours", bestBeside.get(), 0, -1}, {"edit control", bestControl.get(), 0, -1});
    bench::printRow(std::string(what) + ", block colouring on",
                    {"ours", bestColoured.get(), bestColouredSmall.get(), colouredPeak}, readAll,
                    f.largeBytes, "within 4x");
    gFixture.reset();
    return 0;
}
