#include "../settings/CopyHoldingTheLock.h"
#include "AppTestSupport.h"
#include "CommandLine.h"
#include "CommandLineSend.h"
#include "FakeDisplay.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "ProgramPaths.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "SendSignals.h"
#include "StartupLoad.h"
#include "TransferGlobals.h"
#include "frmCancelSend.h"
#include "frmVisibleCNC.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

// The text as UTF-16 with its byte-order mark, as some editors save it.
QByteArray utf16(const QByteArray& latin1) {
    const QString text = QString::fromLatin1(latin1);
    return QByteArray("\xff\xfe", 2) +
           QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
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

// Calls `shown` as a progress window is shown, before the code that shows
// it goes on.
class ProgressShown : public QObject {
public:
    explicit ProgressShown(std::function<void()> shown) : shown_(std::move(shown)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<frmCancelSend*>(object))
            shown_();
        return false;
    }

private:
    std::function<void()> shown_;
};

class StartupTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;
    QString file_; // an NC file that exists

    QString fill(QString text) const {
        text.replace("%F", file_);
        text.replace("%M", home_->file("missing.nc"));
        text.replace("%D", home_->file("folder"));
        return text;
    }

private Q_SLOTS:
    void init() {
        home_ = freshAppHome();
        home_->writeIni(kSettledSettings +
                        "[Machine3]\nAlias=LATHE\nKeepAlive=0\nHandshaking=2\nCharacterSet=1\n");
        file_ = home_->file("part one.nc");
        QVERIFY(QDir().mkpath(home_->file("folder")));
        QVERIFY(writeAllBytes(file_, "%\nG0X1\n%\n"));
    }
    void cleanup() {
        Startup::commandLineWindowDelayMs() = 250;
        home_.reset();
    }

    // Exit -1: the program runs on with its window shown.
    void commandLineActions_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("calls"); // asked of the transfers and the editor
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("box"); // the message is shown; else it is only on standard error
        QTest::newRow("empty") << "" << -1 << "" << QString() << true;
        QTest::newRow("path") << "%F" << -1 << "alreadyOpen:%F" << QString() << true;
        QTest::newRow("missing path")
            << "%M" << 2 << "" << QString("Invalid Command String Received - No CNC Name") << true;
        QTest::newRow("folder") << "%D" << 2 << "" << QString("%D Is A Folder, Not A File") << true;
        QTest::newRow("missing file")
            << "?3?S?%M" << 2 << "" << QString("%M Does Not Exist Or Is Unreachable") << true;
        QTest::newRow("send a folder") << "?3?S?%D" << 2 << "" << QString("%D Is A Folder, Not A File") << true;
        QTest::newRow("open") << "?3?O?%F" << -1 << "new:%F" << QString() << true;
        QTest::newRow("open missing")
            << "?3?O?%M" << -1 << "" << QString("%M Does Not Exist Or Is Unreachable") << true;
        QTest::newRow("open a folder") << "?3?O?%D" << -1 << "" << QString("%D Is A Folder, Not A File") << true;
        QTest::newRow("lower-case s") << "?3?s?%F" << 2 << "" << QString("Direction \"s\" Is Neither S Nor O")
                                      << false;
    }

    void commandLineActions() {
        QFETCH(QString, line);
        QFETCH(int, exit);
        QFETCH(QString, calls);
        QFETCH(QString, message);
        QFETCH(bool, box);
        frmTerminal window;
        auto* tr = new RecordingTransfers(window);
        auto* ed = new RecordingEditor(window);
        window.setTransferActions(std::unique_ptr<TransferActions>(tr));
        window.setEditorActions(std::unique_ptr<EditorActions>(ed));
        QVERIFY(window.Form_Load());
        tr->calls.clear();
        tr->sendResult = exit != 1;

        ScriptedMessages msgs;
        int boxes = 0;
        QString commandLine = fill(line);
        Startup::Outcome outcome;
        const QString errors = standardErrorOf(
            [&] { outcome = Startup::processCommandLine(window, commandLine, [&] { return ++boxes > 0; }); });
        QCOMPARE(outcome.keepRunning, exit < 0);
        if (exit >= 0)
            QCOMPARE(outcome.exitStatus, exit);
        QCOMPARE(window.isVisible(), exit < 0);
        // A refusal is a critical box on the screen and a line on standard error.
        QCOMPARE(boxes, exit < 0 || (exit == 2 && box) ? 1 : 0);
        if (exit == 2) {
            QVERIFY2(errors.contains(fill(message)), qPrintable(errors));
            if (box)
                QCOMPARE(msgs.shown().last().icon, Msg::Critical);
        }
        QCOMPARE((tr->started() + ed->calls).join(' '), fill(calls));
        QCOMPARE(msgs.texts().join(' '), box ? fill(message) : QString());
        // A send uses the named machine's section, keep-alive, flow control and code set; a refused line
        // leaves the first visible machine current.
        if (!calls.isEmpty() && exit >= 0) {
            QCOMPARE(machineValues(), QString("Machine3 0 2 1 1"));
            QCOMPARE(tr->calls.first(), QString("closePort"));
        }
        if (exit == 2)
            QCOMPARE(gCurrentMachineSection, QString("Machine1"));
    }

    // A command-line send builds no main window, and with the display set to
    // "None" no widget at all; the window's own transfers are never asked,
    // even when a loaded window is given the command line.
    void commandLineSendBuildsNoWindow_data() {
        QTest::addColumn<QByteArray>("settings"); // %P: the machine's pseudo-terminal
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("loadedWindow"); // the line handed to a loaded main window
        QTest::addColumn<int>("exit");
        QTest::addColumn<bool>("anyWidget");
        QTest::addColumn<QString>("machine"); // section, keep-alive, handshaking, flow method, code set
        const QByteArray mill = "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\nHandshaking=0\n";
        const QByteArray ports = "[Ports]\nCom3=%P\n";
        const QByteArray closes = "KeepAlive=0\n";
        // Over before its window would come, with nothing left to show: not even that.
        QTest::newRow("settled") << kSettledSettings + mill + closes + ports << "?3?S?%F" << false << 0
                                 << false << "Machine3 0 0 1 0";
        QByteArray countdown = mill;
        countdown.replace("WaitAfterSending=30", "WaitAfterSending=0");
        QTest::newRow("countdown") << kSettledSettings + countdown + closes + ports << "?3?S?%F" << false << 0
                                   << true << "Machine3 0 0 1 0";
        QTest::newRow("display None") << kSettledSettings + "DNCStatus=3\n" + mill + closes + ports
                                      << "?3?S?%F" << false << 0 << false << "Machine3 0 0 1 0";
        QTest::newRow("keep-alive") << kSettledSettings + "DNCStatus=3\n" + mill + "KeepAlive=1\n" + ports
                                    << "?3?S?%F" << false << 0 << false << "Machine3 1 0 1 0";
        // A first run whose machine has a section of its own: its records are written, and it goes out.
        QTest::newRow("first run") << QByteArray("[Settings]\nDNCStatus=3\n[Machine1]\n[Ports]\nCom1=%P\n")
                                   << "x?1?S?%F" << false << 0 << false << "Machine1 1 1 1 0";
        QTest::newRow("no device") << kSettledSettings + "DNCStatus=3\n" + mill + closes +
                                          "[Ports]\nCom3=/nonexistent/tty\n"
                                   << "?3?S?%F" << false
                                   << 1 << false << "Machine3 0 0 1 0";
        QTest::newRow("loaded window") << kSettledSettings + countdown + closes + ports << "?3?S?%F" << true << 0
                                       << true << "Machine3 0 0 1 0";
    }

    void commandLineSendBuildsNoWindow() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, line);
        QFETCH(bool, loadedWindow);
        QFETCH(int, exit);
        QFETCH(bool, anyWidget);
        QFETCH(QString, machine);
        Startup::commandLineWindowDelayMs() = 60000; // every send here is over long before
        PtyMachine pty;
        home_->writeIni(settings.replace("%P", pty.slavePath().toLocal8Bit()));
        ScriptedMessages msgs;
        std::unique_ptr<frmTerminal> window;
        RecordingTransfers* tr = nullptr;
        if (loadedWindow) {
            window = std::make_unique<frmTerminal>();
            tr = new RecordingTransfers(*window);
            window->setTransferActions(std::unique_ptr<TransferActions>(tr));
            QVERIFY(window->Form_Load(true));
            tr->calls.clear();
        }
        // What exists while the send runs, looked at every time it yields.
        int looks = 0;
        bool mainWindowSeen = false, widgetSeen = false, progressSeen = false;
        QTimer look;
        look.setInterval(0);
        QObject::connect(&look, &QTimer::timeout, [&] {
            ++looks;
            for (QWidget* w : QApplication::allWidgets()) {
                if (w->window() == window.get())
                    continue;
                widgetSeen = true;
                mainWindowSeen = mainWindowSeen || qobject_cast<QMainWindow*>(w);
                progressSeen = progressSeen || qobject_cast<frmCancelSend*>(w);
            }
        });
        look.start();
        QString commandLine = fill(line);
        const Startup::Outcome outcome =
            window ? Startup::processCommandLine(*window, commandLine)
                   : Startup::runCommandLineSend(CommandLine::parse(commandLine), {});
        look.stop();
        QVERIFY(!outcome.keepRunning);
        QCOMPARE(outcome.exitStatus, exit);
        QVERIFY(looks > 0);
        QVERIFY(!mainWindowSeen);
        QCOMPARE(widgetSeen, anyWidget);
        QCOMPARE(progressSeen, anyWidget);
        QCOMPARE(machineValues(), machine);
        if (tr)
            QCOMPARE(tr->calls, QStringList());
        QVERIFY(!comPort().isOpen());
        if (exit == 0) {
            QVERIFY(pty.waitForCount(12, 20000));
            QCOMPARE(pty.received(), QByteArray("%\r\nG0X1\r\n%\r\n"));
            QCOMPARE(readIni(gCurrentMachineSection, QString("lastfilesent")), file_);
        } else {
            QVERIFY2(msgs.sawText("Was Not Sent Whole") || msgs.sawText("Can't Open"),
                     qPrintable(msgs.texts().join('|')));
        }
    }

    // The progress window's Cancel ends a command-line send with 1 and says
    // so where a status line would.
    void aCancelledCommandLineSendSaysSo() {
        PtyMachine pty;
        pty.setReaction([&pty, held = false](qint64 got) mutable {
            if (!held && got > 0)
                pty.send("\x13"); // the machine holds the send
            held = held || got > 0;
        });
        home_->writeIni(kSettledSettings +
                        "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\n"
                        "Handshaking=1\nKeepAlive=0\n[Ports]\nCom3=" +
                        pty.slavePath().toLocal8Bit() + "\n");
        ScriptedMessages msgs;
        QTimer cancel;
        QObject::connect(&cancel, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* progress = qobject_cast<frmCancelSend*>(w); progress && pty.receivedCount() > 0)
                    QTest::mouseClick(progress->Command1(), Qt::LeftButton);
        });
        cancel.start(10);
        const QString big = home_->file("big.nc");
        QVERIFY(writeAllBytes(big, QByteArray(450000, 'X').replace("XXXXXXXXX", "G01 X1.0\n")));
        const Startup::Outcome outcome = Startup::runCommandLineSend(CommandLine::parse("?3?S?" + big), {});
        QCOMPARE(outcome.exitStatus, int(Startup::ExitSendFailed));
        QVERIFY2(msgs.sawText("Send Cancelled"), qPrintable(msgs.texts().join('|')));
    }

    // A signal once the send's signal handling is set up, before the send
    // has begun, ends the program with 1, nothing sent; the port that was
    // opened meanwhile (a kept-open one) is closed first, as a signal then
    // could come in the middle of its opening: the next opening finds it as
    // this one found it, no lock file, not held for exclusive use. Played
    // in a child that raises the signal itself.
    void aSignalBeforeTheSendBeganLeavesThePortAsFound_data() {
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<bool>("sendBegins");
        QTest::newRow("the port kept open, then the send begins") << true << true;
        QTest::newRow("the port kept open, no send") << true << false;
        QTest::newRow("no port, then the send begins") << false << true;
    }
    void aSignalBeforeTheSendBeganLeavesThePortAsFound() {
        QFETCH(bool, portOpen);
        QFETCH(bool, sendBegins);
        PtyMachine pty;
        home_->writeIni(kSettledSettings + "[Machine3]\nAlias=MILL\nCommPort=2\nKeepAlive=1\n[Ports]\nCom3=" +
                        pty.slavePath().toLocal8Bit() + "\n");
        gCurrentMachineSection = MachineRecord::sectionName(3);
        loadCurrentMachineValues();
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            {
                Startup::CancelOnSignals signalsCancel;
                if (portOpen && !openPortSilent())
                    ::_exit(4);
                ::raise(SIGTERM);
                if (sendBegins) {
                    clearCancelAsSendBegins();
                    ::_exit(3); // the send would go on
                }
            }
            ::_exit(0);
        }
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status), qPrintable(QString::number(status)));
        QCOMPARE(WEXITSTATUS(status), 1);
        QCOMPARE(pty.received(), QByteArray());
        QCOMPARE(pty.leftHeld(), QString());
        QVERIFY(openPortSilent());
        closeComPort(CloseWhen::Always);
    }

    // A signal arms the watchdog of a program held in Qt's connection:
    // where the display it shows on has stopped answering (asked on a
    // connection of its own), it ends the program, the port left as found;
    // with no display, or one that answers, it never does, however long
    // the program stays held. Played in a child held 4 s after the signal.
    void theWatchdogEndsOnlyForADisplayThatStopped_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<int>("exit");
        QTest::newRow("no display") << "offscreen" << false << 0;
        QTest::newRow("a display that answers") << "xcb" << false << 0;
        QTest::newRow("a display that stopped") << "xcb" << true << 1;
    }
    void theWatchdogEndsOnlyForADisplayThatStopped() {
        QFETCH(QString, platform);
        QFETCH(bool, stopped);
        QFETCH(int, exit);
        PtyMachine pty;
        home_->writeIni(kSettledSettings + "[Machine3]\nAlias=MILL\nCommPort=2\nKeepAlive=1\n[Ports]\nCom3=" +
                        pty.slavePath().toLocal8Bit() + "\n");
        gCurrentMachineSection = MachineRecord::sectionName(3);
        loadCurrentMachineValues();
        int n = 0;
        const auto display = FakeDisplay::onFreeNumber({FakeDisplay::X11}, &n);
        QVERIFY(display);
        if (stopped)
            display->stall();
        const QByteArray before = qgetenv("DISPLAY");
        qputenv("DISPLAY", ":" + QByteArray::number(n));
        // As the start does; before the fork, so that the child does little
        // more than a forked child of a program with threads may.
        Startup::watchDisplay(platform);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            Startup::CancelOnSignals signalsCancel;
            if (!openPortSilent())
                ::_exit(4);
            clearCancelAsSendBegins();
            ::raise(SIGTERM);
            // Held where no signal is taken: past the watchdog's 2 s, and
            // long past them where it must end the program, however loaded
            // the machine.
            ::sleep(stopped ? 30 : 4);
            ::_exit(0);
        }
        before.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", before);
        Startup::watchDisplay(QStringLiteral("offscreen"));
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status), qPrintable(QString::number(status)));
        QCOMPARE(WEXITSTATUS(status), exit);
        if (stopped)
            QCOMPARE(pty.leftHeld(), QString());
    }

    // On a screen, a command-line send's "{Prompt Me}" is a box, the port open
    // until it is answered; a signal ends it as Esc does. Without a screen the
    // prompt is only printed.
    void thePromptAfterACommandLineSend_data() {
        QTest::addColumn<bool>("screen");
        QTest::addColumn<bool>("signal");
        QTest::newRow("screen") << true << false;
        QTest::newRow("screen, a signal") << true << true;
        QTest::newRow("no screen") << false << false;
    }

    void thePromptAfterACommandLineSend() {
        QFETCH(bool, screen);
        QFETCH(bool, signal);
        PtyMachine pty;
        home_->writeIni(kSettledSettings +
                        "[Machine3]\nAlias=MILL\nCommPort=2\nWaitAfterSending=30\nHandshaking=0\nKeepAlive=0\n"
                        "[Ports]\nCom3=" +
                        pty.slavePath().toLocal8Bit() + "\n");
        bool boxAsked = false, openWhileAsked = false, endedBySignal = false;
        QStringList printed, inBoxes; // on standard error (the handler before the send's), in a box
        const auto answer = [&](const Msg::Request& r, bool inBox) {
            (inBox ? inBoxes : printed) << r.text;
            if (!r.text.endsWith(QLatin1String("Press OK To End Transmission")))
                return Msg::defaultAnswer(r);
            boxAsked = inBox;
            openWhileAsked = comPort().isOpen();
            // The restart line, stored once the port is closed, is kept in
            // memory only (as after a lock wait in vain): said after the box.
            keepSettingsInMemory(QStringLiteral("Another Copy Holds The Lock"));
            if (signal) {
                QDialog box;
                QTimer::singleShot(0, [] { ::raise(SIGTERM); });
                QTimer::singleShot(20000, &box, &QDialog::accept);
                endedBySignal = box.exec() == QDialog::Rejected;
            }
            return Msg::AnswerOk;
        };
        const Msg::Handler before = Msg::setHandler([&](const Msg::Request& r) { return answer(r, false); });
        const auto restore = qScopeGuard([&] { Msg::setHandler(before); });
        // As the program's own: a screen's boxes once asked for.
        const Startup::Outcome outcome =
            Startup::runCommandLineSend(CommandLine::parse(fill("?3?S?%F")), [&] {
                if (screen)
                    Msg::setHandler([&](const Msg::Request& r) { return answer(r, true); });
                return screen;
            });
        QCOMPARE(inBoxes.size(), screen ? 1 : 0);
        QVERIFY2(printed.size() == (screen ? 1 : 2) &&
                     printed.last().contains(QLatin1String("Settings Not Saved")),
                 qPrintable(printed.join('|')));
        QCOMPARE(outcome.exitStatus, 0);
        QCOMPARE(boxAsked, screen);
        QVERIFY(openWhileAsked);
        QCOMPARE(endedBySignal, signal);
        QVERIFY(!comPort().isOpen());
        QVERIFY(pty.waitForCount(12, 20000));
    }

    // A command-line send shows its progress window once it has gone on for
    // a while (built but hidden when the send minimises): here a send the
    // machine holds, reading nothing until the window shows. One over before
    // then shows none, unless something is left to show: a wait in its
    // trailer, the countdown of the port kept open after it. When something
    // may hold it before its first block (a pause in the header, a delay per
    // character), the window comes first, as for every send from the main
    // window. The bytes on the wire are the same whichever way.
    void commandLineSendShowsItsWindowOnceItHasGoneOn_data() {
        QTest::addColumn<QByteArray>("settings"); // [Settings] keys
        QTest::addColumn<QByteArray>("keys");     // the machine's keys
        QTest::addColumn<bool>("longProgram");    // more than a pseudo-terminal holds
        QTest::addColumn<bool>("held");           // the machine reads nothing until the window shows
        // -1 none, 0 before the first byte, 1 once every block is handed over, 2 while held
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QByteArray>("wire"); // %L: the long program
        const QByteArray program = "%\r\nG0X1\r\n%\r\n";
        const QByteArray prompt = "WaitAfterSending=30\n"; // printed, without a screen
        QTest::newRow("over at once") << QByteArray() << prompt << false << false << -1 << false << program;
        QTest::newRow("long, over at once")
            << QByteArray() << prompt << true << false << -1 << false << QByteArray("%L");
        QTest::newRow("countdown") << QByteArray() << QByteArray("WaitAfterSending=0\n") << false << false
                                   << 1 << true << program;
        QTest::newRow("trailer pause") << QByteArray() << prompt + "TrailerSend=18,!5!\n"
                                       << false << false << 1 << true << program + "\x12";
        QTest::newRow("held after its last block")
            << QByteArray() << prompt + "SendTimeOut=60\nTrailerSend=#30000,65,#30000,65,#30000,65\n"
            << false << true << 2 << true << program + QByteArray(90000, 'A');
        QTest::newRow("held") << QByteArray() << prompt << true << true << 2 << true << QByteArray("%L");
        QTest::newRow("header") << QByteArray() << prompt + "HeaderSend=18\n"
                                << true << true << 2 << true << QByteArray("\x12%L");
        QTest::newRow("minimised") << QByteArray("MinimizeOnSend=1\n") << prompt << true << true << 2 << false
                                   << QByteArray("%L");
        QTest::newRow("header pause") << QByteArray() << prompt + "HeaderSend=18,!5!\n"
                                      << false << false << 0 << true << "\x12" + program;
        QTest::newRow("character delay") << QByteArray() << prompt + "CharacterDelay=1\n"
                                         << false << false << 0 << true << program;
    }

    void commandLineSendShowsItsWindowOnceItHasGoneOn() {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, keys);
        QFETCH(bool, longProgram);
        QFETCH(bool, held);
        QFETCH(int, window);
        QFETCH(bool, shown);
        QFETCH(QByteArray, wire);
        // A send not held is over long before this; a held one waits the real delay.
        Startup::commandLineWindowDelayMs() = held ? 250 : 60000;
        QByteArray lines;
        for (int i = 1; i <= 5000; ++i)
            lines += "N" + QByteArray::number(i * 10) + " G01 X1.000\n";
        if (longProgram)
            QVERIFY(writeAllBytes(file_, lines));
        wire.replace("%L", lines.replace("\n", "\r\n"));
        PtyMachine pty;
        home_->writeIni(kSettledSettings + settings +
                        "[Machine3]\nAlias=MILL\nCommPort=2\nHandshaking=0\nKeepAlive=0\n" + keys +
                        "[Ports]\nCom3=" + pty.slavePath().toLocal8Bit() + "\n");
        ScriptedMessages msgs;
        pty.setReading(!held);
        QTimer giveUp; // the machine reads again in any case, and the rule's check below fails
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [&] { pty.setReading(true); });
        giveUp.start(20000);
        // The bytes handed to the port as the window is first shown, and
        // whether it was still on the screen when the send next yielded.
        const qint64 before = comPort().handedCount();
        qint64 handedAtWindow = -1;
        ProgressShown shownAt([&] {
            if (handedAtWindow < 0)
                handedAtWindow = comPort().handedCount() - before;
            pty.setReading(true);
        });
        bool visible = false;
        QTimer look;
        look.setInterval(0);
        QObject::connect(&look, &QTimer::timeout, [&] {
            frmCancelSend* frm = frmCancelSend::instance();
            visible = visible || (frm && frm->isVisible());
        });
        look.start();
        const Startup::Outcome outcome = Startup::runCommandLineSend(CommandLine::parse(fill("?3?S?%F")), {});
        look.stop();
        QCOMPARE(outcome.exitStatus, 0);
        if (window < 0)
            QCOMPARE(handedAtWindow, qint64(-1));
        else if (window == 2)
            QVERIFY2(handedAtWindow >= 0, "a send still going shows its window");
        else
            QCOMPARE(handedAtWindow > 0, window == 1);
        QCOMPARE(visible, shown);
        QVERIFY(pty.waitForCount(wire.size(), 20000));
        QCOMPARE(pty.received(), wire);
    }

    // What the start writes into the settings file is the same with the
    // main window and without it: a command-line send refused for its
    // missing file has loaded all the same. Where the file as found has no
    // section for the machine, the command-line send writes nothing.
    void startWritesTheSameWithoutWindow_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("first run") << QByteArray("[Settings]\n");
        QTest::newRow("first run, machine 3") << QByteArray("[Settings]\n[Machine3]\n");
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("migration") << QByteArray(
            "[Settings]\nRunBefore=Yes\n[Machine2]\nDripFeedPacketSize=2\n[Machine3]\n"
            "[Machine5]\nDripFeedPacketSize=abc\n");
        QTest::newRow("settled") << kSettledSettings + "FontName=Mono\n[Machine3]\nAlias=LATHE\nVisible=0\n";
        QTest::newRow("read-only first run") << QByteArray("[Settings]\n");
    }

    void startWritesTheSameWithoutWindow() {
        QFETCH(QByteArray, settings);
        const bool readOnly = QByteArray(QTest::currentDataTag()).startsWith("read-only");
        QByteArray files[2];
        for (const bool withWindow : {true, false}) {
            QFile::remove(home_->iniPath());
            if (!settings.isNull())
                home_->writeIni(settings);
            if (readOnly)
                QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner));
            initSettingsPath(); // a fresh read of the file, as at a start
            ScriptedMessages msgs;
            Startup::checkSettingsFile();
            if (withWindow) {
                frmTerminal window;
                window.setTransferActions(std::make_unique<RecordingTransfers>(window));
                QVERIFY(window.Form_Load(true));
                QCOMPARE(window.cmbCNC()->count(), 64);
            } else {
                const Startup::Outcome outcome =
                    Startup::runCommandLineSend(CommandLine::parse(fill("?3?S?%M")), {});
                QCOMPARE(outcome.exitStatus, int(Startup::ExitBadCommandLine));
                QVERIFY(msgs.sawText("Does Not Exist Or Is Unreachable"));
            }
            files[withWindow ? 0 : 1] = home_->readIniBytes();
            if (readOnly)
                QVERIFY(QFile::setPermissions(home_->iniPath(),
                                              QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        const bool sendable = settings.contains("[Machine3]");
        QCOMPARE(files[1], sendable ? files[0] : settings);
        QCOMPARE(QFileInfo::exists(home_->iniPath()), !settings.isNull());
        QCOMPARE(files[0].contains("Alias=Machine64"), !readOnly);
        QCOMPARE(files[0].contains("RunBefore=Yes"), !readOnly);
    }

    // "O" makes the machine current and shows its name, but opens no port:
    // the one held before is closed.
    void openingFromTheCommandLineOpensNoPort() {
        writeIni("Machine3", "KeepAlive", "1");
        frmTerminal window;
        auto* tr = new RecordingTransfers(window);
        window.setTransferActions(std::unique_ptr<TransferActions>(tr));
        window.setEditorActions(std::make_unique<RecordingEditor>(window));
        QVERIFY(window.Form_Load());
        tr->calls.clear();
        QString line = fill("?3?O?%F");
        Startup::processCommandLine(window, line);
        QCOMPARE(tr->calls, QStringList{"closePort"});
        QCOMPARE(gCurrentMachineSection, QString("Machine3"));
        QCOMPARE(window.cmbCNCVisible()->currentText(), QString("LATHE"));
    }

    // A first start with a file on the command line asks which machines to
    // show (here machine 2) before its window opens, then opens the file; a
    // refused line asks nothing.
    void firstStartFromTheCommandLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("current");
        QTest::newRow("path") << "%F" << "alreadyOpen:%F" << "Machine2";
        QTest::newRow("open") << "x?3?O?%F" << "new:%F" << "Machine3";
        QTest::newRow("missing path") << "%M" << "" << "Machine1";
    }

    void firstStartFromTheCommandLine() {
        QFETCH(QString, line);
        QFETCH(QString, calls);
        QFETCH(QString, current);
        home_->writeIni("[Settings]\n[Machine3]\nAlias=LATHE\n");
        frmTerminal window;
        window.setTransferActions(std::make_unique<RecordingTransfers>(window));
        auto* ed = new RecordingEditor(window);
        window.setEditorActions(std::unique_ptr<EditorActions>(ed));
        QVERIFY(window.Form_Load(true));
        ScriptedMessages msgs;
        bool windowFirst = false;
        ModalAnswerer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<frmVisibleCNC*>(modal);
            if (!dialog)
                return false;
            windowFirst = window.isVisible();
            for (int i = 0; i < dialog->List1()->count(); ++i)
                dialog->List1()->item(i)->setCheckState(i == 1 ? Qt::Checked : Qt::Unchecked);
            dialog->Command1_Click();
            return true;
        });
        QString commandLine = fill(line);
        Startup::processCommandLine(window, commandLine);
        const bool asked = !calls.isEmpty();
        QCOMPARE(answer.answered(), int(asked));
        QVERIFY2(!windowFirst, "asked after the window opened");
        QCOMPARE(readIni("Machine1", QString("Visible")) + readIni("Machine2", QString("Visible")),
                 QString(asked ? "0-1" : ""));
        QCOMPARE(ed->calls.join(' '), fill(calls));
        QCOMPARE(gCurrentMachineSection, current);
    }

    // The settings file as the start finds it: the messages, whether it is
    // written this run, and whether a first run writes records into it.
    void settingsFileAtStart_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("alias3");
        QTest::newRow("settled") << kSettledSettings + "[Machine3]\nAlias=LATHE\n"
                                 << false << "" << false << "LATHE";
        QTest::newRow("mark") << "\xef\xbb\xbf" + kSettledSettings + "[Machine3]\nAlias=LATHE\n"
                              << false << "" << false << "LATHE";
        QTest::newRow("CR ends")
            << QByteArray(kSettledSettings + "[Machine3]\nAlias=LATHE\n").replace('\n', '\r') << false << ""
            << false << "LATHE";
        QTest::newRow("none yet") << QByteArray(" \r\n") << false << "" << false << "Machine3";
        QTest::newRow("UTF-16") << utf16(kSettledSettings) << false << "Settings File Not Read" << true
                                << "Machine3";
        QTest::newRow("garbage") << garbage() << false << "Settings File Not Read" << true << "Machine3";
        QTest::newRow("machines only") << QByteArray("[Machine3]\nAlias=LATHE\n") << false
                                       << "Settings File Not Read" << true << "LATHE";
        QTest::newRow("read-only") << kSettledSettings + "[Machine3]\nAlias=LATHE\n"
                                   << true << "Can't Write To Settings File" << true << "LATHE";
        QTest::newRow("UTF-16, read-only")
            << utf16(kSettledSettings) << true << "Settings File Not Read" << true << "Machine3";
        QTest::newRow("read-only, first run")
            << QByteArray() << true << "Can't Write To Settings File" << true << "Machine3";
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
            QVERIFY2(msgs.sawText(message), qPrintable(msgs.texts().join('|')));
        // Every box that says the settings stay in memory says why.
        const QString why = settingsKeptReason();
        QVERIFY(!kept || (!why.isEmpty() && msgs.sawText(why)));

        const QByteArray before = home_->readIniBytes();
        {
            // A first run, where there is one, waits on no window in a hidden start.
            frmTerminal window;
            window.setTransferActions(std::make_unique<RecordingTransfers>(window));
            QVERIFY(window.Form_Load(true));
            QCOMPARE(readIni("Machine3", QString("Alias")), alias3);
            Startup::noticeSettingsNotKept();
            msgs.clear();
            writeIni("Settings", "FindX", "1");
            writeIni("Settings", "FindY", "2");
            QCOMPARE(readIni("Settings", QString("FindY")), QString("2"));
            // Said once, never a box per write.
            QCOMPARE(msgs.shown().size(), kept ? 1 : 0);
            QVERIFY(!kept || msgs.sawText(why));
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

    // Changes another copy's lock keeps out of the file are said by what
    // matters: a send's restart record first, in words, never the write
    // probe nor the defaults a start writes for itself. Where the program
    // ends next (a command-line send) they are not said as kept; the end of
    // the run says what was lost.
    void changesTheLockKeepsOut_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("endNear");
        QTest::addColumn<QString>("writes"); // section/key=value, ";" between
        QTest::addColumn<QString>("kept");   // named as kept, or nothing said
        QTest::addColumn<QString>("lost");   // named as lost at the end, or nothing said
        const QString send = "Settings/chkCanWrite=abc;Settings/FindX=1;Machine3/lastfilesent=/p/prog.nc;"
                             "Machine3/lastline=N120 G1 X5;Settings/FindX=2";
        const QString named =
            "the restart line \"N120 G1 X5\" and the last file sent (/p/prog.nc), [Settings] FindX=2";
        QTest::newRow("a send") << kSettledSettings << false << send << named << named;
        QTest::newRow("a send, the end near") << kSettledSettings << true << send << "" << named;
        QTest::newRow("a first start") << QByteArray("[Settings]\n") << false << "Settings/FindX=1"
                                       << "[Settings] FindX=1" << "[Settings] FindX=1";
        QTest::newRow("the program's own") << QByteArray("[Settings]\n") << false << "Settings/chkCanWrite=abc"
                                           << "" << "";
    }

    void changesTheLockKeepsOut() {
        QFETCH(QByteArray, settings);
        QFETCH(bool, endNear);
        QFETCH(QString, writes);
        QFETCH(QString, kept);
        QFETCH(QString, lost);
        home_->writeIni(settings);
        CopyHoldingTheLock copy(gIniPath);
        QVERIFY2(copy.holds(), qPrintable(copy.failure()));
        endSettingsLockWaits(); // every wait in vain at once
        setSettingsEndNear(endNear);
        ScriptedMessages msgs;
        StartupLoad::Loaded loaded;
        QVERIFY(StartupLoad::load(&loaded));
        Startup::noticeSettingsNotKept();
        {
            IniBatch batch; // said once, all together
            for (const QString& write : writes.split(';'))
                writeIni(write.section('/', 0, 0), write.section('/', 1).section('=', 0, 0),
                         write.section('=', 1));
        }
        const QStringList notices = msgs.texts();
        msgs.clear();
        Startup::storeSettingsAtEnd();
        QVERIFY(copy.stillHolds());
        QCOMPARE(notices.size(), kept.isEmpty() ? 0 : 1);
        QVERIFY2(kept.isEmpty() || notices[0].contains("Not stored yet: " + kept + ". Kept until"),
                 qPrintable(notices.join('|')));
        QCOMPARE(msgs.texts().size(), lost.isEmpty() ? 0 : 1);
        QVERIFY2(lost.isEmpty() || msgs.texts()[0].contains("These changes were lost: " + lost + "."),
                 qPrintable(msgs.texts().join('|')));
    }

    // A first start of all by the command line, on a file that has the
    // machine's section: the first run's records, every machine's alias and
    // the font keys are written as a main window would write them, without
    // any window, and the send goes out.
    void executableFirstRunSend() {
        PtyMachine machine;
        home_->writeIni("[Settings]\n[Machine1]\n[Ports]\nCom1=" + machine.slavePath().toLocal8Bit() + "\n");
        // A send receives nothing: what receives left is the window's start to tidy.
        const QString leftover = home_->file("dnc1A2B.TMP");
        QVERIFY(writeAllBytes(leftover, ""));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("FEEDLINE_HOME", home_->path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(QString(FEEDLINE_EXECUTABLE), {fill("x?1?S?%F")});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(machine.waitForCount(12, 20000));
        QCOMPARE(machine.received(), QByteArray("%\r\nG0X1\r\n%\r\n"));
        const QByteArray after = home_->readIniBytes();
        for (const char* written :
             {"RunBefore=Yes", "UpdateStorage=1", "UpdateDataSendMode=", "FontName=Courier New", "[Machine8]",
              "SendExtension1=TXT", "Alias=Machine64"})
            QVERIFY2(after.contains(written), written);
        initSettingsPath();
        QCOMPARE(readIni("Machine1", QString("lastfilesent")), file_);
        QCOMPARE(readIni("Machine1", QString("lastline")), QString("%"));
        QVERIFY(!iniHasKey("Machine9", "SendExtension1"));
        QVERIFY(QFileInfo::exists(leftover));
    }

    // Started with no command line, the program shows its window and runs on.
    void executableStartsItsWindow() {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("FEEDLINE_HOME", home_->path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(QString(FEEDLINE_EXECUTABLE), QStringList());
        QVERIFY(program.waitForStarted(20000));
        const bool ended = program.waitForFinished(1000);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        program.kill();
        program.waitForFinished(20000);
        QVERIFY2(!ended, qPrintable(errors));
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
        QTest::newRow("machine 65") << own << false << "?65?S?%F" << 2
                                    << "\"65\" Is Not A Number From 1 To 64";
        QTest::newRow("mark") << "\xef\xbb\xbf" + onPty << false << "?3?S?%F" << 0 << "Has Been Sent";
        QTest::newRow("CR ends") << QByteArray(onPty).replace('\n', '\r') << false << "?3?S?%F" << 0
                                 << "Has Been Sent";
        QTest::newRow("read-only") << onPty << true << "?3?S?%F" << 0 << "Can't Write To Settings File";
        QTest::newRow("display None") << QByteArray(onPty).replace("[Machine3]", "DNCStatus=3\n[Machine3]")
                                      << false << "?3?S?%F" << 0 << "Has Been Sent";
        QTest::newRow("keep-alive") << QByteArray(onPty).replace("[Ports]", "KeepAlive=1\n[Ports]") << false
                                    << "?3?S?%F" << 0 << "Has Been Sent";
        QTest::newRow("XModem, nobody answers")
            << QByteArray(onPty).replace("[Ports]", "Handshaking=4\nSendTimeOut=1\n[Ports]") << false
            << "?3?S?%F" << 1 << "No Response From CNC";
        QTest::newRow("a folder") << own << false << "?3?S?%D" << 2 << "Is A Folder, Not A File";
        QTest::newRow("lower-case s") << own << false << "?3?s?%F" << 2 << "Is Neither S Nor O";
        // Named before the send that then cannot find the port.
        QTest::newRow("impossible port") << QByteArray(onPty).replace("CommPort=2", "CommPort=-3") << false
                                         << "?3?S?%F" << 1 << "Hold Values No Port Can Use";
        // Com1, where a port number that is no number would fall back to, is the machine here.
        QTest::newRow("port no number")
            << QByteArray(onPty).replace("CommPort=2", "CommPort=abc").replace("Com3=", "Com1=") << false
            << "?3?S?%F" << 1 << "CommPort=abc";
        QTest::newRow("negative time-out") << QByteArray(onPty).replace("[Ports]", "SendTimeOut=-5\n[Ports]")
                                           << false << "?3?S?%F" << 1 << "SendTimeOut=-5";
        // Lines glued together, a program in another code, a line every 35 minutes.
        for (const char* key : {"EOBSend=", "CharacterSet=1e9", "LineDelay=2097151"})
            QTest::newRow(key) << QByteArray(onPty).replace("[Ports]", QByteArray(key) + "\n[Ports]") << false
                               << "?3?S?%F" << 1 << QString::fromLatin1(key) + "\n";
        QTest::newRow("blockwise") << QByteArray(onPty).replace("[Ports]", "Handshaking=5\n[Ports]") << false
                                   << "?3?S?%F" << 1 << "Blockwise Handshaking Has No Transfer Protocol";
        QTest::newRow("UTF-16") << utf16(onPty) << false << "?3?S?%F" << 1 << "Cannot Be Read";
        QTest::newRow("garbage") << garbage() << false << "?3?S?%F" << 1 << "Cannot Be Read";
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
        // Every opening of the machine's port, by anyone.
        const int openings = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        const auto closeWatch = qScopeGuard([openings] { ::close(openings); });
        QVERIFY(::inotify_add_watch(openings, QFile::encodeName(machine.slavePath()).constData(), IN_OPEN) >= 0);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("FEEDLINE_HOME", home_->path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(QString(FEEDLINE_EXECUTABLE), {fill(line)});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitStatus);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(errors.count(message) == 1, qPrintable(errors));
        QVERIFY(QFile::exists(home_->file("Feedline.cfg")) && QFile::exists(home_->file("fanuc.itc")));
        if (exitStatus == 0)
            QVERIFY(machine.waitForCount(12, 20000));
        if (!settings.contains("Handshaking=4")) { // an XModem sender cancels with its own bytes
            QCOMPARE(machine.received(), exitStatus == 0 ? QByteArray("%\r\nG0X1\r\n%\r\n") : QByteArray());
            QCOMPARE(QFile::exists(home_->file("Feedline.log")), exitStatus == 0);
            // A send refused never opened the port, not even for its keep-alive.
            char events[4096];
            QCOMPARE(::read(openings, events, sizeof events) > 0, exitStatus == 0);
        }
        const QByteArray after = home_->readIniBytes();
        const bool refused = exitStatus == 2 || message == QLatin1String("Cannot Be Read");
        if (readOnly || (refused && !settings.isEmpty()))
            QCOMPARE(after, before);
        QCOMPARE(after.startsWith("\xef\xbb\xbf"), before.startsWith("\xef\xbb\xbf"));
        QCOMPARE(after.contains('\n'), before.contains('\n'));
        QVERIFY(QFile::setPermissions(home_->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
