#include "NcWordFormat.h"

#include "FileStuff.h"
#include "MachineRecord.h"
#include "NcTextRules.h"
#include "TextCase.h"

#include <algorithm>
#include <cstring>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordNumberChar(char c) { return isDigit(c) || std::strchr(".-+,", c) != nullptr; }

// Adds one to a string of digits, carrying.
void increment(QByteArray& digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.prepend('1');
}

QByteArray withoutLeadingZeros(const QByteArray& digits) {
    qsizetype i = 0;
    while (i < digits.size() && digits[i] == '0')
        ++i;
    return digits.mid(i);
}

// Position of the first `letter` outside "(...)", or -1.
qsizetype wordPosition(const QByteArray& line, char letter) {
    bool inComment = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '(')
            inComment = true;
        else if (line[i] == ')')
            inComment = false;
        else if (!inComment && line[i] == letter)
            return i;
    }
    return -1;
}

} // namespace

WordFormats WordFormats::ofMachine() {
    WordFormats f;
    for (int i = 0; i < 7; ++i)
        f.format[i] = leadingInt(MachineRecord::current(QStringLiteral("WordFormat%1").arg(i)));
    return f;
}

QByteArray formatWordNumber(QByteArrayView number, int format) {
    QByteArrayView n = number;
    const bool negative = n.startsWith('-');
    if (negative || n.startsWith('+'))
        n = n.sliced(1);
    const qsizetype point = n.indexOf('.');
    const QByteArrayView whole = point < 0 ? n : n.first(point);
    const QByteArrayView fraction = point < 0 ? QByteArrayView() : n.sliced(point + 1);
    const auto allDigits = [](QByteArrayView d) { return std::all_of(d.begin(), d.end(), isDigit); };
    if (whole.size() + fraction.size() == 0 || !allDigits(whole) || !allDigits(fraction))
        return QByteArray();

    if (format == 1) {
        // Halves upwards: a negative half goes towards zero.
        QByteArray digits = whole.isEmpty() ? QByteArray("0") : whole.toByteArray();
        const char first = fraction.isEmpty() ? '0' : fraction[0];
        const bool restNonZero =
            fraction.size() > 1 && std::any_of(fraction.begin() + 1, fraction.end(), [](char c) { return c != '0'; });
        if (negative ? (first > '5' || (first == '5' && restNonZero)) : first >= '5')
            increment(digits);
        digits = withoutLeadingZeros(digits);
        if (digits.isEmpty())
            return QByteArray("0");
        return negative ? '-' + digits : digits;
    }

    // A mistyped format must not ask for megabytes of zeros.
    const int decimals = std::clamp(format - 1, 1, 32);
    QByteArray digits = whole.toByteArray() + fraction.first(std::min<qsizetype>(fraction.size(), decimals)).toByteArray();
    digits += QByteArray(decimals - std::min<qsizetype>(fraction.size(), decimals), '0');
    if (fraction.size() > decimals && fraction[decimals] >= '5')
        increment(digits);
    const QByteArray wholeDigits = withoutLeadingZeros(digits.left(digits.size() - decimals));
    const QByteArray out = wholeDigits + '.' + digits.right(decimals);
    const bool zero = std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
    return negative && !zero ? '-' + out : out;
}

QByteArray reformatLine(QByteArrayView line, const WordFormats& formats) {
    QByteArray l = capitaliseBytes(line.toByteArray());
    for (int w = 0; w < 7 && !l.isEmpty(); ++w) {
        if (formats.format[w] <= 0)
            continue;
        const qsizetype p = wordPosition(l, kReformatWords[w]);
        if (p < 0)
            continue;
        qsizetype end = p + 1;
        while (end < l.size() && isWordNumberChar(l[end]))
            ++end;
        const QByteArray number = formatWordNumber(QByteArrayView(l).sliced(p + 1, end - p - 1), formats.format[w]);
        // The text after the old number always follows the new one whole.
        if (!number.isEmpty())
            l.replace(p + 1, end - p - 1, number);
    }
    return trimSpaces(l).toByteArray();
}
