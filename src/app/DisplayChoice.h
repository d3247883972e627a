#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <vector>

// Which display a start can use, judged before the application is built: Qt
// ends the program in its platform start when the display it is told to use
// does not answer (a DISPLAY left over from an ssh -X, tmux or screen session
// whose server is gone) or refuses it (no cookie for it), before a send could
// say anything or send a byte.
namespace DisplayChoice {

// The variables that name a display, as the environment holds them.
struct Named {
    QByteArray platform;    // QT_QPA_PLATFORM: one platform or a ";" list
    QByteArray x11;         // DISPLAY
    QByteArray wayland;     // WAYLAND_DISPLAY
    QByteArray runtimeDir;  // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lives
    QStringList pluginDirs; // where Qt looks for its platform plugins
};
Named fromEnvironment();

enum class Server { X11, Wayland };

// What became of a server that was asked: it answered, or `why` it cannot
// be used, the end of "DISPLAY=:0 ..." (empty: it cannot be reached).
struct Verdict {
    Verdict(bool answers = false, QString why = QString()) : answers(answers), why(std::move(why)) {}
    bool answers;
    QString why;
};
using Reachable = std::function<Verdict(Server, const Named&)>;

struct Choice {
    bool usable = false; // a display can be used; else it is `why` that none can
    QByteArray platform; // not empty: the platforms to use instead of those named
    QString why;         // the end of "No Display To Show The Window On (...)"
};
// Only platforms that reach a display server are tried: any other platform
// that is named (offscreen, minimal, a frame buffer) is used as it is.
Choice choose(const Named& named, const Reachable& reachable);

// A connection to a display server made by its own library, closed when this goes.
class Connection {
public:
    Connection() = default;
    Connection(void* handle, void (*close)(void*)) : handle_(handle), close_(close) {}
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    ~Connection();
    bool isOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    void (*close_)(void*) = nullptr;
};

// A server's answer to this program.
struct Answer {
    Connection connection; // open: it took this program and answered one round trip
    bool refused = false;  // it answered, and refused this program
    QString reason;        // the server's own words for a refusal
};

using Deadline = std::chrono::steady_clock::time_point;
// How long the check of a start may take, the name lookup included.
constexpr int kCheckMs = 2000;

// Connects as Qt's own connection will, through the display's library with
// the display's credentials (the X cookie), name lookup included, and makes
// one round trip. It may block for ever (a name server or a display that
// never answers): probe() runs it where the deadline can leave it.
using Connect = std::function<Answer(Server, const Named&)>;
// The one in use until the next call; an empty one puts the library's back.
// Returns the one it replaced.
Connect setConnect(Connect connect);

// The server's answer by `deadline`; none when it has not answered by then.
// Hearing an X server's refusal takes over standard error while it connects:
// a check while the program runs (`hearRefusal` false) leaves it alone.
Answer probe(Server server, const Named& named, Deadline deadline, bool hearRefusal = true);

// True when a platform plugin of Qt's for `server` lies in one of `dirs`.
bool hasPlugin(Server server, const QStringList& dirs);

// The check of a start: every server choose() asks about and Qt has a
// plugin for is probed at once, within one deadline of `ms`. The
// connections of those that answered go to `held`: an X server whose last
// client leaves resets, so the check's own connection is closed only once
// Qt has its own.
Choice check(const Named& named, std::vector<Connection>* held, int ms = kCheckMs);

} // namespace DisplayChoice
