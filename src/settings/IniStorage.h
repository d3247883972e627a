#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <utility>

// The settings file and every other INI file the program reads, through the
// cached store. Sections and keys match without regard to letter case; values
// come back whole.

extern QString gIniPath; // the settings file, set once at start-up

// Points gIniPath at the settings file of the program folder.
void initSettingsPath();

QString readIni(const QString& section, const QString& key, const QString& def = QString());
QString readIni(const QString& section, const QString& key, int def);
// The value's leading number, as numbers are stored ("12ab" -> 12, "x" -> 0).
int readIniInt(const QString& section, const QString& key, int def);
// False when the file could not be written; the old file is then unchanged.
bool writeIni(const QString& section, const QString& key, const QString& value);
bool writeIni(const QString& section, const QString& key, int value);
// Several keys of one section in one write.
bool writeIniValues(const QString& section, const QVector<std::pair<QString, QString>>& values);
bool iniHasKey(const QString& section, const QString& key);

// For this run the settings file is not written (it cannot be, or it holds
// data the program cannot read): changes are kept in memory and read back
// from there. `reason` says why.
void keepSettingsInMemory(const QString& reason);
bool settingsKeptInMemory();
QString settingsKeptReason();
// Runs once, at the first change kept in memory after it is set, and each
// time changes start waiting for another copy's lock; `consequence` says
// what becomes of them.
void setSettingsKeptNotice(std::function<void(const QString& reason, const QString& consequence)> notice);
// Runs with true before a wait for the settings file's lock, false after.
void setSettingsLockWaitShown(std::function<void(bool waiting)> shown);
// Changes kept because another copy held the lock, not in the file yet:
// whether there are, and which, in words: a send's restart record first,
// never the program's own defaults nor the write probe (empty where only
// those wait).
bool settingsWaitingForLock();
QString settingsNotStoredYet();
// The end of the run: what waits for the lock is written, waiting for it
// again; false (lastIniError() says why) when it could not be.
bool storeKeptSettings();
// Writes in its scope wait for another copy's lock again, even after a wait
// in vain: what must not be lost (a send's restart record).
class IniWaitForLock {
public:
    IniWaitForLock();
    ~IniWaitForLock();
    IniWaitForLock(const IniWaitForLock&) = delete;
    IniWaitForLock& operator=(const IniWaitForLock&) = delete;
};
// Safe to call from a signal handler: from now on no write waits for another
// copy's lock. A wait under way ends within about 50 ms as one in vain (its
// changes kept, as any wait in vain keeps them); later writes only try the lock.
void endSettingsLockWaits();
bool settingsLockWaitsEnded();
// The program ends after the writes to come (a command-line send): a change
// that cannot have the lock is not said as kept; the end of the run
// (storeSettingsAtEnd) says what was lost.
void setSettingsEndNear(bool near);
bool settingsEndNear();
// Writes in its scope are defaults the program writes for itself (a first
// start's records, aliases, fonts): what is said of changes not stored
// leaves them out, as the next start writes them again.
class IniProgramDefaults {
public:
    IniProgramDefaults();
    ~IniProgramDefaults();
    IniProgramDefaults(const IniProgramDefaults&) = delete;
    IniProgramDefaults& operator=(const IniProgramDefaults&) = delete;
};
// The settings file is missing or holds nothing but blanks and line ends.
bool settingsFileIsBlank();
// Whether changes others make to the files read are watched for (the
// default); without, every read looks at its file. For a run that reads its
// settings once and ends, before its first read.
void watchIniFiles(bool on);

// Any named INI file. A missing or empty value, or one starting with
// "Not Used", reads as an empty text.
QString readIniString(const QString& section, const QString& key, const QString& iniFile);
bool writeIniString(const QString& section, const QString& key, const QString& value, const QString& iniFile);
bool removeIniSection(const QString& section, const QString& iniFile);
QStringList iniSectionKeys(const QString& section, const QString& iniFile);
QStringList iniSections(const QString& iniFile);
bool iniHasSection(const QString& section, const QString& iniFile);

// Groups many writes into one write of the file at the end of the scope.
class IniBatch {
public:
    IniBatch();
    ~IniBatch();
    bool commit(); // writes now; false when the file could not be written
    IniBatch(const IniBatch&) = delete;
    IniBatch& operator=(const IniBatch&) = delete;

private:
    bool open_ = true;
};

// Why the last failed write failed.
QString lastIniError();
// What the user can do about a write that failed for `reason`; empty when
// the reason itself says it.
QString settingsWriteAdvice(const QString& reason);
// The settings file, `reason`, then `consequence` and that advice: the body
// of every message about a settings write that failed.
QString settingsWriteFailure(const QString& reason, const QString& consequence);
// The box of a dialog whose save of the settings failed for `reason`.
QString settingsNotSavedText(const QString& reason,
                             const QString& consequence = QStringLiteral("The change was not saved."));

// 36 random lower-case letters, "a" at positions 12 and 25 (from 1).
QString makeRandomKeyString();
