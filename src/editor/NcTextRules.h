#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The line tools of the NC text processor, one line at a time, on bytes.

enum NcTextMode { Resequence = 1, Desequence, InsertSpaces, RemoveSpaces, RemoveBlankLines, TrimLines };

// What the Tools menu passes to a resequence.
struct SeqArguments {
    double start = 10;
    double increment = 10;
    bool useN = true; // numbers are written as N words
};
// SeqStart, SeqEnd and UseN of the current machine.
SeqArguments seqArgumentsOfMachine();

// What the pass itself reads of the current machine.
struct SeqSettings {
    int zeroes = 0;          // numbers padded to zeroes + 1 digits when above 0
    int stripBlankLines = 1; // empty lines in modes 1 and 2: 0 numbered, 1 kept, 2 removed
    QByteArray ignore;       // mode 1: a line starting with one of these stays
    QByteArray restart;      // modes 1, 2: such a line stays, numbering starts again after it
    static SeqSettings ofMachine();
};

// The sequence number start + increment x k: plain decimal with a point, at
// most 15 significant digits, never an exponent; padded with zeros to
// zeroes + 1 whole digits when zeroes is above 0.
QByteArray sequenceNumber(double start, double increment, double k, int zeroes);

// One pass's rule. Lines are fed in order; numbering and the separator carry
// from line to line.
class NcLineRule {
public:
    NcLineRule(int mode, const SeqArguments& args, const SeqSettings& settings);
    // Appends the new line (without a line end) to `out`; false when the line is removed.
    bool apply(QByteArrayView line, QByteArray& out);

private:
    bool sequence(QByteArrayView line, QByteArray& out);
    void appendNumber(QByteArray& out, bool nWord);

    int mode_;
    SeqArguments args_;
    SeqSettings settings_;
    double k_ = 0;
    bool spaced_ = false; // a line with a space was read: numbers are followed by one
};

// Leading and trailing spaces removed (spaces only, as the NC tools trim).
QByteArrayView trimSpaces(QByteArrayView text);
