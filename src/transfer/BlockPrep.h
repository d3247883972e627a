#pragma once

#include "SendLines.h"

#include <QByteArray>

// The drip feeds' preparation of a program, piece by piece as it is read:
// every line (ended as SendLines::lineEndSize says) gets the machine's end of block,
// spaces stripped, blocks holding the ignore text and, when asked, empty
// lines dropped. Pure: bytes in, bytes out, whatever the pieces' sizes.
class BlockPrep {
public:
    BlockPrep(const QByteArray& eob, const SendLines::Rules& rules);
    // Appends the prepared lines that end within `size` bytes at `data` to
    // *out; the start of a line not yet ended waits for the next piece.
    void feed(const char* data, qint64 size, QByteArray* out);
    // The last line, when the program does not end with a line end.
    void finish(QByteArray* out);

private:
    void line(const char* data, qint64 size, QByteArray* out);

    QByteArray eob_;
    SendLines::Rules rules_;
    bool plain_;
    QByteArray endSoFar_; // a piece ended inside a line end: these bytes of it
    QByteArray partial_;
};
