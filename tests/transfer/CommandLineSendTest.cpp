// The command-line send, run as the program itself with its own program
// folder and machine 3's port mapped to a pseudo-terminal.
#include "PtyMachine.h"
#include "TestHome.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class CommandLineSendTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;
    std::unique_ptr<PtyMachine> machine_;

    struct Run {
        int exitCode = -1;
        QString errors;
    };
    // `machineSide` runs over and over while the program runs.
    Run run(const QString& commandLine, const std::function<void()>& machineSide = {}) const {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FEEDLINE_HOME"), home_->path());
        env.insert(QStringLiteral("FEEDLINE_PASSWORD_FILE"), home_->file(QStringLiteral("no-password.ini")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(FEEDLINE_EXECUTABLE), {commandLine});
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
        Run r;
        r.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        r.errors = QString::fromLocal8Bit(program.readAllStandardError());
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
        home_->writeIni(kSettledSettings +
                        "[Machine3]\nAlias=MILL\nCommPort=2\nHandshaking=4\niBaudrate=10\nSendTimeOut=3\n"
                        "[Ports]\nCom3=" + bridge.ourSide().toLocal8Bit() + "\n");
        const QString file = home_->file(QStringLiteral("part.bin"));
        const QString got = home_->file(QStringLiteral("got.bin"));
        for (const bool killed : {false, true}) {
            // Long enough that rx is killed mid-transfer.
            const QByteArray data = randomBytes(killed ? 1 << 20 : 128 * 40);
            QVERIFY(writeAllBytes(file, data));
            QProcess rx;
            rx.setWorkingDirectory(home_->path());
            rx.setStandardInputFile(bridge.peerSide());
            rx.setStandardOutputFile(bridge.peerSide());
            rx.start(QStringLiteral("/usr/bin/rx"), {QStringLiteral("-q"), QStringLiteral("-c"), QStringLiteral("got.bin")});
            QVERIFY(rx.waitForStarted(5000));
            const Run r = run(QStringLiteral("x?3?S?") + file, [&] {
                if (killed && rx.state() != QProcess::NotRunning && QFileInfo(got).size() > 0)
                    rx.kill();
            });
            QVERIFY2((r.exitCode == 0) == !killed, qPrintable(r.errors));
            if (!killed) {
                QVERIFY(waitUntil([&] { return rx.state() == QProcess::NotRunning; }, 10000));
                QCOMPARE(readAllBytes(got), data);
            }
            QFile::remove(got);
        }
    }

    // XON/XOFF machines: a hold of any length pauses the send; a hold that
    // never ends meets SendTimeOut; a machine that vanishes ends the send.
    // Every failure says why and exits 1.
    void flowHoldsAndFailures() {
        QByteArray program;
        for (int i = 0; i < 20000; ++i)
            program += "N" + QByteArray::number(i) + " G01 X1.000 Y2.000\n";
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

        freshMachine(QByteArray());
        r = run(QStringLiteral("?3?S?") + file, [&] {
            if (machine_->receivedCount() > 2000)
                machine_->hangUp();
        });
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.errors.contains(QStringLiteral("Was Not Sent Whole")), qPrintable(r.errors));
    }
};

QTEST_GUILESS_MAIN(CommandLineSendTest)
#include "CommandLineSendTest.moc"
