#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Which display a start can use, judged before the application is built: Qt
// ends the program in its platform start when the display it is told to use
// does not answer (a DISPLAY left over from an ssh -X, tmux or screen session
// whose server is gone), before a send could say anything or send a byte.
namespace DisplayChoice {

// The variables that name a display, as the environment holds them.
struct Named {
    QByteArray platform;   // QT_QPA_PLATFORM: one platform or a ";" list
    QByteArray x11;        // DISPLAY
    QByteArray wayland;    // WAYLAND_DISPLAY
    QByteArray runtimeDir; // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lives
};
Named fromEnvironment();

enum class Server { X11, Wayland };
// True when the display accepts a connection.
using Reachable = std::function<bool(Server, const Named&)>;

struct Choice {
    bool usable = false; // a display can be used; else it is `why` that none can
    QByteArray platform; // not empty: the platforms to use instead of those named
    QString why;         // the end of "No Display To Show The Window On (...)"
};
// Only platforms that reach a display server are tried: any other platform
// that is named (offscreen, minimal, a frame buffer) is used as it is.
Choice choose(const Named& named, const Reachable& reachable);

// The probes: a connection accepted on the server's socket, then closed.
bool x11Reachable(const QByteArray& display, int tcpTimeoutMs = 3000);
bool waylandReachable(const QByteArray& display, const QByteArray& runtimeDir);
bool reachable(Server server, const Named& named);

} // namespace DisplayChoice
