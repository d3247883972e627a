#pragma once

#include <QDateTime>
#include <QString>

// The file work at the end of a receive: the received data filtered into
// its destination, the dated audit copy of the file it replaces, and the
// after-receive trailer. Nothing here deletes the received data: it stays
// in its temporary file whatever happens to the destination.
namespace ReceiveSave {

// Pieces of the filter's large-file path.
constexpr qint64 kPieceSize = 64 * 1024;

// Writes `received` to `destination` through a temporary file beside it
// and a rename: filtered by the current machine's receive settings (in
// pieces when its ReceiveChunk is above 0), or byte for byte when `binary`.
// The old destination stays whole when anything fails; false with the
// reason in *error. The status line shows the progress and gets its text back.
bool writeReceivedFile(const QString& received, const QString& destination, bool binary, QString* error);

// "AuditTrail/<alias>/" in the program folder, for the current machine.
QString auditFolder();
// The copy's name: the destination's name up to its first ".", "[", the
// time as dd-MMM-yyyy@hh-mm-ss AM, "]", "." and what follows the name's
// last "." (a lone "." when it has none). `attempt` above 1 marks a second
// copy within the same second.
QString auditCopyName(const QString& destination, const QDateTime& when, int attempt = 1);

enum class AuditResult {
    NotNeeded, // audit trail off, a temporary file, or nothing to replace
    Copied,
    Failed     // the destination must not be replaced
};
// Copies the file about to be replaced into the audit trail when the
// current machine's AuditTrail is on. *copyPath names the copy; *error says
// why it failed.
AuditResult AuditTrailFileName(const QString& destination, QString* copyPath = nullptr, QString* error = nullptr);

// The current machine's ReceiveTrailerSend to the open port, pauses kept.
// True when there was none or it went out.
bool sendAfterReceiveTrailer();

} // namespace ReceiveSave
