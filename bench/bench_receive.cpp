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

    double times[2][3] = {};
    qint64 peaks[2][3] = {};
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
        for (int i = 0; i < bench::rounds(3); ++i) {
            const bench::ProgramRun run = bench::runProgram(
                {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("tr -d '\\000' < '%1' > '%2'").arg(received, trOut)});
            tr.record(run.seconds);
            peaks[s][2] = qMax(peaks[s][2], run.peak);
        }
        times[s][2] = tr.get();
    }
    for (int mode = 0; mode < 2; ++mode) {
        char what[96];
        std::snprintf(what, sizeof what, "received-file filter, %s, %lld MB", mode == 0 ? "whole" : "piecewise",
                      static_cast<long long>(sizes[1] >> 20));
        bench::printRow(what, {"ours", times[1][mode], times[0][mode], peaks[1][mode]},
                        {"tr -d", times[1][2], times[0][2], peaks[1][2]}, 0, "<= 1.3x, memory flat");
    }

    // The save of the 100 MB program against the editor's own copy of it.
    writeIni(gCurrentMachineSection, QStringLiteral("ReceiveChunk"), QStringLiteral("0"));
    const QString self = QCoreApplication::applicationFilePath();
    const bench::ProgramRun save = bench::runProgram({self, QStringLiteral("--save"), received, destination});
    const bench::ProgramRun open = bench::runProgram({self, QStringLiteral("--open"), received, destination});
    const qint64 bytes = QFile(received).size();
    if (save.exitCode != 0 || open.exitCode != 0)
        std::fprintf(stderr, "the save or the open failed\n");
    char what[96];
    std::snprintf(what, sizeof what, "saving a %.0f MB received program, beyond the editor's own copy",
                  bytes / 1048576.0);
    bench::printRow(what, {"save", save.seconds, 0, save.peak - open.peak}, {"open", open.seconds, 0, open.peak},
                    bytes, "<= 1 B/B beyond the editor");
    return 0;
}
