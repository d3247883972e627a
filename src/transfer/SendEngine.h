#pragma once

#include "PortLayer.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The text send: a program goes line by line to the current machine with its
// header, trailer, end of block, stripping, block skip, EIA code, pacing and
// waits, shown in the progress window frmCancelSend. Each routine runs to its
// end inside the call, yielding to the event loop as it waits, and leaves the
// main window unlocked and the comm state idle however it ended.

enum class SendOutcome {
    Sent,       // the whole program and its trailer went out
    Cancelled,  // Esc or Cancel stopped it
    TimedOut,   // the machine took nothing for SendTimeOut seconds
    PortFailed, // the port could not be opened, or failed during the send
    NotSent     // refused before any data went out (empty file, route not built, busy ...)
};

// A send is running; another one is refused until it ends.
bool sendInProgress();

// A program file opened for sending; one that cannot be opened is reported
// ("Can't Open ...") and nullptr returned.
std::unique_ptr<QFile> openProgramFile(const QString& fileName);

// Of the last send, for the after-send report: the clock (seconds since
// midnight) of its last block, -1 when it was abandoned for inactivity; and
// the machine's SendTimeOut.
extern double lastSendActivity;
extern int sendTimeOutSeconds;

// Sends a program from an editor window (fromWindow: the active one; when it
// has unsaved changes they are saved to the machine's temporary file first and
// fileName becomes that file's path) or from disk. `lineIndex` is the number
// of lines already handled: the send begins with the next line (a restart);
// on return it is the last line handled. `loggedAs` names a temporary file's
// content in the transfer log.
SendOutcome sendTextBlock(QString& fileName, bool fromWindow, int& lineIndex, const QString& loggedAs = QString());

// Sends a file from disk, never touching the editor: the command line, the
// recent-sent menu, the log viewer's repeat, file drops. The progress window
// shows the large percentage with the sent lines echoed unless the display
// is set to "None".
SendOutcome sendFileNoWindow(const QString& fileName);

// Send Binary: the file as it is, in chunks of `chunkSize` bytes, with the
// machine's header and trailer; refused while another send runs.
SendOutcome sendBinaryFile(const QString& fileName, int chunkSize);

// The machine's HeaderSend or TrailerSend (any other `which` is the trailer)
// for the program in fileName (or the active window's text), with its pauses
// and DelayBeforeHeader, converted to EIA when the machine uses it (the
// caller has loaded the table); the header makes the extra copy of fileName.
PortResult sendHeaderTrailer(const QString& which, const QString& fileName, bool fromWindow);
// The same for a program already read (`program`, or its start and end, for
// the "%" rule); the extra copy is the caller's. *handedWhole, when asked,
// tells whether all its bytes were handed over (only pauses may be left).
PortResult sendHeaderTrailer(const QString& which, const QByteArray& program, bool* handedWhole = nullptr);
// The route a send of a file takes on the current machine's settings
// (`textRoute` for a plain text send); none where every send is refused
// (blockwise handshaking).
std::optional<SendRoute> fileSendRoute(SendRoute textRoute);
// Whether the header or trailer for such a program has any byte to send;
// whether it has anything at all, bytes or pauses.
bool headerTrailerHasBytes(const QString& which, const QByteArray& program);
bool headerTrailerIsSet(const QString& which, const QByteArray& program);

// After-send steps: the countdown with the port still open (WaitAfterSending
// positions 0-29 keep it open 1-30 s), the "{Prompt Me}" prompt (position 30),
// the time-out report that returns the comm state to idle, and the extra copy
// of what is sent to [Settings] TressickFile: the file, or what `write` puts
// out (written whole or not at all, a failure said).
void checkNeedToWait();
void checkNeedToWarnAfterSend(const QString& fileName);
// The pause before the after-send prompt, in ms (500); a test that answers
// every prompt at once may waive it.
int& afterSendPromptPauseMs();
void notifyAfterSend();
void writeTressick(const QString& fileName);
void writeTressick(const std::function<bool(QIODevice& out, QString* error)>& write);

