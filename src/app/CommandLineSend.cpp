#include "CommandLineSend.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "SendEngine.h"
#include "SendHost.h"
#include "SendSignals.h"
#include "StartupLoad.h"
#include "StatusLine.h"
#include "TransferGlobals.h"

#include <QDir>
#include <QTimer>

#include <memory>

namespace Startup {

namespace {
// No main window: the progress window names the machine as the machine
// list would, and comes once the first block is on its way.
class CommandLineHost : public SendHost {
public:
    explicit CommandLineHost(const QString& alias) : alias_(alias) {}
    QString machineAlias() override { return alias_.isEmpty() ? SendHost::machineAlias() : alias_; }
    bool windowsSeen() override { return screenSeen(); }
    bool windowAfterFirstBlock() override { return true; }

private:
    QString alias_;
};

QString aliasOf(const MachineList& machines, int machine) {
    return machine >= 1 && machine <= machines.size() ? machines[machine - 1].alias : QString();
}

} // namespace

Outcome sendFromCommandLine(const CommandLine::Parsed& line, const std::function<bool()>& useBoxes,
                            const QString& alias) {
    if (!fileExists(line.path))
        return refuseCommandLine(missingFileText(line.path), useBoxes);
    // Default settings would send to whatever port the defaults name.
    if (settingsUnreadable())
        return refuseCommandLine(
            QStringLiteral("The Settings Of CNC %1 Cannot Be Read From %2 - Nothing Was Sent")
                .arg(line.machine)
                .arg(QDir::toNativeSeparators(gIniPath)),
            useBoxes);
    // The machine's keep-alive, flow control and code set; its port open while its keep-alive says so.
    gCurrentMachineSection = MachineRecord::sectionName(line.machine);
    loadCurrentMachineValues();
    SendOutcome outcome = SendOutcome::NotSent;
    {
        const CancelOnSignals signalsCancel;
        if (gKeepAlive > 0)
            openPortSilent();
        else
            closeComPort(CloseWhen::Always);
        CommandLineHost host(alias);
        const SendHostScope scope(&host);
        outcome = sendFileNoWindow(line.path);
        closeComPort(CloseWhen::Always);
    }
    // The status line that says so, and what a restart starts from, is nowhere to be seen.
    if (outcome == SendOutcome::Cancelled)
        msgBox(lastStatusText(), Msg::Ok, Msg::Information);
    const bool sent = outcome == SendOutcome::Sent;
    return Outcome{false, sent ? ExitOk : ExitSendFailed};
}

Outcome runCommandLineSend(const CommandLine::Parsed& line, const std::function<bool()>& useBoxes) {
    StartupLoad::Loaded loaded;
    if (!StartupLoad::load(&loaded))
        return Outcome{false, ExitOk};
    noticeSettingsNotKept();
    return sendFromCommandLine(line, useBoxes, aliasOf(loaded.machines, line.machine));
}

} // namespace Startup
