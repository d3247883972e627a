#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Date-stamped copies of the settings file: "<title>-settings-<date>.ini"
// in the backup folder ([Settings] BackupDirectory, else "backups" in the
// program folder).
namespace SettingsBackup {

QString defaultMask(); // "dd-mmm-yyyy-hh-mm-ss"

// The mask as the dialog holds it: each character a file name may not hold
// is reported once (in *messages, in a fixed order) and becomes "-". An empty
// mask, or one without a date or time token, is the default mask.
QString checkedMask(const QString& mask, QStringList* messages);

// The date by the mask: "dd" day, "mmm" month name, "yyyy" year, "hh" hour,
// "mm" minute after an hour and month otherwise, "ss" second, in any letter
// case; everything else is copied.
QString formatStamp(const QString& mask, const QDateTime& when);

QString defaultFolder();  // "backups/" in the program folder
QString storedFolder();   // BackupDirectory, or the default, with a trailing "/"
// The folder the list shows: the stored one, or the default when that cannot be used.
QString listedFolder();

QString backupName(const QString& mask, const QDateTime& when); // file name only
// The backups in a folder, by name.
QStringList list(const QString& folder);

// Copies the settings file to `target` (through a temporary file and a
// rename); the default folder is made on first use. False with the reason.
bool backUp(const QString& target, QString* error);

// The dialog's explanation of where the settings and the backups are.
QString explanation(const QString& mask, const QDateTime& when);

} // namespace SettingsBackup
