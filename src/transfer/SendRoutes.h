#pragma once

#include "SendEngine.h"

#include <QString>

class SendSession;

// The send routes other than the line-by-line text send, as the senders call
// them, each for the send session its entry made. Each runs to its end
// inside the call, yielding, and leaves the window unlocked and the comm
// state idle. `loggedAs` names a temporary file's content in the transfer
// log (a merge's files), as the text send does.

// The XModem route (Handshaking 4): the program, with the machine's header,
// trailer and pad, in XModem blocks; the send panel shows it. `fromWindow`:
// fileName is the temporary copy of the active editor window.
SendOutcome sendXmodem(SendSession& session, const QString& fileName, bool fromWindow,
                       const QString& loggedAs = QString());

// Drip feed in blocks of `blockSize` bytes of the prepared program (the
// machine's end of block, space stripping, block skip, blank lines), paced
// by LineDelay. `executiveTape`: the file's bytes as they are, without
// header, trailer or pauses. A fileName starting with "BINARY" (the Send
// Binary menu) names a file sent as it is, with header, trailer and pauses.
SendOutcome sendBinary(SendSession& session, const QString& fileName, int blockSize, bool executiveTape,
                       const QString& loggedAs = QString());

// Turbo drip feed: the prepared program in blocks of `blockSize` bytes, no
// pause between them, a cheap progress display.
SendOutcome sendBinaryTurbo(SendSession& session, const QString& fileName, int blockSize,
                            const QString& loggedAs = QString());
