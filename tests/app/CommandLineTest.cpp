#include "CommandLine.h"
#include "DisplayChoice.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

using CommandLine::Kind;

namespace {

struct Row {
    const char* line;
    Kind kind;
    int machine;
    const char* path;
    const char* error; // part of the message for Invalid
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << '"' << r.line << '"';
}

class CommandLineTable : public ::testing::TestWithParam<Row> {};

TEST_P(CommandLineTable, ParsesAsExpected) {
    const Row& r = GetParam();
    const CommandLine::Parsed p = CommandLine::parse(QString::fromUtf8(r.line));
    EXPECT_EQ(int(p.kind), int(r.kind));
    EXPECT_EQ(p.machine, r.machine);
    EXPECT_EQ(p.path.toStdString(), std::string(r.path));
    if (r.kind == Kind::Invalid || r.kind == Kind::OtherDirection)
        EXPECT_NE(p.error.indexOf(QString::fromUtf8(r.error)), -1) << p.error.toStdString();
    else
        EXPECT_TRUE(p.error.isEmpty());
}

const Row kRows[] = {
    // No command line at all.
    {"", Kind::Empty, 0, "", ""},
    {"   ", Kind::Empty, 0, "", ""},
    // The path form, with or without quotes; every double quote goes.
    {"/home/cnc/part.nc", Kind::OpenPath, 0, "/home/cnc/part.nc", ""},
    {"\"/home/cnc/my part.nc\"", Kind::OpenPath, 0, "/home/cnc/my part.nc", ""},
    {"\"/home/cnc/a\"b.nc\"", Kind::OpenPath, 0, "/home/cnc/ab.nc", ""},
    // Too few fields.
    {"a?3", Kind::Invalid, 0, "", "Invalid Command String Received - No Direction"},
    {"a?3?S", Kind::Invalid, 0, "", "Invalid Command String Received - No File"},
    // The four-field form; the first field is never read and may be empty.
    {"?3?S?/nc/p1.nc", Kind::Send, 3, "/nc/p1.nc", ""},
    {"anything?64?S?/nc/p1.nc", Kind::Send, 64, "/nc/p1.nc", ""},
    {"x?1?O?/nc/p1.nc", Kind::Open, 1, "/nc/p1.nc", ""},
    {"?07?S?/nc/p1.nc", Kind::Send, 7, "/nc/p1.nc", ""},
    // Everything after the third "?" is the file, "?" and quotes included.
    {"?3?S?/nc/what?.nc", Kind::Send, 3, "/nc/what?.nc", ""},
    {"?3?S?\"/nc/q.nc\"", Kind::Send, 3, "\"/nc/q.nc\"", ""},
    // Machine numbers that name no machine send nothing.
    {"?0?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"0\""},
    {"?65?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"65\""},
    {"?12 ?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"12 \""},
    {"?x?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"x\""},
    {"?3.0?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"3.0\""},
    {"??S?/nc/p1.nc", Kind::Invalid, 0, "", "\"\""},
    {"?99999999999?S?/nc/p1.nc", Kind::Invalid, 0, "", "Is Not A Number From 1 To 64"},
    // Only an upper-case S or O is a direction.
    {"?3?s?/nc/p1.nc", Kind::OtherDirection, 0, "", "Direction \"s\""},
    {"?3?\?/nc/p1.nc", Kind::OtherDirection, 0, "", "Direction \"\""},
    {"?3?SO?/nc/p1.nc", Kind::OtherDirection, 0, "", "Direction \"SO\""},
    // An empty file field.
    {"?3?S?", Kind::Invalid, 0, "", "No File"},
    {"???", Kind::Invalid, 0, "", "CNC Number"},
};

INSTANTIATE_TEST_SUITE_P(Examples, CommandLineTable, ::testing::ValuesIn(kRows));

TEST(CommandLineArguments, JoinsTheArgumentsAfterTheProgramName) {
    EXPECT_EQ(CommandLine::fromArguments({"feedline"}), QString());
    EXPECT_EQ(CommandLine::fromArguments({"feedline", "/nc/my", "part.nc"}), QString("/nc/my part.nc"));
    EXPECT_EQ(int(CommandLine::parse(CommandLine::fromArguments({"feedline", "?2?S?/nc/a b.nc"})).kind),
              int(Kind::Send));
}

// Which display a start uses, as the variables name them and their
// servers answer.
struct DisplayRow {
    const char* platform;
    const char* x11;
    const char* wayland;
    bool x11Answers, waylandAnswers;
    bool usable;
    const char* platformSet; // QT_QPA_PLATFORM set in its place
    const char* why;
};

TEST(DisplayChoice, UsesOnlyADisplayThatAnswers) {
    const DisplayRow rows[] = {
        {"", "", "", true, true, false, "", "DISPLAY And WAYLAND_DISPLAY Are Not Set"},
        {"", ":0", "", true, false, true, "", ""},
        {"", "", "wayland-1", false, true, true, "", ""},
        {"", ":99", "", false, false, false, "", "DISPLAY=:99 Cannot Be Reached"},
        {"", "", "wl-9", false, false, false, "", "WAYLAND_DISPLAY=wl-9 Cannot Be Reached"},
        {"", ":99", "wl-9", false, false, false, "",
         "DISPLAY=:99 Cannot Be Reached And WAYLAND_DISPLAY=wl-9 Cannot Be Reached"},
        {"", ":99", "wayland-1", false, true, true, "wayland", ""},
        {"", ":0", "wl-9", true, false, true, "xcb", ""},
        // A platform that needs no server is used as named.
        {"offscreen", ":99", "", false, false, true, "", ""},
        {"minimal", "", "", false, false, true, "", ""},
        {"xcb", "", "", false, true, false, "", "DISPLAY Is Not Set"},
        {"xcb", ":99", "wayland-1", false, true, false, "", "DISPLAY=:99 Cannot Be Reached"},
        {"xcb:nograb", ":0", "", true, false, true, "", ""},
        {"wayland;xcb", ":0", "wl-9", true, false, true, "xcb", ""},
    };
    for (const DisplayRow& r : rows) {
        const DisplayChoice::Named named{r.platform, r.x11, r.wayland, "/run/user/1000"};
        const DisplayChoice::Choice c =
            DisplayChoice::choose(named, [&](DisplayChoice::Server server, const DisplayChoice::Named&) {
                return server == DisplayChoice::Server::X11 ? r.x11Answers : r.waylandAnswers;
            });
        const std::string row = std::string(r.platform) + "|" + r.x11 + "|" + r.wayland;
        EXPECT_EQ(c.usable, r.usable) << row;
        EXPECT_EQ(c.platform.toStdString(), r.platformSet) << row;
        EXPECT_EQ(c.why.toStdString(), r.why) << row;
    }
}

// A listening socket, as a display server's.
class Listener {
public:
    // A Unix socket at `path` (a leading "@": in the abstract namespace).
    explicit Listener(const QByteArray& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const bool abstract = path.startsWith('@');
        std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
        if (abstract)
            a.sun_path[0] = '\0';
        const socklen_t size =
            socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()) + (abstract ? 0 : 1));
        ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), size) == 0 && ::listen(fd_, 4) == 0;
    }
    // TCP on the loopback address.
    explicit Listener(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(quint16(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 4) == 0;
    }
    ~Listener() { ::close(fd_); }
    bool ok() const { return ok_; }

private:
    int fd_ = -1;
    bool ok_ = false;
};

