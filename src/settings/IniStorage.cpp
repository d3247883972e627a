#include "IniStorage.h"

#include "FileStuff.h"
#include "IniStore.h"
#include "ProgramPaths.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>

QString gIniPath;

void initSettingsPath() { gIniPath = ProgramPaths::settingsFileName(); }

QString readIni(const QString& section, const QString& key, const QString& def) {
    return IniStore::instance().value(gIniPath, section, key).value_or(def);
}

QString readIni(const QString& section, const QString& key, int def) {
    return readIni(section, key, QString::number(def));
}

int readIniInt(const QString& section, const QString& key, int def) {
    return leadingInt(readIni(section, key, def));
}

bool writeIni(const QString& section, const QString& key, const QString& value) {
    return IniStore::instance().setValue(gIniPath, section, key, value);
}

bool writeIni(const QString& section, const QString& key, int value) {
    return writeIni(section, key, QString::number(value));
}

bool writeIniValues(const QString& section, const QVector<std::pair<QString, QString>>& values) {
    return IniStore::instance().setValues(gIniPath, section, values);
}

IniBatch::IniBatch() { IniStore::instance().beginBatch(); }
IniBatch::~IniBatch() { commit(); }
bool IniBatch::commit() {
    if (!open_)
        return true;
    open_ = false;
    return IniStore::instance().endBatch();
}

bool iniHasKey(const QString& section, const QString& key) {
    return IniStore::instance().value(gIniPath, section, key).has_value();
}

void keepSettingsInMemory(const QString& reason) { IniStore::instance().keepInMemory(gIniPath, reason); }

bool settingsKeptInMemory() { return IniStore::instance().keptInMemory(gIniPath); }

QString settingsKeptReason() { return IniStore::instance().keptReason(gIniPath); }

void setSettingsKeptNotice(std::function<void(const QString&, const QString&)> notice) {
    if (!notice) {
        IniStore::instance().setKeptInMemoryNotice(nullptr);
        return;
    }
    IniStore::instance().setKeptInMemoryNotice(
        [notice](const QString& file, const QString& reason, const QString& consequence) {
            if (file == gIniPath)
                notice(reason, consequence);
        });
}

void setSettingsLockWaitShown(std::function<void(bool)> shown) {
    IniStore::instance().setLockWaitShown(std::move(shown));
}

bool settingsWaitingForLock() { return IniStore::instance().waitingForLock(gIniPath); }

QString settingsNotStoredYet() { return IniStore::instance().notStoredYet(gIniPath); }

bool storeKeptSettings() { return IniStore::instance().storeKept(); }

IniWaitForLock::IniWaitForLock() { IniStore::instance().beginWaitAgain(); }
IniWaitForLock::~IniWaitForLock() { IniStore::instance().endWaitAgain(); }

void endSettingsLockWaits() { IniStore::endLockWaits(); }

bool settingsLockWaitsEnded() { return IniStore::lockWaitsEnded(); }

bool settingsFileIsBlank() { return IniStore::instance().isBlank(gIniPath); }

void watchIniFiles(bool on) {
    IniStore::instance().setWatching(on);
}

QString readIniString(const QString& section, const QString& key, const QString& iniFile) {
    const QString v = IniStore::instance().value(iniFile, section, key).value_or(QString());
    if (v.startsWith(QLatin1String("Not Used")))
        return QString();
    return v;
}

bool writeIniString(const QString& section, const QString& key, const QString& value, const QString& iniFile) {
    return IniStore::instance().setValue(iniFile, section, key, value);
}

bool removeIniSection(const QString& section, const QString& iniFile) {
    return IniStore::instance().removeSection(iniFile, section);
}

QStringList iniSectionKeys(const QString& section, const QString& iniFile) {
    return IniStore::instance().keys(iniFile, section);
}

QStringList iniSections(const QString& iniFile) { return IniStore::instance().sections(iniFile); }

bool iniHasSection(const QString& section, const QString& iniFile) {
    return IniStore::instance().hasSection(iniFile, section);
}

QString lastIniError() { return IniStore::instance().lastError(); }

QString settingsWriteAdvice(const QString& reason) {
    // The store passes on the system's own words for a failed write, or says
    // "<file> is read-only" itself.
    const auto says = [&reason](int error) { return reason == qt_error_string(error); };
    if (says(ENOSPC) || says(EDQUOT))
        return QStringLiteral("Free some space on the disk that holds it.");
    if (says(EACCES) || says(EPERM) || says(EROFS) || reason.endsWith(QLatin1String("is read-only")) ||
        reason.endsWith(QLatin1String("is read-only.")))
        return QStringLiteral("Make the file and its folder writable.");
    if (says(EIO))
        return QStringLiteral("Check the disk that holds it.");
    // Anything else (a folder that is gone, a file too large) the reason says.
    return QString();
}

QString settingsWriteFailure(const QString& reason, const QString& consequence) {
    QString text = QDir::toNativeSeparators(gIniPath);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    text += QStringLiteral("\n\n") + consequence;
    const QString advice = settingsWriteAdvice(reason);
    if (!advice.isEmpty())
        text += QLatin1Char(' ') + advice;
    return text;
}

QString settingsNotSavedText(const QString& reason, const QString& consequence) {
    return QStringLiteral("The Settings Could Not Be Saved To ") + settingsWriteFailure(reason, consequence);
}

QString makeRandomKeyString() {
    QString s(36, QLatin1Char('a'));
    for (int i = 0; i < 36; ++i)
        s[i] = QLatin1Char(char('a' + QRandomGenerator::global()->bounded(26)));
    s[11] = QLatin1Char('a');
    s[24] = QLatin1Char('a');
    return s;
}
