// The text send against cat: a 10 MB NC program sent with no delays to a
// pseudo-terminal whose other end is read as fast as it fills, and the same
// file copied there by cat. Prints the ratio, and the line processing's cost
// per megabyte at 1 MB and 10 MB (it must not grow with the file).
#include "IniStorage.h"
#include "IniStore.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "ProgramPaths.h"
#include "PtyMachine.h"
#include "SendEngine.h"
#include "SendLines.h"
#include "TransferGlobals.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

QByteArray makeProgram(qint64 bytes) {
    QByteArray out;
    out.reserve(int(bytes + 64));
    for (int n = 1; out.size() < bytes; ++n)
        out += "N" + QByteArray::number(n * 10) + " G01 X" + QByteArray::number((n % 997) * 0.125, 'f', 3) + " Y" +
               QByteArray::number((n % 991) * 0.25, 'f', 3) + " F1500\n";
    return out;
}

// One program folder for the run, a machine on the pseudo-terminal at the
// highest listed speed (a pty has no speed of its own), no pauses.
struct Setup {
    QTemporaryDir dir;
    PtyMachine machine;
    QString small, large;
    Setup() {
        qputenv("FEEDLINE_HOME", QFile::encodeName(dir.path()));
        ProgramPaths::reset();
        IniStore::instance().clearCache();
        initSettingsPath();
        gCurrentMachineSection = QStringLiteral("Machine1");
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), machine.slavePath());
        writeIniValues(gCurrentMachineSection, {{QStringLiteral("iBaudrate"), QStringLiteral("12")},
                                                {QStringLiteral("WaitAfterSending"), QStringLiteral("30")},
                                                {QStringLiteral("SendTimeOut"), QStringLiteral("30")}});
        Msg::setHandler([](const Msg::Request& r) { return Msg::defaultAnswer(r); });
        gKeepAlive = 0;
        small = write(QStringLiteral("1mb.nc"), makeProgram(1 << 20));
        large = write(QStringLiteral("10mb.nc"), makeProgram(10 << 20));
    }
    QString write(const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return path;
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

double best[4] = {0, 0, 0, 0}; // cat, engine, engine hidden, engine 1 MB
void record(int which, double seconds) {
    if (best[which] == 0 || seconds < best[which])
        best[which] = seconds;
}

void runEngine(benchmark::State& state, const QString& file, int status, int slot) {
    Setup& s = setup();
    const qint64 expected = sentSize(file);
    for (auto _ : state) {
        s.machine.clearReceived();
        gDNCStatus = status;
        const auto start = std::chrono::steady_clock::now();
        const SendOutcome outcome = sendFileNoWindow(file);
        s.machine.waitForCount(expected, 60000);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (outcome != SendOutcome::Sent || s.machine.receivedCount() != expected)
            state.SkipWithError("the program did not arrive whole");
        state.SetIterationTime(seconds);
        record(slot, seconds);
    }
    state.SetBytesProcessed(state.iterations() * sizeOf(file));
}

void BM_Cat(benchmark::State& state) {
    Setup& s = setup();
    const qint64 size = sizeOf(s.large);
    for (auto _ : state) {
        s.machine.clearReceived();
        QProcess cat;
        cat.setStandardOutputFile(s.machine.slavePath());
        const auto start = std::chrono::steady_clock::now();
        cat.start(QStringLiteral("cat"), {s.large});
        cat.waitForFinished(-1);
        s.machine.waitForCount(size, 60000);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        record(0, seconds);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_SendNoWindow10MB(benchmark::State& state) { runEngine(state, setup().large, 2, 1); }
void BM_SendNoWindow10MBNoDisplay(benchmark::State& state) { runEngine(state, setup().large, 3, 2); }
void BM_SendNoWindow1MB(benchmark::State& state) { runEngine(state, setup().small, 2, 3); }

// The per-line work alone: split, prepare, add the end of block.
void BM_LineProcessing(benchmark::State& state) {
    const QByteArray program = makeProgram(state.range(0) << 20);
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
    if (best[0] > 0 && best[1] > 0)
        std::printf("send without window, 10 MB / cat, best of each: %.3f s / %.3f s = %.2fx (target: within 2x)\n",
                    best[1], best[0], best[1] / best[0]);
    if (best[0] > 0 && best[2] > 0)
        std::printf("the same with no progress display: %.3f s = %.2fx cat\n", best[2], best[2] / best[0]);
    if (best[1] > 0 && best[3] > 0)
        std::printf("10 MB / 1 MB send time: %.1f (linear: about 10)\n", best[1] / best[3]);
    return 0;
}
