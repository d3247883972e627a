#include "Startup.h"

#include "CommandLine.h"
#include "CommandLineSend.h"
#include "DisplayChoice.h"
#include "EditorActions.h"
#include "EditorGlobals.h"
#include "EiaCode.h"
#include "FileStuff.h"
#include "Login.h"
#include "IniStorage.h"
#include "MessageBoxUi.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"
#include "SendSignals.h"
#include "SettingsGlobals.h"
#include "ServicePack.h"
#include "SettingsProbe.h"
#include "EditorFiles.h"
#include "SettingsWarning.h"
#include "ShippedFiles.h"
#include "frmTerminal.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace Startup {

QString versionSuffix() {
    return QStringLiteral(" [Ver %1.%2.%3.99e]")
        .arg(FEEDLINE_VERSION_MAJOR)
        .arg(FEEDLINE_VERSION_MINOR)
        .arg(FEEDLINE_VERSION_PATCH);
}

namespace {
const QString kUnreadable = QStringLiteral("It holds no [Settings] section this program can read.");
}

void checkSettingsFile() {
    // Another character set, or not a settings file at all: first-run records
    // written over it would replace what the user has.
    if (!settingsFileIsBlank() && !iniHasSection(QStringLiteral("Settings"), gIniPath)) {
        keepSettingsInMemory(kUnreadable);
        msgBox(QStringLiteral("Settings File Not Read\n%1\n%2\n\nThe program leaves the file as it is and starts on "
                              "the default settings for whatever it could not read.")
                   .arg(QDir::toNativeSeparators(gIniPath), kUnreadable),
               Msg::Ok, Msg::Exclamation);
        return;
    }
    const QString problem = settingsWriteProblem(gIniPath);
    if (!problem.isEmpty()) {
        keepSettingsInMemory(problem);
        warnSettingsNotWritable(problem);
    }
}

bool settingsUnreadable() { return settingsKeptInMemory() && settingsKeptReason() == kUnreadable; }

void noticeSettingsNotKept() {
    setSettingsKeptNotice([](const QString& reason, const QString& consequence) {
        msgBox(QStringLiteral("Settings Not Saved\n%1\n%2\n\n%3")
                   .arg(QDir::toNativeSeparators(gIniPath), reason, consequence),
               Msg::Ok, Msg::Exclamation);
    });
    // The wait for another copy's lock handles no events: the pointer says it is busy.
    setSettingsLockWaitShown([](bool waiting) {
        if (waiting)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

void storeSettingsAtEnd() {
    // Named before the try: a write that fails forgets what it held. The
    // program's own defaults and the write probe, lost, are not named.
    const QString waiting = settingsNotStoredYet();
    if (!settingsWaitingForLock() || storeKeptSettings() || waiting.isEmpty())
        return;
    msgBox(QStringLiteral("Settings Not Saved\n%1\n%2\n\nThese changes were lost: %3.")
               .arg(QDir::toNativeSeparators(gIniPath), lastIniError(), waiting),
           Msg::Ok, Msg::Exclamation);
}

// A folder is said to be one: "does not exist" would send the user looking for it.
QString missingFileText(const QString& path) {
    return QFileInfo(path).isDir() ? path + QStringLiteral(" Is A Folder, Not A File")
                                   : path + QStringLiteral(" Does Not Exist Or Is Unreachable");
}

// A machinist starting a send from a shortcut sees why it was refused;
// whoever started it from a script reads it on standard error.
Outcome refuseCommandLine(const QString& text, const std::function<bool()>& useBoxes) {
    if (useBoxes && useBoxes())
        std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramPaths::appTitle()), qPrintable(text));
    msgBox(text, Msg::Ok, Msg::Critical);
    return Outcome{false, ExitBadCommandLine};
}

Outcome processCommandLine(frmTerminal& window, QString& commandLine, const std::function<bool()>& useBoxes) {
    const CommandLine::Parsed line = CommandLine::parse(commandLine);
    // A send stays hidden; a start that shows the window asks a first run's
    // question before it.
    auto show = [&] {
        if (useBoxes)
            useBoxes();
        window.firstRunVisibility();
        window.show();
    };
    auto refuse = [&](const QString& text) { return refuseCommandLine(text, useBoxes); };
    const QString missing = missingFileText(line.path);

    switch (line.kind) {
    case CommandLine::Kind::Empty:
        show();
        return Outcome{};
    case CommandLine::Kind::Invalid:
        return refuse(line.error);
    case CommandLine::Kind::OtherDirection:
        // Ends at once, without a box; a script still reads why.
        std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramPaths::appTitle()), qPrintable(line.error));
        return Outcome{false, ExitBadCommandLine};
    case CommandLine::Kind::OpenPath:
        commandLine = line.path;
        if (!fileExists(line.path))
            return refuse(QFileInfo(line.path).isDir() ? missing
                                                       : QStringLiteral("Invalid Command String Received - No CNC Name"));
        show();
        window.editor().fileAlreadyOpen(line.path);
        return Outcome{};
    case CommandLine::Kind::Send:
        // The window stays hidden: the send needs none of it.
        return sendFromCommandLine(line, useBoxes, window.cmbCNC()->itemText(line.machine - 1));
    case CommandLine::Kind::Open:
        show();
        // The machine becomes current, whatever a first run made visible; its
        // port opens only when something is sent.
        window.selectMachine(line.machine - 1, false);
        QCoreApplication::processEvents();
        if (!fileExists(line.path)) {
            msgBox(missing, Msg::Ok, Msg::Critical);
            return Outcome{};
        }
        window.editor().openFileInNewWindow(line.path);
        return Outcome{};
    }
    return Outcome{};
}

