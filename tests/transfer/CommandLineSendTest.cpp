// The command-line send, run as the program itself with its own program
// folder and machine 3's port mapped to a pseudo-terminal.
#include "FakeDisplay.h"
#include "IniDocument.h"
#include "IniStorage.h"
#include "PtyMachine.h"
#include "TestHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// How the program is started.
struct Start {
    bool unread = false; // its messages go to a pipe nobody reads any more
    // Without any, the platform is offscreen; with them, the display is
    // what they name. An empty value removes the variable.
    QList<QPair<QString, QString>> env;
    // Pending as the program starts with the signals blocked, as a caller
    // may leave them: the signal waits for the program from its first
    // instruction on.
    int signalAtStart = 0;
    QList<int> ignored; // as nohup or a background job leaves them
    uid_t user = 0;     // run as this user instead (root's tests only)
};

class CommandLineSendTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;
    std::unique_ptr<PtyMachine> machine_;
    mutable qint64 pid_ = 0; // of the program that runs

    struct Run {
        int exitCode = -1; // -1: the program did not end by itself
        QString errors;
        QString how; // how it ended, for a failure's message
    };
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FEEDLINE_HOME"), home_->path());
        env.insert(QStringLiteral("FEEDLINE_PASSWORD_FILE"), home_->file(QStringLiteral("no-password.ini")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }
    // `machineSide` runs over and over while the program runs.
    Run run(const QString& commandLine, const std::function<void()>& machineSide = {},
            const Start& start = Start()) const {
        QProcess program;
        int closedPipe[2] = {-1, -1};
        if (start.unread && ::pipe2(closedPipe, O_CLOEXEC) == 0)
            ::close(closedPipe[0]);
        program.setChildProcessModifier([fd = closedPipe[1], blocked = start.signalAtStart, start] {
            if (fd >= 0)
                ::dup2(fd, STDERR_FILENO);
            for (const int s : start.ignored)
                ::signal(s, SIG_IGN);
            if (start.user && (::setgroups(0, nullptr) != 0 || ::setgid(start.user) != 0 ||
                               ::setuid(start.user) != 0))
                ::_exit(125);
            if (!blocked)
                return;
            sigset_t set;
            sigemptyset(&set);
            for (const int s : {SIGINT, SIGTERM, SIGHUP})
                sigaddset(&set, s);
            ::sigprocmask(SIG_BLOCK, &set, nullptr);
            ::raise(blocked);
        });
        QProcessEnvironment env = environment();
        if (!start.env.isEmpty())
            for (const char* named : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                env.remove(QString::fromLatin1(named));
        for (const auto& [name, value] : start.env)
            value.isEmpty() ? env.remove(name) : env.insert(name, value);
        program.setProcessEnvironment(env);
        // A start the system refuses (the child's exec failing, which QProcess
        // reports as exit code 255) is no run of the program: start again.
        for (int attempt = 0; attempt < 5; ++attempt) {
            program.start(QStringLiteral(FEEDLINE_EXECUTABLE), {commandLine});
            if (program.waitForStarted(30000))
                break;
            qWarning() << "the program did not start:" << program.errorString();
        }
        pid_ = program.processId();
        const bool ended = waitUntil(
            [&] {
                if (machineSide)
                    machineSide();
                return program.state() == QProcess::NotRunning;
            },
            60000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        if (closedPipe[1] >= 0)
            ::close(closedPipe[1]);
        Run r;
        r.exitCode = ended && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        r.errors = QString::fromLocal8Bit(program.readAllStandardError());
        r.how = QStringLiteral("exit status %1, code %2, %3: %4")
                    .arg(program.exitStatus() == QProcess::NormalExit ? "normal" : "crashed")
                    .arg(program.exitCode())
                    .arg(ended ? "ended" : "killed after 60 s")
                    .arg(r.errors);
        return r;
    }
    // A new machine for machine 3 on Com3, which the port list maps to its
    // pseudo-terminal; every other key of the machine keeps its default.
    PtyMachine* freshMachine(const QByteArray& moreMachineKeys, const QByteArray& moreSettings = {}) {
        machine_ = std::make_unique<PtyMachine>();
        home_->writeIni(kSettledSettings + moreSettings + "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\n" +
                        moreMachineKeys + "[Ports]\nCom3=" + machine_->slavePath().toLocal8Bit() + "\n");
        return machine_.get();
    }

    // The running program has `device` open (its send has begun), or
    // another file its descriptors name so ("anon_inode:inotify").
    bool holdsOpen(const QString& device) const {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid_));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            char target[4096];
            const ssize_t n = ::readlink(QFile::encodeName(fd.filePath()).constData(), target, sizeof target);
            if (n > 0 && QFile::decodeName(QByteArray(target, int(n))) == device)
                return true;
        }
        return false;
    }

    // 20,000 LF lines, about 490 kB.
    static QByteArray bigProgram() {
        QByteArray program;
        for (int i = 0; i < 20000; ++i)
            program += "N" + QByteArray::number(i) + " G01 X1.000 Y2.000\n";
        return program;
    }

