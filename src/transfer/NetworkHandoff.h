#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <utility>

// Hand-offs to the FTP helper "ftp.exe" beside the program. The helper is a
// program of its own: we build its command line and start it, never wait.
namespace NetworkHandoff {

struct HelperCommand {
    QString program; // full path; empty when there is nothing to start
    QStringList arguments;
    bool isEmpty() const { return program.isEmpty(); }
    QString line() const; // the program, one blank, the arguments
};

QString ftpHelperPath(); // the program folder followed by "ftp.exe"

// The FTP helper's command line: its path, then "?file?N?direction?settings"
// as one argument. `file` is the upload's path or "!" for none; the helper
// reads the FTP keys of [Machine<N>] from `settingsFile`. Empty when `kind`
// is not "FTP", the helper is missing, the named file does not exist, or a
// path holds "?", which the argument cannot carry.
HelperCommand buildFtpCommand(const QString& kind, const QString& direction, const QString& file,
                              int machineNumber, const QString& settingsFile);
// The same for the current machine and the live settings file.
HelperCommand buildFtpCommand(const QString& kind, const QString& direction, const QString& file);

// A copy of the settings file with `values` laid over the section, for a
// helper that must see values not yet saved; the live file is not touched.
// Returns the copy's path, empty when it could not be written.
QString writeSettingsCopy(const QString& section, const QVector<std::pair<QString, QString>>& values);

// Starts the command detached; false when it could not be started.
bool startHelper(const HelperCommand& command);

} // namespace NetworkHandoff

// True when the current machine is reached through the network helper, which
// has then taken the transfer over (`kind`: "S", "SB", "R" or "RF"). The
// helper has no command line to run yet, so every machine goes through its
// serial port.
bool chkNeedToSendTCPIP(const QString& fileName, const QString& kind);
