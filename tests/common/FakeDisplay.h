#pragma once

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
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
        X11,          // an X server that takes this program (with its cookie, if it asks one) and
                      // answers every request, enough for the check and for Qt to show windows
        Refuse,       // the X set-up refused with a reason, as a server without our cookie does
        Authenticate, // the X set-up answered "authenticate", with a reason
        WaylandError, // a Wayland compositor's error event, and the connection closed
        Wayland,      // the callback of a wl_display.sync
        Close,        // takes the connection and closes it
        Silent,       // takes the connection and never answers
        Garbage,      // answers with bytes of another protocol
        SetUpThenGone // accepts the X set-up, then closes the connection
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
    // Local display `number`, by its abstract name only, as the X library
    // tries it first: nothing is made in /tmp/.X11-unix.
    static std::unique_ptr<FakeDisplay> local(int number, std::vector<Answer> answers) {
        return std::make_unique<FakeDisplay>("@/tmp/.X11-unix/X" + QByteArray::number(number), std::move(answers));
    }
    // The first local display number from `from` on that no server here
    // uses, played as `answers` say; `number` tells which.
    static std::unique_ptr<FakeDisplay> onFreeNumber(std::vector<Answer> answers, int* number, int from = 150) {
        for (int n = from; n < from + 200; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            auto display = local(n, answers);
            if (display->ok()) {
                *number = n;
                return display;
            }
        }
        return nullptr;
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
    // Plays anew on the same socket: `answers` from the next connection on,
    // the counts back to nothing, the clients so far closed, no stall. A
    // socket kept from its choice to its use is one no other process takes.
    void play(std::vector<Answer> answers) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            answers_ = std::move(answers);
        }
        (void)!::write(stop_[1], "p", 1);
        while (!replayed_.exchange(false))
            std::this_thread::yield();
    }
    int connections() const { return taken_; }
    // The first connection was closed by its client before a second came.
    bool firstClosedBeforeSecond() const { return firstClosedEarly_; }
    // Windows mapped on the X server played.
    int windowsShown() const { return mapped_; }
    // From now on the X server takes only the client that brings this
    // MIT-MAGIC-COOKIE-1; any other is refused as a real one refuses it.
    void requireCookie(const QByteArray& cookie) {
        const std::lock_guard<std::mutex> lock(mutex_);
        cookie_ = cookie;
    }
    // Every window shown is exposed again (a client redraws it whole), and
    // from then on the server reads and answers nothing: a stopped server.
    // Returns once it has stopped: no connection made after is answered.
    void stall() {
        (void)!::write(stop_[1], "s", 1);
        while (!stalled_.exchange(false))
            std::this_thread::yield();
    }
    // An X authority file for local display `number` that holds `cookie`.
    static QByteArray authority(int number, const QByteArray& cookie) {
        QByteArray out;
        auto counted = [&](const QByteArray& field) {
            out.append(char(field.size() >> 8)).append(char(field.size() & 0xff)).append(field);
        };
        out.append("\xff\xff", 2); // any address
        counted(QByteArray());
        counted(QByteArray::number(number));
        counted("MIT-MAGIC-COOKIE-1");
        counted(cookie);
        return out;
    }

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

    static void put16(QByteArray& b, int at, quint32 v) { b[at] = char(v & 0xff), b[at + 1] = char(v >> 8 & 0xff); }
    static void put32(QByteArray& b, int at, quint32 v) { put16(b, at, v & 0xffff), put16(b, at + 2, v >> 16); }
    static quint32 get16(const QByteArray& b, int at) { return quint8(b[at]) | quint32(quint8(b[at + 1])) << 8; }
    static quint32 get32(const QByteArray& b, int at) { return get16(b, at) | get16(b, at + 2) << 16; }
    static QByteArray padded(QByteArray b) { return b.append(QByteArray((4 - b.size() % 4) % 4, '\0')); }

    // Status 0 (failed) or 2 (authenticate), with the server's reason.
    static QByteArray setupRefused(int status, const QByteArray& reason) {
        QByteArray b(8, '\0');
        b[0] = char(status);
        if (status == 0) {
            b[1] = char(reason.size());
            put16(b, 2, 11);
        }
        const QByteArray text = padded(reason);
        put16(b, 6, quint32(text.size() / 4));
        return b + text;
    }

    // One screen of 1024 x 768, depth 24, one TrueColor visual.
    static QByteArray setupAccepted() {
        QByteArray b(40, '\0');
        b[0] = 1;
        put16(b, 2, 11);
        put32(b, 12, 0x00200000); // resource ids: base and mask
        put32(b, 16, 0x001fffff);
        const QByteArray vendor = "FakeDisplay";
        put16(b, 24, quint32(vendor.size()));
        put16(b, 26, 0xffff); // maximum request length
        b[28] = 1;            // screens
        b[29] = 3;            // pixmap formats
        b[32] = 32, b[33] = 32; // bitmap unit and pad
        b[34] = 8, b[35] = char(255); // keycodes
        b += padded(vendor);
        for (const int depth : {1, 24, 32}) {
            QByteArray format(8, '\0');
            format[0] = char(depth), format[1] = char(depth == 1 ? 1 : 32), format[2] = 32;
            b += format;
        }
        QByteArray screen(40, '\0');
        put32(screen, 0, 0x100);     // root
        put32(screen, 4, 0x101);     // colour map
        put32(screen, 8, 0xffffff);  // white
        put16(screen, 20, 1024), put16(screen, 22, 768), put16(screen, 24, 270), put16(screen, 26, 203);
        put16(screen, 28, 1), put16(screen, 30, 1);
        put32(screen, 32, 0x21);     // root visual
        screen[38] = 24, screen[39] = 1;
        QByteArray depth(8, '\0');
        depth[0] = 24;
        put16(depth, 2, 1);
        QByteArray visual(24, '\0');
        put32(visual, 0, 0x21);
        visual[4] = 4, visual[5] = 8;  // TrueColor, 8 bits
        put16(visual, 6, 256);
        put32(visual, 8, 0xff0000), put32(visual, 12, 0xff00), put32(visual, 16, 0xff);
        b += screen + depth + visual;
        put16(b, 6, quint32((b.size() - 8) / 4));
        return b;
    }

    static QByteArray reply(Answer answer) {
        switch (answer) {
        case Refuse:
            return setupRefused(0, "No protocol specified");
        case Authenticate:
            return setupRefused(2, "Kerberos ticket needed");
        case WaylandError: {
            // wl_display.error: object 1, "invalid object", the object and its message.
            const QByteArray message = padded(QByteArray("invalid object 11", 18));
            QByteArray b(16, '\0');
            put32(b, 0, 1), put32(b, 4, quint32(16 + 4 + message.size()) << 16);
            put32(b, 8, 11), put32(b, 12, 0);
            QByteArray size(4, '\0');
            put32(size, 0, 18);
            return b + size + message;
        }
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

    struct Client {
        int fd = -1;
        Answer answer = Silent;
        bool answered = false;
        QByteArray in;          // bytes not yet taken as a whole request
        quint16 sequence = 0;   // of the last request taken
        bool setUp = false;
        std::map<quint32, quint32> sizes; // each window's width and height
    };

    // The X server's answer to every whole request in `c.in`: a reply to
    // those that have one (an empty one: no atom names, properties,
    // extensions), and a window mapped shown and exposed.
    QByteArray serveX11(Client& c) {
        QByteArray out;
        if (!c.setUp) {
            if (c.in.size() < 12)
                return out;
            const int size = 12 + padded(QByteArray(int(get16(c.in, 6)), '\0')).size() +
                             padded(QByteArray(int(get16(c.in, 8)), '\0')).size();
            if (c.in.size() < size)
                return out;
            const QByteArray name = c.in.mid(12, int(get16(c.in, 6)));
            const QByteArray data = c.in.mid(12 + padded(name).size(), int(get16(c.in, 8)));
            c.in.remove(0, size);
            c.setUp = true;
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!cookie_.isEmpty() && (name != "MIT-MAGIC-COOKIE-1" || data != cookie_)) {
                c.answered = true; // and says nothing more
                return setupRefused(0, "Authorization required, but no authorization protocol specified");
            }
            return setupAccepted();
        }
        for (;;) {
            if (c.in.size() < 4)
                return out;
            qsizetype size = qsizetype(get16(c.in, 2)) * 4;
            if (size == 0 && c.in.size() >= 8)
                size = qsizetype(get32(c.in, 4)) * 4; // a big request
            if (size == 0 || c.in.size() < size)
                return out;
            const QByteArray request = c.in.left(size);
            c.in.remove(0, size);
            ++c.sequence;
            const int opcode = quint8(request[0]);
            QByteArray r(32, '\0');
            r[0] = 1;
            put16(r, 2, c.sequence);
            switch (opcode) {
            case 1: // CreateWindow: its size, for the exposure
                c.sizes[get32(request, 4)] = get16(request, 16) | get16(request, 18) << 16;
                continue;
            case 8: { // MapWindow: MapNotify and the whole window exposed
                const quint32 window = get32(request, 4);
                ++mapped_;
                QByteArray map(32, '\0');
                map[0] = 19;
                put16(map, 2, c.sequence), put32(map, 4, window), put32(map, 8, window);
                out += map + exposure(c, window);
                continue;
            }
            case 25: { // SendEvent: to this client's own windows, as Qt ends its event thread with one
                QByteArray event = request.mid(12, 32);
                event[0] = char(quint8(event[0]) | 0x80);
                put16(event, 2, c.sequence);
                out += event;
                continue;
            }
            case 16: // InternAtom: a new atom for every name
                put32(r, 8, ++atoms_);
                break;
            case 3: // GetWindowAttributes
                put32(r, 4, 3);
                r.append(12, '\0');
                break;
            case 44: // QueryKeymap
                put32(r, 4, 2);
                r.append(8, '\0');
                break;
            case 103: // GetKeyboardControl
                put32(r, 4, 5);
                r.append(20, '\0');
                break;
            case 101: // GetKeyboardMapping: one (empty) keysym per key
                r[1] = 1;
                put32(r, 4, quint32(quint8(request[5])));
                r.append(QByteArray(quint8(request[5]) * 4, '\0'));
                break;
            default:
                if (!hasReply(opcode))
                    continue;
            }
            out += r;
        }
    }
    static QByteArray exposure(const Client& c, quint32 window) {
        const auto size = c.sizes.find(window);
        QByteArray expose(32, '\0');
        expose[0] = 12;
        put16(expose, 2, c.sequence), put32(expose, 4, window);
        put16(expose, 12, size == c.sizes.end() ? 2000 : size->second & 0xffff);
        put16(expose, 14, size == c.sizes.end() ? 2000 : size->second >> 16);
        return expose;
    }
    // The core requests that have a reply.
    static bool hasReply(int opcode) {
        static const int withReply[] = {3,  14, 15, 16, 17, 20,  21,  23,  26,  31,  38,  39,  40,  43,  44, 47,
                                        48, 49, 50, 52, 73, 83, 84,  85,  86,  87,  91,  92,  97,  98,  99, 101,
                                        103, 106, 108, 110, 116, 117, 118, 119};
        return std::find(std::begin(withReply), std::end(withReply), opcode) != std::end(withReply);
    }

    void serve() {
        std::vector<Client> clients;
        bool stalled = false;
        for (;;) {
            std::vector<pollfd> fds{{stop_[0], POLLIN, 0}, {listen_, POLLIN, 0}};
            for (const Client& c : clients)
                fds.push_back({stalled ? -1 : c.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), -1) < 0)
                continue;
            if (fds[0].revents) {
                char command = 'x';
                (void)!::read(stop_[0], &command, 1);
                if (command == 'p') {
                    for (const Client& c : clients)
                        if (c.fd >= 0)
                            ::close(c.fd);
                    clients.clear();
                    stalled = false;
                    taken_ = 0;
                    mapped_ = 0;
                    firstClosedEarly_ = false;
                    replayed_ = true;
                    continue;
                }
                if (command != 's')
                    break;
                for (const Client& c : clients)
                    for (const auto& [window, size] : c.sizes) {
                        const QByteArray out = exposure(c, window);
                        if (c.fd >= 0 && c.answer == X11)
                            (void)!::send(c.fd, out.constData(), size_t(out.size()), MSG_NOSIGNAL);
                    }
                stalled = true;
                stalled_ = true;
            }
            // Clients first: a close seen in the same round as a new
            // connection came before it.
            for (size_t i = 2; i < fds.size(); ++i) {
                Client& c = clients[i - 2];
                if (!fds[i].revents || c.fd < 0)
                    continue;
                char bytes[65536];
                const ssize_t n = ::recv(c.fd, bytes, sizeof bytes, 0);
                QByteArray out;
                if (n <= 0) {
                    if (i == 2 && taken_ == 1)
                        firstClosedEarly_ = true;
                    ::close(c.fd);
                    c.fd = -1;
                } else if ((c.answer == X11 || c.answer == SetUpThenGone) && !c.answered) {
                    c.in.append(bytes, n);
                    out = serveX11(c);
                    c.answered = c.answer == SetUpThenGone && c.setUp;
                } else if (!c.answered) {
                    c.answered = true;
                    out = reply(c.answer);
                }
                for (qsizetype sent = 0; c.fd >= 0 && sent < out.size();) {
                    const ssize_t m = ::send(c.fd, out.constData() + sent, size_t(out.size() - sent), MSG_NOSIGNAL);
                    if (m <= 0)
                        break;
                    sent += m;
                }
                if ((c.answer == WaylandError || (c.answer == SetUpThenGone && c.answered)) && c.fd >= 0) {
                    ::close(c.fd);
                    c.fd = -1;
                }
            }
            if (fds[1].revents) {
                const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0)
                    continue;
                Answer answer;
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    answer = answers_[std::min(size_t(taken_), answers_.size() - 1)];
                }
                ++taken_;
                Client c;
                c.answer = answer;
                c.fd = answer == Close ? -1 : fd; // a closed one keeps its place as a connection
                c.answered = answer == Close || answer == Silent;
                if (answer == Close)
                    ::close(fd);
                clients.push_back(std::move(c));
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
    std::atomic<int> mapped_{0};
    std::atomic<bool> firstClosedEarly_{false};
    std::atomic<bool> replayed_{false};
    std::atomic<bool> stalled_{false};
    quint32 atoms_ = 100;
    std::mutex mutex_;
    QByteArray cookie_;
    std::thread thread_;
};
