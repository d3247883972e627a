#include "SystemSettings.h"

#include "EditorText.h"
#include "FileStuff.h"
#include "IniStorage.h"

#include <QRegularExpression>

#include <utility>

namespace SystemSettings {

namespace {

const QString kSection = QStringLiteral("Settings");

QString normalised(const KeyDef& def, const QString& raw) {
    switch (def.form) {
    case Form::Text:
    case Form::FontSize:
        return raw;
    case Form::TrueFalse:
        return isTrueText(raw) ? QStringLiteral("True") : QStringLiteral("False");
    case Form::ZeroOne:
        return isTrueText(raw) ? QStringLiteral("1") : QStringLiteral("0");
    case Form::List: {
        // Printing pads with this many spaces: never hand on -1 or more than the list offers.
        bool ok = false;
        const int pos = raw.trimmed().toInt(&ok);
        return ok && pos >= 0 && pos < def.choices ? QString::number(pos) : QStringLiteral("0");
    }
    case Form::Colour: {
        const double n = leadingNumber(raw);
        return QString::number(n >= 0 && n <= 0xFFFFFF ? qint64(n) : 0);
    }
    }
    return raw;
}

} // namespace

const QVector<KeyDef>& table() {
    static const QVector<KeyDef> keys = [] {
        QVector<KeyDef> t = {
            {QStringLiteral("FontName"), Form::Text, QString()},
            {QStringLiteral("FontSize"), Form::FontSize, QString()},
            {QStringLiteral("FontBold"), Form::TrueFalse, QString()},
        };
        for (int n = 1; n <= 26; ++n)
            t.append({QStringLiteral("Colour%1").arg(n), Form::Colour, QStringLiteral("65280")});
        t += {
            {QStringLiteral("ColourizeBlocks"), Form::TrueFalse, QStringLiteral("False")},
            {QStringLiteral("PadLeftMargin"), Form::List, QStringLiteral("0"), 11},
            {QStringLiteral("DNCStatus"), Form::List, QStringLiteral("2"), 4},
            {QStringLiteral("ShowCNCStatus"), Form::ZeroOne, QStringLiteral("1")},
            {QStringLiteral("ShowBreakoutLights"), Form::ZeroOne, QStringLiteral("1")},
            {QStringLiteral("MinimizeOnSend"), Form::List, QStringLiteral("0"), 3},
            {QStringLiteral("shellDialogType"), Form::List, QStringLiteral("0"), 2},
            {QStringLiteral("UseLanguageSupport"), Form::ZeroOne, QStringLiteral("0")},
            {QStringLiteral("DNCScroll"), Form::List, QStringLiteral("0"), 2},
            {QStringLiteral("PrintHeader"), Form::ZeroOne, QStringLiteral("0")},
            // Read at start-up; stored here too, so a restart keeps the screen colours.
            {QStringLiteral("mainTextBackColor"), Form::Colour, QStringLiteral("0")},
            {QStringLiteral("mainTextForeColor"), Form::Colour, QStringLiteral("65280")},
            {QStringLiteral("mainTerminalBackColor"), Form::Colour, QStringLiteral("12632256")},
            {QStringLiteral("mainTerminalForeColor"), Form::Colour, QStringLiteral("12582912")},
        };
        return t;
    }();
    return keys;
}

Values load() {
    Values v;
    for (const KeyDef& def : table())
        v.insert(def.key, normalised(def, readIni(kSection, def.key, def.def)));
    return v;
}

QString fontSizeForm(const QString& typed) {
    static const QRegularExpression whole(QStringLiteral("^[0-9]+$"));
    const QString part = intPartOfNumberString(typed).trimmed();
    bool ok = false;
    const int points = part.toInt(&ok);
    return ok && points > 0 && whole.match(part).hasMatch() ? QString::number(points) : QString();
}

bool save(const Values& values, QString* error) {
    QVector<std::pair<QString, QString>> out;
    for (const KeyDef& def : table()) {
        QString value = values.value(def.key, def.def);
        if (def.form == Form::FontSize) {
            value = fontSizeForm(value);
            if (value.isEmpty()) {
                *error = QStringLiteral("Font Size - Enter A Whole Number Of Points, 1 Or More");
                return false;
            }
        }
        out.append({def.key, normalised(def, value)});
    }
    if (!writeIniValues(kSection, out)) {
        *error = settingsNotSavedText(lastIniError());
        return false;
    }
    return true;
}

} // namespace SystemSettings
