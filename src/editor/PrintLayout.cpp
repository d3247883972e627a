#include "PrintLayout.h"

#include "EditorText.h"

namespace {

constexpr unsigned int kWhite = 0xFFFFFF;

PrintLine plainLine(const QByteArray& text) { return {PrintRun{text, 0}}; }

} // namespace

QVector<PrintLine> printLines(const QByteArray& text, const PrintSetup& setup) {
    const QByteArray pad(qMax(0, setup.margin), ' ');
    QVector<PrintLine> lines;
    if (setup.header) {
        lines << plainLine(pad + setup.title.toLatin1()) << plainLine(pad + setup.fileName.toLatin1())
              << plainLine(pad + "Printed On - " + setup.date.toLatin1()) << plainLine(pad);
    }
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const QByteArrayView line(text.constData() + start, end - start);
        PrintLine out{PrintRun{pad, 0}};
        const QByteArray styles = setup.colour ? blockStyles(line) : QByteArray(line.size(), '\0');
        for (qsizetype i = 0; i < line.size(); ++i) {
            unsigned int colour = 0;
            if (setup.colour) {
                const int style = styles[i];
                colour = style > 0 && setup.blockColours ? setup.blockColours[style] : setup.textColour;
                if ((colour & kWhite) == kWhite)
                    colour = 0;
            }
            if (out.last().colour != colour)
                out.append(PrintRun{QByteArray(), colour});
            out.last().text.append(line[i]);
        }
        lines << out;
        start = end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2 : end + 1;
    }
    return lines;
}