TEST(DisplayChoice, ProbesTheServersSocket) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.path());
    // Display numbers that no server here uses: local and over TCP.
    int local = 0, tcp = 0;
    std::unique_ptr<Listener> x11, x11Tcp;
    for (int n = 7300; n < 7400 && !local; ++n)
        if (!QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)) &&
            (x11 = std::make_unique<Listener>("@/tmp/.X11-unix/X" + QByteArray::number(n)))->ok())
            local = n;
    for (int n = 150; n < 250 && !tcp; ++n)
        if ((x11Tcp = std::make_unique<Listener>(6000 + n))->ok())
            tcp = n;
    ASSERT_TRUE(local && tcp);
    // The X library here takes no socket's path for a display: Qt would end
    // the program on it.
    const Listener byPath(path + "/X0");
    const Listener wayland(path + "/wayland-7");
    ASSERT_TRUE(byPath.ok() && wayland.ok());
    const QByteArray n = QByteArray::number(local), t = QByteArray::number(tcp);
    const struct {
        QByteArray display;
        bool answers;
    } x11Rows[] = {
        {":" + n, true},
        {":" + n + ".0", true},
        {"unix:" + n, true},
        {"unix/:" + n + ".1", true},
        {"127.0.0.1:" + t, true},
        {"tcp/127.0.0.1:" + t + ".0", true},
        {path + "/X0", false},
        {":" + QByteArray::number(local + 1), false},
        {"", false},
        {"localhost", false},
        {":x", false},
        {":", false},
    };
    for (const auto& r : x11Rows)
        EXPECT_EQ(DisplayChoice::x11Reachable(r.display), r.answers) << r.display.constData();
    x11Tcp.reset();
    x11.reset();
    EXPECT_FALSE(DisplayChoice::x11Reachable("127.0.0.1:" + t));
    EXPECT_FALSE(DisplayChoice::x11Reachable(":" + n));

    EXPECT_TRUE(DisplayChoice::waylandReachable("wayland-7", path));
    EXPECT_TRUE(DisplayChoice::waylandReachable(path + "/wayland-7", ""));
    EXPECT_FALSE(DisplayChoice::waylandReachable("wayland-8", path));
    EXPECT_FALSE(DisplayChoice::waylandReachable("wayland-7", ""));
    EXPECT_FALSE(DisplayChoice::waylandReachable("", path)); // wayland-0
}

} // namespace
