#include "NcTextRules.h"

#include "FileStuff.h"
#include "MachineRecord.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

const QByteArrayView kMarker("@@@@@@@@@@@@@");

bool inSet(QByteArrayView set, char c) { return std::memchr(set.data(), c, size_t(set.size())) != nullptr; }
bool isNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ' '; }
bool isValueChar(char c) { return (c >= '0' && c <= '9') || inSet(".+-@,", c); }
bool isAddressLetter(char c) { return (c >= 'A' && c <= 'Z') || c == '$'; }

// Length of the run of number characters (digits, point, space) from `from` on.
qsizetype numberRun(QByteArrayView line, qsizetype from) {
    qsizetype i = from;
    while (i < line.size() && isNumberChar(line[i]))
        ++i;
    return i - from;
}

// An empty line has no first character, so it never starts with one of the
// set: a blank line must not restart the numbering.
bool startsWithOneOf(const QByteArray& set, QByteArrayView line) {
    return !set.isEmpty() && !line.isEmpty() && inSet(set, line[0]);
}

void removeSpaces(QByteArrayView text, QByteArray& out) {
    for (const char c : text)
        if (c != ' ')
            out += c;
}

double machineNumber(const char* key) { return leadingNumber(MachineRecord::current(QLatin1String(key))); }

} // namespace

SeqArguments seqArgumentsOfMachine() {
    SeqArguments a;
    a.start = machineNumber("SeqStart");
    a.increment = machineNumber("SeqEnd");
    a.useN = machineNumber("UseN") == 1;
    return a;
}

SeqSettings SeqSettings::ofMachine() {
    SeqSettings s;
    s.zeroes = clampToInt(machineNumber("SeqZeroes"));
    s.stripBlankLines = clampToInt(machineNumber("SeqStripBlankLines"));
    s.ignore = MachineRecord::current(QStringLiteral("SeqIgnore")).toLatin1();
    s.restart = MachineRecord::current(QStringLiteral("SeqRestart")).toLatin1();
    return s;
}

QByteArrayView trimSpaces(QByteArrayView text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    return text.sliced(b, e - b);
}

QByteArray sequenceNumber(double start, double increment, double k, int zeroes) {
    const double v = start + increment * k;
    if (!std::isfinite(v))
        return QByteArray::number(v);
    if (zeroes > 0) {
        // A mistyped width must not ask for megabytes of zeros.
        const int width = std::min(zeroes, 32) + 1;
        const double r = std::round(v);
        QByteArray digits = QByteArray::number(std::fabs(r), 'f', 0);
        if (digits.size() < width)
            digits.prepend(QByteArray(width - digits.size(), '0'));
        return r < 0 ? '-' + digits : digits;
    }
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
        return QByteArray::number(qint64(v));
    // Fifteen significant digits hide the binary rest of a sum of tenths.
    const int magnitude = int(std::floor(std::log10(std::fabs(v))));
    QByteArray s = QByteArray::number(v, 'f', std::clamp(14 - magnitude, 0, 330));
    if (s.contains('.')) {
        while (s.endsWith('0'))
            s.chop(1);
        if (s.endsWith('.'))
            s.chop(1);
    }
    return s == "-0" ? QByteArray("0") : s;
}

NcLineRule::NcLineRule(int mode, const SeqArguments& args, const SeqSettings& settings)
    : mode_(mode), args_(args), settings_(settings) {
    if (mode_ == Desequence)
        args_.useN = true;
}

void NcLineRule::appendNumber(QByteArray& out, bool nWord) {
    // Built whole on the stack: one append per line costs less than four.
    char buf[40];
    char* p = buf;
    if (nWord)
        *p++ = 'N';
    const double v = args_.start + args_.increment * k_;
    if (settings_.zeroes <= 0 && v == std::trunc(v) && std::fabs(v) < 1e15) {
        p = std::to_chars(p, buf + 30, static_cast<long long>(v)).ptr;
    } else {
        out.append(buf, p - buf);
        out += sequenceNumber(args_.start, args_.increment, k_, settings_.zeroes);
        p = buf;
    }
    k_ += 1;
    if (spaced_)
        *p++ = ' ';
    out.append(buf, p - buf);
}

