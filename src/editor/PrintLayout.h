#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// What a printed editor window looks like, without a printer: its lines as
// runs of text with their colour numbers (red in the lowest byte).

struct PrintRun {
    QByteArray text;
    unsigned int colour = 0;
};
using PrintLine = QVector<PrintRun>;

struct PrintSetup {
    int margin = 0;       // spaces before every line, header lines too
    bool header = false;  // title, file name, date and an empty line above the text
    bool colour = false;  // block colours; otherwise everything is black
    QString title;
    QString fileName;
    QString date;
    unsigned int textColour = 0;           // for text without a block colour
    const unsigned int* blockColours = nullptr; // 1 .. 26 for "A" .. "Z"
};

// Lines end at CR LF, LF or CR alike. White never reaches paper: it prints black.
QVector<PrintLine> printLines(const QByteArray& text, const PrintSetup& setup);
