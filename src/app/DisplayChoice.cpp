#include "DisplayChoice.h"

#include <QList>
#include <QStringList>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace DisplayChoice {

namespace {

// A server that takes connections more slowly than they come still exists.
bool accepted(int fd, int result) {
    const bool ok = result == 0 || errno == EAGAIN || errno == EINPROGRESS;
    ::close(fd);
    return ok;
}

// `abstract`: the name lives in the abstract namespace, not in the file system.
bool connectUnix(const QByteArray& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.isEmpty() || size_t(path.size()) + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, path.constData(), size_t(path.size()));
    const socklen_t length =
        socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(path.size()) + (abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    return accepted(fd, ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length));
}

qint64 nowMs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Each address the name resolves to, within one time limit for all of them.
bool connectTcp(const QByteArray& host, int port, int timeoutMs) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found) != 0)
        return false;
    const qint64 deadline = nowMs() + timeoutMs;
    bool ok = false;
    for (addrinfo* a = found; a && !ok && nowMs() < deadline; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            ok = true;
        } else if (errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int ready = -1;
            for (qint64 left = deadline - nowMs(); left > 0; left = deadline - nowMs()) {
                ready = ::poll(&p, 1, int(left));
                if (ready >= 0 || errno != EINTR)
                    break;
            }
            int error = 0;
            socklen_t size = sizeof error;
            ok = ready > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return ok;
}

bool allDigits(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::optional<Server> serverOf(const QByteArray& platform) {
    const int colon = platform.indexOf(':');
    const QByteArray name = (colon < 0 ? platform : platform.left(colon)).trimmed();
    if (name == "xcb")
        return Server::X11;
    if (name.startsWith("wayland"))
        return Server::Wayland;
    return std::nullopt;
}

QString unreachable(Server server, const Named& named) {
    const bool x11 = server == Server::X11;
    const QByteArray value = x11 ? named.x11 : named.wayland;
    const QString variable = x11 ? QStringLiteral("DISPLAY") : QStringLiteral("WAYLAND_DISPLAY");
    if (value.isEmpty())
        return variable + QStringLiteral(" Is Not Set");
    return variable + QLatin1Char('=') + QString::fromLocal8Bit(value) + QStringLiteral(" Cannot Be Reached");
}

} // namespace

Named fromEnvironment() {
    return Named{qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"),
                 qgetenv("XDG_RUNTIME_DIR")};
}

Choice choose(const Named& named, const Reachable& reachable) {
    QList<QByteArray> platforms;
    const bool platformNamed = !named.platform.trimmed().isEmpty();
    if (platformNamed) {
        for (const QByteArray& p : named.platform.split(';'))
            if (!p.trimmed().isEmpty())
                platforms << p.trimmed();
    } else {
        if (!named.x11.isEmpty())
            platforms << QByteArray("xcb");
        if (!named.wayland.isEmpty())
            platforms << QByteArray("wayland");
        if (platforms.isEmpty())
            return Choice{false, {}, QStringLiteral("DISPLAY And WAYLAND_DISPLAY Are Not Set")};
    }
    QList<QByteArray> kept;
    QStringList why;
    for (const QByteArray& platform : platforms) {
        const std::optional<Server> server = serverOf(platform);
        if (!server)
            return Choice{true, {}, {}};
        if (reachable(*server, named))
            kept << platform;
        else
            why << unreachable(*server, named);
    }
    why.removeDuplicates();
    if (kept.isEmpty())
        return Choice{false, {}, why.join(QStringLiteral(" And "))};
    // Qt would try the display that does not answer first, or alone.
    return Choice{true, kept.size() == platforms.size() ? QByteArray() : kept.join(';'), {}};
}

// [protocol/][host]:display[.screen]: a local socket, abstract or in
// /tmp/.X11-unix, or TCP to port 6000 + display.
bool x11Reachable(const QByteArray& display, int tcpTimeoutMs) {
    QByteArray rest = display;
    QByteArray protocol;
    const int slash = rest.lastIndexOf('/');
    if (slash >= 0) {
        protocol = rest.left(slash);
        rest = rest.mid(slash + 1);
    }
    const int colon = rest.lastIndexOf(':');
    if (colon < 0)
        return false;
    QByteArray host = rest.left(colon);
    QByteArray number = rest.mid(colon + 1);
    if (const int dot = number.indexOf('.'); dot >= 0)
        number.truncate(dot);
    if (!allDigits(number) || host.endsWith(':'))
        return false;
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.mid(1, host.size() - 2);
    if (protocol == "unix" || (protocol.isEmpty() && (host.isEmpty() || host == "unix"))) {
        const QByteArray socket = "/tmp/.X11-unix/X" + number;
        return connectUnix(socket, true) || connectUnix(socket, false);
    }
    return connectTcp(host, 6000 + number.toInt(), tcpTimeoutMs);
}

bool waylandReachable(const QByteArray& display, const QByteArray& runtimeDir) {
    const QByteArray name = display.isEmpty() ? QByteArray("wayland-0") : display;
    if (name.startsWith('/'))
        return connectUnix(name, false);
    return !runtimeDir.isEmpty() && connectUnix(runtimeDir + '/' + name, false);
}

bool reachable(Server server, const Named& named) {
    return server == Server::X11 ? x11Reachable(named.x11)
                                 : waylandReachable(named.wayland, named.runtimeDir);
}

} // namespace DisplayChoice
