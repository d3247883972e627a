#include "PortRelease.h"

#include "SerialLink.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace PortRelease {

namespace {
std::atomic<int> gFd{-1};
// Written only while gFd is -1, read only once it is set.
char gLockFile[4096];
termios gFound;
bool gFoundKnown = false;
int gEmptiesWithinMs = 0;

std::optional<bool> askThePort(int fd) {
    unsigned int status = 0;
    if (::ioctl(fd, TIOCSERGETLSR, &status) != 0)
        return std::nullopt;
    return SerialLink::lineStatusSaysEmpty(status);
}
std::atomic<TransmitterQuery> gQuery{&askThePort};
static_assert(std::atomic<int>::is_always_lock_free);

// Where the serial port library keeps the open port's lock file: the
// first of its folders that holds "LCK..<name>" with this process's id.
QByteArray lockFileOf(const QString& device) {
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders{QStringLiteral("/var/lock"),  QStringLiteral("/etc/locks"),
                              QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                              QStringLiteral("/tmp"),       QStringLiteral("/var/tmp"),
                              QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
                              QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    for (const QString& folder : folders) {
        QFile lock(folder + QStringLiteral("/LCK..") + name);
        if (lock.open(QIODevice::ReadOnly) && lock.readLine().trimmed() == pid)
            return QFile::encodeName(lock.fileName());
    }
    return QByteArray();
}
} // namespace

FoundSettings::FoundSettings(const QString& device) {
    fd_ = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    known_ = fd_ >= 0 && ::tcgetattr(fd_, &settings_) == 0;
}

void FoundSettings::release() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void noteOpened(int fd, const QString& device, const termios* found, int emptiesWithinMs) {
    gFd = -1;
    gEmptiesWithinMs = emptiesWithinMs;
    gFoundKnown = found != nullptr;
    if (found)
        gFound = *found;
    const QByteArray lock = lockFileOf(device);
    const size_t n = lock.size() < qsizetype(sizeof gLockFile) ? size_t(lock.size()) : 0;
    std::memcpy(gLockFile, lock.constData(), n);
    gLockFile[n] = '\0';
    gFd = fd;
}

void noteClosing(int fd) {
    int open = fd;
    gFd.compare_exchange_strong(open, -1);
}

void releaseFromAnyThread() {
    const int fd = gFd.exchange(-1);
    if (fd < 0)
        return;
    ::tcflush(fd, TCOFLUSH);
    const TransmitterQuery empty = gQuery;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(gEmptiesWithinMs);
    for (std::optional<bool> e; (e = empty(fd)) && !*e && std::chrono::steady_clock::now() < until;)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (gFoundKnown)
        ::tcsetattr(fd, TCSANOW, &gFound);
    ::ioctl(fd, TIOCNXCL);
    if (gLockFile[0])
        ::unlink(gLockFile);
}

void setTransmitterQuery(TransmitterQuery query) { gQuery = query ? query : &askThePort; }

} // namespace PortRelease
