#include "ProgramQuit.h"

namespace {
std::function<bool()>& handler() {
    static std::function<bool()> h;
    return h;
}
} // namespace

bool quitProgram() { return handler() && handler()(); }

void setQuitProgramHandler(std::function<bool()> h) { handler() = std::move(h); }
