#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

// Another copy of the program holding the settings file's locks, played by
// a child process: the lock file's and the folder's, as a copy's write takes
// them, or the folder's alone (a copy that cannot use the lock file). A lock
// it could not take ends it with a status of its own, so a test never goes
// on believing the file locked. It holds them until told, or until this
// object goes. The child makes only system calls: the parent may have
// threads.
class CopyHoldingTheLock {
public:
    enum Locks { Both, FolderOnly };

    explicit CopyHoldingTheLock(const QString& ini, Locks locks = Both)
        : ini_(QFile::encodeName(ini)), next_(ini_ + ".holder"), lockFile_(ini_ + ".lock"),
          folder_(QFile::encodeName(QFileInfo(ini).absolutePath())), buffer_(1 << 16, '\0') {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ends[0]);
            hold(locks, ends[1]);
        }
        ::close(ends[1]);
        socket_ = ends[0];
        holding_ = pid_ > 0 && reply() == 'h';
        if (!holding_ && pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            pid_ = -1;
        }
    }
    ~CopyHoldingTheLock() {
        letGo();
        ::close(socket_);
    }
    CopyHoldingTheLock(const CopyHoldingTheLock&) = delete;
    CopyHoldingTheLock& operator=(const CopyHoldingTheLock&) = delete;

    bool holds() const { return holding_; }
    // Which lock it could not take, for the failure's message.
    QString failure() const {
        static const char* const what[] = {"opening the lock file", "locking the lock file",
                                           "opening the folder", "locking the folder"};
        return status_ >= 10 && status_ < 14 ? QString::fromLatin1(what[status_ - 10])
                                             : QStringLiteral("status %1").arg(status_);
    }
    // It still holds them: it has neither let go nor ended.
    bool stillHolds() { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

    // Replaces the settings file, as a copy writing under its lock does;
    // returns once it has.
    bool write(const QByteArray& bytes) {
        return bytes.size() <= buffer_.size() && command('w', 0, bytes) == 'w';
    }
    // Lets go `ms` from now.
    void letGoIn(int ms) { command('l', ms, {}, false); }
    // Lets go `ms` after the lock file is next opened: a write beginning.
    bool letGoOnceAWriteBegins(int ms) { return command('o', ms, {}) == 'o'; }
    // Lets go now, and is gone when this returns.
    void letGo() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    // A lock another process lets go of a moment ago (a write that gave up
    // on it and got it since) is waited for, a while.
    static bool lock(int fd) {
        for (int tries = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++tries)
            if (errno != EWOULDBLOCK || tries == 1000 || ::poll(nullptr, 0, 10) < 0)
                return false;
        return true;
    }
    [[noreturn]] void hold(Locks locks, int socket) {
        if (locks == Both) {
            const int fd = ::open(lockFile_.constData(), O_RDONLY | O_CREAT, 0666);
            if (fd < 0)
                ::_exit(10);
            if (!lock(fd))
                ::_exit(11);
        }
        const int folder = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY);
        if (folder < 0)
            ::_exit(12);
        if (!lock(folder))
            ::_exit(13);
        answer(socket, 'h');
        for (;;) {
            char op = 0;
            std::int32_t ms = 0, size = 0;
            if (!readAll(socket, &op, 1) || !readAll(socket, &ms, 4) || !readAll(socket, &size, 4) ||
                !readAll(socket, buffer_.data(), size))
                ::_exit(0);
            if (op == 'w') {
                const int out = ::open(next_.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
                if (out < 0 || ::write(out, buffer_.constData(), size_t(size)) != size || ::close(out) != 0 ||
                    ::rename(next_.constData(), ini_.constData()) != 0)
                    ::_exit(20);
                answer(socket, op);
                continue;
            }
            if (op == 'o') {
                const int opened = ::inotify_init1(0);
                if (opened < 0 || ::inotify_add_watch(opened, lockFile_.constData(), IN_OPEN) < 0)
                    ::_exit(21);
                answer(socket, op);
                pollfd p{opened, POLLIN, 0};
                ::poll(&p, 1, 60000);
            }
            ::poll(nullptr, 0, ms);
            ::_exit(0);
        }
    }
    static bool readAll(int fd, void* into, std::int32_t size) {
        for (auto* at = static_cast<char*>(into); size > 0;) {
            const ssize_t n = ::read(fd, at, size_t(size));
            if (n == 0 || (n < 0 && errno != EINTR))
                return false;
            if (n > 0) {
                at += n;
                size -= std::int32_t(n);
            }
        }
        return true;
    }
    static void answer(int fd, char c) { (void)!::write(fd, &c, 1); }
    char reply() {
        char c = 0;
        while (::recv(socket_, &c, 1, 0) < 0 && errno == EINTR) {
        }
        return c;
    }
    // Sent whole or not at all: a child that has gone takes nothing.
    char command(char op, std::int32_t ms, const QByteArray& bytes, bool answered = true) {
        if (pid_ <= 0)
            return 0;
        const std::int32_t size = std::int32_t(bytes.size());
        QByteArray message(1, op);
        message.append(reinterpret_cast<const char*>(&ms), 4).append(reinterpret_cast<const char*>(&size), 4);
        message += bytes;
        if (::send(socket_, message.constData(), size_t(message.size()), MSG_NOSIGNAL) != message.size())
            return 0;
        return answered ? reply() : 0;
    }

    QByteArray ini_, next_, lockFile_, folder_;
    QByteArray buffer_; // the child's, made before it is
    pid_t pid_ = -1;
    int socket_ = -1;
    bool holding_ = false;
    int status_ = 0;
};
