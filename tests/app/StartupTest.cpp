#include "AppTestSupport.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"
#include "ScriptedMessages.h"

#include <QComboBox>
#include <QProcess>
#include <QtTest>

#include <memory>

class StartupTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;
    QString file_;    // an NC file that exists
    QString oddFile_; // one whose name holds "?"

    QString fill(QString text) const {
        text.replace(QLatin1String("%F"), file_);
        text.replace(QLatin1String("%Q"), oddFile_);
        text.replace(QLatin1String("%M"), home_->file(QStringLiteral("missing.nc")));
        return text;
    }

private Q_SLOTS:
    void init() {
        home_ = freshAppHome();
        home_->writeIni(kSettledSettings + "[Machine3]\nAlias=LATHE\nKeepAlive=0\nHandshaking=2\nCharacterSet=1\n");
        file_ = home_->file(QStringLiteral("part one.nc"));
        oddFile_ = home_->file(QStringLiteral("what?.nc"));
        QVERIFY(writeAllBytes(file_, "%\nG0X1\n%\n"));
        QVERIFY(writeAllBytes(oddFile_, "%\n%\n"));
    }
    void cleanup() { home_.reset(); }

    void commandLineActions_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("sendResult");
        QTest::addColumn<bool>("keepRunning");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QStringList>("transfers");
        QTest::addColumn<QStringList>("editor");
        QTest::addColumn<QString>("message");

        const QStringList none;
        QTest::newRow("empty") << "" << true << true << 0 << true << none << none << "";
        QTest::newRow("path") << "%F" << true << true << 0 << true << none << QStringList{"alreadyOpen:%F"} << "";
        QTest::newRow("quoted path") << "\"%F\"" << true << true << 0 << true << none
                                     << QStringList{"alreadyOpen:%F"} << "";
        QTest::newRow("missing path") << "%M" << true << false << 2 << false << none << none
                                      << "Invalid Command String Received - No CNC Name";
        QTest::newRow("one field") << "a?3" << true << false << 2 << false << none << none
                                   << "Invalid Command String Received - No Direction";
        QTest::newRow("two fields") << "a?3?S" << true << false << 2 << false << none << none
                                    << "Invalid Command String Received - No File";
        QTest::newRow("send") << "?3?S?%F" << true << false << 0 << false << QStringList{"sendFileNoWindow:%F"} << none
                              << "";
        QTest::newRow("send fails") << "x?3?S?%F" << false << false << 1 << false
                                    << QStringList{"sendFileNoWindow:%F"} << none << "";
        QTest::newRow("file with ?") << "?3?S?%Q" << true << false << 0 << false
                                     << QStringList{"sendFileNoWindow:%Q"} << none << "";
        QTest::newRow("missing file") << "?3?S?%M" << true << false << 2 << false << none << none
                                      << "%M Does Not Exist Or Is Unreachable";
        QTest::newRow("lower-case s") << "?3?s?%F" << true << false << 2 << false << none << none << "Direction \"s\"";
        QTest::newRow("machine 0") << "?0?S?%F" << true << false << 2 << false << none << none << "\"0\"";
        QTest::newRow("machine 65") << "?65?S?%F" << true << false << 2 << false << none << none << "\"65\"";
        QTest::newRow("machine with blank") << "?12 ?S?%F" << true << false << 2 << false << none << none
                                            << "\"12 \"";
        QTest::newRow("machine x") << "?x?S?%F" << true << false << 2 << false << none << none << "\"x\"";
        QTest::newRow("open") << "?3?O?%F" << true << true << 0 << true << none << QStringList{"new:%F"} << "";
        QTest::newRow("open missing") << "?3?O?%M" << true << true << 0 << true << none << none
                                      << "%M Does Not Exist Or Is Unreachable";
    }

    void commandLineActions() {
        QFETCH(QString, line);
        QFETCH(bool, sendResult);
        QFETCH(bool, keepRunning);
        QFETCH(int, exitStatus);
        QFETCH(bool, shown);
        QFETCH(QStringList, transfers);
        QFETCH(QStringList, editor);
        QFETCH(QString, message);

        frmTerminal window;
        auto t = std::make_unique<RecordingTransfers>(window);
        auto e = std::make_unique<RecordingEditor>(window);
        RecordingTransfers* tr = t.get();
        RecordingEditor* ed = e.get();
        window.setTransferActions(std::move(t));
        window.setEditorActions(std::move(e));
        QVERIFY(window.Form_Load());
        tr->calls.clear();
        tr->sendResult = sendResult;

        ScriptedMessages msgs;
        int shownBefore = 0;
        QString commandLine = fill(line);
        const Startup::Outcome outcome =
            Startup::processCommandLine(window, commandLine, [&] { ++shownBefore; });
        QCOMPARE(outcome.keepRunning, keepRunning);
        if (!keepRunning)
            QCOMPARE(outcome.exitStatus, exitStatus);
        QCOMPARE(window.isVisible(), shown);
        QCOMPARE(shownBefore, shown ? 1 : 0);
        for (QString& s : transfers)
            s = fill(s);
        for (QString& s : editor)
            s = fill(s);
        QCOMPARE(tr->started(), transfers);
        QCOMPARE(ed->calls, editor);
        if (message.isEmpty())
            QVERIFY2(msgs.shown().isEmpty(), qPrintable(msgs.texts().join(QLatin1Char('|'))));
        else
            QVERIFY2(msgs.sawText(fill(message)), qPrintable(msgs.texts().join(QLatin1Char('|'))));
        // A refused line sends nothing and leaves the first visible machine current.
        if (!keepRunning && exitStatus == 2)
            QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine1"));
    }

    void commandLineMachineBecomesCurrent() {
        frmTerminal window;
        auto t = std::make_unique<RecordingTransfers>(window);
        RecordingTransfers* tr = t.get();
        window.setTransferActions(std::move(t));
        QVERIFY(window.Form_Load());
        QCOMPARE(gHandshaking, 1);
        tr->calls.clear();
        QString line = QStringLiteral("?3?S?") + file_;
        Startup::processCommandLine(window, line);
        // The send uses the named machine's section, keep-alive, flow control and code set.
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine3"));
        QCOMPARE(gKeepAlive, 0);
        QCOMPARE(gHandshaking, 2);
        QCOMPARE(gCharacterSet, 1);
        QCOMPARE(tr->calls.first(), QStringLiteral("closePort"));
        QCOMPARE(window.cmbCNCVisible()->currentText(), QStringLiteral("LATHE"));

        QString path = QLatin1Char('"') + file_ + QLatin1Char('"');
        frmTerminal other;
        other.setEditorActions(std::make_unique<RecordingEditor>(other));
        QVERIFY(other.Form_Load());
        Startup::processCommandLine(other, path);
        QCOMPARE(path, file_);
    }

    void unwritableSettingsAreReportedAtStart() {
        ScriptedMessages msgs;
        QVERIFY(Startup::checkSettingsWritable());
        QVERIFY(msgs.shown().isEmpty());

        // The owner's write bit counts, also for an administrator.
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        QVERIFY(!Startup::checkSettingsWritable());
        QVERIFY(msgs.sawText(QStringLiteral("Can't Write To Settings File")));
        QVERIFY(msgs.sawText(QStringLiteral("read-only")));
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        // A program folder that cannot exist.
        const QString blocker = home_->file(QStringLiteral("plain-file"));
        QVERIFY(writeAllBytes(blocker, "x"));
        qputenv("FEEDLINE_HOME", QFile::encodeName(blocker + QStringLiteral("/home")));
        ProgramPaths::reset();
        initSettingsPath();
        msgs.clear();
        QVERIFY(!Startup::checkSettingsWritable());
        QVERIFY(msgs.sawText(QStringLiteral("Can't Write To Settings File")));
        QVERIFY(msgs.sawText(QStringLiteral("does not exist")));
    }

    void executableEndsWithAMessageOnStandardError_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QString>("message");
        QTest::newRow("read-only settings") << QStringList{"?3?S?%F"} << true << 3 << "Can't Write To Settings File";
        QTest::newRow("machine 65") << QStringList{"?65?S?%F"} << false << 2 << "\"65\" Is Not A Number From 1 To 64";
        QTest::newRow("no direction") << QStringList{"a?3"} << false << 2 << "No Direction";
        QTest::newRow("missing file") << QStringList{"?3?S?%M"} << false << 2 << "Does Not Exist Or Is Unreachable";
        QTest::newRow("missing path") << QStringList{"%M"} << false << 2 << "No CNC Name";
    }

    void executableEndsWithAMessageOnStandardError() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, readOnly);
        QFETCH(int, exitStatus);
        QFETCH(QString, message);
        if (readOnly)
            QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner));
        for (QString& a : arguments)
            a = fill(a);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FEEDLINE_HOME"), home_->path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(FEEDLINE_EXECUTABLE), arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitStatus);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(errors.contains(message), qPrintable(errors));
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
