#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The word reformatter: the axis and feed words rewritten to the number
// format chosen for each on the current machine.

// The words, in the order a line is reformatted; format i is WordFormat<i>.
inline constexpr char kReformatWords[] = "XYZABCF";

struct WordFormats {
    int format[7] = {}; // 0 unchanged, 1 whole number, f >= 2: f - 1 decimals
    static WordFormats ofMachine();
};

// `number` as `format` writes it, rounded on its decimal digits as written:
// format 1 halves upwards (10.5 -> 11, -2.5 -> -2), f >= 2 halves away from
// zero with no digit before the point for a value below 1 (.500). Empty when
// `number` is not [+-]digits[.digits] (".5" and "5." pass, as NC writes them).
QByteArray formatWordNumber(QByteArrayView number, int format);

// One line as the reformatter writes it: in capitals, each word (its first
// letter outside a bracketed comment) to its format, spaces trimmed.
QByteArray reformatLine(QByteArrayView line, const WordFormats& formats);
