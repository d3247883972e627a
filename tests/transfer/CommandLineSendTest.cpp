// The command-line send, run as the program itself with its own program
// folder and machine 3's port mapped to a pseudo-terminal.
#include "IniStorage.h"
#include "PtyMachine.h"
#include "TestHome.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

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
    // `machineSide` runs over and over while the program runs. `unread`:
    // its messages go to a pipe nobody reads any more.
    // `noDisplay`: as from cron or ssh, no display variable is set.
    Run run(const QString& commandLine, const std::function<void()>& machineSide = {}, bool unread = false,
            bool noDisplay = false) const {
        QProcess program;
        int closedPipe[2] = {-1, -1};
        if (unread && ::pipe2(closedPipe, O_CLOEXEC) == 0) {
            ::close(closedPipe[0]);
            program.setChildProcessModifier([fd = closedPipe[1]] { ::dup2(fd, STDERR_FILENO); });
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FEEDLINE_HOME"), home_->path());
        env.insert(QStringLiteral("FEEDLINE_PASSWORD_FILE"), home_->file(QStringLiteral("no-password.ini")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (noDisplay)
            for (const char* named : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                env.remove(QString::fromLatin1(named));
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
    PtyMachine* freshMachine(const QByteArray& moreMachineKeys) {
        machine_ = std::make_unique<PtyMachine>();
        home_->writeIni(kSettledSettings + "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\n" +
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
    // never ends meets SendTimeOut, says so and exits 1.
    void flowHoldsAndFailures() {
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

        m = freshMachine("Handshaking=1\nSendTimeOut=3\n");
        m->setReaction([m, held = false](qint64 got) mutable {
            if (!held && got > 0)
                m->send("\x13"); // and never an XON
            held = held || got > 0;
        });
        r = run(QStringLiteral("?3?S?") + file);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.errors.contains(QStringLiteral("Timed Out After 3s")), qPrintable(r.errors));
    }

    // SIGINT, SIGTERM and SIGHUP end a send as Cancel does, so that a script
    // can bound any wait: the wait for XON, which has no limit of its own, an
    // XOFF hold with none (0), an XModem receiver that never answers. Exit 1,
    // the restart line stored, the cancel said once. A send reads its
    // settings once: it keeps no watch on them.
    void signalsCancelTheSend() {
        const QString file = home_->file(QStringLiteral("big.nc"));
        QVERIFY(writeAllBytes(file, bigProgram()));
        const struct {
            int signal;
            QByteArray keys;
            bool holdsXoff;  // else the send waits for XON (or an XModem answer) before anything goes
            QString restart; // "N": a line of the program
        } rows[] = {{SIGTERM, "WaitForXON=1\n", false, ""},
                    {SIGINT, "WaitForXON=2\nSendTimeOut=0\n", false, ""},
                    {SIGHUP, "Handshaking=1\nSendTimeOut=0\n", true, "N"},
                    {SIGTERM, "Handshaking=4\nSendTimeOut=30\n", false, "OLD"}};
        for (const auto& row : rows) {
            PtyMachine* m = freshMachine(row.keys + "lastline=OLD\n");
            auto held = std::make_shared<std::atomic<bool>>(false);
            if (row.holdsXoff)
                m->setReaction([m, held](qint64 got) {
                    if (got > 0 && !held->exchange(true))
                        m->send("\x13"); // and never an XON
                });
            bool signalled = false, watched = false;
            const Run r = run(QStringLiteral("?3?S?") + file, [&] {
                if (!signalled && (row.holdsXoff ? bool(*held) : holdsOpen(m->slavePath()))) {
                    watched = holdsOpen(QStringLiteral("anon_inode:inotify"));
                    signalled = ::kill(pid_t(pid_), row.signal) == 0;
                }
            });
            const QByteArray where = row.keys + r.how.toLocal8Bit();
            QVERIFY2(signalled && r.exitCode == 1, where.constData());
            QVERIFY2(r.errors.count(QStringLiteral("Send Cancelled")) == 1, where.constData());
            QVERIFY2(!r.errors.contains(QStringLiteral("Feedline: \n")), where.constData());
            QVERIFY2(!watched, where.constData());
            initSettingsPath();
            const QString restart = readIni(QStringLiteral("Machine3"), QStringLiteral("lastline"));
            QVERIFY2(row.restart == QLatin1String("N") ? restart.startsWith(QLatin1Char('N'))
                                                       : restart == row.restart,
                     qPrintable(restart));
            if (!row.holdsXoff) // an XModem sender cancels with CANs alone
                QCOMPARE(m->received().replace('\x18', QByteArray()), QByteArray());
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

    // From cron, ssh or a service no display is named: a send runs all the
    // same, and a start with the window says in one line why it cannot.
    void withoutADisplay() {
        const QString file = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(file, "O1\nG0X1\nM30\n"));
        Run r = run(QStringLiteral("x?3?S?") + file, {}, false, true);
        QVERIFY2(r.exitCode == 0, qPrintable(r.how));
        QVERIFY(machine_->waitForCount(15, 20000));
        QCOMPARE(machine_->received(), QByteArray("O1\r\nG0X1\r\nM30\r\n"));
        r = run(QString(), {}, false, true);
        QVERIFY2(r.exitCode > 0 && r.errors.contains(QStringLiteral("No Display")), qPrintable(r.how));
        QCOMPARE(r.errors.count(QLatin1Char('\n')), 1);
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
        const Run r = run(
            QStringLiteral("?3?S?") + file, [&] { machine_->hangUp(); }, true);
        QVERIFY2(r.exitCode == 1, qPrintable(r.how));
    }
};

QTEST_GUILESS_MAIN(CommandLineSendTest)
#include "CommandLineSendTest.moc"
