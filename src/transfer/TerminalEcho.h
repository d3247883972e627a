#pragma once

#include <QByteArray>

#include <functional>

// What passes the port, for the terminal view. The sends call
// appendToTerminal with every block they hand over; the terminal view
// installs itself as the receiver. Without one the bytes go nowhere.
void appendToTerminal(const QByteArray& bytes);

// The terminal shows at most this many characters, the newest; a sender may
// hand over just the tail of a longer piece.
constexpr int kTerminalShows = 16000;
void setTerminalEcho(std::function<void(const QByteArray&)> receiver);
// Whether a receiver is installed: without one a sender need not gather
// what it would show.
bool terminalEchoShown();
