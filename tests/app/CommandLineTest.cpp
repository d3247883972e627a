#include "CommandLine.h"
#include "DisplayChoice.h"
#include "FakeDisplay.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
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
        const DisplayChoice::Named named{r.platform, r.x11, r.wayland, "/run/user/1000", {}};
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

// Each display as its server answers a connection made through its own
// library, with the display's credentials: only a server that takes this
// program and answers one round trip counts, by the deadline. One that
// refuses it (no cookie, or "authenticate", which Qt's connection takes as
// a refusal too) says why; an answer in another protocol is no answer.
TEST(DisplayChoice, ConnectsAsQtWill) {
    using A = FakeDisplay::Answer;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.path());
    int x = 0, refuses = 0, authenticates = 0, waylandError = 0, closes = 0, silent = 0, garbage = 0, cookie = 0,
        setUpThenGone = 0;
    const auto server = FakeDisplay::onFreeNumber({A::X11}, &x);
    const auto refusing = FakeDisplay::onFreeNumber({A::Refuse}, &refuses, x + 1);
    const auto authenticating = FakeDisplay::onFreeNumber({A::Authenticate}, &authenticates, refuses + 1);
    const auto compositor = FakeDisplay::onFreeNumber({A::WaylandError}, &waylandError, authenticates + 1);
    const auto closing = FakeDisplay::onFreeNumber({A::Close}, &closes, waylandError + 1);
    const auto quiet = FakeDisplay::onFreeNumber({A::Silent}, &silent, closes + 1);
    const auto other = FakeDisplay::onFreeNumber({A::Garbage}, &garbage, silent + 1);
    const auto locked = FakeDisplay::onFreeNumber({A::X11}, &cookie, garbage + 1);
    const auto goneAfterSetUp = FakeDisplay::onFreeNumber({A::SetUpThenGone}, &setUpThenGone, cookie + 1);
    ASSERT_TRUE(server && refusing && authenticating && compositor && closing && quiet && other && locked &&
                goneAfterSetUp);
    locked->requireCookie("0123456789abcdef");
    const QString authority = dir.filePath(QStringLiteral("authority"));
    QFile file(authority);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(FakeDisplay::authority(cookie, "0123456789abcdef"));
    file.close();
    const FakeDisplay wayland(path + "/wayland-7", {A::Wayland}), wayland0(path + "/wayland-0", {A::Wayland}),
        waylandSilent(path + "/wayland-8", {A::Silent}), xAtWayland(path + "/wayland-9", {A::Refuse});
    std::unique_ptr<FakeDisplay> tcp;
    int t = 150;
    for (; t < 250 && !(tcp = std::make_unique<FakeDisplay>(6000 + t, std::vector<A>{A::X11}))->ok(); ++t) {
    }
    ASSERT_TRUE(wayland.ok() && wayland0.ok() && tcp->ok());
    const QByteArray n = QByteArray::number(t);
    auto local = [](int number, const char* rest = "") { return ":" + QByteArray::number(number) + rest; };
    const QByteArray noFile = QFile::encodeName(dir.filePath(QStringLiteral("none")));
    const struct {
        DisplayChoice::Server server;
        QByteArray display;
        QByteArray runtimeDir;
        bool answers;
        const char* refusal = nullptr; // the reason of a server that refuses
        QByteArray xauthority = {};
    } rows[] = {
        {DisplayChoice::Server::X11, local(x), "", true},
        {DisplayChoice::Server::X11, local(x, ".0"), "", true},
        {DisplayChoice::Server::X11, "unix" + local(x), "", true},
        {DisplayChoice::Server::X11, "unix/" + local(x, ".0"), "", true},
        {DisplayChoice::Server::X11, local(x, ".1"), "", false}, // a screen it does not have
        {DisplayChoice::Server::X11, "127.0.0.1:" + n, "", true},
        {DisplayChoice::Server::X11, "tcp/127.0.0.1:" + n + ".0", "", true},
        {DisplayChoice::Server::X11, "localhost:" + n, "", true}, // a name to look up
        {DisplayChoice::Server::X11, local(refuses), "", false, "No protocol specified"},
        {DisplayChoice::Server::X11, local(authenticates), "", false, "Kerberos ticket needed"},
        {DisplayChoice::Server::X11, local(waylandError), "", false},
        {DisplayChoice::Server::X11, local(closes), "", false},
        {DisplayChoice::Server::X11, local(silent), "", false},
        {DisplayChoice::Server::X11, local(garbage), "", false},
        {DisplayChoice::Server::X11, local(setUpThenGone), "", false}, // no round trip answered
        {DisplayChoice::Server::X11, local(cookie), "", true, nullptr, QFile::encodeName(authority)},
        {DisplayChoice::Server::X11, local(cookie), "", false,
         "Authorization required, but no authorization protocol specified", noFile},
        // The X library here takes no socket's path for a display: Qt
        // would end the program on it.
        {DisplayChoice::Server::X11, "/tmp/.X11-unix/X" + QByteArray::number(x), "", false},
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
    const QByteArray xauthorityBefore = qgetenv("XAUTHORITY");
    for (const auto& r : rows) {
        DisplayChoice::Named named;
        (r.server == DisplayChoice::Server::X11 ? named.x11 : named.wayland) = r.display;
        named.runtimeDir = r.runtimeDir;
        qputenv("XAUTHORITY", r.xauthority.isEmpty() ? noFile : r.xauthority);
        // One that answers does so at once; one that does not is not waited for long.
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(r.answers || r.refusal ? 30000 : 300);
        const DisplayChoice::Answer a = DisplayChoice::probe(r.server, named, deadline);
        EXPECT_EQ(a.connection.isOpen(), r.answers) << r.display.constData();
        EXPECT_EQ(a.refused, r.refusal != nullptr) << r.display.constData();
        EXPECT_EQ(a.reason.toStdString(), r.refusal ? r.refusal : "") << r.display.constData();
    }
    qputenv("XAUTHORITY", xauthorityBefore);
    tcp.reset();
    const auto soon = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    DisplayChoice::Named gone;
    gone.x11 = "127.0.0.1:" + n;
    EXPECT_FALSE(DisplayChoice::probe(DisplayChoice::Server::X11, gone, soon).connection.isOpen());

    // What a start makes of them, Qt's plugins in `path`: both named, the
    // X server silent, the compositor still answers within the one
    // deadline, and its connection is kept; one that refuses this program
    // says so with its reason; one Qt has no plugin for is not used.
    QFile(dir.filePath(QStringLiteral("libqxcb.so"))).open(QIODevice::WriteOnly);
    QFile(dir.filePath(QStringLiteral("libqwayland-generic.so"))).open(QIODevice::WriteOnly);
    const QStringList plugins{dir.path()};
    const struct {
        QByteArray x11, wayland;
        QStringList pluginDirs;
        bool usable;
        const char* platform;
        QByteArray why;
        size_t held;
    } checks[] = {
        {local(silent), "wayland-7", plugins, true, "wayland", "", 1},
        {local(x), "wayland-7", plugins, true, "", "", 2},
        {local(refuses), "", plugins, false, "", "DISPLAY=" + local(refuses) + " Refuses This Program: No protocol specified", 0},
        {local(x), "wayland-7", {path + "/none"}, false, "",
         "DISPLAY=" + local(x) + " Cannot Be Used: Qt Has No Platform Plugin For It Here And WAYLAND_DISPLAY=wayland-7 "
         "Cannot Be Used: Qt Has No Platform Plugin For It Here", 0},
    };
    for (const auto& c : checks) {
        DisplayChoice::Named named{"", c.x11, c.wayland, path, c.pluginDirs};
        std::vector<DisplayChoice::Connection> held;
        const DisplayChoice::Choice choice = DisplayChoice::check(named, &held, 3000);
        EXPECT_EQ(choice.usable, c.usable) << c.x11.constData();
        EXPECT_EQ(choice.platform.toStdString(), c.platform) << c.x11.constData();
        EXPECT_EQ(choice.why.toStdString(), c.why.toStdString()) << c.x11.constData();
        EXPECT_EQ(held.size(), c.held) << c.x11.constData();
    }
}

