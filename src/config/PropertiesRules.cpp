#include "PropertiesRules.h"

#include "CodeList.h"
#include "FileStuff.h"

#include <QRegularExpression>

namespace PropertiesRules {

namespace {
bool isWholeNumber(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^\\s*\\d{1,9}\\s*$"));
    return digits.match(text).hasMatch();
}
} // namespace

bool codeListAcceptable(const QString& text) {
    if (text.isEmpty())
        return true;
    const CodeList::Parsed parsed = CodeList::parse(text);
    if (!parsed.ok || parsed.pieces.isEmpty())
        return false;
    for (const CodeList::Piece& piece : parsed.pieces)
        if (piece.pause && !isWholeNumber(piece.pauseText))
            return false;
    return true;
}

bool timeOutAcceptable(const QString& text) {
    return isWholeNumber(text) && text.trimmed().toInt() >= 1;
}

int listPosition(const QString& stored) {
    bool ok = false;
    const int v = stored.trimmed().toInt(&ok);
    return ok ? v : -1;
}

QString numberForm(const QString& text) {
    return QString::number(leadingNumber(text), 'g', 15);
}

} // namespace PropertiesRules
