#pragma once

#include <QString>

#include <functional>
#include <memory>

#include <signal.h>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP end a command-line send, so that a script (or
// a closed terminal) can end any wait. Until the send has begun, one ends
// the program with status 1, nothing sent: at once while the program starts
// (Qt's own connection to a display that takes it and never answers cannot
// hold it), and once the port is closed again while the send is prepared,
// so that the next opening finds the port as this one found it. From then
// on one cancels the send as Esc does, and ends any wait for the settings
// lock: the send ends as the wire says (status 0 where the whole program
// had left the port). A signal the caller left ignored (nohup, a background
// job) stays ignored.
//
// The one thing a signal cannot interrupt is Qt's connection to a display
// that stopped answering. So every signal also arms a watchdog: where the
// program shows on a display and that display, asked on a connection of
// the watchdog's own, does not answer within about 2 s of the signal, the
// watchdog ends the program, saying so, with the port left as found. With
// no display, or one that answers, it never ends the program.
namespace Startup {

// From the very start of a command-line send, before anything is built.
// Signals a caller left blocked are let through, and taken then.
void takeSendSignals();

// The platform Qt started on (QGuiApplication::platformName()), with the
// display the environment names for it: what the watchdog asks. Any other
// platform (offscreen, minimal) has no display to stop answering.
void watchDisplay(const QString& platformName);

// While it lives, the send that begins (clearCancelAsSendBegins) is
// cancelled by a signal; before that, one ends the program as above, as the
// send begins or as this goes. The handler only writes a byte; the event
// loop every wait runs sets the flag and calls `signalled`.
class CancelOnSignals {
public:
    explicit CancelOnSignals(std::function<void()> signalled = std::function<void()>());
    ~CancelOnSignals();
    CancelOnSignals(const CancelOnSignals&) = delete;
    CancelOnSignals& operator=(const CancelOnSignals&) = delete;

private:
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> signalled_;
    std::function<void()> previousHook_;
    struct sigaction previous_[3]{};
    bool installed_[3] = {false, false, false};
};

} // namespace Startup
