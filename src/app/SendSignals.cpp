#include "SendSignals.h"

#include "ProgramPaths.h"
#include "TransferGlobals.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

#include <sys/socket.h>
#include <unistd.h>

namespace Startup {

namespace {
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// What a signal does: wake the send through this descriptor (>= 0), end
// the program (kStarting), or nothing any more (kOver: the send has ended).
constexpr int kStarting = -1;
constexpr int kOver = -2;
volatile std::sig_atomic_t gWriteEnd = kStarting;
// Said as a signal ends the program before its send began.
char gEndText[128];
volatile std::sig_atomic_t gEndTextSize = 0;

void onSignal(int) {
    const int saved = errno;
    const int fd = gWriteEnd;
    if (fd >= 0) {
        const char byte = 1;
        (void)!::write(fd, &byte, 1);
    } else if (fd == kStarting) {
        (void)!::write(STDERR_FILENO, gEndText, size_t(gEndTextSize));
        ::_exit(1);
    }
    errno = saved;
}

void prepareEndText() {
    const QByteArray text =
        ProgramPaths::appTitle().toLocal8Bit() + ": Send Cancelled Before It Began - Nothing Was Sent\n";
    const size_t size = std::min(sizeof gEndText, size_t(text.size()));
    std::memcpy(gEndText, text.constData(), size);
    gEndTextSize = std::sig_atomic_t(size);
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
} // namespace

void takeSendSignals() {
    prepareEndText();
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
    gWriteEnd = kStarting;
    install(previous_, installed_);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0)
        return; // a signal then ends the program, as before the send
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
    // would be lost, so until then one ends the program.
    previousHook_ = setSendBeginsHook([fd = fds_[0]] { gWriteEnd = fd; });
}

CancelOnSignals::~CancelOnSignals() {
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
