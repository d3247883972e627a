// The text send against cat: a 10 MB NC program sent with no delays to a
// pseudo-terminal whose other end is read as fast as it fills, and the same
// file copied there by cat. Prints the ratio, and the line processing's cost
// per megabyte at 1 MB and 10 MB (it must not grow with the file).
#include "BenchSupport.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "SendEngine.h"
#include "SendLines.h"
#include "TransferGlobals.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// One program folder for the run, a machine on the pseudo-terminal at the
// highest listed speed (a pty has no speed of its own), no pauses.
struct Setup {
    QTemporaryDir dir;
    bench::DrainedPty machine;
    QString small, large;
    Setup() {
        bench::useProgramFolder(dir.path());
        gCurrentMachineSection = QStringLiteral("Machine1");
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), machine.slave());
        writeIniValues(gCurrentMachineSection, {{QStringLiteral("iBaudrate"), QStringLiteral("12")},
                                                {QStringLiteral("WaitAfterSending"), QStringLiteral("30")},
                                                {QStringLiteral("SendTimeOut"), QStringLiteral("30")}});
        Msg::setHandler([](const Msg::Request& r) { return Msg::defaultAnswer(r); });
        gKeepAlive = 0;
        small = dir.filePath(QStringLiteral("1mb.nc"));
        large = dir.filePath(QStringLiteral("10mb.nc"));
        bench::writeFile(small, bench::ncProgram(1 << 20));
        bench::writeFile(large, bench::ncProgram(10 << 20));
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

qint64 sizeOf(const QString& path) { return QFileInfo(path).size(); }

// What the machine receives for a program: LF lines become CR LF blocks.
qint64 sentSize(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.size() + f.readAll().count('\n');
}

bench::Best bestCat, bestEngine, bestHidden, bestSmall;

void runEngine(benchmark::State& state, const QString& file, int status, bench::Best& best) {
    Setup& s = setup();
    const qint64 expected = sentSize(file);
    for (auto _ : state) {
        s.machine.reset();
        gDNCStatus = status;
        SendOutcome outcome = SendOutcome::NotSent;
        const double seconds = bench::seconds([&] {
            outcome = sendFileNoWindow(file);
            s.machine.waitFor(expected);
        });
        if (outcome != SendOutcome::Sent || s.machine.count() != expected)
            state.SkipWithError("the program did not arrive whole");
        state.SetIterationTime(seconds);
        best.record(seconds);
    }
    state.SetBytesProcessed(state.iterations() * sizeOf(file));
}

void BM_Cat(benchmark::State& state) {
    Setup& s = setup();
    const qint64 size = sizeOf(s.large);
    for (auto _ : state) {
        const double seconds = bench::catInto(s.large, s.machine, size);
        state.SetIterationTime(seconds);
        bestCat.record(seconds);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_SendNoWindow10MB(benchmark::State& state) { runEngine(state, setup().large, 2, bestEngine); }
void BM_SendNoWindow10MBNoDisplay(benchmark::State& state) { runEngine(state, setup().large, 3, bestHidden); }
void BM_SendNoWindow1MB(benchmark::State& state) { runEngine(state, setup().small, 2, bestSmall); }

// The per-line work alone: split, prepare, add the end of block.
void BM_LineProcessing(benchmark::State& state) {
    const QByteArray program = bench::ncProgram(state.range(0) << 20);
    SendLines::Rules rules;
    rules.stripSpaces = true;
    rules.ignoreBlock = "/";
    rules.stripBlankLines = true;
    for (auto _ : state) {
        QByteArray out;
        SendLines::LineReader reader(program);
        while (!reader.atEnd()) {
            const QByteArray line = SendLines::prepareLine(reader.next(), rules);
            if (SendLines::isSent(line, rules))
                out += line + "\r\n";
        }
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * program.size());
}

BENCHMARK(BM_Cat)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SendNoWindow10MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SendNoWindow10MBNoDisplay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SendNoWindow1MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LineProcessing)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::printRatio("send without window, 10 MB / cat", bestEngine, bestCat, "within 2x");
    bench::printRatio("the same with no progress display / cat", bestHidden, bestCat, "within 2x");
    if (bestEngine.get() > 0 && bestSmall.get() > 0)
        std::printf("10 MB / 1 MB send time: %.1f (linear: about 10)\n", bestEngine.get() / bestSmall.get());
    return 0;
}
