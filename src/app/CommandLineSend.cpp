#include "CommandLineSend.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "ProgramPaths.h"
#include "SendEngine.h"
#include "SendHost.h"
#include "SendSignals.h"
#include "SettingsProbe.h"
#include "StartupLoad.h"
#include "StatusLine.h"
#include "TransferGlobals.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <optional>

namespace Startup {

namespace {
// No main window: the progress window names the machine as the machine
// list would, and comes once the send has gone on for a while.
class CommandLineHost : public SendHost {
public:
    CommandLineHost(const QString& alias, const std::function<bool()>& useBoxes)
        : alias_(alias), useBoxes_(useBoxes) {}
    QString machineAlias() override { return alias_.isEmpty() ? SendHost::machineAlias() : alias_; }
    bool windowsSeen() override { return screenSeen(); }
    int progressWindowDelayMs() override { return commandLineWindowDelayMs(); }
    // On a screen the operator ends the transmission with OK, the port open
    // until then; without one the message is printed and nothing waits. Only
    // this box: the send's other messages stay on standard error.
    void promptAfterSend(const QString& text) override {
        // What speaks now (standard error), put back once the box is answered.
        const Msg::Handler before = Msg::setHandler(nullptr);
        Msg::setHandler(before);
        if (!useBoxes_ || !useBoxes_()) {
            SendHost::promptAfterSend(text);
            return;
        }
        std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramPaths::appTitle()), qPrintable(text));
        prompting_ = true;
        SendHost::promptAfterSend(text);
        prompting_ = false;
        Msg::setHandler(before);
    }
    // A signal ends the box as Esc does.
    void signalled() {
        if (QWidget* box = prompting_ ? QApplication::activeModalWidget() : nullptr)
            box->close();
    }

private:
    QString alias_;
    std::function<bool()> useBoxes_;
    bool prompting_ = false;
};

QString aliasOf(const MachineList& machines, int machine) {
    return machine >= 1 && machine <= machines.size() ? machines[machine - 1].alias : QString();
}

// A send refused for its settings says why as a refused command line does,
// and ends as a send that failed.
Outcome refuseSettings(int machine, const QString& why, const std::function<bool()>& useBoxes) {
    Outcome outcome = refuseCommandLine(
        QStringLiteral("The Settings Of CNC %1 Cannot Be Read From %2%3 - Nothing Was Sent")
            .arg(machine)
            .arg(QDir::toNativeSeparators(gIniPath), why.isEmpty() ? QString() : QStringLiteral(" - ") + why),
        useBoxes);
    outcome.exitStatus = ExitSendFailed;
    return outcome;
}

} // namespace

int& commandLineWindowDelayMs() {
    static int delay = 250;
    return delay;
}

Outcome sendFromCommandLine(const CommandLine::Parsed& line, const std::function<bool()>& useBoxes,
                            const QString& alias) {
    if (!fileExists(line.path))
        return refuseCommandLine(missingFileText(line.path), useBoxes);
    // Default settings would send to whatever port the defaults name.
    if (settingsUnreadable())
        return refuseSettings(line.machine, QString(), useBoxes);
    // The machine's keep-alive, flow control and code set; its port open while its keep-alive says so.
    gCurrentMachineSection = MachineRecord::sectionName(line.machine);
    loadCurrentMachineValues();
    // Nothing is kept for later: what the lock keeps out is said as the run ends.
    setSettingsEndNear(true);
    SendOutcome outcome = SendOutcome::NotSent;
    {
        CommandLineHost host(alias, useBoxes);
        const CancelOnSignals signalsCancel([&host] { host.signalled(); });
        // Judged as the send judges them: a send they refuse never opens the port.
        const std::optional<SendRoute> route = fileSendRoute(SendRoute::NoWindow);
        if (gKeepAlive > 0 && route && impossibleSettingsOfSend(*route).isEmpty())
            openPortSilent();
        else
            closeComPort(CloseWhen::Always);
        const SendHostScope scope(&host);
        statusbar(QString()); // what this send leaves there is its own
        outcome = sendFileNoWindow(line.path);
        closeComPort(CloseWhen::Always);
    }
    // The status line that says so, and what a restart starts from, is
    // nowhere to be seen. A route that said it itself (XModem) left none.
    if (outcome == SendOutcome::Cancelled && !lastStatusText().isEmpty())
        msgBox(lastStatusText(), Msg::Ok, Msg::Information);
    const bool sent = outcome == SendOutcome::Sent;
    return Outcome{false, sent ? ExitOk : ExitSendFailed};
}

Outcome runCommandLineSend(const CommandLine::Parsed& line, const std::function<bool()>& useBoxes,
                           const std::function<void()>& startChecks) {
    // Judged on the file as it was found, before the start writes into it:
    // defaults, or a first start's records written now, name a port nobody chose.
    initSettingsPath();
    const QString problem = sendSettingsProblem(gIniPath, MachineRecord::sectionName(line.machine));
    if (!problem.isEmpty())
        return fileExists(line.path) ? refuseSettings(line.machine, problem, useBoxes)
                                     : refuseCommandLine(missingFileText(line.path), useBoxes);
    if (startChecks)
        startChecks();
    StartupLoad::Loaded loaded;
    if (!StartupLoad::load(&loaded))
        return Outcome{false, ExitOk};
    noticeSettingsNotKept();
    return sendFromCommandLine(line, useBoxes, aliasOf(loaded.machines, line.machine));
}

} // namespace Startup
