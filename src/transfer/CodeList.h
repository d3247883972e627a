#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Code-list strings: how the machine settings keep short character sequences
// (headers, trailers, custom ends of block). Items are separated by ","; a
// plain item is a decimal code, "#n" repeats the next code n times, and an
// item with "!" is a pause of that many milliseconds.
namespace CodeList {

constexpr char kPauseMarker = char(240);

struct Piece {
    QByteArray bytes;   // characters to send
    bool pause = false; // or a pause
    QString pauseText;  // the pause item's text without its "!"s
    int pauseMs() const; // whole milliseconds of pauseText (0 when not a number)
};

struct Parsed {
    QVector<Piece> pieces;
    bool ok = true;
    // The characters as one string, each pause as marker, text, marker.
    QByteArray flatten() const;
    // Only the characters, pauses left out.
    QByteArray bytesOnly() const;
};

// Bytes and pauses kept apart, so a literal code 240 is sent as a byte.
Parsed parse(const QString& definition);

// The picker's addition of one code, `count` times, to the text being built.
QString addCode(const QString& text, int code, int count);
// The picker's Update: one trailing "," removed.
QString finish(const QString& text);

// "0    NUL", "10   LF", "32   SPACE", "65   A": the picker's row for a code 0-127.
QString pickerRow(int code);
QString controlName(int code); // NUL..US, SPACE, DEL, or the character itself

} // namespace CodeList

// The characters of a code list, pauses as marker-text-marker; empty when any
// item is bad.
QByteArray ParseIntoString(const QString& definition);
