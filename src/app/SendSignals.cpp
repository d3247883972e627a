#include "SendSignals.h"

#include "TransferGlobals.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <iterator>

#include <sys/socket.h>
#include <unistd.h>

namespace Startup {

namespace {
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Taken while no send watched.
volatile std::sig_atomic_t gTaken = 0;
volatile std::sig_atomic_t gWriteEnd = -1;

void wake(int fd) {
    const char byte = 1;
    (void)!::write(fd, &byte, 1);
}

void onSignal(int) {
    const int saved = errno;
    if (const int fd = gWriteEnd; fd >= 0)
        wake(fd);
    else
        gTaken = 1;
    errno = saved;
}

void install(struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, previous ? &previous[i] : nullptr);
}
} // namespace

void takeSendSignals() {
    install(nullptr);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int s : kSignals)
        sigaddset(&blocked, s);
    ::sigprocmask(SIG_UNBLOCK, &blocked, nullptr);
}

CancelOnSignals::CancelOnSignals() {
    static_assert(std::size(kSignals) == std::size(decltype(previous_){}));
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (::read(fds_[1], bytes, sizeof bytes) > 0) {
        }
        gCancelSend = true;
        // The send clears the flag as it begins: set again each time the
        // event loop runs, it ends the send before its first block.
        if (!keepCancelled_)
            QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                             notifier_.get(), [] { gCancelSend = true; });
        keepCancelled_ = true;
    });
    gWriteEnd = fds_[0];
    install(previous_);
    // Taken before the send watched: it is this send's.
    if (gTaken) {
        gTaken = 0;
        wake(fds_[0]);
    }
}

CancelOnSignals::~CancelOnSignals() {
    if (!notifier_)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    gWriteEnd = -1;
    notifier_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
}

} // namespace Startup
