#include "PtyMachine.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Both ends are closed on exec: a program the test starts must not keep the
// machine there after it hangs up.
int openMaster(QString* slavePath, int* keeper) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    *slavePath = QString::fromLocal8Bit(::ptsname(master));
    // Held open so the pair survives the program's port closing, and raw so
    // nothing is echoed or translated before a program sets its own mode.
    *keeper = ::open(slavePath->toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio;
    ::tcgetattr(*keeper, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(*keeper, TCSANOW, &tio);
    return master;
}

void writeAll(int fd, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

} // namespace

void pumpEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        pumpEvents(5);
    }
    return true;
}

QByteArray randomBytes(int size, quint32 seed) {
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator gen(seed + quint32(size));
    for (int i = 0; i < size; ++i)
        b[i] = char(gen.bounded(256));
    return b;
}

PtyMachine::PtyMachine() {
    master_ = openMaster(&slavePath_, &keeper_);
    reader_ = std::thread([this] { readLoop(); });
}

PtyMachine::~PtyMachine() {
    hangUp();
    if (keeper_ >= 0)
        ::close(keeper_);
}

void PtyMachine::readLoop() {
    char buf[65536];
    while (!stop_) {
        if (!reading_) {
            ::usleep(2000);
            continue;
        }
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, 10) > 0) {
            const int pace = paceBytes_;
            const ssize_t n = ::read(master_, buf, pace > 0 ? size_t(pace) : sizeof buf);
            if (n > 0) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    data_.append(buf, int(n));
                }
                if (pace > 0)
                    ::usleep(useconds_t(paceMs_) * 1000);
            } else {
                ::usleep(1000); // nobody on the slave side just now
            }
        }
        std::function<void(qint64)> reaction;
        qint64 count = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            reaction = reaction_;
            count = data_.size();
        }
        if (reaction)
            reaction(count);
    }
}

bool PtyMachine::waitUntilRead(int timeoutMs) {
    // The master's count of unread bytes leaves out what the pair holds
    // beyond its line discipline's buffer until the kernel moves it on, late
    // on a loaded machine. A mark written on the PC's side now arrives after
    // all of it.
    const QByteArray mark = "\x02<read up to mark " + QByteArray::number(++marks_) + ">\x03";
    qint64 from = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        from = data_.size();
    }
    QElapsedTimer t;
    t.start();
    qint64 written = 0;
    while (written < mark.size()) {
        const ssize_t n = ::write(keeper_, mark.constData() + written, size_t(mark.size() - written));
        if (n > 0)
            written += n;
        else if (t.elapsed() > timeoutMs || (n < 0 && errno != EAGAIN && errno != EINTR))
            return false;
        else
            pumpEvents(5);
    }
    return waitUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex_);
            const qsizetype at = data_.indexOf(mark, from);
            if (at < 0)
                return false;
            data_.remove(at, mark.size());
            return true;
        },
        timeoutMs);
}

void PtyMachine::setReaction(std::function<void(qint64)> reaction) {
    std::lock_guard<std::mutex> lock(mutex_);
    reaction_ = std::move(reaction);
}

QString PtyMachine::leftHeld() const {
    QStringList held;
    int exclusive = 0;
    if (::ioctl(keeper_, TIOCGEXCL, &exclusive) != 0 || exclusive)
        held << QStringLiteral("exclusive use");
    const QString lock = QStringLiteral("/LCK..pts_") + QFileInfo(slavePath_).fileName();
    for (const char* dir : {"/var/lock", "/run/lock", "/tmp"})
        if (QFileInfo::exists(QString::fromLatin1(dir) + lock))
            held << QString::fromLatin1(dir) + lock;
    return held.join(QStringLiteral(", "));
}

void PtyMachine::send(const QByteArray& bytes) {
    writeAll(master_, bytes.constData(), bytes.size());
}

QByteArray PtyMachine::received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_;
}

qint64 PtyMachine::receivedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_.size();
}

void PtyMachine::clearReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.clear();
}

bool PtyMachine::waitForCount(qint64 count, int timeoutMs) const {
    return waitUntil([&] { return receivedCount() >= count; }, timeoutMs);
}

void PtyMachine::hangUp() {
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

PtyBridge::End PtyBridge::openEnd() {
    End e;
    e.master = openMaster(&e.slave, &e.keeper);
    return e;
}

PtyBridge::PtyBridge() : a_(openEnd()), b_(openEnd()) {
    thread_ = std::thread([this] { loop(); });
}

PtyBridge::~PtyBridge() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    for (End* e : {&a_, &b_}) {
        if (e->master >= 0)
            ::close(e->master);
        ::close(e->keeper);
    }
}

void PtyBridge::hangUpOurSide() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    // poll() passes over a closed end; what goes to it is dropped.
    ::close(a_.master);
    a_.master = -1;
    stop_ = false;
    thread_ = std::thread([this] { loop(); });
}

void PtyBridge::loop() {
    // The peer's master runs in packet mode, which reports the peer emptying
    // its input. A peer seen doing that after its writes (rx, after every ACK)
    // gets our answer only once it has: on a serial line the answer could
    // not arrive sooner, on a pty it could and would be thrown away.
    int on = 1;
    ::ioctl(b_.master, TIOCPKT, &on);
    bool peerPurges = false;
    bool awaitingPurge = false;
    QElapsedTimer since;
    QByteArray toPeer;
    char buf[65536];
    while (!stop_) {
        pollfd p[2] = {{a_.master, POLLIN, 0}, {b_.master, POLLIN, 0}};
        ::poll(p, 2, awaitingPurge ? 1 : 10);
        if (p[0].revents & POLLIN) {
            const ssize_t n = ::read(a_.master, buf, sizeof buf);
            if (n > 0)
                toPeer.append(buf, int(n));
        }
        bool data = false, purged = false;
        for (;;) {
            const ssize_t n = ::read(b_.master, buf, sizeof buf);
            if (n <= 0)
                break;
            if (buf[0] == TIOCPKT_DATA && n > 1) {
                writeAll(a_.master, buf + 1, n - 1);
                data = true;
            } else if (buf[0] & TIOCPKT_FLUSHREAD) {
                purged = true;
            }
        }
        if (purged) {
            peerPurges = true;
            awaitingPurge = false;
        } else if (data && (peerPurges || knownPurger_)) {
            awaitingPurge = true;
            since.start();
        }
        // Not this one (sx empties its input only now and then, rx not after
        // a NAK). A loaded machine may run the peer's purge many milliseconds
        // after its write: a block let through before it would be lost whole.
        if (awaitingPurge && since.elapsed() >= 1000) {
            awaitingPurge = false;
            peerPurges = false;
        }
        if (!toPeer.isEmpty() && !awaitingPurge) {
            writeAll(b_.master, toPeer.constData(), toPeer.size());
            toPeer.clear();
        }
    }
}
