// Replace All in a 2-million-line editor window (and in one of a tenth of
// it), from the click to the reported count with the text replaced as one
// undo step, against sed over the same file into another file: matches far
// apart (one line in ten) and close together (two on every line).
#include "BenchSupport.h"
#include "EditControl.h"
#include "EditorManager.h"
#include "MessageSeam.h"
#include "frmFind.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Two million lines; twenty thousand in a small run.
int lines() { return bench::small() ? 20000 : 2000000; }

QByteArray program(int count) {
    QByteArray p;
    p.reserve(qsizetype(count) * 28);
    for (int i = 1; i <= count; ++i) {
        p += "N" + QByteArray::number(i * 10) + " G01 X" + QByteArray::number(i % 500) + ".5 Y2.25";
        p += i % 10 == 0 ? " M08\n" : "\n";
    }
    return p;
}

struct Case {
    const char* what;
    QString find, with;
    QString sed;
};

struct Result {
    bench::Side ours{"ours"}, sed{"sed"};
    qint64 bytes = 0;
    qint64 matches = 0;
    bool same = false;
};

// Ours and sed over a program of `count` lines; peaks only when asked.
Result measure(const QString& folder, int count, const Case& c, bool peaks) {
    Result r;
    const QString in = folder + QStringLiteral("/big.nc"), out = folder + QStringLiteral("/sed.nc");
    {
        const QByteArray text = program(count);
        r.bytes = text.size();
        bench::writeFile(in, text);
    }
    bench::Best ours, sed;
    QByteArray ourResult;
    {
        EditorManager editors;
        editors.tabWidget()->resize(1000, 700);
        editors.tabWidget()->show();
        EditControl* ed = editors.editor(editors.openFileInNewWindow(in));
        frmFind* box = frmFind::showFindBox(nullptr, &editors, c.find, 1);
        box->txtReplace->setText(c.with);
        QCoreApplication::processEvents();
        // The first run's peak: the Replace All itself, its undo step
        // included, before anything it used went back to the allocator.
        bool first = true;
        bench::timeRounds(
            3, ours, peaks ? &r.ours.added : nullptr,
            [&] {
                box->optDirection[2]->setChecked(true);
                box->Command1_Click(2);
                QCoreApplication::processEvents();
            },
            [&] {
                if (first)
                    ourResult = ed->bytes();
                first = false;
                ed->undo();
            });
        box->close();
        delete box;
        editors.closeMyFile();
    }
    for (int run = 0; run < bench::rounds(3); ++run) {
        const bench::ProgramRun p = bench::runProgram({QStringLiteral("sed"), c.sed, in}, out);
        sed.record(p.seconds);
        if (peaks)
            r.sed.added = qMax(r.sed.added, p.peak);
    }
    r.same = bench::fileHolds(out, ourResult);
    r.matches = ourResult.count(c.with.toLatin1()); // the program holds none of it
    r.ours.seconds = ours.get();
    r.sed.seconds = sed.get();
    return r;
}

} // namespace

int main(int argc, char** argv) {
    bench::preferOffscreen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    bench::useProgramFolder(dir.path());
    Msg::setHandler([](const Msg::Request&) { return Msg::AnswerOk; });

    const Case cases[] = {
        {"far apart", QStringLiteral("M08"), QStringLiteral("M09"), QStringLiteral("s/M08/M09/g")},
        {"close together", QStringLiteral("."), QStringLiteral(","), QStringLiteral("s/\\./,/g")},
    };
    bool allSame = true;
    for (const Case& c : cases) {
        const Result tenth = measure(dir.path(), lines() / 10, c, false);
        Result full = measure(dir.path(), lines(), c, true);
        full.ours.tenthSeconds = tenth.ours.seconds;
        full.sed.tenthSeconds = tenth.sed.seconds;
        allSame = allSame && full.same && tenth.same;
        char what[160];
        std::snprintf(what, sizeof what, "Replace All, matches %s: %lld in %d lines, %.1f MB%s", c.what,
                      static_cast<long long>(full.matches), lines(), full.bytes / 1048576.0,
                      full.same && tenth.same ? "" : ", results DIFFER");
        bench::printRow(what, full.ours, full.sed, full.bytes, "<= 2x, <= 2 B/B");
    }
    return allSame ? 0 : 1;
}
