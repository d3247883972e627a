#pragma once

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A display server as a test plays it: it listens, and answers each
// connection it takes as it is told to, or does not.
class FakeDisplay {
public:
    enum Answer {
        X11,     // the X connection set-up refused, as a server without our cookie does
        Wayland, // the callback of a wl_display.sync
        Close,   // takes the connection and closes it
        Silent,  // takes the connection and never answers
        Garbage  // answers with bytes of another protocol
    };

    // A Unix socket at `path` (a leading "@": in the abstract namespace).
    // `answers` holds the answer to each connection in turn; the last repeats.
    FakeDisplay(const QByteArray& path, std::vector<Answer> answers) : answers_(std::move(answers)) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const bool abstract = path.startsWith('@');
        std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
        if (abstract)
            a.sun_path[0] = '\0';
        const socklen_t size =
            socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()) + (abstract ? 0 : 1));
        listenOn(AF_UNIX, reinterpret_cast<sockaddr*>(&a), size);
    }
    // TCP on the loopback address.
    FakeDisplay(int port, std::vector<Answer> answers) : answers_(std::move(answers)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(quint16(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        listenOn(AF_INET, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~FakeDisplay() {
        if (thread_.joinable()) {
            (void)!::write(stop_[1], "x", 1);
            thread_.join();
        }
        for (const int fd : {listen_, stop_[0], stop_[1]})
            if (fd >= 0)
                ::close(fd);
    }
    FakeDisplay(const FakeDisplay&) = delete;
    FakeDisplay& operator=(const FakeDisplay&) = delete;

    bool ok() const { return thread_.joinable(); }
    int connections() const { return taken_; }
    // The first connection was closed by its client before a second came.
    bool firstClosedBeforeSecond() const { return firstClosedEarly_; }

private:
    void listenOn(int family, const sockaddr* address, socklen_t size) {
        listen_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (listen_ < 0 || ::bind(listen_, address, size) != 0 || ::listen(listen_, 8) != 0 ||
            ::pipe2(stop_, O_CLOEXEC) != 0)
            return;
        thread_ = std::thread([this] { serve(); });
    }

    static QByteArray reply(Answer answer) {
        switch (answer) {
        case X11:
            return QByteArray("\0\0\x0b\0\0\0\0\0", 8);
        case Wayland: {
            const quint32 words[] = {2, 12u << 16, 1};
            return QByteArray(reinterpret_cast<const char*>(words), sizeof words);
        }
        case Garbage:
            return QByteArray("HTTP/1.1 400 Bad Request\r\n\r\n");
        default:
            return QByteArray();
        }
    }

    void serve() {
        struct Client {
            int fd;
            Answer answer;
            bool answered;
        };
        std::vector<Client> clients;
        for (;;) {
            std::vector<pollfd> fds{{stop_[0], POLLIN, 0}, {listen_, POLLIN, 0}};
            for (const Client& c : clients)
                fds.push_back({c.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), -1) < 0)
                continue;
            if (fds[0].revents)
                break;
            // Clients first: a close seen in the same round as a new
            // connection came before it.
            for (size_t i = 2; i < fds.size(); ++i) {
                Client& c = clients[i - 2];
                if (!fds[i].revents || c.fd < 0)
                    continue;
                char bytes[256];
                const ssize_t n = ::recv(c.fd, bytes, sizeof bytes, 0);
                if (n <= 0) {
                    if (i == 2 && taken_ == 1)
                        firstClosedEarly_ = true;
                    ::close(c.fd);
                    c.fd = -1;
                } else if (!c.answered) {
                    c.answered = true;
                    const QByteArray out = reply(c.answer);
                    (void)!::send(c.fd, out.constData(), size_t(out.size()), MSG_NOSIGNAL);
                }
            }
            if (fds[1].revents) {
                const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0)
                    continue;
                const Answer answer = answers_[std::min(size_t(taken_), answers_.size() - 1)];
                ++taken_;
                if (answer == Close) {
                    ::close(fd);
                    clients.push_back({-1, answer, true}); // keeps its place as a connection
                } else {
                    clients.push_back({fd, answer, answer == Silent});
                }
            }
        }
        for (const Client& c : clients)
            if (c.fd >= 0)
                ::close(c.fd);
    }

    std::vector<Answer> answers_;
    int listen_ = -1;
    int stop_[2] = {-1, -1};
    std::atomic<int> taken_{0};
    std::atomic<bool> firstClosedEarly_{false};
    std::thread thread_;
};
