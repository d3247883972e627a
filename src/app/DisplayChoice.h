#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <vector>

// Which display a start can use, judged before the application is built: Qt
// ends the program in its platform start when the display it is told to use
// does not answer (a DISPLAY left over from an ssh -X, tmux or screen session
// whose server is gone), before a send could say anything or send a byte.
namespace DisplayChoice {

// The variables that name a display, as the environment holds them.
struct Named {
    QByteArray platform;                      // QT_QPA_PLATFORM: one platform or a ";" list
    QByteArray x11;                           // DISPLAY
    QByteArray wayland;                       // WAYLAND_DISPLAY
    QByteArray runtimeDir;                    // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lives
    QByteArray x11Sockets = "/tmp/.X11-unix"; // where local X servers listen
};
Named fromEnvironment();

enum class Server { X11, Wayland };
// True when the display answers.
using Reachable = std::function<bool(Server, const Named&)>;

struct Choice {
    bool usable = false; // a display can be used; else it is `why` that none can
    QByteArray platform; // not empty: the platforms to use instead of those named
    QString why;         // the end of "No Display To Show The Window On (...)"
};
// Only platforms that reach a display server are tried: any other platform
// that is named (offscreen, minimal, a frame buffer) is used as it is.
Choice choose(const Named& named, const Reachable& reachable);

// A connection to a display server, closed when this goes.
class Connection {
public:
    Connection() = default;
    explicit Connection(int fd) : fd_(fd) {}
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    ~Connection();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

using Deadline = std::chrono::steady_clock::time_point;
// How long the check of a start may take, the name lookup included.
constexpr int kCheckMs = 2000;

// Speaks the start of the server's own protocol and reads its answer by
// `deadline`, the name lookup included: X the connection set-up (any
// answer, refusal included, proves a server), Wayland one round trip.
// Open only when the server answered as such a server does.
Connection probe(Server server, const Named& named, Deadline deadline);

// The check of a start: every server choose() asks about is probed at once,
// within one deadline of `ms`. The connections of those that answered go
// to `held`: an X server whose last client leaves resets, so the check's
// own connection is closed only once Qt has its own.
Choice check(const Named& named, std::vector<Connection>* held, int ms = kCheckMs);

} // namespace DisplayChoice
