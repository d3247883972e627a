#include "IniStorage.h"

#include "FileStuff.h"
#include "IniStore.h"
#include "ProgramPaths.h"
#include "SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

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

void setSettingsEndNear(bool near) { IniStore::instance().setEndNear(near); }

bool settingsEndNear() { return IniStore::instance().endNear(); }

IniProgramDefaults::IniProgramDefaults() { IniStore::instance().beginOwnDefaults(); }
IniProgramDefaults::~IniProgramDefaults() { IniStore::instance().endOwnDefaults(); }

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

namespace {
// The owner of the settings file where its folder has the sticky bit and
// lets only that owner (or the folder's) replace it, whatever the file's
// own permissions say; empty otherwise.
QString onlyOwnerReplaces() {
    const QFileInfo file(fileWrittenFor(gIniPath));
    struct stat st {}, folder {};
    if (::stat(QFile::encodeName(file.filePath()).constData(), &st) != 0 ||
        ::stat(QFile::encodeName(file.absolutePath()).constData(), &folder) != 0)
        return QString();
    const uid_t me = ::geteuid();
    if (!(folder.st_mode & S_ISVTX) || me == 0 || st.st_uid == me || folder.st_uid == me)
        return QString();
    const QString owner = file.owner();
    return owner.isEmpty() ? QString::number(st.st_uid) : owner;
}
} // namespace

QString settingsWriteAdvice(const QString& reason) {
    // The store passes on the system's own words for a failed write, or says
    // "<file> is read-only" itself.
    const auto says = [&reason](int error) { return reason == qt_error_string(error); };
    if (says(ENOSPC) || says(EDQUOT))
        return QStringLiteral("Free some space on the disk that holds it.");
    // Write permission on both would not help there.
    if (says(EACCES) || says(EPERM)) {
        const QString owner = onlyOwnerReplaces();
        if (!owner.isEmpty())
            return QStringLiteral(
                       "Its folder lets only the file's owner (%1) replace it: run the program as that "
                       "user, or have the file given to you.")
                .arg(owner);
    }
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
