#pragma once

#include <QString>

// The send routes other than the line-by-line text send, as the senders
// call them. Each returns when its transfer has ended in any way.
// The XModem route (Handshaking 4).
void sendXmodem(const QString& fileName, bool fromWindow);
// Drip feed (executiveTape false) and executive tape, in blocks of `blockSize` bytes.
void sendBinary(const QString& fileName, int blockSize, bool executiveTape);
// Turbo drip feed.
void sendBinaryTurbo(const QString& fileName, int blockSize);
