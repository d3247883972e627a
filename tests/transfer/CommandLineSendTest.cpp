// The command-line send, run as the program itself with its own program
// folder and machine 3's port mapped to a pseudo-terminal.
#include "PtyMachine.h"
#include "TestHome.h"

#include <QProcess>
#include <QtTest>

#include <memory>

class CommandLineSendTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;
    std::unique_ptr<PtyMachine> machine_;

    struct Run {
        int exitCode = -1;
        QString errors;
    };
    Run run(const QString& commandLine) const {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FEEDLINE_HOME"), home_->path());
        env.insert(QStringLiteral("FEEDLINE_PASSWORD_FILE"), home_->file(QStringLiteral("no-password.ini")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(FEEDLINE_EXECUTABLE), {commandLine});
        // Our event loop runs while it waits, as the machine's reader needs nothing of it.
        if (!program.waitForFinished(20000))
            program.kill();
        Run r;
        r.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        r.errors = QString::fromLocal8Bit(program.readAllStandardError());
        return r;
    }
    // Machine 3 on Com3, which the port list maps to the pseudo-terminal;
    // every other key of the machine keeps its default.
    void writeSettings(const QByteArray& moreMachineKeys) const {
        home_->writeIni(kSettledSettings + "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\n" +
                        moreMachineKeys + "[Ports]\nCom3=" + machine_->slavePath().toLocal8Bit() + "\n");
    }

private Q_SLOTS:
    void init() {
        home_ = std::make_unique<TestHome>();
        machine_ = std::make_unique<PtyMachine>();
        writeSettings(QByteArray());
    }
    void cleanup() {
        machine_.reset();
        home_.reset();
    }

    void sendsTheFileAndEnds() {
        const QString file = home_->file(QStringLiteral("part one.nc"));
        QVERIFY(writeAllBytes(file, "%\nO1000\nN10 G0 X1\nM30\n%\n"));
        const Run r = run(QStringLiteral("x?3?S?") + file);
        QVERIFY(machine_->waitForCount(28, 3000));
        QCOMPARE(machine_->received(), QByteArray("%\r\nO1000\r\nN10 G0 X1\r\nM30\r\n%\r\n"));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.errors.contains(QStringLiteral("Has Been Sent")), qPrintable(r.errors));
        const QByteArray log = readAllBytes(home_->file(QStringLiteral("Feedline.log")));
        QVERIFY2(log.startsWith("MILL - Send File To CNC - " + file.toUtf8() + " - "), log.constData());
    }

    void missingFileEndsWithAMessageAndSendsNothing() {
        const QString file = home_->file(QStringLiteral("missing.nc"));
        const Run r = run(QStringLiteral("x?3?S?") + file);
        QVERIFY(r.exitCode != 0);
        QVERIFY2(r.errors.contains(file + QStringLiteral(" Does Not Exist Or Is Unreachable")), qPrintable(r.errors));
        pumpEvents(50);
        QCOMPARE(machine_->received(), QByteArray());
        QVERIFY(!QFile::exists(home_->file(QStringLiteral("Feedline.log"))));
    }

    void machineThatTakesNothingEndsNonZero() {
        machine_->setReading(false);
        writeSettings("SendTimeOut=1\n");
        QByteArray big;
        for (int i = 0; i < 20000; ++i)
            big += "N" + QByteArray::number(i) + " G01 X1.000 Y2.000\n";
        const QString file = home_->file(QStringLiteral("big.nc"));
        QVERIFY(writeAllBytes(file, big));
        const Run r = run(QStringLiteral("?3?S?") + file);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.errors.contains(QStringLiteral("Timed Out After 1s")), qPrintable(r.errors));
        machine_->setReading(true);
    }
};

QTEST_GUILESS_MAIN(CommandLineSendTest)
#include "CommandLineSendTest.moc"
