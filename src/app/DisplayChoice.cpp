#include "DisplayChoice.h"

#include <QDir>
#include <QLibraryInfo>
#include <QList>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <wayland-client-core.h>
#include <xcb/xcb.h>

namespace DisplayChoice {

namespace {

using Clock = std::chrono::steady_clock;

std::optional<Server> serverOf(const QByteArray& platform) {
    const int colon = platform.indexOf(':');
    const QByteArray name = (colon < 0 ? platform : platform.left(colon)).trimmed();
    if (name == "xcb")
        return Server::X11;
    if (name.startsWith("wayland"))
        return Server::Wayland;
    return std::nullopt;
}

QString unreachable(Server server, const Named& named, const QString& why) {
    const bool x11 = server == Server::X11;
    const QByteArray value = x11 ? named.x11 : named.wayland;
    const QString variable = x11 ? QStringLiteral("DISPLAY") : QStringLiteral("WAYLAND_DISPLAY");
    if (value.isEmpty())
        return variable + QStringLiteral(" Is Not Set");
    return variable + QLatin1Char('=') + QString::fromLocal8Bit(value) + QLatin1Char(' ') +
           (why.isEmpty() ? QStringLiteral("Cannot Be Reached") : why);
}

} // namespace

Named fromEnvironment() {
    Named named{qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"),
                qgetenv("XDG_RUNTIME_DIR"), {}};
    // Where Qt itself looks: its own folder for platform plugins first,
    // then the platforms folder of each plug-in path.
    for (const QString& dir : qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH").split(QDir::listSeparator()))
        named.pluginDirs << dir;
    for (const QString& dir : qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator()))
        named.pluginDirs << dir + QStringLiteral("/platforms");
    named.pluginDirs << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    named.pluginDirs.removeAll(QStringLiteral("/platforms"));
    named.pluginDirs.removeAll(QString());
    return named;
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
        const Verdict verdict = reachable(*server, named);
        if (verdict.answers)
            kept << platform;
        else
            why << unreachable(*server, named, verdict.why);
    }
    why.removeDuplicates();
    if (kept.isEmpty())
        return Choice{false, {}, why.join(QStringLiteral(" And "))};
    // Qt would try the display that does not answer first, or alone.
    return Choice{true, kept.size() == platforms.size() ? QByteArray() : kept.join(';'), {}};
}

Connection::Connection(Connection&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), close_(other.close_) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        if (handle_)
            close_(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        close_ = other.close_;
    }
    return *this;
}

Connection::~Connection() {
    if (handle_)
        close_(handle_);
}

