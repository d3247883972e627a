#include "EditorText.h"

#include "FileStuff.h"

#include <QFileInfo>

bool isTrueText(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && v != 0;
}

int CapitalsOnly(int code) { return code >= 'a' && code <= 'z' ? code - 32 : code; }

QString capitalsOnly(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        c = QChar(CapitalsOnly(c.unicode()));
    return out;
}

QString unheldCharacterMessage(const QString& what, const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].unicode() <= 0xFF)
        ++i;
    if (i == text.size())
        return QString();
    const QString unheld = text.mid(i, text[i].isHighSurrogate() ? 2 : 1);
    return what + QStringLiteral("\n\"") + unheld +
           QStringLiteral("\" Is Not A Character A Program Can Hold");
}

QString getUpToColon(const QString& text) {
    const int colon = text.indexOf(QLatin1Char(':'));
    return colon < 0 ? text : text.left(colon);
}

bool notValidDrive(const QString& path) {
    if (path.size() <= 1 || !path.startsWith(QLatin1Char('/')))
        return true;
    if (path.contains(QLatin1String("//")))
        return false;
    return !QFileInfo(getPathOnly(path)).isDir();
}

QString removeInvalidFileCharacters(const QString& name) {
    QString out = name;
    for (QChar& c : out)
        if (QStringLiteral("/\\:?*\"><|").contains(c))
            c = QLatin1Char('!');
    return out;
}

QByteArray blockStyles(QByteArrayView text) {
    QByteArray styles(text.size(), '\0');
    char current = 0;
    bool inComment = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            inComment = false;
            current = 0;
        } else if (inComment) {
            if (c == ')')
                inComment = false;
        } else if (c == '(') {
            inComment = true;
            current = 0;
        } else if (c >= 'A' && c <= 'Z') {
            current = char(c - 'A' + 1);
        } else if (c == ' ' || c == '\t') {
            current = 0;
        }
        // Other characters belong to the word they stand in.
        styles[i] = inComment ? 0 : current;
    }
    return styles;
}
