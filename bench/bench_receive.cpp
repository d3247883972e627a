// The received-file filter and the save of a received program. A received
// file (a tape leader of NULs, LF blocks with a NUL now and then, start and
// end characters, two unwanted strings) is filtered into its destination,
// whole (ReceiveChunk 0) and in pieces (ReceiveChunk 1), against
// `tr -d '\000'` over the same file, at 10 MB and 100 MB: time and the
// memory the filter adds. Then the save of a 100 MB received program as the
// receive ends it (filtered into place, opened in an editor window), each in
// a process of its own, against opening the same program in a window alone:
// what the save holds beyond the editor's own copy, per received byte.
#include "BenchSupport.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ReceiveSave.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {

void writeReceived(const QString& path, qint64 size) {
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(QByteArray(4096, '\0') + "%\n");
    const QByteArray blocks[] = {"N10 G01 X12.345 Y-6.789 F200\n", "N20 G02 X1. Y2. I0.5 J0 (MSG)\n",
                                 QByteArray("N30 M01\0\n", 9), "N40 G00 Z25.\n"};
    QByteArray piece;
    for (int i = 0; out.size() + piece.size() < size - 64; ++i) {
        piece += blocks[i % 4];
        if (piece.size() >= (1 << 20)) {
            out.write(piece);
            piece.clear();
        }
    }
    out.write(piece + "%\n");
    out.write(QByteArray(int(qMax<qint64>(0, size - out.size())), '\0'));
}

void useMachine() {
    gCurrentMachineSection = QStringLiteral("Machine1");
    writeIniValues(gCurrentMachineSection, {{QStringLiteral("HeaderReceive"), QStringLiteral("38")},
                                            {QStringLiteral("TrailerReceive"), QStringLiteral("38")},
                                            {QStringLiteral("EOBReceive"), QStringLiteral("0")},
                                            {QStringLiteral("Discard"), QStringLiteral("1")},
                                            {QStringLiteral("RemoveUnwantedStrings1"), QStringLiteral("(MSG)")},
                                            {QStringLiteral("RemoveUnwantedStrings2"), QStringLiteral("M01")}});
}

bool filter(const QString& received, const QString& destination) {
    QString error;
    if (ReceiveSave::writeReceivedFile(received, destination, false, &error))
        return true;
    std::fprintf(stderr, "filter: %s\n", qPrintable(error));
    return false;
}

// The child's part: the save (filter, then open) or the open alone.
int child(const QString& what, const QString& received, const QString& destination) {
    useMachine();
    if (what == QLatin1String("--save") && !filter(received, destination))
        return 1;
    EditorManager editors;
    return editors.openFileInNewWindow(destination) >= 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4)
        return child(args[1], args[2], args[3]);

    QTemporaryDir dir;
    bench::useProgramFolder(dir.path());
    useMachine();
    const QString received = dir.filePath(QStringLiteral("received.bin"));
    const QString destination = dir.filePath(QStringLiteral("program.nc"));
    const QString trOut = dir.filePath(QStringLiteral("tr.out"));

    std::printf("received-file filter, best of %d:\n", bench::rounds(3));
    double times[2][3] = {};
    qint64 peaks[2][2] = {};
    const qint64 sizes[2] = {bench::sized(10LL << 20), bench::sized(100LL << 20)};
    for (int s = 0; s < 2; ++s) {
        writeReceived(received, sizes[s]);
        for (int mode = 0; mode < 2; ++mode) {
            writeIni(gCurrentMachineSection, QStringLiteral("ReceiveChunk"), QString::number(mode));
            bench::Best best;
            for (int i = 0; i < bench::rounds(3); ++i) {
                const qint64 added = bench::peakAdded([&] { best.record(bench::seconds([&] { filter(received, destination); })); });
                peaks[s][mode] = qMax(peaks[s][mode], added);
            }
            times[s][mode] = best.get();
        }
        bench::Best tr;
        for (int i = 0; i < bench::rounds(3); ++i)
            tr.record(bench::runProgram({QStringLiteral("sh"), QStringLiteral("-c"),
                                         QStringLiteral("tr -d '\\000' < '%1' > '%2'").arg(received, trOut)})
                          .seconds);
        times[s][2] = tr.get();
        const QByteArray name = QByteArray::number(sizes[s] >> 20) + " MB";
        for (int mode = 0; mode < 2; ++mode)
            std::printf("%-7s %-10s %7.3f s | tr %7.3f s | %.2fx (goal <= 1.3x) | memory added %6.1f MiB\n", name.constData(),
                        mode == 0 ? "whole" : "piecewise", times[s][mode], times[s][2], times[s][mode] / times[s][2],
                        bench::mib(peaks[s][mode]));
    }
    for (int mode = 0; mode < 2; ++mode)
        std::printf("%-18s 100 MB / 10 MB: time %.1f (linear: about 10), memory added %.1f MiB / %.1f MiB (flat)\n",
                    mode == 0 ? "whole" : "piecewise", times[1][mode] / times[0][mode], bench::mib(peaks[1][mode]),
                    bench::mib(peaks[0][mode]));

    // The save of the 100 MB program against the editor's own copy of it.
    writeIni(gCurrentMachineSection, QStringLiteral("ReceiveChunk"), QStringLiteral("0"));
    const QString self = QCoreApplication::applicationFilePath();
    const bench::ProgramRun save = bench::runProgram({self, QStringLiteral("--save"), received, destination});
    const bench::ProgramRun open = bench::runProgram({self, QStringLiteral("--open"), received, destination});
    const qint64 bytes = QFile(received).size();
    if (save.exitCode != 0 || open.exitCode != 0)
        std::fprintf(stderr, "the save or the open failed\n");
    std::printf("saving a %.0f MB received program: peak %.1f MiB, the editor alone %.1f MiB: %.2f bytes per received "
                "byte beyond the editor (goal <= 1)\n",
                bytes / 1048576.0, bench::mib(save.peak), bench::mib(open.peak),
                double(save.peak - open.peak) / double(bytes));
    return 0;
}
