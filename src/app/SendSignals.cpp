#include "SendSignals.h"

#include "DisplayChoice.h"
#include "IniStorage.h"
#include "PortLayer.h"
#include "PortRelease.h"
#include "ProgramPaths.h"
#include "TransferGlobals.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <semaphore.h>

#include <sys/socket.h>
#include <unistd.h>

namespace Startup {

namespace {
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// What a signal does: wake the send through this descriptor (>= 0), end
// the program (kStarting), end it once the port the send may have opened
// is closed (kPreparing), or no more than end the lock's waits and arm the
// watchdog (kOver: the send has ended).
constexpr int kStarting = -1;
constexpr int kPreparing = -3;
constexpr int kOver = -2;
volatile std::sig_atomic_t gWriteEnd = kStarting;
// A signal came while the send was being prepared.
volatile std::sig_atomic_t gPending = 0;
// Standard error as the program found it: what is said on a signal reaches
// it while a check has descriptor 2 pointed elsewhere.
int gStderr = STDERR_FILENO;
char gTitle[64];
char gEndText[160];
volatile std::sig_atomic_t gEndTextSize = 0;
// Posted by every signal from kPreparing on; the watchdog's thread waits on it.
sem_t gArmed;

// The display the program shows on, as the watchdog asks it.
struct Watched {
    DisplayChoice::Server server;
    DisplayChoice::Named named;
    QByteArray shown; // "DISPLAY=:0"
};
std::mutex gWatchedMutex;
std::optional<Watched> gWatched;

// A display that stops just after the signal is seen stopped: the watchdog
// asks it only after a moment, and ends the program 2 s after the signal
// where it has not answered by then.
constexpr auto kBeforeAsking = std::chrono::milliseconds(500);
constexpr auto kAnswerWithin = std::chrono::milliseconds(2000);

void say(const char* text, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(gStderr, text, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        size -= size_t(n);
    }
}

void endBeforeSend() {
    say(gEndText, size_t(gEndTextSize));
    ::_exit(1);
}

void onSignal(int) {
    const int saved = errno;
    const int fd = gWriteEnd;
    if (fd == kStarting)
        endBeforeSend();
    if (fd >= 0) {
        const char byte = 1;
        (void)!::write(fd, &byte, 1);
    } else if (fd == kPreparing) {
        gPending = 1;
    }
    endSettingsLockWaits();
    ::sem_post(&gArmed);
    errno = saved;
}

void prepareTexts() {
    const QByteArray title = ProgramPaths::appTitle().toLocal8Bit().left(int(sizeof gTitle) - 1);
    std::memcpy(gTitle, title.constData(), size_t(title.size()));
    gTitle[title.size()] = '\0';
    const QByteArray end = title + ": Send Cancelled Before It Began - Nothing Was Sent\n";
    const size_t n = std::min(sizeof gEndText, size_t(end.size()));
    std::memcpy(gEndText, end.constData(), n);
    gEndTextSize = std::sig_atomic_t(n);
}

// The display does not answer and the program is still here: it is held
// in Qt's connection. The port is left as it was found; what is said and
// the status are the send's as far as the wire knows it.
[[noreturn]] void endForStoppedDisplay(const QByteArray& shown) {
    PortRelease::releaseFromAnyThread();
    const int state = gWriteEnd;
    const bool began = state >= 0 || state == kOver;
    const bool whole = began && wholeProgramLeft();
    const bool stored = restartRecordStored();
    char text[512];
    if (!began)
        std::snprintf(text, sizeof text,
                      "%s: Send Cancelled Before It Began - Nothing Was Sent - The Display %s Stopped Answering\n",
                      gTitle, shown.constData());
    else if (whole)
        std::snprintf(text, sizeof text, "%s: The Whole Program Was Sent, But The Display %s Stopped Answering%s\n",
                      gTitle, shown.constData(), stored ? "" : " - Its Restart Line Was Not Stored");
    else
        std::snprintf(text, sizeof text, "%s: Send Cancelled - The Display %s Stopped Answering%s\n", gTitle,
                      shown.constData(), stored ? "" : ", So No Restart Line Was Stored");
    say(text, std::strlen(text));
    ::_exit(whole ? 0 : 1);
}

// One thread for the program's life, started before the first signal can
// arm it: a signal handler can start none.
void watch() {
    for (;;) {
        while (::sem_wait(&gArmed) != 0) {
        }
        const auto signalled = std::chrono::steady_clock::now();
        std::optional<Watched> watched;
        {
            const std::lock_guard<std::mutex> lock(gWatchedMutex);
            watched = gWatched;
        }
        if (!watched)
            continue;
        std::this_thread::sleep_until(signalled + kBeforeAsking);
        const DisplayChoice::Answer answer =
            DisplayChoice::probe(watched->server, watched->named, signalled + kAnswerWithin, false);
        if (answer.connection.isOpen() || answer.refused)
            continue; // it answers: the program ends itself, as late as it must
        endForStoppedDisplay(watched->shown);
    }
}

// Once per process: a child forked after the start has no such thread.
void startWatchdog() {
    static pid_t startedIn = 0;
    if (startedIn == ::getpid() || ::sem_init(&gArmed, 0, 0) != 0)
        return;
    try {
        std::thread(watch).detach();
        startedIn = ::getpid();
    } catch (const std::system_error&) {
    }
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
    const int real = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (real >= 0)
        gStderr = real;
    prepareTexts();
    startWatchdog();
    gWriteEnd = kStarting;
    install(nullptr, nullptr);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int s : kSignals)
        sigaddset(&blocked, s);
    ::sigprocmask(SIG_UNBLOCK, &blocked, nullptr);
}

void watchDisplay(const QString& platformName) {
    std::optional<Watched> watched;
    const DisplayChoice::Named named = DisplayChoice::fromEnvironment();
    if (platformName == QLatin1String("xcb"))
        watched = Watched{DisplayChoice::Server::X11, named, "DISPLAY=" + named.x11};
    else if (platformName.startsWith(QLatin1String("wayland")))
        watched = Watched{DisplayChoice::Server::Wayland, named,
                          "WAYLAND_DISPLAY=" + (named.wayland.isEmpty() ? QByteArray("wayland-0") : named.wayland)};
    const std::lock_guard<std::mutex> lock(gWatchedMutex);
    gWatched = std::move(watched);
}

CancelOnSignals::CancelOnSignals(std::function<void()> signalled) : signalled_(std::move(signalled)) {
    static_assert(std::size(kSignals) == std::size(decltype(previous_){}));
    prepareTexts();
    startWatchdog();
    gPending = 0;
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
    // The send is over, whole or not: a signal now only ends the lock's
    // waits and arms the watchdog, while the handler stays.
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
