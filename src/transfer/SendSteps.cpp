#include "SendSteps.h"

#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PercentBar.h"
#include "SendHost.h"
#include "SendSession.h"
#include "StatusLine.h"
#include "TransferGlobals.h"
#include "frmCancelSend.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

SendOutcome portFailure(PortResult result, frmCancelSend* frm, int faultPauseMs, const QString& fileName) {
    switch (result) {
    case PortResult::Ok:
        return SendOutcome::Sent;
    case PortResult::Cancelled:
        return SendOutcome::Cancelled;
    case PortResult::TimedOut:
        lastSendActivity = -1;
        gCancelSend = true;
        return SendOutcome::TimedOut;
    case PortResult::PortError:
    case PortResult::NotOpen:
        break;
    }
    if (frm)
        frm->updateIndicator(false, QStringLiteral("Error - Check Your CNC Property Settings"));
    waitYielding(faultPauseMs);
    gCancelSend = true;
    // The indicator alone says nothing when no progress window is shown
    // (a hidden or "None" send): the reason is always given.
    msgBox(lastPortError() + QLatin1Char('\n') + QStringLiteral("\"%1\" Was Not Sent Whole").arg(fileName), Msg::Ok,
           Msg::Critical);
    return SendOutcome::PortFailed;
}

frmCancelSend* loadProgressWindow(SendSession& session, const QString& fileName, const QString& totalBlocks) {
    gSending = true;
    if (!session.windowShown())
        return nullptr;
    SendHost& host = session.host();
    frmCancelSend* frm = frmCancelSend::load(host.mainWindow(), session.layout());
    // Where nobody sees the window nobody can click it: the send goes at once.
    if (MachineRecord::currentInt(QStringLiteral("RemoteDeviceOnline")) != 0 && host.windowsSeen()) {
        gOverride = false;
        frm->cmdOverride()->setText(QStringLiteral(">> Get CNC Ready Then Click"));
        frm->cmdOverride()->setEnabled(true);
    } else {
        frm->cmdOverride()->setText(QStringLiteral(">> Continue"));
    }
    if (PercentBar* picture = frm->currentPicture())
        UpdateStatus(picture, 0);
    frm->Label2(6)->setText(totalBlocks);
    frm->Label2(3)->setText(QStringLiteral("0"));
    frm->Label2(5)->clear();
    frm->Label2(2)->clear();
    frm->Label2(1)->setText(fileName);
    frm->setCaption(QStringLiteral("Sending File To ") + host.machineAlias());
    return frm;
}

bool waitForOperator(frmCancelSend* frm) {
    // Without a window there is no Override button to answer.
    if (!frm) {
        gOverride = true;
        return true;
    }
    frm->show();
    while (!gOverride && !gCancelSend)
        comPort().pump(10);
    return !gCancelSend;
}

PortResult waitForMachine(frmCancelSend* frm) {
    gWaitForXONMode = MachineRecord::currentInt(QStringLiteral("WaitForXON"));
    if (gWaitForXONMode != 0) {
        gOverride = false;
        if (frm) {
            frm->updateIndicator(true, QString());
            frm->cmdOverride()->setEnabled(true);
        }
        // Where nobody sees the window, the wait (it has no limit) is said
        // on standard error as a hold is, and so is its end.
        SendHost& host = sendHost();
        setXonWaitHooks({[frm, &host](const QString& caption) {
                             if (frm)
                                 frm->setCaption(caption);
                             host.showHold(caption);
                         },
                         [frm, &host] {
                             if (frm)
                                 frm->cmdOverride()->setEnabled(false);
                             if (!gCancelSend)
                                 host.showHold(QString());
                         }});
        const PortResult r = wait4XON(gWaitForXONMode, QString());
        setXonWaitHooks({});
        if (r != PortResult::Ok || gCancelSend)
            return PortResult::Cancelled;
    }
    return gHandshaking == 2 ? wait4CTS() : PortResult::Ok;
}

namespace {
// Nothing the send handed over was dropped, and a port kept open holds none of it.
bool noneDropped(qint64 droppedBefore) {
    const SerialLink& link = comPort();
    return !link.faulted() && link.droppedCount() == droppedBefore && link.pendingOutput() == 0;
}
} // namespace

SendOutcome endSend(SendSession& session, const SendEnding& ending) {
    SendHost& host = session.host();
    if (ending.outcome == SendOutcome::Sent)
        noteWholeProgramLeft();
    if (ending.afterSendWait && ending.outcome != SendOutcome::PortFailed)
        checkNeedToWait();
    frmCancelSend::unload();
    QCoreApplication::processEvents();
    // Only a send that went out whole is reported as sent.
    if (ending.outcome != SendOutcome::Sent)
        gCancelSend = true;
    checkNeedToWarnAfterSend(!ending.loggedAs.isEmpty() ? ending.loggedAs : session.shownPath(ending.fileName));
    gCancelSend = true;
    // What a send that did not go out whole still holds in the port (under
    // XOFF, say) is dropped, not waited for.
    const bool whole = ending.outcome == SendOutcome::Sent;
    closeComPort(CloseWhen::KeepAliveAllows, whole ? SerialLink::CloseMode::Drain : SerialLink::CloseMode::Discard);
    // Once the port is closed, what it dropped is known.
    SendOutcome outcome = ending.outcome;
    if (outcome == SendOutcome::Cancelled && ending.handedWhole && noneDropped(ending.droppedBefore)) {
        outcome = SendOutcome::Sent;
        noteWholeProgramLeft();
        gCancelBatch = true; // it still stops the files still to go
    }
    const QString kept = ending.afterClose ? ending.afterClose(outcome) : QString();
    // A cancel is said where the operator looks after it, with what a restart would start from.
    if (outcome == SendOutcome::Cancelled)
        statusbar(QStringLiteral("Send Cancelled") +
                  (kept.isEmpty() ? QString() : QStringLiteral(" - ") + kept));
    else
        statusbar(QStringLiteral("Ready"));
    gSending = false;
    host.lockForTransfer(false);
    if (session.minimizeOnSend == 2) {
        host.setCaption(ending.captionPrefix + QStringLiteral("100 %"));
    } else {
        host.setCaption(ending.savedCaption);
        if (session.minimizeOnSend == 1)
            host.showNormal();
    }
    notifyAfterSend();
    return outcome;
}
