#pragma once

#include "SendEngine.h"

#include <QString>

#include <functional>

class SendSession;
class frmCancelSend;

// Steps every send route shares: how a port result ends it, the status
// display's shift for its length, the progress window with the operator
// wait, and its end.

// The outcome a port result gives a send (Sent for Ok). A time-out marks the
// send abandoned for inactivity; a port fault shows the settings error on
// the progress window for `faultPauseMs`, then says why `fileName` was not
// sent whole. Anything but Ok cancels the send.
SendOutcome portFailure(PortResult result, frmCancelSend* frm, int faultPauseMs, const QString& fileName);

// The progress window of a send in the session's layout: the Override
// button for the operator wait of a machine with RemoteDeviceOnline, the bar
// at 0 %, Filename and Total Blocks filled, the caption naming the machine;
// gSending set. nullptr, and no window built, when the send shows none.
frmCancelSend* loadProgressWindow(SendSession& session, const QString& fileName, const QString& totalBlocks);
// Shows the window, if there is one, and then waits for the operator when
// the machine asks it. False when Esc or Cancel ended the wait.
bool waitForOperator(frmCancelSend* frm);
// The machine's start waits (WaitForXON, and CTS with Rts/Cts flow control)
// before anything goes out, shown on `frm` when there is one. Ok when the
// send may go on.
PortResult waitForMachine(frmCancelSend* frm);

// The end of a send, however it ended: the after-send countdown (unless the
// send never began or the port failed), the progress window unloaded, the
// "{Prompt Me}" question, the port closed, the window unlocked and captioned
// as MinimizeOnSend says, the time-out report. Returns how the send ended:
// a cancel that came once every byte was handed over, and made the port
// drop none of them, stopped nothing, and the send is Sent.
struct SendEnding {
    SendOutcome outcome = SendOutcome::Sent;
    bool afterSendWait = false;
    QString fileName;
    QString savedCaption;
    QString captionPrefix; // the alias and " : "
    // Runs once the port is closed, with how the send ended; what it returns
    // (the restart line kept) follows "Send Cancelled" on the status line of
    // a cancelled send.
    std::function<QString(SendOutcome)> afterClose;
    // What a temporary file held (a merge's files): the prompt names it so, as the log does.
    QString loggedAs;
    // Every byte the send had to hand over was handed over; the port's
    // droppedCount() as the send began.
    bool handedWhole = false;
    qint64 droppedBefore = 0;
};
SendOutcome endSend(SendSession& session, const SendEnding& ending);
