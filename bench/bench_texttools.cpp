// Resequence from 10 by 10 with N words over a program of numbered and
// unnumbered lines, from the command until the window holds the result with
// its undo step, against the system's awk doing the same over the same file.
// Run at 200,000 and 2,000,000 lines to show how the time grows.
#include "BenchSupport.h"
#include "EditControl.h"
#include "EditorManager.h"
#include "MessageSeam.h"
#include "NcTextRules.h"
#include "TextTools.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRuns = 5; // best of these, the runs least disturbed by the rest of the machine
const QString kAwkProgram = QStringLiteral("{ sub(/^N[0-9. ]+/, \"\"); printf \"N%d %s\\n\", NR*10, $0 }");

// Every line has a space, half carry an old N number, LF ends, no blank lines.
QByteArray program(int lines) {
    QByteArray p;
    p.reserve(qsizetype(lines) * 24);
    for (int i = 1; i <= lines; ++i) {
        if (i % 2)
            p += "N" + QByteArray::number(i) + ' ';
        p += "G01 X" + QByteArray::number(i % 997) + ".5 Y-" + QByteArray::number(i % 313) + '\n';
    }
    return p;
}

// awk's own peak, read by awk itself at its end (a child's peak as the
// kernel counts it includes this process's pages before the exec).
long awkPeakKb(const QString& awk, const QString& in) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(awk, {kAwkProgram + QStringLiteral(" END { while ((getline l < \"/proc/self/status\") > 0)"
                                               " if (l ~ /^VmHWM/) print l > \"/dev/stderr\" }"),
                  in});
    p.waitForFinished(-1);
    const QByteArray line = p.readAllStandardError().simplified();
    return line.split(' ').value(1).toLong();
}

struct Row {
    bench::Best ours, awk;
    bool same = false;
    double megabytes = 0;
    long peakBefore = 0, peakAfter = 0, awkPeak = 0;
};

Row measure(int lines, const QString& folder, const QString& awk) {
    Row row;
    const QString in = folder + QStringLiteral("/in%1.nc").arg(lines);
    const QString out = folder + QStringLiteral("/awk%1.nc").arg(lines);
    const QByteArray text = program(lines);
    row.megabytes = text.size() / 1048576.0;
    bench::writeFile(in, text);
    QByteArray ourResult;
    {
        EditorManager editors;
        editors.tabWidget()->resize(1000, 700);
        editors.tabWidget()->show();
        EditControl* ed = editors.editor(editors.openFileInNewWindow(in));
        QCoreApplication::processEvents();
        row.peakBefore = bench::peakKb();
        for (int run = 0; run < bench::rounds(kRuns); ++run) {
            row.ours.record(bench::seconds([&] {
                processNCText(ed, Resequence, SeqArguments{});
                QCoreApplication::processEvents();
            }));
            ourResult = ed->bytes();
            ed->undo();
        }
        row.peakAfter = bench::peakKb();
        editors.closeMyFile();
    }
    for (int run = 0; run < bench::rounds(kRuns); ++run)
        row.awk.record(bench::seconds([&] {
            QProcess p;
            p.setStandardOutputFile(out);
            p.start(awk, {kAwkProgram, in});
            p.waitForFinished(-1);
        }));
    row.awkPeak = awkPeakKb(awk, in);
    QFile awkOut(out);
    awkOut.open(QIODevice::ReadOnly);
    row.same = !ourResult.isEmpty() && awkOut.readAll() == ourResult;
    return row;
}

} // namespace

int main(int argc, char** argv) {
    bench::preferOffscreen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    bench::useProgramFolder(dir.path());
    Msg::setHandler([](const Msg::Request&) { return Msg::AnswerOk; });
    const QString awk = QStandardPaths::findExecutable(QStringLiteral("awk"));
    if (awk.isEmpty()) {
        std::printf("no awk on this system\n");
        return 1;
    }
    std::printf("awk: %s\n", qPrintable(QFileInfo(awk).canonicalFilePath()));

    const int lines = bench::small() ? 2000 : 200000;
    const Row small = measure(lines, dir.path(), awk);
    const Row big = measure(10 * lines, dir.path(), awk);
    for (const Row* r : {&small, &big}) {
        std::printf("%d lines, %.1f MB: results %s\n", r == &small ? lines : 10 * lines, r->megabytes,
                    r->same ? "equal" : "DIFFER");
        bench::printRatio("  resequence against awk", r->ours, r->awk, "within 2x");
    }
    std::printf("growth from 1 to 10: ours %.1fx, awk %.1fx (linear: 10x)\n",
                big.ours.get() / small.ours.get(), big.awk.get() / small.awk.get());
    std::printf("peak memory at the larger size (the text is %.0f MB): ours %.0f MB, of which the passes added %.0f MB"
                " to the open window's; awk %.0f MB\n",
                big.megabytes, big.peakAfter / 1024.0, (big.peakAfter - big.peakBefore) / 1024.0, big.awkPeak / 1024.0);
    return small.same && big.same ? 0 : 1;
}
