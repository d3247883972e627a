#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// What an XModem machine is sent: its header, the program, its trailer, and
// pad characters up to a whole number of 128-byte blocks. Worked out from the
// program's length alone, so the program itself is copied in pieces.
struct XModemCopy {
    bool needed = false; // false: the program goes as it is (no header, trailer or pad)
    QByteArray head;     // the header's characters
    QByteArray tail;     // the trailer's characters, then the pad
};

// The pad character's code: XModemPad when it is a number from 0 to 255, else 32.
int xmodemPadCode(const QString& padText);

// The copy for a program of `length` bytes. Header and trailer are code lists
// whose pause items are left out: the machine stores the copy as a program.
XModemCopy formatXmodemCopy(qint64 length, const QString& headerSend, const QString& trailerSend,
                            const QString& padText);

// Writes head, the file `source` and tail into `target` in bounded pieces;
// false with the reason in *error. `progress` gets the whole percent of the
// program copied after every piece.
bool writeXmodemCopy(const QString& source, const XModemCopy& copy, const QString& target, QString* error,
                     const std::function<void(int percent)>& progress = nullptr);

// An XModem receive keeps every block whole: the pad bytes (26) that end the
// last block are cut from the received file. False with the reason in *error.
bool trimXmodemPad(const QString& file, QString* error);
