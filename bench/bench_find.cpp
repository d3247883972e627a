// Replace All of 200,000 matches in a 2-million-line editor window, from the
// click to the reported count with the text replaced as one undo step,
// against `sed 's/M08/M09/g'` over the same file into another file.
#include "BenchSupport.h"
#include "EditControl.h"
#include "EditorManager.h"
#include "MessageSeam.h"
#include "frmFind.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Two million lines; twenty thousand in a small run.
int lines() { return bench::small() ? 20000 : 2000000; }

QByteArray program() {
    QByteArray p;
    p.reserve(lines() * 28);
    for (int i = 1; i <= lines(); ++i) {
        p += "N" + QByteArray::number(i * 10) + " G01 X" + QByteArray::number(i % 500) + ".5 Y2.25";
        p += i % 10 == 0 ? " M08\n" : "\n";
    }
    return p;
}

} // namespace

int main(int argc, char** argv) {
    bench::preferOffscreen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    bench::useProgramFolder(dir.path());
    Msg::setHandler([](const Msg::Request&) { return Msg::AnswerOk; });
    const QString in = dir.filePath(QStringLiteral("big.nc")), out = dir.filePath(QStringLiteral("sed.nc"));
    const QByteArray text = program();
    bench::writeFile(in, text);

    bench::Best ours, theirs;
    QByteArray ourResult;
    {
        EditorManager editors;
        editors.tabWidget()->resize(1000, 700);
        editors.tabWidget()->show();
        const int index = editors.openFileInNewWindow(in);
        EditControl* ed = editors.editor(index);
        frmFind* box = frmFind::showFindBox(nullptr, &editors, QStringLiteral("M08"), 1);
        box->txtReplace->setText(QStringLiteral("M09"));
        QCoreApplication::processEvents();
        for (int run = 0; run < bench::rounds(3); ++run) {
            box->optDirection[2]->setChecked(true);
            ours.record(bench::seconds([&] {
                box->Command1_Click(2);
                QCoreApplication::processEvents();
            }));
            ourResult = ed->bytes();
            ed->undo();
        }
        box->close();
        delete box;
    }
    for (int run = 0; run < bench::rounds(3); ++run)
        theirs.record(bench::seconds([&] {
            QProcess sed;
            sed.setStandardOutputFile(out);
            sed.start(QStringLiteral("sed"), {QStringLiteral("s/M08/M09/g"), in});
            sed.waitForFinished(-1);
        }));
    QFile sedOut(out);
    sedOut.open(QIODevice::ReadOnly);
    const bool same = sedOut.readAll() == ourResult && ourResult.count("M09") == lines() / 10;
    std::printf("%d lines, %.1f MB, %d matches; results %s\n", lines(), text.size() / 1048576.0, lines() / 10,
                same ? "equal" : "DIFFER");
    bench::printRatio("Replace All against sed", ours, theirs, "within 5x");
    std::printf("peak memory: %.0f MB (the text is %.0f MB)\n", bench::peakKb() / 1024.0, text.size() / 1048576.0);
    return same ? 0 : 1;
}
