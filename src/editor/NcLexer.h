#pragma once

#include "Qsci.h"

// Colours each NC word by its address letter: a word starting with "A" .. "Z"
// takes that letter's block colour, anything else (comments in brackets,
// digits, "%", lower case) the text colour. Scintilla asks only for the text
// it is about to show, so a large program is coloured as it is scrolled.
class NcLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit NcLexer(QObject* parent = nullptr);

    const char* language() const override;
    QString description(int style) const override;
    void styleText(int start, int end) override;

    // Style 0 is the text colour, styles 1 .. 26 the letters A .. Z.
    static int styleForLetter(char c);

    // Takes the block colours (gBlockColours) and this text colour.
    void refreshColours(const QColor& textColour);
};

// Colour numbers of the settings file: red in the lowest byte.
QColor colourFromNumber(unsigned int number);
