#pragma once

#include <QByteArray>

#include <functional>

// What passes the port, for the terminal view. The sends call
// appendToTerminal with every block they hand over; the terminal view
// installs itself as the receiver. Without one the bytes go nowhere.
void appendToTerminal(const QByteArray& bytes);
void setTerminalEcho(std::function<void(const QByteArray&)> receiver);
