#pragma once

#include <memory>

#include <signal.h>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP cancel a command-line send as Esc does, so that
// a script (or a closed terminal) can end any wait: the send ends as a
// cancelled one, with its restart line stored, and the program with status 1.
namespace Startup {

// From the very start of a command-line send, before anything is built: a
// signal is kept for the send to act on, and never ends the program by
// itself. Signals a caller left blocked are let through.
void takeSendSignals();

// While it lives, a signal (or one taken before it) sets the cancel flag.
// The handler only writes a byte; the event loop every wait runs sets the
// flag, and keeps it set should the send clear it as it begins.
class CancelOnSignals {
public:
    CancelOnSignals();
    ~CancelOnSignals();
    CancelOnSignals(const CancelOnSignals&) = delete;
    CancelOnSignals& operator=(const CancelOnSignals&) = delete;

private:
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    bool keepCancelled_ = false;
    struct sigaction previous_[3]{};
};

} // namespace Startup
