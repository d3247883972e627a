#include "CodeList.h"

#include "FileStuff.h"

#include <QStringList>

#include <cmath>
#include <optional>

namespace CodeList {

namespace {

// The whole text as a number, blanks around it allowed.
std::optional<double> wholeValue(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// Halves go to the even neighbour.
double roundEven(double v) { return std::nearbyint(v); }

const char* const kNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "HT", "LF",
                                "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

} // namespace

int Piece::pauseMs() const {
    const auto v = wholeValue(pauseText);
    if (!v || *v < 0)
        return 0;
    return int(std::min(roundEven(*v), 24.0 * 3600 * 1000));
}

Parsed parse(const QString& definition) {
    Parsed out;
    if (definition.isEmpty())
        return out;
    auto appendBytes = [&out](const QByteArray& b) {
        if (out.pieces.isEmpty() || out.pieces.back().pause)
            out.pieces.append(Piece{});
        out.pieces.back().bytes += b;
    };
    int pending = 0;
    const QStringList items = definition.split(QLatin1Char(','));
    for (const QString& item : items) {
        if (item.contains(QLatin1Char('#'))) {
            const double count = roundEven(leadingNumber(item.mid(1)));
            if (count < -32768 || count > 32767)
                out.ok = false;
            else
                pending = int(count);
        } else if (item.contains(QLatin1Char('!'))) {
            Piece p;
            p.pause = true;
            p.pauseText = QString(item).remove(QLatin1Char('!'));
            out.pieces.append(p);
        } else {
            if (pending >= 1) {
                const double code = roundEven(leadingNumber(item));
                if (code >= 0 && code <= 127)
                    appendBytes(QByteArray(pending, char(int(code))));
            } else {
                const auto v = wholeValue(item);
                const double code = v ? roundEven(*v) : -1;
                if (!v || code < 0 || code > 255)
                    out.ok = false;
                else
                    appendBytes(QByteArray(1, char(int(code))));
            }
            pending = 0;
        }
    }
    if (!out.ok)
        out.pieces.clear();
    return out;
}

QByteArray Parsed::flatten() const {
    QByteArray b;
    for (const Piece& p : pieces) {
        if (p.pause)
            b += kPauseMarker + p.pauseText.toLatin1() + kPauseMarker;
        else
            b += p.bytes;
    }
    return b;
}

QByteArray Parsed::bytesOnly() const {
    QByteArray b;
    for (const Piece& p : pieces)
        if (!p.pause)
            b += p.bytes;
    return b;
}

QString addCode(const QString& text, int code, int count) {
    const QString addition =
        count > 1 ? QStringLiteral("#%1,%2").arg(count).arg(code) : QString::number(code);
    if (text.isEmpty())
        return addition;
    if (text.endsWith(QLatin1Char(',')))
        return text + addition;
    return text + QLatin1Char(',') + addition;
}

QString finish(const QString& text) {
    return text.endsWith(QLatin1Char(',')) ? text.left(text.size() - 1) : text;
}

QString controlName(int code) {
    if (code >= 0 && code < 32)
        return QString::fromLatin1(kNames[code]);
    if (code == 32)
        return QStringLiteral("SPACE");
    if (code == 127)
        return QStringLiteral("DEL");
    return QString(QChar(code));
}

QString pickerRow(int code) {
    return QString::number(code) + QString(code < 10 ? 4 : 3, QLatin1Char(' ')) + controlName(code);
}

} // namespace CodeList

QByteArray ParseIntoString(const QString& definition) { return CodeList::parse(definition).flatten(); }
