#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// Shared values of the transfer engine. Keys and buttons talk to a running
// transfer only through these flags; the loops test them as they yield.

// Comm state: -1 idle, 0 sending, 1 terminal or XModem receive panel,
// 2 receiving to disk, 3 receive stopped.
enum PortStateValue { PortIdle = -1, PortSending = 0, PortTerminal = 1, PortReceiving = 2, PortReceiveStopped = 3 };
extern int gPortState;

extern bool gCancelSend;    // set by Esc and the progress window's Cancel; cleared when a send starts
extern bool gOverride;      // the progress window's Override: stop waiting for the operator or XON
extern bool gSending;       // a send runs
extern bool gCancelBatch;   // ends multi-file send loops
// The port gave up on a send after SendTimeOut seconds without progress (it
// also set gCancelSend); cleared when the port is opened for the next transfer.
extern bool gSendTimedOut;
extern bool gTurboSending;  // a turbo send runs
extern int gTurboPercent;   // its progress in whole percent

// The current machine's flow control and code set, loaded from its record at
// start-up, on every machine selection and after the settings dialog's OK.
extern int gHandshaking;  // 0 None, 1 Xon/Xoff, 2 Rts/Cts, 3 Both, 4 XModem, 5 blockwise
extern int gFlowMethod;   // 0 Poll Buffer, 1 Interrupt
extern int gCharacterSet; // 0 ASCII/ISO, 1 EIA
extern int gKeepAlive;    // the current machine's KeepAlive

extern int gWaitForXONMode;  // the running send's WaitForXON: 0 none, 1 XON, 2 any character
extern int gDNCStatus;       // progress display: 0 Show All, 1 Small %, 2 Large %, 3 None
extern int gDebugMode;       // terminal display mode
// The terminal view's best-EOB display is on: set from the debug mode while
// the debug window is open, off for a binary receive, when the window opens
// and when a send starts.
extern bool gBestEob;
extern QString gReceiveTempFile; // the receive's temporary file, made once at start-up
extern bool gSplitBusy;          // a receive-all runs, or a split of a file into its programs
extern QDateTime gSendStartTime;
extern const int gXonChar;  // 17
extern const int gXoffChar; // 19

// A send clears gCancelSend once, as it begins with its port open: a cancel
// counts from then on. The hook is told just after (a command-line send's
// signals cancel the send from that moment). Returns the hook set before.
void clearCancelAsSendBegins();
std::function<void()> setSendBeginsHook(std::function<void()> hook);

// How far the send under way has come, for a thread that must end the
// program while the GUI thread is held (a display that stopped answering).
// Lock-free: read from any thread or a signal handler. Cleared as a send
// begins.
void noteWholeProgramLeft();
void noteRestartRecordStored();
bool wholeProgramLeft();
bool restartRecordStored();

// Loads gHandshaking, gFlowMethod and gCharacterSet from the current machine's record.
void loadMachineFlowValues();
// The same and gKeepAlive: on selecting a machine and after its record was saved.
void loadCurrentMachineValues();
