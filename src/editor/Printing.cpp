#include "Printing.h"

#include "DateStuff.h"
#include "DialogSize.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MessageSeam.h"
#include "NcLexer.h"
#include "PrintLayout.h"
#include "ProgramPaths.h"
#include "StatusLine.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopedValueRollback>

namespace {

std::function<bool(QPrinter&, bool)>& dialogRunner() {
    static std::function<bool(QPrinter&, bool)> runner;
    return runner;
}

// A print to a file proposes the program's own name with ".pdf", in the
// folder the last one went to, else the program's, else the home folder:
// the first that exists and can be written.
QString pdfFileFor(const QPrinter& printer, const QString& program) {
    const QFileInfo info(program);
    QStringList folders;
    if (!printer.outputFileName().isEmpty())
        folders << QFileInfo(printer.outputFileName()).absolutePath();
    if (program.contains(QLatin1Char('/')))
        folders << info.absolutePath();
    folders << QDir::homePath();
    const QString name = (info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName()) +
                         QStringLiteral(".pdf");
    for (const QString& folder : folders) {
        const QFileInfo f(folder);
        if (f.isDir() && f.isWritable())
            return QDir(folder).filePath(name);
    }
    return QDir::home().filePath(name);
}

bool runDialog(QPrinter& printer, bool setupOnly, const QString& program = QString()) {
    if (dialogRunner())
        return dialogRunner()(printer, setupOnly);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    keepDialogSize(&dialog);
    // Left alone, its file field holds the job's title (the program's title
    // and whole path) made into a name in the home folder.
    if (!program.isEmpty())
        if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename")))
            file->setText(pdfFileFor(printer, program));
    dialog.setWindowTitle(setupOnly ? QStringLiteral("Printer Setup") : QStringLiteral("Print"));
    return dialog.exec() == QDialog::Accepted;
}

// Lays the lines out top to bottom, a new page when one is full. A line
// wider than the page goes on below, at the margin, so nothing is cut off.
bool paint(QPrinter& printer, const QVector<PrintLine>& lines, const QFont& font, int margin, QString* error) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString target = printer.outputFileName();
        *error = target.isEmpty() ? QStringLiteral("The Printer ") + printer.printerName() +
                                        QStringLiteral(" Could Not Be Opened")
                                  : QStringLiteral("The Print File ") + target + QStringLiteral(" Could Not Be Written");
        return false;
    }
    painter.setFont(font);
    // A reused printer's engine may still hold the last job's pen: change it
    // once so that the first run is drawn in its own colour.
    painter.setPen(Qt::white);
    const QFontMetrics metrics(painter.font());
    const int pageHeight = painter.viewport().height();
    const int pageWidth = painter.viewport().width();
    const int indent = metrics.horizontalAdvance(QString(margin, QLatin1Char(' ')));
    int x = 0;
    int y = metrics.ascent();
    const auto nextLine = [&](int left) {
        x = left;
        y += metrics.lineSpacing();
        if (y + metrics.descent() > pageHeight) {
            printer.newPage();
            y = metrics.ascent();
        }
    };
    for (int n = 0; n < lines.size(); ++n) {
        if (n > 0)
            nextLine(0);
        for (const PrintRun& run : lines[n]) {
            const QString text = QString::fromLatin1(run.text);
            painter.setPen(colourFromNumber(run.colour));
            for (qsizetype from = 0; from < text.size();) {
                qsizetype to = from;
                int width = 0;
                for (; to < text.size(); ++to) {
                    const int advance = metrics.horizontalAdvance(text[to]);
                    if (x + width + advance > pageWidth && x + width > indent)
                        break;
                    width += advance;
                }
                if (to > from) {
                    painter.drawText(x, y, text.mid(from, to - from));
                    x += width;
                    from = to;
                }
                if (from < text.size())
                    nextLine(indent);
            }
        }
    }
    if (!painter.end()) {
        *error = QStringLiteral("Printing Did Not Finish");
        return false;
    }
    return true;
}

} // namespace

QPrinter& sessionPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

void setPrintDialogRunner(std::function<bool(QPrinter&, bool)> runner) { dialogRunner() = std::move(runner); }

void printerSetup() {
    runDialog(sessionPrinter(), true);
}

void printWindow(bool inColour) {
    EditorManager* editors = EditorManager::instance();
    EditControl* ed = editors ? editors->activeEditor() : nullptr;
    if (!ed || ed->textLength() < 1)
        return;
    // The printed copy is laid out apart from the window: neither the
    // window's caret nor its colouring changes.
    QScopedValueRollback<bool> printing(gPrinting, true);
    hideFindForm();
    PrintSetup setup;
    setup.margin = readIniInt(QStringLiteral("Settings"), QStringLiteral("PadLeftMargin"), 0);
    gPadLeftMargin = setup.margin;
    setup.header = readIni(QStringLiteral("Settings"), QStringLiteral("PrintHeader"), QStringLiteral("0")) != QLatin1String("0");
    setup.colour = inColour;
    setup.title = ProgramPaths::appTitle();
    setup.fileName = ed->tag();
    setup.date = formatShortDate(QDate::currentDate());
    setup.textColour = gMainTextForeColor;
    setup.blockColours = gBlockColours;
    const QVector<PrintLine> lines = printLines(ed->bytes(), setup);
    QFont font(ed->fontName());
    if (ed->fontSize() > 0)
        font.setPointSize(ed->fontSize());
    font.setBold(ed->isBold());
    font.setStyleHint(QFont::TypeWriter);

    QPrinter& printer = sessionPrinter();
    printer.setDocName(setup.title + QLatin1Char(' ') + setup.fileName);
    printer.setColorMode(inColour ? QPrinter::Color : QPrinter::GrayScale);
    if (!runDialog(printer, false, setup.fileName))
        return;
    statusbar(QStringLiteral("Starting To Print..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool printed = paint(printer, lines, font, setup.margin, &error);
    QApplication::restoreOverrideCursor();
    statusbar(QStringLiteral("Ready"));
    if (!printed)
        msgBox(error, Msg::Ok, Msg::Critical);
}
