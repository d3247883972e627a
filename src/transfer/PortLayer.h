#pragma once

#include "PortConfig.h"
#include "PortStatus.h"
#include "SerialLink.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The program's serial port as the transfer routines use it. There is one
// port, comPort(); these functions open it for the current machine
// (gCurrentMachineSection) and tie its waits to gCancelSend.
//
// A send runs:
//   if (!openPortForSend(route)) -> end before header and log line (the message was shown)
//   wait4XON(mode, "") (no time limit) / wait4CTS()   -> start waits
//   sendToPort(header bytes) ... per block: check4XONXOFF() or wait4CTS(),
//   sendToPort(block) -> stop on anything but Ok; portFault() -> the
//   "Error - Check Your CNC Property Settings" path
//   drainPort() after the trailer, while Esc still works
//   closeComPort() at the end (keeps the port when the machine's KeepAlive > 0)
// A TimedOut result has already set gCancelSend and gSendTimedOut; the
// after-send report reads gSendTimedOut and timedOutWaitingFor().

SerialLink& comPort();

// Opens the current machine's port: its device (CommPort through PortList),
// makeSettings(), flow control from Handshaking, DTREnable/RTSEnable, and
// SendTimeOut/CharacterDelay for the writes. Idempotent; settings that differ
// close and reopen. A failure shows a message naming the port, the device and
// the system's reason, and returns false.
bool openPort();
// The same for a send by `route`: the keys that route reads are checked as
// well (impossibleSettingsOfSend), and XModem is opened in its framing.
bool openPortForSend(SendRoute route);
// The same without any message (an XModem machine's in the XModem framing);
// the error stays in portLines().error and is shown by the next openPort()
// that fails too.
bool openPortSilent();
// The XModem framing: makeSettingsX(), no flow control.
bool openPortX();
// How many times a machine's port was opened (tried) for a transfer: what an
// ended transfer still has to say on the port is void once this has moved.
quint64 machinePortOpenings();
QString lastPortError();

enum class CloseWhen {
    KeepAliveAllows, // the end of a transfer: closes only when gKeepAlive is 0 or less
    Always           // machine change, command-line end, exit
};
// Drains what was handed over before closing (bounded by SendTimeOut); the
// output of a cancelled or timed-out write is discarded instead. A port kept
// open by keep-alive still has a cancelled write's output discarded.
// Discard (the end of a send that did not go out whole) drops whatever is
// still waiting, kept open or not: no close waits for the machine's XON.
void closeComPort(CloseWhen when = CloseWhen::KeepAliveAllows,
                  SerialLink::CloseMode mode = SerialLink::CloseMode::Drain);

// Raw bytes to the machine, in call order; returns when they have left Qt's
// buffer. CharacterDelay above 0 sends them one by one with that pause.
PortResult sendToPort(const QByteArray& data);
// The same outside a send (the after-receive trailer, the terminal's XON and
// XOFF): gCancelSend, still set from the last send, does not stop it.
PortResult sendToPortOutsideSend(const QByteArray& data);
// Every byte handed over has left the PC (Qt's buffer and the kernel's queue).
PortResult drainPort();
// Per-block flow-control points. check4XONXOFF returns when what was sent
// before has gone out (it cannot while the machine holds XOFF); wait4CTS while
// CTS is low. Both yield and end on cancel or SendTimeOut (0: no limit).
PortResult check4XONXOFF();
PortResult wait4CTS();
// What the last time-out waited for, as a line of its message: CTS, or XON
// after an XOFF; empty when the port cannot tell (a standstill included).
QString timedOutWaitingFor();
// What a held send says it waits for (comPort().holding()); empty for Unknown.
QString heldText(SerialLink::Hold hold);

// The start wait for the machine: mode 1 ends on XON (17) among the bytes
// received since it began, mode 2 on any byte; gOverride and gCancelSend end
// it too. No time limit. The kernel's XON/XOFF is off during the wait.
PortResult wait4XON(int& mode, const QString& text);
// The progress window shows the wait: its caption, and its Override button
// disabled when the wait ends. Installed by the window's owner.
struct XonWaitHooks {
    std::function<void(const QString& caption)> showCaption;
    std::function<void()> waitEnded;
};
void setXonWaitHooks(XonWaitHooks hooks);

// Waits `ms`, yielding; ends early when gCancelSend is set. Ok or Cancelled.
PortResult waitYielding(int ms);
// The same outside a send, where gCancelSend may still be set from the last one.
void waitOutsideSend(int ms);

// A port error since the port was opened (unplugged adapter, device gone).
bool portFault();

// The blockwise route: it has no protocol, so it refuses with a message;
// nothing is sent.
void sendXBCC(const QString& fileName);

// Received bytes to `sink`, in order; for an EIA machine (CharacterSet 1)
// through [Eia2Ascii] of "codeset.eia". False, with a message, when that table
// is missing.
bool beginPortReceive(SerialLink::Sink sink);
void endPortReceive();

// The breakout lights' snapshot.
PortLines portLines();
// "Com5": the name of the port in use (the Esc key's USB test).
QString portName();
