#include "AppTestSupport.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"

#include <QComboBox>
#include <QProcess>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

// The text as UTF-16 with its byte-order mark, as some editors save it.
QByteArray utf16(const QByteArray& latin1) {
    const QString text = QString::fromLatin1(latin1);
    return QByteArray("\xff\xfe", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QByteArray garbage() {
    static const char bytes[] = "\x01\x9c\xf3 zz\0\0[\x88";
    return QByteArray(bytes, sizeof bytes - 1);
}

// What `f` writes to standard error.
QString standardErrorOf(const std::function<void()>& f) {
    QTemporaryFile file;
    if (!file.open())
        return QString();
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    f();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return QString::fromLocal8Bit(file.readAll());
}

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
        int boxes = 0;
        QString commandLine = fill(line);
        Startup::Outcome outcome;
        const QString errors = standardErrorOf(
            [&] { outcome = Startup::processCommandLine(window, commandLine, [&] { return ++boxes > 0; }); });
        QCOMPARE(outcome.keepRunning, keepRunning);
        if (!keepRunning)
            QCOMPARE(outcome.exitStatus, exitStatus);
        QCOMPARE(window.isVisible(), shown);
        // A refusal is a critical box on the screen and a line on standard error.
        const bool refused = !keepRunning && exitStatus == 2;
        QCOMPARE(boxes, shown || refused ? 1 : 0);
        if (refused) {
            QVERIFY2(errors.contains(fill(message)), qPrintable(errors));
            QCOMPARE(msgs.shown().last().icon, Msg::Critical);
        }
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

    // The settings file as the start finds it: the messages, whether it is
    // written this run, and whether a first run writes records into it.
    void settingsFileAtStart_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("alias3");
        QTest::newRow("settled") << kSettledSettings + "[Machine3]\nAlias=LATHE\n" << false << "" << false << "LATHE";
        QTest::newRow("mark") << "\xef\xbb\xbf" + kSettledSettings + "[Machine3]\nAlias=LATHE\n" << false << ""
                              << false << "LATHE";
        QTest::newRow("CR ends") << QByteArray(kSettledSettings + "[Machine3]\nAlias=LATHE\n").replace('\n', '\r')
                                 << false << "" << false << "LATHE";
        QTest::newRow("none yet") << QByteArray(" \r\n") << false << "" << false << "Machine3";
        QTest::newRow("UTF-16") << utf16(kSettledSettings) << false << "Settings File Not Read" << true << "Machine3";
        QTest::newRow("garbage") << garbage() << false << "Settings File Not Read" << true
                                 << "Machine3";
        QTest::newRow("machines only") << QByteArray("[Machine3]\nAlias=LATHE\n") << false << "Settings File Not Read"
                                       << true << "LATHE";
        QTest::newRow("read-only") << kSettledSettings + "[Machine3]\nAlias=LATHE\n" << true
                                   << "Can't Write To Settings File" << true << "LATHE";
        QTest::newRow("UTF-16, read-only") << utf16(kSettledSettings) << true << "Settings File Not Read" << true
                                           << "Machine3";
        QTest::newRow("read-only, first run") << QByteArray() << true << "Can't Write To Settings File" << true
                                              << "Machine3";
    }

    void settingsFileAtStart() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, readOnly);
        QFETCH(QString, message);
        QFETCH(bool, kept);
        QFETCH(QString, alias3);
        home_->writeIni(contents);
        if (readOnly)
            QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner));
        ScriptedMessages msgs;
        Startup::checkSettingsFile();
        QCOMPARE(settingsKeptInMemory(), kept);
        QCOMPARE(msgs.shown().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(msgs.sawText(message), qPrintable(msgs.texts().join(QLatin1Char('|'))));

        const QByteArray before = home_->readIniBytes();
        {
            // A first run, where there is one, waits on no window in a hidden start.
            frmTerminal window;
            window.setTransferActions(std::make_unique<RecordingTransfers>(window));
            QVERIFY(window.Form_Load(true));
            QCOMPARE(readIni(QStringLiteral("Machine3"), QStringLiteral("Alias")), alias3);
            Startup::noticeSettingsNotKept();
            msgs.clear();
            writeIni(QStringLiteral("Settings"), QStringLiteral("FindX"), QStringLiteral("1"));
            writeIni(QStringLiteral("Settings"), QStringLiteral("FindY"), QStringLiteral("2"));
            QCOMPARE(readIni(QStringLiteral("Settings"), QStringLiteral("FindY")), QStringLiteral("2"));
            // Said once, never a box per write.
            QCOMPARE(msgs.shown().size(), kept ? 1 : 0);
        }
        const QByteArray after = home_->readIniBytes();
        if (kept) {
            QCOMPARE(after, before);
        } else {
            // Its own mark and line ends stay; no second [Settings] comes.
            QCOMPARE(after.startsWith("\xef\xbb\xbf"), before.startsWith("\xef\xbb\xbf"));
            QCOMPARE(after.contains('\n'), before.contains('\n') || before.trimmed().isEmpty());
            QCOMPARE(after.count("[Settings]"), 1);
            QVERIFY(after.contains("FindY=2"));
        }
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    // The program itself started hidden: it ends, sent or refused with a
    // message, and leaves a settings file it cannot use as it was.
    void executableRun_data() {
        QTest::addColumn<QByteArray>("settings"); // empty: the test's own; %P: the machine's pseudo-terminal
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QString>("message");
        const QByteArray own;
        const QByteArray onPty =
            kSettledSettings + "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\n[Ports]\nCom3=%P\n";
        QTest::newRow("machine 65") << own << false << "?65?S?%F" << 2 << "\"65\" Is Not A Number From 1 To 64";
        QTest::newRow("no direction") << own << false << "a?3" << 2 << "No Direction";
        QTest::newRow("missing file") << own << false << "?3?S?%M" << 2 << "Does Not Exist Or Is Unreachable";
        QTest::newRow("missing path") << own << false << "%M" << 2 << "No CNC Name";
        QTest::newRow("mark") << "\xef\xbb\xbf" + onPty << false << "?3?S?%F" << 0 << "Has Been Sent";
        QTest::newRow("CR ends") << QByteArray(onPty).replace('\n', '\r') << false << "?3?S?%F" << 0 << "Has Been Sent";
        QTest::newRow("read-only") << onPty << true << "?3?S?%F" << 0 << "Can't Write To Settings File";
        QTest::newRow("UTF-16") << utf16(onPty) << false << "?3?S?%F" << 2 << "Cannot Be Read";
        QTest::newRow("garbage") << garbage() << false << "?3?S?%F" << 2 << "Cannot Be Read";
    }

    void executableRun() {
        QFETCH(QByteArray, settings);
        QFETCH(bool, readOnly);
        QFETCH(QString, line);
        QFETCH(int, exitStatus);
        QFETCH(QString, message);
        PtyMachine machine;
        if (!settings.isEmpty())
            home_->writeIni(settings.replace("%P", machine.slavePath().toLocal8Bit()));
        const QByteArray before = home_->readIniBytes();
        if (readOnly)
            QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FEEDLINE_HOME"), home_->path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(FEEDLINE_EXECUTABLE), {fill(line)});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitStatus);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(errors.count(message) == 1, qPrintable(errors));
        if (exitStatus == 0)
            QVERIFY(machine.waitForCount(12, 20000));
        QCOMPARE(machine.received(), exitStatus == 0 ? QByteArray("%\r\nG0X1\r\n%\r\n") : QByteArray());
        const QByteArray after = home_->readIniBytes();
        if (readOnly || (exitStatus != 0 && !settings.isEmpty()))
            QCOMPARE(after, before);
        QCOMPARE(after.startsWith("\xef\xbb\xbf"), before.startsWith("\xef\xbb\xbf"));
        QCOMPARE(after.contains('\n'), before.contains('\n'));
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