bool screenSeen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// By now the port is closed and the settings, log and messages are written;
// what the libraries would still tear down (font tables, plug-ins) only
// keeps a script waiting on the send. A sanitizer build ends as usual, so
// that its leak check still runs.
int endCommandLineSend(int status) {
#ifndef __SANITIZE_ADDRESS__
    std::fflush(nullptr);
    std::_Exit(status);
#endif
    return status;
}

CommandLine::Parsed commandLineOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return CommandLine::parse(CommandLine::fromArguments(arguments));
}

namespace {
// As processCommandLine judges it: a refused line ends without the window.
bool needsWindow(const CommandLine::Parsed& line) {
    switch (line.kind) {
    case CommandLine::Kind::Empty:
    case CommandLine::Kind::Open:
        return true;
    case CommandLine::Kind::OpenPath:
        return fileExists(line.path);
    default:
        return false;
    }
}
} // namespace

bool chooseDisplay(const CommandLine::Parsed& line, std::vector<DisplayChoice::Connection>* held) {
    const DisplayChoice::Choice choice = DisplayChoice::check(DisplayChoice::fromEnvironment(), held);
    if (choice.usable) {
        if (!choice.platform.isEmpty())
            qputenv("QT_QPA_PLATFORM", choice.platform);
        return true;
    }
    if (!needsWindow(line)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    std::fprintf(stderr, "%s: No Display To Show The Window On (%s)\n", qPrintable(ProgramPaths::appTitle()),
                 qPrintable(choice.why));
    return false;
}

int Main(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("feedline"));
    gVersionSuffix = versionSuffix();
    initSettingsPath();
    QString commandLine = CommandLine::fromArguments(QApplication::arguments());
    const bool hidden = !commandLine.trimmed().isEmpty();
    // A screen nobody looks at cannot answer a box: messages then stay on
    // standard error, the message seam's default.
    const bool screen = screenSeen();
    auto useBoxes = [screen] {
        if (!screen)
            return false;
        installMessageBoxUi();
        installRuntimeWarningTip();
        installSettingsWarningTip();
        return true;
    };
    // A run from the command line prints its messages until its window is
    // shown: it never waits for a box nobody asked for.
    if (!hidden)
        useBoxes();
    // The EIA code table ships with the program: a first start writes it into
    // the program folder, where a shop may then edit it.
    installDefaultEiaTable(eiaTableFile());
    ShippedFiles::install();
    setHideFindWindowHook(hideFindForm);
    const CommandLine::Parsed line = CommandLine::parse(commandLine);
    const auto startChecks = [] {
        checkSettingsFile();
        checkServicePack();
    };
    // A send from the command line builds no main window. It reads its
    // settings once and ends: a watch on them would only hold up its end.
    const auto ended = [](int status) {
        storeSettingsAtEnd();
        return status;
    };
    if (hidden && line.kind == CommandLine::Kind::Send) {
        watchDisplay(QGuiApplication::platformName());
        watchIniFiles(false);
        return endCommandLineSend(ended(runCommandLineSend(line, useBoxes, startChecks).exitStatus));
    }
    startChecks();

    frmTerminal window;
    if (!window.Form_Load(hidden))
        return ended(ExitOk);
    noticeSettingsNotKept();
    if (!hidden) {
        window.show();
        return ended(app.exec());
    }
    const Outcome outcome = processCommandLine(window, commandLine, useBoxes);
    if (!outcome.keepRunning)
        return ended(outcome.exitStatus);
    return ended(app.exec());
}

} // namespace Startup
