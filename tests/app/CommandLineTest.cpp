#include "CommandLine.h"
#include "DisplayChoice.h"
#include "FakeDisplay.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
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

// Each display as its server answers the start of its protocol: only an
// answer of that protocol counts, by the deadline.
TEST(DisplayChoice, ProbesTheServersProtocol) {
    using A = FakeDisplay::Answer;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.path());
    // Local X servers listen in `path`: 5 by its socket file only, 6 by its
    // abstract name only; one on TCP at a display number nobody uses.
    const FakeDisplay file(path + "/X5", {A::X11}), abstract("@" + path + "/X6", {A::X11});
    const FakeDisplay closes(path + "/X7", {A::Close}), silent(path + "/X8", {A::Silent}),
        garbage(path + "/X9", {A::Garbage});
    const FakeDisplay wayland(path + "/wayland-7", {A::Wayland}), wayland0(path + "/wayland-0", {A::Wayland}),
        waylandSilent(path + "/wayland-8", {A::Silent}), xAtWayland(path + "/wayland-9", {A::X11});
    std::unique_ptr<FakeDisplay> tcp;
    int t = 150;
    for (; t < 250 && !(tcp = std::make_unique<FakeDisplay>(6000 + t, std::vector<A>{A::X11}))->ok(); ++t) {
    }
    ASSERT_TRUE(file.ok() && abstract.ok() && wayland.ok() && wayland0.ok() && tcp->ok());
    const QByteArray n = QByteArray::number(t);
    const struct {
        DisplayChoice::Server server;
        QByteArray display;
        QByteArray runtimeDir;
        bool answers;
    } rows[] = {
        {DisplayChoice::Server::X11, ":5", "", true},
        {DisplayChoice::Server::X11, ":5.0", "", true},
        {DisplayChoice::Server::X11, "unix:5", "", true},
        {DisplayChoice::Server::X11, "unix/:5.1", "", true},
        {DisplayChoice::Server::X11, ":6", "", true},
        {DisplayChoice::Server::X11, "127.0.0.1:" + n, "", true},
        {DisplayChoice::Server::X11, "tcp/127.0.0.1:" + n + ".0", "", true},
        {DisplayChoice::Server::X11, "localhost:" + n, "", true}, // a name to look up
        {DisplayChoice::Server::X11, ":7", "", false},
        {DisplayChoice::Server::X11, ":8", "", false},
        {DisplayChoice::Server::X11, ":9", "", false},
        {DisplayChoice::Server::X11, ":10", "", false},
        // The X library here takes no socket's path for a display: Qt
        // would end the program on it.
        {DisplayChoice::Server::X11, path + "/X5", "", false},
        {DisplayChoice::Server::X11, "", "", false},
        {DisplayChoice::Server::X11, "localhost", "", false},
        {DisplayChoice::Server::X11, ":x", "", false},
        {DisplayChoice::Server::X11, ":", "", false},
        {DisplayChoice::Server::Wayland, "wayland-7", path, true},
        {DisplayChoice::Server::Wayland, path + "/wayland-7", "", true},
        {DisplayChoice::Server::Wayland, "", path, true}, // set but empty: wayland-0, as Qt reads it
        {DisplayChoice::Server::Wayland, "wayland-8", path, false},
        {DisplayChoice::Server::Wayland, "wayland-9", path, false},
        {DisplayChoice::Server::Wayland, "wayland-10", path, false},
        {DisplayChoice::Server::Wayland, "wayland-7", "", false},
    };
    for (const auto& r : rows) {
        DisplayChoice::Named named;
        (r.server == DisplayChoice::Server::X11 ? named.x11 : named.wayland) = r.display;
        named.runtimeDir = r.runtimeDir;
        named.x11Sockets = path;
        // One that answers does so at once; one that does not is not waited for long.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(r.answers ? 30000 : 300);
        EXPECT_EQ(DisplayChoice::probe(r.server, named, deadline).isOpen(), r.answers)
            << r.display.constData();
    }
    tcp.reset();
    const auto soon = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    DisplayChoice::Named gone;
    gone.x11 = "127.0.0.1:" + n;
    EXPECT_FALSE(DisplayChoice::probe(DisplayChoice::Server::X11, gone, soon).isOpen());

    // Both named, the X server silent: the compositor still answers within
    // the one deadline, and its connection is kept.
    DisplayChoice::Named both{"", ":8", "wayland-7", path, path};
    std::vector<DisplayChoice::Connection> held;
    const DisplayChoice::Choice c = DisplayChoice::check(both, &held, 3000);
    EXPECT_TRUE(c.usable);
    EXPECT_EQ(c.platform.toStdString(), "wayland");
    EXPECT_EQ(held.size(), 1u);
}

} // namespace