namespace {

// xcb_connect as Qt calls it: the display's name, its cookie from
// XAUTHORITY or ~/.Xauthority; then the set-up as Qt needs it (protocol
// 11, the screen named) and one round trip. A refusal's reason is written
// by the library to standard error, where probe() reads it.
Answer connectX11(const Named& named) {
    Answer answer;
    if (named.x11.isEmpty())
        return answer; // the library would read DISPLAY itself
    int screen = 0;
    xcb_connection_t* c = xcb_connect(named.x11.constData(), &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return answer;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const bool usable = focus && setup->protocol_major_version == 11 && screen >= 0 && screen < setup->roots_len;
    std::free(focus);
    if (!usable) {
        xcb_disconnect(c);
        return answer;
    }
    answer.connection = Connection(c, [](void* h) { xcb_disconnect(static_cast<xcb_connection_t*>(h)); });
    return answer;
}

// wl_display_connect as Qt calls it, on the socket's full path (the one
// WAYLAND_DISPLAY names in XDG_RUNTIME_DIR), and one round trip.
Answer connectWayland(const Named& named) {
    Answer answer;
    QByteArray name = named.wayland.isEmpty() ? QByteArray("wayland-0") : named.wayland;
    if (!name.startsWith('/')) {
        if (named.runtimeDir.isEmpty())
            return answer;
        name = named.runtimeDir + '/' + name;
    }
    wl_display* d = wl_display_connect(name.constData());
    if (!d)
        return answer;
    if (wl_display_roundtrip(d) < 0) {
        wl_display_disconnect(d);
        return answer;
    }
    answer.connection = Connection(d, [](void* h) { wl_display_disconnect(static_cast<wl_display*>(h)); });
    return answer;
}

Answer connectByLibrary(Server server, const Named& named) {
    return server == Server::X11 ? connectX11(named) : connectWayland(named);
}

std::mutex gConnectMutex;
Connect gConnect;

Connect currentConnect() {
    const std::lock_guard<std::mutex> lock(gConnectMutex);
    return gConnect ? gConnect : Connect(&connectByLibrary);
}

// What is written to standard error while this lives: the X library says
// a server's refusal there, and only there. One at a time.
class StderrCapture {
public:
    StderrCapture() : lock_(mutex()) {
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
        if (saved_ < 0 || ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0 || ::dup2(pipe_[1], STDERR_FILENO) < 0) {
            restore();
            return;
        }
        ::close(std::exchange(pipe_[1], -1));
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // What was written so far; standard error is the caller's again.
    QByteArray take() {
        restore();
        QByteArray text;
        char bytes[512];
        ssize_t n;
        while (pipe_[0] >= 0 && (n = ::read(pipe_[0], bytes, sizeof bytes)) > 0 && text.size() < 4096)
            text.append(bytes, n);
        return text;
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    void restore() {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(std::exchange(saved_, -1));
        }
        if (pipe_[1] >= 0)
            ::close(std::exchange(pipe_[1], -1));
    }

    std::unique_lock<std::mutex> lock_;
    int saved_ = -1;
    int pipe_[2] = {-1, -1};
};

} // namespace

Connect setConnect(Connect connect) {
    const std::lock_guard<std::mutex> lock(gConnectMutex);
    return std::exchange(gConnect, std::move(connect));
}

Answer probe(Server server, const Named& named, Deadline deadline, bool hearRefusal) {
    // The library's connect has no time limit (a name server or a display
    // that does not answer holds it for ten seconds and more, or for
    // ever): it runs on a thread of its own, left to finish alone, and to
    // close what it made, once the deadline has passed.
    struct Shared {
        std::mutex mutex;
        std::condition_variable over;
        bool done = false;
        bool abandoned = false;
        Answer answer;
    };
    const auto shared = std::make_shared<Shared>();
    std::optional<StderrCapture> capture;
    if (server == Server::X11 && hearRefusal)
        capture.emplace();
    try {
        std::thread([shared, connect = currentConnect(), server, named] {
            // A server that closes on the library's request would end the
            // program by SIGPIPE, which is sent to the thread that wrote:
            // here it is only a failed write.
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            ::pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
            Answer answer = connect(server, named);
            const std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->abandoned)
                return; // `answer` closes its connection on the way out
            shared->answer = std::move(answer);
            shared->done = true;
            shared->over.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return {};
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    if (!shared->over.wait_until(lock, deadline, [&] { return shared->done; })) {
        shared->abandoned = true;
        return {};
    }
    Answer answer = std::move(shared->answer);
    lock.unlock();
    // A reason comes padded with NULs to whole words.
    const QByteArray said = capture ? capture->take().replace('\0', ' ').simplified() : QByteArray();
    if (!answer.connection.isOpen() && !said.isEmpty()) {
        answer.refused = true;
        answer.reason = QString::fromLocal8Bit(said);
    }
    return answer;
}

bool hasPlugin(Server server, const QStringList& dirs) {
    // Qt's own names: libqxcb.so, libqwayland-generic.so, libqwayland-egl.so ...
    const QString pattern = server == Server::X11 ? QStringLiteral("libqxcb*.so") : QStringLiteral("libqwayland*.so");
    for (const QString& dir : dirs)
        if (!QDir(dir).entryList({pattern}, QDir::Files | QDir::Readable).isEmpty())
            return true;
    return false;
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
    std::vector<std::future<Answer>> probes;
    std::vector<bool> plugin;
    for (const Server server : servers) {
        // Qt cannot start on a server it has no plugin for: no need to ask it.
        plugin.push_back(hasPlugin(server, named.pluginDirs));
        probes.push_back(std::async(std::launch::async | std::launch::deferred, [server, named, deadline,
                                                                               asked = plugin.back()] {
            return asked ? probe(server, named, deadline) : Answer{};
        }));
    }
    std::vector<std::pair<Server, Verdict>> verdicts;
    for (size_t i = 0; i < servers.size(); ++i) {
        Answer answer = probes[i].get();
        QString why;
        if (!plugin[i])
            why = QStringLiteral("Cannot Be Used: Qt Has No Platform Plugin For It Here");
        else if (answer.refused)
            why = QStringLiteral("Refuses This Program") +
                  (answer.reason.isEmpty() ? QString() : QStringLiteral(": ") + answer.reason);
        verdicts.emplace_back(servers[i], Verdict(answer.connection.isOpen(), why));
        if (answer.connection.isOpen())
            held->push_back(std::move(answer.connection));
    }
    return choose(named, [&](Server server, const Named&) {
        for (const auto& [s, verdict] : verdicts)
            if (s == server)
                return verdict;
        return Verdict();
    });
}

} // namespace DisplayChoice
