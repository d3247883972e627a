#include "DisplayChoice.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace DisplayChoice {

namespace {

using Clock = std::chrono::steady_clock;

struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

// `abstract`: the name lives in the abstract namespace, not in the file system.
std::optional<Address> unixAddress(const QByteArray& path, bool abstract) {
    Address a;
    auto* address = reinterpret_cast<sockaddr_un*>(&a.storage);
    address->sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.isEmpty() || size_t(path.size()) + offset >= sizeof address->sun_path)
        return std::nullopt;
    std::memcpy(address->sun_path + offset, path.constData(), size_t(path.size()));
    a.length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(path.size()) + (abstract ? 0 : 1));
    return a;
}

std::vector<Address> addressesOf(const addrinfo* list) {
    std::vector<Address> out;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        Address address;
        std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
        address.length = a->ai_addrlen;
        out.push_back(address);
    }
    return out;
}

// getaddrinfo has no time limit of its own (a name server that does not
// answer holds it for ten seconds and more): a name runs on a thread of its
// own, left to finish alone once the deadline has passed.
std::vector<Address> lookUp(const QByteArray& host, int port, Deadline deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    const QByteArray service = QByteArray::number(port);
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.constData(), service.constData(), &hints, &found) == 0) {
        std::vector<Address> out = addressesOf(found);
        ::freeaddrinfo(found);
        return out;
    }
    hints.ai_flags = 0;
    struct Lookup {
        std::mutex mutex;
        std::condition_variable over;
        bool done = false;
        std::vector<Address> found;
    };
    const auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host, service, hints] {
            addrinfo* list = nullptr;
            std::vector<Address> addresses;
            if (::getaddrinfo(host.constData(), service.constData(), &hints, &list) == 0) {
                addresses = addressesOf(list);
                ::freeaddrinfo(list);
            }
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->found = std::move(addresses);
            lookup->done = true;
            lookup->over.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return {};
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->over.wait_until(lock, deadline, [&] { return lookup->done; }))
        return {};
    return lookup->found;
}

