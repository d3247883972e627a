#include "NcLexer.h"

#include "EditorGlobals.h"
#include "EditorText.h"

#include "Qsci.h"

#include <QByteArray>

QColor colourFromNumber(unsigned int number) {
    return QColor(int(number & 0xFF), int((number >> 8) & 0xFF), int((number >> 16) & 0xFF));
}

NcLexer::NcLexer(QObject* parent) : QsciLexerCustom(parent) {}

const char* NcLexer::language() const { return "NC"; }

QString NcLexer::description(int style) const {
    if (style == 0)
        return QStringLiteral("Text");
    if (style >= 1 && style <= 26)
        return QString(QChar('A' + style - 1));
    return QString();
}

int NcLexer::styleForLetter(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 1 : 0; }

void NcLexer::refreshColours(const QColor& textColour) {
    setColor(textColour, 0);
    for (int s = 1; s <= 26; ++s)
        setColor(colourFromNumber(gBlockColours[s]), s);
}

void NcLexer::styleText(int start, int end) {
    // While a tool rewrites the text or printing colours it, the text keeps
    // the colours it has; Scintilla asks again later.
    QsciScintilla* ed = editor();
    if (!ed || gBusyEditing || gPrinting || end <= start)
        return;
    const long length = end - start;
    const char* text =
        reinterpret_cast<const char*>(ed->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, (unsigned long)start, length));
    if (!text)
        return;
    const QByteArray styles = blockStyles(QByteArrayView(text, length));
    startStyling(start);
    ed->SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX, (uintptr_t)length, styles.constData());
}
