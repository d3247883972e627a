#include "Startup.h"

#include "CommandLine.h"
#include "EditorActions.h"
#include "EditorGlobals.h"
#include "EiaCode.h"
#include "FileStuff.h"
#include "Login.h"
#include "IniStorage.h"
#include "MessageBoxUi.h"
#include "MessageSeam.h"
#include "SettingsGlobals.h"
#include "ServicePack.h"
#include "SettingsProbe.h"
#include "SettingsWarning.h"
#include "frmTerminal.h"

#include <QApplication>

namespace Startup {

QString versionSuffix() {
    return QStringLiteral(" [Ver %1.%2.%3.99e]")
        .arg(FEEDLINE_VERSION_MAJOR)
        .arg(FEEDLINE_VERSION_MINOR)
        .arg(FEEDLINE_VERSION_PATCH);
}

bool checkSettingsWritable() {
    const QString problem = settingsWriteProblem(gIniPath);
    if (problem.isEmpty())
        return true;
    msgBox(settingsWriteMessage(gIniPath, problem, true), Msg::Ok, Msg::Critical);
    return false;
}

Outcome processCommandLine(frmTerminal& window, QString& commandLine, const std::function<void()>& beforeShow) {
    const CommandLine::Parsed line = CommandLine::parse(commandLine);
    auto show = [&] {
        if (beforeShow)
            beforeShow();
        window.show();
    };
    // While the window is hidden these go to standard error (the message seam's default).
    auto refuse = [](const QString& text) {
        msgBox(text, Msg::Ok, Msg::Critical);
        return Outcome{false, ExitBadCommandLine};
    };
    const QString missing = line.path + QStringLiteral(" Does Not Exist Or Is Unreachable");

    switch (line.kind) {
    case CommandLine::Kind::Empty:
        show();
        return Outcome{};
    case CommandLine::Kind::Invalid:
        return refuse(line.error);
    case CommandLine::Kind::OpenPath:
        commandLine = line.path;
        if (!fileExists(line.path))
            return refuse(QStringLiteral("Invalid Command String Received - No CNC Name"));
        show();
        window.editor().fileAlreadyOpen(line.path);
        return Outcome{};
    case CommandLine::Kind::Send: {
        if (!fileExists(line.path))
            return refuse(missing);
        window.hide();
        QCoreApplication::processEvents();
        // Selecting the machine reads its keep-alive and flow control and opens or closes its port.
        window.selectMachine(line.machine - 1);
        const bool sent = window.sendFileNoWindow(line.path);
        window.hide();
        return Outcome{false, sent ? ExitOk : ExitSendFailed};
    }
    case CommandLine::Kind::Open:
        window.selectMachine(line.machine - 1);
        show();
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

int Main(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("feedline"));
    gVersionSuffix = versionSuffix();
    initSettingsPath();
    QString commandLine = CommandLine::fromArguments(QApplication::arguments());
    const bool hidden = !commandLine.trimmed().isEmpty();
    // A run from the command line prints its messages until its window is shown.
    if (!hidden)
        installMessageBoxUi();
    if (!checkSettingsWritable())
        return ExitNoSettings;
    checkServicePack();
    // The EIA code table ships with the program: a first start writes it into
    // the program folder, where a shop may then edit it.
    installDefaultEiaTable(eiaTableFile());
    setHideFindWindowHook(hideFindForm);
    installSettingsWarningTip(QStringLiteral("Feedline cannot write to its settings file\n%1\n\n"
                                             "Settings you change now will not be kept. Check that the file "
                                             "and its folder can be written.")
                                  .arg(gIniPath));

    frmTerminal window;
    if (!window.Form_Load())
        return ExitOk;
    if (!hidden) {
        window.show();
        return app.exec();
    }
    const Outcome outcome = processCommandLine(window, commandLine, [] { installMessageBoxUi(); });
    if (!outcome.keepRunning)
        return outcome.exitStatus;
    return app.exec();
}

} // namespace Startup
