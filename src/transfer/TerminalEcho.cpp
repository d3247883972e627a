#include "TerminalEcho.h"

namespace {
std::function<void(const QByteArray&)>& receiver() {
    static std::function<void(const QByteArray&)> r;
    return r;
}
} // namespace

void appendToTerminal(const QByteArray& bytes) {
    if (receiver())
        receiver()(bytes);
}

void setTerminalEcho(std::function<void(const QByteArray&)> r) { receiver() = std::move(r); }

bool terminalEchoShown() { return bool(receiver()); }