// Qt's own plug-in paths are where the check looks for its platform
// plug-ins too: a plug-in found only there still counts.
TEST(DisplayChoice, LooksForPluginsWhereQtLooks) {
    for (const char* variable : {"QT_QPA_PLATFORM_PLUGIN_PATH", "QT_PLUGIN_PATH"}) {
        QTemporaryDir qt;
        ASSERT_TRUE(qt.isValid() && QDir(qt.path()).mkpath(QStringLiteral("platforms")));
        const bool platformPath = std::strcmp(variable, "QT_QPA_PLATFORM_PLUGIN_PATH") == 0;
        const QString plugins = platformPath ? qt.filePath(QStringLiteral("platforms")) : qt.path();
        QFile(plugins + (platformPath ? "" : "/platforms") + "/libqwayland-generic.so").open(QIODevice::WriteOnly);
        const QByteArray before = qgetenv(variable);
        qputenv(variable, QFile::encodeName(plugins));
        const DisplayChoice::Named named = DisplayChoice::fromEnvironment();
        before.isNull() ? qunsetenv(variable) : qputenv(variable, before);
        EXPECT_TRUE(DisplayChoice::hasPlugin(DisplayChoice::Server::Wayland, named.pluginDirs)) << variable;
    }
}

// A display that never answers, its name lookup included, costs the start
// about 2 s: the connect, lookup and all, is left to itself at the deadline.
TEST(DisplayChoice, NeverWaitsLongerThanItsDeadline) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile(dir.filePath(QStringLiteral("libqxcb.so"))).open(QIODevice::WriteOnly);
    // A name server that never answers.
    auto released = std::make_shared<std::promise<void>>();
    std::shared_future<void> release = released->get_future().share();
    const DisplayChoice::Connect library = DisplayChoice::setConnect([release](DisplayChoice::Server, const auto&) {
        release.wait();
        return DisplayChoice::Answer{};
    });
    DisplayChoice::Named named{"", "printer.example.invalid:0", "", "", {dir.path()}};
    std::vector<DisplayChoice::Connection> held;
    const auto start = std::chrono::steady_clock::now();
    const DisplayChoice::Choice c = DisplayChoice::check(named, &held);
    const auto took = std::chrono::steady_clock::now() - start;
    released->set_value();
    DisplayChoice::setConnect(library);
    EXPECT_FALSE(c.usable);
    EXPECT_EQ(c.why.toStdString(), "DISPLAY=printer.example.invalid:0 Cannot Be Reached");
    EXPECT_LT(took, std::chrono::seconds(6));
    EXPECT_GE(took, std::chrono::milliseconds(1900));
}

} // namespace