// Waits until `fd` is ready for `events` (or has failed); false once the deadline passed.
bool await(int fd, short events, Deadline deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, int(std::min<decltype(left)>(left, 60000)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

// A connection to `address` made by the deadline.
Connection connectBy(const Address& address, Deadline deadline) {
    for (;;) {
        Connection c(::socket(address.get()->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!c.isOpen())
            return {};
        if (::connect(c.fd(), address.get(), address.length) == 0)
            return c;
        if (errno == EINPROGRESS || errno == EINTR) {
            int error = 0;
            socklen_t size = sizeof error;
            if (await(c.fd(), POLLOUT, deadline) &&
                ::getsockopt(c.fd(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
                return c;
            return {};
        }
        // A local server whose queue is full may take the next try.
        if (errno != EAGAIN || Clock::now() + std::chrono::milliseconds(10) >= deadline)
            return {};
        ::usleep(10000);
    }
}

// Sends `request` and reads `size` bytes of answer by the deadline; false
// on a close, an error or silence.
bool exchange(const Connection& c, const QByteArray& request, int size, QByteArray* answer,
              Deadline deadline) {
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t n =
            ::send(c.fd(), request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if (n < 0 && (errno == EAGAIN || errno == EINTR) && await(c.fd(), POLLOUT, deadline))
            continue;
        else
            return false;
    }
    answer->clear();
    char bytes[64];
    while (answer->size() < size) {
        const ssize_t n =
            ::recv(c.fd(), bytes, size_t(std::min<qsizetype>(size - answer->size(), sizeof bytes)), 0);
        if (n > 0)
            answer->append(bytes, n);
        else if (n < 0 && (errno == EAGAIN || errno == EINTR) && await(c.fd(), POLLIN, deadline))
            continue;
        else
            return false;
    }
    return true;
}

// The first of `addresses` that answers `request` as `answers` accepts.
Connection firstAnswering(const std::vector<Address>& addresses, const QByteArray& request, int size,
                          bool (*answers)(const QByteArray&), Deadline deadline) {
    for (const Address& address : addresses) {
        Connection c = connectBy(address, deadline);
        QByteArray answer;
        if (c.isOpen() && exchange(c, request, size, &answer, deadline) && answers(answer))
            return c;
        if (Clock::now() >= deadline)
            break;
    }
    return {};
}

quint32 word(const QByteArray& bytes, int at) {
    quint32 w = 0;
    std::memcpy(&w, bytes.constData() + at, sizeof w);
    return w;
}

// The set-up request in little-endian order ('l'), protocol 11.0, no authorization.
const QByteArray kX11Setup("l\0\x0b\0\0\0\0\0\0\0\0\0", 12);

// Failed (0), Success (1) or Authenticate (2); the first two name the
// protocol's major version, 11, in the order asked for.
bool isX11Answer(const QByteArray& answer) {
    const auto status = quint8(answer[0]);
    if (status > 2)
        return false;
    return status == 2 || (quint8(answer[2]) == 11 && answer[3] == 0);
}

// wl_display.sync (object 1, request 0) with the callback as object 2, in
// the machine's own byte order, as Wayland speaks.
QByteArray waylandSync() {
    const quint32 words[] = {1, (12u << 16) | 0u, 2};
    return QByteArray(reinterpret_cast<const char*>(words), sizeof words);
}

// An event's header: the callback's done, or the display's error or
// delete_id, of a size a Wayland message can have.
bool isWaylandAnswer(const QByteArray& answer) {
    const quint32 object = word(answer, 0);
    const quint32 size = word(answer, 4) >> 16;
    return (object == 1 || object == 2) && size >= 8 && size <= 4096 && size % 4 == 0;
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

Connection::Connection(Connection&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Connection::~Connection() {
    if (fd_ >= 0)
        ::close(fd_);
}

namespace {

// [protocol/][host]:display[.screen]: a local socket, abstract or in the
// socket folder, or TCP to port 6000 + display.
Connection probeX11(const Named& named, Deadline deadline) {
    QByteArray rest = named.x11;
    QByteArray protocol;
    const int slash = rest.lastIndexOf('/');
    if (slash >= 0) {
        protocol = rest.left(slash);
        rest = rest.mid(slash + 1);
    }
    const int colon = rest.lastIndexOf(':');
    if (colon < 0)
        return {};
    QByteArray host = rest.left(colon);
    QByteArray number = rest.mid(colon + 1);
    if (const int dot = number.indexOf('.'); dot >= 0)
        number.truncate(dot);
    if (!allDigits(number) || host.endsWith(':'))
        return {};
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.mid(1, host.size() - 2);
    std::vector<Address> addresses;
    if (protocol == "unix" || (protocol.isEmpty() && (host.isEmpty() || host == "unix"))) {
        const QByteArray socket = named.x11Sockets + "/X" + number;
        for (const bool abstract : {true, false})
            if (const std::optional<Address> a = unixAddress(socket, abstract))
                addresses.push_back(*a);
    } else {
        addresses = lookUp(host, 6000 + number.toInt(), deadline);
    }
    return firstAnswering(addresses, kX11Setup, 8, isX11Answer, deadline);
}

Connection probeWayland(const Named& named, Deadline deadline) {
    const QByteArray name = named.wayland.isEmpty() ? QByteArray("wayland-0") : named.wayland;
    if (!name.startsWith('/') && named.runtimeDir.isEmpty())
        return {};
    const std::optional<Address> a =
        unixAddress(name.startsWith('/') ? name : named.runtimeDir + '/' + name, false);
    if (!a)
        return {};
    return firstAnswering({*a}, waylandSync(), 8, isWaylandAnswer, deadline);
}

} // namespace

Connection probe(Server server, const Named& named, Deadline deadline) {
    return server == Server::X11 ? probeX11(named, deadline) : probeWayland(named, deadline);
}

Choice check(const Named& named, std::vector<Connection>* held, int ms) {
    const Deadline deadline = Clock::now() + std::chrono::milliseconds(ms);
    // Those choose() asks about, each probed on its own, all at once: one
    // that never answers leaves the others their time.
    std::vector<Server> servers;
    choose(named, [&](Server server, const Named&) {
        if (std::find(servers.cbegin(), servers.cend(), server) == servers.cend())
            servers.push_back(server);
        return false;
    });
    std::vector<std::future<Connection>> probes;
    for (const Server server : servers)
        probes.push_back(std::async(std::launch::async | std::launch::deferred,
                                    [server, named, deadline] { return probe(server, named, deadline); }));
    std::vector<Server> answered;
    for (size_t i = 0; i < servers.size(); ++i) {
        Connection c = probes[i].get();
        if (!c.isOpen())
            continue;
        answered.push_back(servers[i]);
        held->push_back(std::move(c));
    }
    return choose(named, [&](Server server, const Named&) {
        return std::find(answered.cbegin(), answered.cend(), server) != answered.cend();
    });
}

} // namespace DisplayChoice
