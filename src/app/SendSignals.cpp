#include "SendSignals.h"

#include "PortLayer.h"
#include "ProgramPaths.h"
#include "TransferGlobals.h"

#include <QSocketNotifier>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <iterator>
#include <system_error>
#include <thread>

#include <semaphore.h>

#include <sys/socket.h>
#include <unistd.h>

namespace Startup {

namespace {
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// What a signal does: wake the send through this descriptor (>= 0), end
// the program (kStarting), end it once the port the send may have opened
// is closed (kPreparing), or nothing any more (kOver: the send has ended).
constexpr int kStarting = -1;
constexpr int kPreparing = -3;
constexpr int kOver = -2;
volatile std::sig_atomic_t gWriteEnd = kStarting;
// A signal came while the send was being prepared.
volatile std::sig_atomic_t gPending = 0;
// The send loop took the signal's cancel: the program is not held.
volatile std::sig_atomic_t gActed = 0;
// Said as a signal ends the program before its send began.
char gEndText[128];
volatile std::sig_atomic_t gEndTextSize = 0;
// Said as the watchdog ends a send whose loop does not come back.
char gStuckText[160];
volatile std::sig_atomic_t gStuckTextSize = 0;
// Counts the sends: a watchdog armed during one has no say over the next.
std::atomic<int> gSendNumber{0};
// Posted by a signal from kPreparing on; the watchdog's thread waits on it.
sem_t gArmed;
// How long the send loop has to take a signal before the watchdog ends
// the program: what holds it (a display that stopped answering, in Qt's
// connection) would hold it for ever.
constexpr auto kWatchdog = std::chrono::milliseconds(1500);

void endBeforeSend() {
    (void)!::write(STDERR_FILENO, gEndText, size_t(gEndTextSize));
    ::_exit(1);
}

void onSignal(int) {
    const int saved = errno;
    const int fd = gWriteEnd;
    if (fd >= 0) {
        const char byte = 1;
        (void)!::write(fd, &byte, 1);
        ::sem_post(&gArmed);
    } else if (fd == kPreparing) {
        gPending = 1;
        ::sem_post(&gArmed);
    } else if (fd == kStarting) {
        endBeforeSend();
    }
    errno = saved;
}

void keep(const QByteArray& text, char* into, size_t room, volatile std::sig_atomic_t* size) {
    const size_t n = std::min(room, size_t(text.size()));
    std::memcpy(into, text.constData(), n);
    *size = std::sig_atomic_t(n);
}

void prepareEndText() {
    const QByteArray title = ProgramPaths::appTitle().toLocal8Bit();
    keep(title + ": Send Cancelled Before It Began - Nothing Was Sent\n", gEndText, sizeof gEndText,
         &gEndTextSize);
    keep(title + ": Send Cancelled - The Display Stopped Answering, So No Restart Line Was Stored\n", gStuckText,
         sizeof gStuckText, &gStuckTextSize);
}

// One thread for the program's life, started before the first signal can
// arm it: a signal handler can start none.
void startWatchdog() {
    static const bool started = [] {
        if (::sem_init(&gArmed, 0, 0) != 0)
            return false;
        try {
            std::thread([] {
                for (;;) {
                    while (::sem_wait(&gArmed) != 0) {
                    }
                    const int send = gSendNumber;
                    std::this_thread::sleep_for(kWatchdog);
                    if (send != gSendNumber)
                        continue;
                    if (gWriteEnd == kPreparing && gPending)
                        endBeforeSend();
                    if (gWriteEnd >= 0 && !gActed) {
                        (void)!::write(STDERR_FILENO, gStuckText, size_t(gStuckTextSize));
                        ::_exit(1);
                    }
                }
            }).detach();
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }();
    (void)started;
}

// Over every signal the caller did not leave ignored; `installed` tells which.
void install(struct sigaction* previous, bool* installed) {
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction now {};
        ::sigaction(kSignals[i], nullptr, &now);
        if (!(now.sa_flags & SA_SIGINFO) && now.sa_handler == SIG_IGN)
            continue;
        ::sigaction(kSignals[i], &action, previous ? &previous[i] : nullptr);
        if (installed)
            installed[i] = true;
    }
}

// A signal that came while the send was prepared ends the program now,
// the port it may have opened closed first, as it was found.
void endIfSignalled() {
    if (!gPending)
        return;
    closeComPort(CloseWhen::Always);
    endBeforeSend();
}
} // namespace

void takeSendSignals() {
    prepareEndText();
    startWatchdog();
    gWriteEnd = kStarting;
    install(nullptr, nullptr);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int s : kSignals)
        sigaddset(&blocked, s);
    ::sigprocmask(SIG_UNBLOCK, &blocked, nullptr);
}

CancelOnSignals::CancelOnSignals(std::function<void()> signalled) : signalled_(std::move(signalled)) {
    static_assert(std::size(kSignals) == std::size(decltype(previous_){}));
    prepareEndText();
    startWatchdog();
    ++gSendNumber;
    gPending = 0;
    gActed = 0;
    gWriteEnd = kStarting;
    install(previous_, installed_);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0)
        return; // a signal then ends the program, as before the send
    // From here on the port may open: a signal is taken once it can be
    // closed again, as the send begins or as this ends.
    gWriteEnd = kPreparing;
    notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (::read(fds_[1], bytes, sizeof bytes) > 0) {
        }
        gActed = 1;
        gCancelSend = true;
        if (signalled_)
            signalled_();
    });
    // The send clears its cancel flag as it begins: a signal before then
    // would be lost, so one before then ends the program.
    previousHook_ = setSendBeginsHook([fd = fds_[0]] {
        endIfSignalled();
        gWriteEnd = fd;
        // Taken now: the one that came in between ends the program above.
        endIfSignalled();
    });
}

CancelOnSignals::~CancelOnSignals() {
    // A send that never began ends the program as a signal before it would.
    if (gWriteEnd == kPreparing)
        endIfSignalled();
    // The send is over, whole or not: a signal now changes nothing.
    gWriteEnd = kOver;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        if (installed_[i])
            ::sigaction(kSignals[i], &previous_[i], nullptr);
    if (!notifier_)
        return;
    setSendBeginsHook(std::move(previousHook_));
    notifier_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
}

} // namespace Startup