bool NcLineRule::sequence(QByteArrayView line, QByteArray& out) {
    const bool restartLine = startsWithOneOf(settings_.restart, line);
    if (restartLine)
        k_ = 0;
    bool startsWithN = !line.isEmpty() && line[0] == 'N';
    if (line.contains(' '))
        spaced_ = true;
    // The tape mark: "N10%" would break the program start on every control.
    bool leaveAlone = startsWithOneOf(settings_.ignore, line) || trimSpaces(line) == QByteArrayView("%");
    if (line.isEmpty()) {
        if (settings_.stripBlankLines == 2)
            return false;
        leaveAlone = settings_.stripBlankLines == 1;
    }
    const bool marker = !leaveAlone && line.contains('@') && line.contains(kMarker);
    if (mode_ == Resequence && !args_.useN && startsWithN && !leaveAlone)
        startsWithN = false; // its old N word goes with the old number
    if (mode_ == Desequence)
        leaveAlone = false;
    if (restartLine || leaveAlone) {
        out += line;
        return true;
    }

    if (!startsWithN) {
        if (mode_ == Desequence) {
            const QByteArrayView t = trimSpaces(line);
            out += t.sliced(numberRun(t, 0));
        } else if (marker) {
            out += line;
        } else if (args_.useN) {
            appendNumber(out, true);
            // A digit or point right after the new number would become part of it.
            if (!spaced_ && !line.isEmpty() && isNumberChar(line[0]))
                out += ' ';
            out += line;
        } else {
            const qsizetype afterN = numberRun(line, 1);
            const QByteArrayView rest = !line.isEmpty() && line[0] == 'N' && afterN > 0
                                            ? line.sliced(1 + afterN)
                                            : line.sliced(numberRun(line, 0));
            appendNumber(out, false);
            out += rest;
        }
        return true;
    }

    // An N followed by something other than a number is a word of its own.
    if (line.size() > 1 && !isNumberChar(line[1])) {
        out += line;
        return true;
    }
    const QByteArrayView rest = line.sliced(1 + numberRun(line, 1));
    if (mode_ == Desequence) {
        out += rest;
    } else if (marker) {
        out += line;
    } else if (settings_.stripBlankLines == 2 && rest.isEmpty()) {
        return false;
    } else {
        appendNumber(out, true);
        out += rest;
    }
    return true;
}

bool NcLineRule::apply(QByteArrayView line, QByteArray& out) {
    switch (mode_) {
    case Resequence:
    case Desequence:
        return sequence(line, out);
    case InsertSpaces: {
        const qsizetype open = line.indexOf('('), close = line.indexOf(')');
        const bool comment = open >= 0 && close >= 0 && open < close;
        const QByteArrayView code = comment ? line.first(open) : line;
        QByteArray spaced;
        spaced.reserve(code.size() + 16);
        for (qsizetype j = 0; j < code.size(); ++j) {
            spaced += code[j];
            // Past the end counts as an address letter; the trim takes that space again.
            if (isValueChar(code[j]) && (j + 1 == code.size() || isAddressLetter(code[j + 1])))
                spaced += ' ';
        }
        out += trimSpaces(spaced);
        if (comment)
            out += line.sliced(open);
        return true;
    }
    case RemoveSpaces: {
        const qsizetype open = line.indexOf('('), close = line.indexOf(')');
        QByteArray kept;
        if (open < 0 || close < 0 || close < open) {
            removeSpaces(line, kept);
        } else if (open == 0 && close == line.size() - 1) {
            kept = line.toByteArray();
        } else {
            removeSpaces(line.first(open), kept);
            kept += line.sliced(open, close - open + 1);
            removeSpaces(line.sliced(close + 1), kept);
        }
        out += trimSpaces(kept);
        return true;
    }
    case RemoveBlankLines:
        if (line.isEmpty())
            return false;
        out += line;
        return true;
    case TrimLines:
        out += trimSpaces(line);
        return true;
    default:
        out += line;
        return true;
    }
}