private Q_SLOTS:
    void init() {
        home_ = std::make_unique<TestHome>();
        freshMachine(QByteArray());
    }
    void cleanup() {
        machine_.reset();
        home_.reset();
    }

    void xmodemMachineEndsZeroOnlyOnceRxHasTheWholeFile() {
        PtyBridge bridge;
        bridge.peerEmptiesInputAfterWrites();
        const QString file = home_->file(QStringLiteral("part.bin"));
        const QString got = home_->file(QStringLiteral("got.bin"));
        for (const bool killed : {false, true}) {
            // Killed: the send ends 3 s after rx falls silent. Left to finish:
            // rx asks again for a block it lost only after 6 s; it invites
            // again only after 13 s, so an invitation the program lost still
            // fails here.
            home_->writeIni(kSettledSettings +
                            "[Machine3]\nAlias=MILL\nCommPort=2\nHandshaking=4\niBaudrate=10\nSendTimeOut=" +
                            (killed ? "3" : "10") + "\n[Ports]\nCom3=" + bridge.ourSide().toLocal8Bit() +
                            "\n");
            // Long enough that rx is killed mid-transfer.
            const QByteArray data = randomBytes(killed ? 1 << 20 : 128 * 40);
            QVERIFY(writeAllBytes(file, data));
            QProcess rx;
            rx.setWorkingDirectory(home_->path());
            rx.setStandardInputFile(bridge.peerSide());
            rx.setStandardOutputFile(bridge.peerSide());
            rx.start(QStringLiteral("/usr/bin/rx"),
                     {QStringLiteral("-q"), QStringLiteral("-c"), QStringLiteral("got.bin")});
            QVERIFY(rx.waitForStarted(5000));
            const Run r = run(QStringLiteral("x?3?S?") + file, [&] {
                if (killed && rx.state() != QProcess::NotRunning && QFileInfo(got).size() > 0)
                    rx.kill();
            });
            const QString where = (killed ? QStringLiteral("rx killed mid-transfer: ")
                                          : QStringLiteral("rx left to finish: ")) +
                                  r.how;
            QVERIFY2((r.exitCode == 0) == !killed, qPrintable(where));
            if (!killed) {
                QVERIFY(waitUntil([&] { return rx.state() == QProcess::NotRunning; }, 10000));
                QCOMPARE(readAllBytes(got), data);
            }
            QFile::remove(got);
        }
    }

    // Without a screen no operator can click the progress window's ready
    // button: the send goes at once, as with the window switched off.
    void aMachineThatWaitsForTheOperatorIsSentToWithoutAScreen() {
        for (const QByteArray& dncStatus : {QByteArray("2"), QByteArray("3")}) {
            home_ = std::make_unique<TestHome>();
            machine_ = std::make_unique<PtyMachine>();
            home_->writeIni(kSettledSettings + "DNCStatus=" + dncStatus +
                            "\n[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=1\nRemoteDeviceOnline=1\n"
                            "[Ports]\nCom3=" +
                            machine_->slavePath().toLocal8Bit() + "\n");
            const QString file = home_->file(QStringLiteral("part.nc"));
            QVERIFY(writeAllBytes(file, "O1\nM30\n"));
            const Run r = run(QStringLiteral("MILL?3?S?") + file);
            QVERIFY2(r.exitCode == 0, qPrintable(r.how));
            QVERIFY(machine_->waitForCount(9, 10000));
            QCOMPARE(machine_->received(), QByteArray("O1\r\nM30\r\n"));
        }
    }

    // XON/XOFF machines: a hold of any length pauses the send; a hold that
    // never ends meets SendTimeOut, says so and exits 1. Without a screen a
    // long hold is said on standard error, and so is the send going on; on
    // a pseudo-terminal, which cannot tell an XOFF from a slow reader, as a
    // standstill.
    void flowHoldsAndFailures() {
        const QString heldLine =
            QStringLiteral("Feedline: Standing Still - Waiting For The Line To Take More\n");
        const QString goesOnLine = QStringLiteral("Feedline: Sending File\n");
        const QByteArray program = bigProgram();
        const QString file = home_->file(QStringLiteral("big.nc"));
        QVERIFY(writeAllBytes(file, program));
        QByteArray expected = program;
        expected.replace("\n", "\r\n");

        // XOFF at once after every 2000 bytes and XON 2 ms later, and once,
        // past the middle, XOFF held for 10 s: every byte arrives once.
        PtyMachine* m = freshMachine("Handshaking=1\nSendTimeOut=30\n");
        auto longHoldDone = std::make_shared<std::atomic<bool>>(false);
        m->setReaction([m, longHoldDone, half = expected.size() / 2, next = qint64(1)](qint64 got) mutable {
            if (got < next)
                return;
            m->send("\x13");
            const bool longHold = !*longHoldDone && got > half;
            std::this_thread::sleep_for(std::chrono::milliseconds(longHold ? 10000 : 2));
            m->send("\x11");
            *longHoldDone = *longHoldDone || longHold;
            next = got + 2000;
        });
        Run r = run(QStringLiteral("?3?S?") + file);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(machine_->waitForCount(expected.size(), 20000));
        QVERIFY(*longHoldDone);
        QVERIFY(machine_->received() == expected);
        const qsizetype heldAt = r.errors.indexOf(heldLine);
        QVERIFY2(heldAt >= 0 && r.errors.indexOf(goesOnLine, heldAt) > heldAt, qPrintable(r.errors));
        QCOMPARE(r.errors.count(goesOnLine), r.errors.count(heldLine));

        m = freshMachine("Handshaking=1\nSendTimeOut=3\n");
        m->setReaction([m, held = false](qint64 got) mutable {
            if (!held && got > 0)
                m->send("\x13"); // and never an XON
            held = held || got > 0;
        });
        r = run(QStringLiteral("?3?S?") + file);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.errors.contains(QStringLiteral("Timed Out After 3s")), qPrintable(r.errors));
        QVERIFY2(r.errors.contains(heldLine) && !r.errors.contains(goesOnLine), qPrintable(r.errors));

        // The wait for XON before the send, which has no limit, is said too.
        m = freshMachine("WaitForXON=1\n");
        QVERIFY(writeAllBytes(file, "O1\nM30\n"));
        QElapsedTimer open, xon;
        r = run(QStringLiteral("?3?S?") + file, [&] {
            if (!open.isValid() && holdsOpen(m->slavePath()))
                open.start();
            if (open.isValid() && open.elapsed() > 300 && m->receivedCount() == 0 &&
                (!xon.isValid() || xon.elapsed() > 300)) {
                m->send("\x11"); // again until it is heard: one before the wait does not count
                xon.start();
            }
        });
        QCOMPARE(r.exitCode, 0);
        const qsizetype waitAt =
            r.errors.indexOf(QStringLiteral("Feedline: Waiting For XON From CNC To Start Transfer"));
        QVERIFY2(waitAt >= 0 && r.errors.indexOf(goesOnLine, waitAt) > waitAt, qPrintable(r.errors));
    }

    // SIGINT, SIGTERM and SIGHUP end a send as Cancel does, so that a script
    // can bound any wait: the wait for XON, which has no limit of its own, an
    // XOFF hold with none (0), an XModem receiver that never answers. Exit 1,
    // the restart line stored, the cancel said once. One that comes before
    // the send has begun (here pending as the program starts) ends it at
    // once, nothing sent, the restart line as it was. A send reads its
    // settings once: it keeps no watch on them. Signals the caller left
    // ignored stay ignored: the send goes on to its end.
    void signalsCancelTheSend() {
        const QByteArray program = bigProgram();
        const QString file = home_->file(QStringLiteral("big.nc"));
        QVERIFY(writeAllBytes(file, program));
        enum When { OnceOpen, OnceHeld, AtStart };
        const struct {
            int signal;
            QByteArray keys;
            When when;
            QString restart; // "N": a line of the program
            bool ignored = false;
        } rows[] = {{SIGTERM, "WaitForXON=1\nKeepAlive=0\n", OnceOpen, ""},
                    {SIGINT, "WaitForXON=2\nSendTimeOut=0\nKeepAlive=0\n", OnceOpen, ""},
                    {SIGHUP, "Handshaking=1\nSendTimeOut=0\n", OnceHeld, "N"},
                    {SIGTERM, "Handshaking=4\nSendTimeOut=30\n", OnceOpen, "OLD"},
                    {SIGINT, "Handshaking=0\n", AtStart, "OLD"},
                    {SIGHUP, "Handshaking=1\nSendTimeOut=0\n", AtStart, "OLD"},
                    {SIGHUP, "Handshaking=1\nSendTimeOut=0\n", OnceHeld, "", true}};
        for (const auto& row : rows) {
            PtyMachine* m = freshMachine(row.keys + "lastline=OLD\n");
            auto held = std::make_shared<std::atomic<bool>>(false);
            if (row.when == OnceHeld)
                m->setReaction([m, held](qint64 got) {
                    if (got > 0 && !held->exchange(true))
                        m->send("\x13"); // and never an XON, unless the signal is ignored
                });
            bool signalled = row.when == AtStart, watched = false;
            Start start;
            start.signalAtStart = row.when == AtStart ? row.signal : 0;
            if (row.ignored)
                start.ignored = {SIGHUP, SIGINT};
            const Run r = run(
                QStringLiteral("?3?S?") + file,
                [&] {
                    if (!signalled && (row.when == OnceHeld ? bool(*held) : holdsOpen(m->slavePath()))) {
                        watched = holdsOpen(QStringLiteral("anon_inode:inotify"));
                        signalled = ::kill(pid_t(pid_), row.signal) == 0;
                        if (row.ignored && ::kill(pid_t(pid_), SIGINT) == 0)
                            m->send("\x11");
                    }
                },
                start);
            const QByteArray where = row.keys + QByteArray::number(row.when) + ": " + r.how.toLocal8Bit();
            if (row.ignored) {
                QVERIFY2(signalled && r.exitCode == 0, where.constData());
                QByteArray expected = program;
                QVERIFY(m->waitForCount(expected.replace("\n", "\r\n").size(), 20000));
                QVERIFY(m->received() == expected);
                continue;
            }
            QVERIFY2(signalled && r.exitCode == 1, where.constData());
            QVERIFY2(r.errors.count(QStringLiteral("Send Cancelled")) == 1, where.constData());
            QVERIFY2(!r.errors.contains(QStringLiteral("Feedline: \n")), where.constData());
            QVERIFY2(!watched, where.constData());
            // Where the port is watched from outside, the signal may still
            // come just before the send begins.
            const bool beforeSend = r.errors.contains(QStringLiteral("Send Cancelled Before It Began"));
            QVERIFY2(beforeSend == (row.when == AtStart) || row.when == OnceOpen, where.constData());
            initSettingsPath();
            const QString restart = readIni(QStringLiteral("Machine3"), QStringLiteral("lastline"));
            QVERIFY2(beforeSend                          ? restart == QLatin1String("OLD")
                     : row.restart == QLatin1String("N") ? restart.startsWith(QLatin1Char('N'))
                                                         : restart == row.restart,
                     qPrintable(restart));
            if (row.when != OnceHeld) // an XModem sender cancels with CANs alone
                QCOMPARE(m->received().replace('\x18', QByteArray()), QByteArray());
        }
    }

    // A signal once the whole program has left the port, in the trailer's
    // closing pause, or 150 ms into the last line's delay with only blank
    // lines after it that the send drops, stops nothing: exit 0, no cancel
    // said, the restart line the program's last line sent, as a send that
    // went out whole leaves it.
    void aSignalOnceAllHasLeftStopsNothing() {
        const QString file = home_->file(QStringLiteral("part.nc"));
        const struct {
            QByteArray program, keys, whole;
            int afterMs;
        } rows[] = {
            {"O1\nG0X1\nM30\n", "TrailerSend=37,!20000!\n", "O1\r\nG0X1\r\nM30\r\n%", 0},
            {"O1\nG0X1\nM30\n\n\n\n", "StripBlankLines=1\nLineDelay=400\n", "O1\r\nG0X1\r\nM30\r\n", 150}};
        for (const auto& row : rows) {
            QVERIFY(writeAllBytes(file, row.program));
            PtyMachine* m = freshMachine(row.keys);
            bool signalled = false;
            QElapsedTimer got;
            const Run r = run(QStringLiteral("?3?S?") + file, [&] {
                if (!got.isValid() && m->receivedCount() >= row.whole.size())
                    got.start();
                if (!signalled && got.isValid() && got.elapsed() >= row.afterMs)
                    signalled = ::kill(pid_t(pid_), SIGTERM) == 0;
            });
            QVERIFY2(signalled && r.exitCode == 0, qPrintable(r.how));
            QVERIFY2(!r.errors.contains(QStringLiteral("Cancelled")), qPrintable(r.errors));
            QCOMPARE(m->received(), row.whole);
            initSettingsPath();
            QCOMPARE(readIni(QStringLiteral("Machine3"), QStringLiteral("lastline")), QStringLiteral("M30"));
        }
    }

    // A send goes out only on the machine's section read from the settings
    // file as it was found. Anything else is said, with why; nothing reaches
    // the machine (whatever port defaults would name), nothing is logged, the
    // file stays as it was, and the exit is 1.
    void aSendGoesOutOnlyOnSettingsItRead() {
        const QString file = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(file, "O1\nM30\n"));
        const QString ini = home_->iniPath();
        const QByteArray ports = "[Ports]\nCom1=" + machine_->slavePath().toLocal8Bit() +
                                 "\nCom3=" + machine_->slavePath().toLocal8Bit() + "\n";
        const struct {
            const char* name;
            QByteArray contents; // written unless null
            QFileDevice::Permissions permissions;
            const char* says;
        } rows[] = {
            {"a folder", {}, {}, " - It Is A Folder - "},
            {"missing", {}, {}, " - It Does Not Exist - "},
            {"a link to nothing", {}, {}, " - It Is A Link To "},
            {"unreadable", kSettledSettings + "[Machine3]\nAlias=MILL\nCommPort=2\n" + ports,
             QFileDevice::WriteOwner, " - It Cannot Be Read "},
            {"empty", "", {}, " - It Is Empty - "},
            {"blank", " \r\n\t\n", {}, " - It Is Empty - "},
            {"no [Settings]",
             "[Machine3]\nAlias=MILL\nCommPort=2\n" + ports,
             {},
             " - It Holds No [Settings] Section This Program Can Read - "},
            {"no [Machine3]",
             kSettledSettings + "[Machine2]\nAlias=LATHE\n" + ports,
             {},
             " - It Has No [Machine3] Section - "},
        };
        for (const auto& row : rows) {
            QFile::remove(ini);
            QDir(ini).removeRecursively();
            const QByteArray name(row.name);
            if (name == "a folder")
                QVERIFY(QDir().mkpath(ini));
            if (name == "a link to nothing")
                QVERIFY(QFile::link(home_->file(QStringLiteral("gone.ini")), ini));
            if (!row.contents.isNull())
                QVERIFY(writeAllBytes(ini, row.contents));
            if (row.permissions.toInt() != 0)
                QVERIFY(QFile::setPermissions(ini, row.permissions));
            const Run r = run(QStringLiteral("?3?S?") + file);
            const QByteArray where = name + ": " + r.how.toLocal8Bit();
            QVERIFY2(r.exitCode == 1, where.constData());
            QVERIFY2(r.errors.contains(QStringLiteral("The Settings Of CNC 3 Cannot Be Read From ")) &&
                         r.errors.contains(QString::fromLatin1(row.says)),
                     where.constData());
            QVERIFY2(!QFileInfo::exists(home_->file(QStringLiteral("Feedline.log"))), where.constData());
            QCOMPARE(machine_->received(), QByteArray());
            const QFileInfo after(ini);
            QCOMPARE(after.isDir(), name == "a folder");
            QCOMPARE(after.isSymLink(), name == "a link to nothing");
            QVERIFY2(!QFileInfo::exists(home_->file(QStringLiteral("gone.ini"))), where.constData());
            if (!row.contents.isNull()) {
                QVERIFY(QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
                QCOMPARE(readAllBytes(ini), row.contents);
            }
        }
    }

    // From cron, ssh or a service no display is named, and in an old ssh,
    // tmux or screen session the one named may be gone, or be something that
    // takes the connection and does not answer as a display (a stalled ssh
    // client): a send runs all the same, offscreen; a refused line says why
    // and exits 2; a start with the window says in one line why it cannot,
    // and never starts one. A signal while Qt connects to a display that
    // answered the check but stalls then ends the send at once; the check's
    // connection stays open until then.
    void withoutADisplay() {
        using A = FakeDisplay::Answer;
        const QString file = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(file, "O1\nG0X1\nM30\n"));
        // A display number no server here answers on.
        int n = 99;
        while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
               readAllBytes(QStringLiteral("/proc/net/unix"))
                   .contains("@/tmp/.X11-unix/X" + QByteArray::number(n) + "\n"))
            ++n;
        // One over TCP whose port nobody uses, for the displays the test plays,
        // kept listening from its choice to the last row: no other process
        // can take it meanwhile.
        int t = 250;
        std::unique_ptr<FakeDisplay> display;
        while (t < 350 && !(display = std::make_unique<FakeDisplay>(6000 + t, std::vector<A>{A::Silent}))->ok())
            ++t;
        QVERIFY(display->ok());
        const QString stale = QStringLiteral(":%1").arg(n);
        const QString runtime = home_->path();
        using Env = QList<QPair<QString, QString>>;
        const Env none{{QStringLiteral("XDG_SESSION_TYPE"), QString()}};
        const Env staleX{{QStringLiteral("DISPLAY"), stale}};
        const Env staleWayland{{QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-gone")},
                               {QStringLiteral("XDG_RUNTIME_DIR"), runtime}};
        const Env staleXcb{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")},
                           {QStringLiteral("DISPLAY"), stale}};
        const QString played = QStringLiteral("127.0.0.1:%1").arg(t);
        const Env tcp{{QStringLiteral("DISPLAY"), played}, {QStringLiteral("XDG_SESSION_TYPE"), QString()}};
        const struct {
            Env env;
            QString line;
            int exit;
            QString message; // for a run that sends nothing: the one line it says
            std::vector<A> answers = {}; // of the display played on TCP, to each connection
            int signalMs = -1; // SIGTERM this long after the check's connection
        } rows[] = {
            {none, "x?3?S?" + file, 0, {}},
            {staleX, "x?3?S?" + file, 0, {}},
            {staleWayland, "x?3?S?" + file, 0, {}},
            {staleXcb, "x?3?S?" + file, 0, {}},
            {tcp, "x?3?S?" + file, 0, {}, {A::Close}},
            {tcp, "x?3?S?" + file, 0, {}, {A::Silent}},
            {tcp, "x?3?S?" + file, 0, {}, {A::Garbage}},
            {tcp, "x?3?S?" + file, 1, "Send Cancelled Before It Began - Nothing Was Sent", {A::X11, A::Silent}},
            // Said on standard error while the check has it pointed elsewhere.
            {tcp, "x?3?S?" + file, 1, "Send Cancelled Before It Began - Nothing Was Sent", {A::Silent}, 800},
            {none, {}, 1, "No Display To Show The Window On (DISPLAY And WAYLAND_DISPLAY Are Not Set)"},
            {staleX, {}, 1, "No Display To Show The Window On (DISPLAY=" + stale + " Cannot Be Reached)"},
            // Where Qt has no plugin for it, that is said first.
            {staleWayland, {}, 1, "(WAYLAND_DISPLAY=wayland-gone Cannot Be "},
            {none, "x?3?O?" + file, 1, "No Display To Show The Window On (DISPLAY And WAYLAND_DISPLAY Are Not Set)"},
            {tcp, "x?3?O?" + file, 1, "(DISPLAY=" + played + " Cannot Be Reached)", {A::Garbage}},
            {none, home_->file("missing.nc"), 2, "Invalid Command String Received - No CNC Name"},
            {staleX, home_->file("missing.nc"), 2, "Invalid Command String Received - No CNC Name"},
        };
        for (const auto& row : rows) {
            freshMachine(QByteArray());
            display->play(row.answers.empty() ? std::vector<A>{A::Silent} : row.answers);
            // Qt's own connection is the second.
            const bool stalls = row.answers.size() > 1;
            bool signalled = false;
            QElapsedTimer checking;
            Start start;
            start.env = row.env;
            const Run r = run(
                row.line,
                [&] {
                    if (!checking.isValid() && display->connections() > 0)
                        checking.start();
                    if (!signalled && ((stalls && display->connections() > 1) ||
                                       (row.signalMs >= 0 && checking.isValid() && checking.elapsed() >= row.signalMs)))
                        signalled = ::kill(pid_t(pid_), SIGTERM) == 0;
                },
                start);
            const QByteArray where = row.env.first().second.toLocal8Bit() + " " + row.line.toLocal8Bit() +
                                     ": " + r.how.toLocal8Bit();
            QVERIFY2(r.exitCode == row.exit, where.constData());
            if (row.exit == 0) {
                QVERIFY2(machine_->waitForCount(15, 20000), where.constData());
                QCOMPARE(machine_->received(), QByteArray("O1\r\nG0X1\r\nM30\r\n"));
            } else {
                QVERIFY2(r.errors.contains(row.message), where.constData());
                QVERIFY2(!r.errors.contains(QStringLiteral("No Display")) || r.errors.count('\n') == 1,
                         where.constData());
                QCOMPARE(machine_->received(), QByteArray());
            }
            QVERIFY2(!stalls || (signalled && !display->firstClosedBeforeSecond()), where.constData());
        }
    }

    // An X server that answers but refuses this program (no XAUTHORITY, as
    // under su, sudo or cron) is no display: a send runs offscreen, a refused
    // line says why and ends with 2, a window start says in one line that the
    // display refuses it, with the server's reason. With its cookie the
    // window comes up on it.
    void aDisplayThatRefusesThisProgram() {
        const QString file = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(file, "O1\nG0X1\nM30\n"));
        int n = 0;
        const auto display = FakeDisplay::onFreeNumber({FakeDisplay::X11}, &n);
        QVERIFY(display);
        display->requireCookie("0123456789abcdef");
        const QString cookie = home_->file(QStringLiteral("cookie"));
        QVERIFY(writeAllBytes(cookie, FakeDisplay::authority(n, "0123456789abcdef")));
        const QString name = QStringLiteral(":%1").arg(n);
        auto env = [&](const QString& authority) {
            return QList<QPair<QString, QString>>{{QStringLiteral("DISPLAY"), name},
                                                  {QStringLiteral("XAUTHORITY"), authority},
                                                  {QStringLiteral("XDG_SESSION_TYPE"), QString()}};
        };
        const QString none = home_->file(QStringLiteral("no-cookie"));
        Start start;
        start.env = env(none);
        freshMachine(QByteArray());
        Run r = run(QStringLiteral("x?3?S?") + file, {}, start);
        QVERIFY2(r.exitCode == 0, qPrintable(r.how));
        QVERIFY(machine_->waitForCount(15, 20000));
        QCOMPARE(machine_->received(), QByteArray("O1\r\nG0X1\r\nM30\r\n"));
        r = run(QStringLiteral("a?3"), {}, start);
        QVERIFY2(r.exitCode == 2 && r.errors.contains(QStringLiteral("No Direction")), qPrintable(r.how));
        r = run(QString(), {}, start);
        QVERIFY2(r.exitCode == 1, qPrintable(r.how));
        QVERIFY2(r.errors.contains(QStringLiteral("No Display To Show The Window On (DISPLAY=") + name +
                                   QStringLiteral(" Refuses This Program: Authorization required, but no "
                                                  "authorization protocol specified)\n")) &&
                     r.errors.count('\n') == 1,
                 qPrintable(r.how));
        QCOMPARE(display->windowsShown(), 0);
        start.env = env(cookie);
        bool ended = false;
        r = run(QString(), [&] {
            if (!ended && display->windowsShown() > 0)
                ended = ::kill(pid_t(pid_), SIGKILL) == 0;
        }, start);
        QVERIFY2(ended, qPrintable(r.how));
    }

    // A display that stops answering holds the send's loop in Qt's
    // connection, where no signal reaches it. A signal still ends the
    // program within about 2 s once a connection of its own finds the
    // display silent, and says so: the port left as found (no exclusive use,
    // no lock file: the next send goes out), exit 0 where the whole program
    // had left the port (the "{Prompt Me}" box up), else 1, and on disk the
    // last send's restart record whole. A display that answers is never
    // taken for one that stopped: a send signalled and then stopped for
    // 2.5 s ends as its own.
    void aSignalEndsASendOnADisplayThatStoppedAnswering() {
        const QString big = home_->file(QStringLiteral("big.nc"));
        const QString small = home_->file(QStringLiteral("small.nc"));
        QVERIFY(writeAllBytes(big, bigProgram()));
        QVERIFY(writeAllBytes(small, "O1\nG0X1\nM30\n"));
        int n = 0;
        const auto display = FakeDisplay::onFreeNumber({FakeDisplay::X11}, &n);
        QVERIFY(display);
        Start start;
        start.env = {{QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(n)},
                     {QStringLiteral("XDG_SESSION_TYPE"), QString()}};
        enum Moment { StallThenSignal, SignalThenStall, PromptUp, SignalThenSuspend };
        const struct {
            Moment moment;
            QByteArray keys;
            int exit;
            QString says;
        } rows[] = {
            {StallThenSignal, "Handshaking=0\nBaudRate=4800\n", 1,
             QStringLiteral("Send Cancelled - The Display DISPLAY=:%1 Stopped Answering").arg(n)},
            {SignalThenStall, "Handshaking=1\nSendTimeOut=0\n", 1, QStringLiteral("Send Cancelled")},
            {PromptUp, "", 0, QString()},
            {SignalThenSuspend, "Handshaking=1\nSendTimeOut=0\n", 1, QStringLiteral("Send Cancelled")},
        };
        for (const auto& row : rows) {
            display->play({FakeDisplay::X11});
            PtyMachine* m = freshMachine(row.keys + "lastline=OLD\nlastfilesent=old.nc\n");
            const bool held = row.keys.contains("Handshaking=1");
            if (held)
                m->setReaction([m, xoff = false](qint64 got) mutable {
                    if (got > 4000 && !xoff)
                        m->send("\x13"); // and never an XON
                    xoff = xoff || got > 4000;
                });
            else if (row.moment == StallThenSignal)
                m->setReading(false);
            QElapsedTimer sinceSignal, sinceAll;
            bool signalled = false;
            const Run r = run(
                QStringLiteral("x?3?S?") + (row.moment == PromptUp ? small : big),
                [&] {
                    if (signalled || display->windowsShown() == 0 || !holdsOpen(m->slavePath()))
                        return;
                    m->setReading(true);
                    if (row.moment == PromptUp) {
                        if (!sinceAll.isValid() && m->receivedCount() >= 15)
                            sinceAll.start();
                        if (!sinceAll.isValid() || sinceAll.elapsed() < 1500)
                            return; // the box comes half a second after the progress window goes
                    } else if (m->receivedCount() <= 4000) {
                        return;
                    }
                    if (row.moment == StallThenSignal || row.moment == PromptUp) {
                        display->stall();
                        QThread::msleep(500);
                    }
                    sinceSignal.start();
                    signalled = ::kill(pid_t(pid_), SIGTERM) == 0;
                    if (row.moment == SignalThenStall) {
                        QThread::msleep(5);
                        display->stall();
                    } else if (row.moment == SignalThenSuspend) {
                        ::kill(pid_t(pid_), SIGSTOP);
                        QThread::msleep(2500);
                        ::kill(pid_t(pid_), SIGCONT);
                    }
                },
                start);
            const qint64 took = sinceSignal.elapsed();
            const QByteArray where = QByteArray::number(row.moment) + ": " + r.how.toLocal8Bit();
            QVERIFY2(signalled && r.exitCode == row.exit, where.constData());
            QVERIFY2(took < 15000, where.constData());
            QVERIFY2(r.errors.contains(row.says), where.constData());
            initSettingsPath();
            const QString file = readIni(QStringLiteral("Machine3"), QStringLiteral("lastfilesent"));
            const QString line = readIni(QStringLiteral("Machine3"), QStringLiteral("lastline"));
            if (row.moment == SignalThenSuspend) {
                // Its own end: the line the machine has whole.
                QVERIFY2(!r.errors.contains(QStringLiteral("Stopped Answering")), where.constData());
                QVERIFY2(file == big && line.startsWith(QLatin1Char('N')), where.constData());
            } else {
                // Held, the program stored nothing: the last send's pair.
                const bool old = file == QLatin1String("old.nc") && line == QLatin1String("OLD");
                const bool own = file == (row.moment == PromptUp ? small : big) && line != QLatin1String("OLD");
                QVERIFY2(old || (own && row.moment != StallThenSignal), qPrintable(file + " " + line));
            }
            if (row.moment != StallThenSignal)
                continue;
            // The next opening finds the port as this one found it.
            QCOMPARE(m->leftHeld(), QString());
            m->clearReceived();
            const Run next = run(QStringLiteral("x?3?S?") + small);
            QVERIFY2(next.exitCode == 0, qPrintable(next.how + next.errors));
            QVERIFY(m->waitForCount(15, 20000));
        }
    }

    // No display to stop answering: a signal never ends the program by a
    // guess, however long the GUI thread is kept busy. A send whose end
    // waits for the settings lock another copy holds takes the signal
    // within the wait and ends as the wire says, its restart record said
    // once as not stored; a program of one long line ends as sent.
    void aSignalEndsTheSendAsTheWireSays() {
        const QString file = home_->file(QStringLiteral("part.nc"));
        const QByteArray lockFile = QFile::encodeName(home_->iniPath() + ".lock");
        const struct {
            const char* name;
            QByteArray program, keys;
            qint64 whole; // bytes the machine gets
            bool lockHeld;
        } rows[] = {
            {"the end waits for the lock", "O1\nG0X1\nM30\n", "TrailerSend=!2000!\n", 15, true},
            // Said in a line, not megabytes of it.
            {"one 1 MB line, the end waits for the lock", QByteArray(1 << 20, 'X'), "TrailerSend=!2000!\n",
             (1 << 20) + 2, true},
            // Its echo shown: a progress window lays it out, offscreen too.
            {"one 1 MB line", QByteArray(1 << 20, 'X'), "", (1 << 20) + 2, false},
        };
        for (const auto& row : rows) {
            QVERIFY(writeAllBytes(file, row.program));
            PtyMachine* m = freshMachine(row.keys, row.lockHeld ? QByteArray() : "DNCStatus=3\n");
            int holder = -1;
            QElapsedTimer sinceAll, waiting;
            bool signalled = false;
            const Run r = run(QStringLiteral("x?3?S?") + file, [&] {
                if (signalled || m->receivedCount() < row.whole)
                    return;
                if (!sinceAll.isValid())
                    sinceAll.start();
                if (row.lockHeld) {
                    if (holder < 0) {
                        holder = ::open(lockFile.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
                        QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX) == 0);
                    }
                    // "->": the program waits for the lock the test holds.
                    if (!waiting.isValid() &&
                        readAllBytes(QStringLiteral("/proc/locks")).contains(" -> FLOCK  ADVISORY  WRITE " +
                                                                              QByteArray::number(pid_) + ' '))
                        waiting.start();
                    if (waiting.isValid() && waiting.elapsed() >= 1500)
                        signalled = ::kill(pid_t(pid_), SIGTERM) == 0;
                } else if (sinceAll.elapsed() >= 1000) {
                    signalled = ::kill(pid_t(pid_), SIGTERM) == 0;
                }
            });
            if (holder >= 0)
                ::close(holder);
            const QByteArray where = QByteArray(row.name) + ": " + r.how.toLocal8Bit();
            // The long line's send may be over before a second has passed.
            QVERIFY2((signalled || !row.lockHeld) && r.exitCode == 0, where.constData());
            QVERIFY2(!r.errors.contains(QStringLiteral("Display")), where.constData());
            QCOMPARE(m->receivedCount(), row.whole);
            if (row.lockHeld)
                QVERIFY2(r.errors.count(QStringLiteral("the restart line \"")) == 1 && r.errors.size() < 2000,
                         where.constData());
        }
    }

    // A send writes the settings file only for what changes: a send the
    // file has not seen yet its recent list and, once at its end, its
    // restart record; the same send again nothing at all.
    void aSendReplacesTheSettingsFileOnlyForWhatChanges() {
        const QString other = home_->file(QStringLiteral("other.nc"));
        const QString file = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(other, "O2\nM30\n"));
        QVERIFY(writeAllBytes(file, "O1\nG0X1\nM30\n"));
        QVERIFY2(run(QStringLiteral("x?3?S?") + other).exitCode == 0, "the file settled"); // the start's defaults
        for (const int most : {2, 0}) {
            const int notes = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            QVERIFY(notes >= 0 &&
                    ::inotify_add_watch(notes, QFile::encodeName(home_->path()).constData(), IN_MOVED_TO) >= 0);
            const Run r = run(QStringLiteral("x?3?S?") + file);
            QVERIFY2(r.exitCode == 0, qPrintable(r.how));
            int replaced = 0;
            alignas(inotify_event) char events[65536];
            for (ssize_t n; (n = ::read(notes, events, sizeof events)) > 0;)
                for (char* at = events; at < events + n;) {
                    const auto* e = reinterpret_cast<const inotify_event*>(at);
                    replaced += e->len > 0 && QByteArray(e->name) == "feedline-settings.ini";
                    at += sizeof(inotify_event) + e->len;
                }
            ::close(notes);
            QVERIFY2(replaced <= most, qPrintable(QString::number(replaced)));
        }
        initSettingsPath();
        QCOMPARE(readIni(QStringLiteral("Machine3"), QStringLiteral("lastfilesent")), file);
    }

    // Two sends started together on one settings file, to machines 3 and 4:
    // each machine keeps the record of its own send, the restart line and
    // the file it names.
    void twoSendsAtOnceKeepBothRecords() {
        PtyMachine lathe;
        const QString files[2] = {home_->file(QStringLiteral("a.nc")), home_->file(QStringLiteral("b.nc"))};
        QVERIFY(writeAllBytes(files[0], "O1\nN10 G0X1\nN20 M30\n"));
        QVERIFY(writeAllBytes(files[1], "O2\nN30 G0X2\nN40 M30\n"));
        for (int round = 0; round < 5; ++round) {
            home_->writeIni(kSettledSettings +
                            "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\nlastline=N777\n"
                            "lastfilesent=old.nc\n[Machine4]\nAlias=LATHE\nCommPort=3\nWaitAfterSending=30\n"
                            "lastline=N888\nlastfilesent=old.nc\n[Ports]\nCom3=" +
                            machine_->slavePath().toLocal8Bit() + "\nCom4=" + lathe.slavePath().toLocal8Bit() +
                            "\n");
            QProcess programs[2];
            for (int i = 0; i < 2; ++i) {
                programs[i].setProcessEnvironment(environment());
                programs[i].start(QStringLiteral(FEEDLINE_EXECUTABLE), {QStringLiteral("x?%1?S?").arg(3 + i) + files[i]});
            }
            for (QProcess& program : programs) {
                QVERIFY(program.waitForFinished(60000));
                QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                         program.readAllStandardError().constData());
            }
            const IniDocument after = IniDocument::parse(home_->readIniBytes());
            QCOMPARE(after.value("Machine3", "lastline").value_or("-"), QString("N20 M30"));
            QCOMPARE(after.value("Machine3", "lastfilesent").value_or("-"), files[0]);
            QCOMPARE(after.value("Machine4", "lastline").value_or("-"), QString("N40 M30"));
            QCOMPARE(after.value("Machine4", "lastfilesent").value_or("-"), files[1]);
        }
    }

    // Another copy holds the settings file's lock for 7 s as the send starts:
    // its record is stored once the lock is let go, at the send's end. A lock
    // file it cannot use (no plain file, or another user's it cannot open)
    // costs it nothing either.
    void aLockOthersHoldOrMadeCostsNoRecord() {
        const QString file = home_->file(QStringLiteral("a.nc"));
        QVERIFY(writeAllBytes(file, "O1\nN10 G0X1\nN20 M30\n"));
        const QByteArray lock = QFile::encodeName(home_->iniPath() + ".lock");
        const struct {
            const char* name;
            std::function<void()> make;
            bool otherUser = false;
            bool held = false; // by the test, for 7 s from the start
            // The settings file and its folder made read-only once the program
            // goes out: the record is lost, and said.
            bool lost = false;
        } rows[] = {
            {"held for 7 s", [] {}, false, true},
            {"a FIFO", [&] { ::mkfifo(lock.constData(), 0666); }},
            {"a link to nothing", [&] { QFile::link(home_->file(QStringLiteral("gone")), QFile::decodeName(lock)); }},
            {"another user's", [&] { ::close(::open(lock.constData(), O_RDONLY | O_CREAT, 0600)); }, true},
            {"unwritable after the start", [] {}, false, false, true},
        };
        for (const auto& row : rows) {
            if (row.otherUser && ::geteuid() != 0)
                continue; // a user cannot make a file another user's
            freshMachine(QByteArray("lastline=N777\nlastfilesent=old.nc\n") + (row.lost ? "TrailerSend=!1000!\n" : ""));
            ::unlink(lock.constData());
            row.make();
            Start start;
            // Root writes whatever the permissions say: the send is nobody's.
            if (row.otherUser || (row.lost && ::geteuid() == 0)) {
                // The folder, the file and the port are everyone's.
                start.user = 65534;
                QVERIFY(::chmod(QFile::encodeName(home_->path()).constData(), 0777) == 0);
                QVERIFY(::chmod(QFile::encodeName(home_->iniPath()).constData(), 0666) == 0);
                QVERIFY(::chmod(QFile::encodeName(machine_->slavePath()).constData(), 0666) == 0);
            }
            QElapsedTimer held;
            held.start();
            bool readOnly = false;
            int holder = row.held ? ::open(lock.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666) : -1;
            QVERIFY(holder < 0 || ::flock(holder, LOCK_EX) == 0);
            const Run r = run(
                QStringLiteral("x?3?S?") + file,
                [&] {
                    if (holder >= 0 && held.elapsed() >= 7000) {
                        ::close(holder);
                        holder = -1;
                    }
                    if (row.lost && !readOnly && machine_->receivedCount() >= 20) {
                        ::chmod(QFile::encodeName(home_->iniPath()).constData(), 0444);
                        readOnly = ::chmod(QFile::encodeName(home_->path()).constData(), 0555) == 0;
                    }
                },
                start);
            if (holder >= 0)
                ::close(holder);
            if (row.lost)
                QVERIFY(::chmod(QFile::encodeName(home_->path()).constData(), 0700) == 0);
            const QByteArray where = QByteArray(row.name) + ": " + r.how.toLocal8Bit();
            QVERIFY2(r.exitCode == 0, where.constData());
            QVERIFY2(r.errors.contains(QStringLiteral("The restart line \"N20 M30\" and the last file sent (") +
                                       file + QStringLiteral(") were not stored.")) == row.lost,
                     where.constData());
            QVERIFY2(!QFileInfo::exists(home_->file(QStringLiteral("gone"))), where.constData());
            const IniDocument after = IniDocument::parse(home_->readIniBytes());
            QCOMPARE(after.value("Machine3", "lastline").value_or("-"), QString(row.lost ? "N777" : "N20 M30"));
            QCOMPARE(after.value("Machine3", "lastfilesent").value_or("-"), row.lost ? QString("old.nc") : file);
        }
    }

    // The machine vanishes at any moment of the send, with XON/XOFF or no
    // flow control: as the first bytes come, in the first blocks, a
    // pseudo-terminal's fill in, half way. Every time the send says why and
    // exits 1.
    void aHangUpAtAnyMomentExitsOne() {
        const QByteArray program = bigProgram();
        const QString file = home_->file(QStringLiteral("big.nc"));
        QVERIFY(writeAllBytes(file, program));
        const struct {
            qint64 at;
            QByteArray keys;
        } moments[] = {
            {1, ""}, {2000, "Handshaking=0\n"}, {64 * 1024, ""}, {program.size() / 2, "Handshaking=0\n"}};
        for (const auto& m : moments) {
            PtyMachine* machine = freshMachine(m.keys);
            // It stops reading at the moment, in its own thread: a test thread
            // that a loaded machine runs late still hangs up before the rest
            // has gone.
            machine->setReaction([machine, at = m.at](qint64 got) {
                if (got >= at)
                    machine->setReading(false);
            });
            const Run r = run(QStringLiteral("?3?S?") + file, [&] {
                if (machine_->receivedCount() >= m.at)
                    machine_->hangUp();
            });
            const QByteArray where =
                "at " + QByteArray::number(m.at) + " " + m.keys + ": " + r.how.toLocal8Bit();
            QVERIFY2(r.exitCode == 1, where.constData());
            QVERIFY2(r.errors.contains(QStringLiteral("Was Not Sent Whole")), where.constData());
        }
        // Nobody reads its messages: it says why all the same, into the void.
        freshMachine(QByteArray());
        Start unread;
        unread.unread = true;
        const Run r = run(
            QStringLiteral("?3?S?") + file, [&] { machine_->hangUp(); }, unread);
        QVERIFY2(r.exitCode == 1, qPrintable(r.how));
    }
};

QTEST_GUILESS_MAIN(CommandLineSendTest)
#include "CommandLineSendTest.moc"
