#include "SettingsProbe.h"

#include "IniStorage.h"
#include "IniStore.h"
#include "MessageSeam.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QString settingsWriteProblem(const QString& iniPath) {
    const QFileInfo info(iniPath);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(folder.filePath()));
    if (info.exists()) {
        if (!info.isFile())
            return QStringLiteral("It is not a file.");
        // The owner's write bit counts even for an administrator, as the store treats it.
        if (!(info.permissions() & QFileDevice::WriteOwner) || !info.isWritable())
            return QStringLiteral("The file is read-only.");
    }
    QSaveFile trial(iniPath);
    if (!trial.open(QIODevice::WriteOnly))
        return trial.errorString();
    trial.cancelWriting();
    return QString();
}

QString sendSettingsProblem(const QString& iniPath, const QString& section) {
    const QFileInfo info(iniPath);
    if (info.isSymLink() && !info.exists())
        return QStringLiteral("It Is A Link To %1, Which Does Not Exist")
            .arg(QDir::toNativeSeparators(info.symLinkTarget()));
    if (!info.exists())
        return QStringLiteral("It Does Not Exist");
    if (info.isDir())
        return QStringLiteral("It Is A Folder");
    if (!info.isFile())
        return QStringLiteral("It Is Not A File");
    // The owner's read bit counts even for an administrator, as the store treats it.
    QFile file(iniPath);
    if (!(info.permissions() & QFileDevice::ReadOwner))
        return QStringLiteral("It Cannot Be Read (Permission denied)");
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("It Cannot Be Read (%1)").arg(file.errorString());
    file.close();
    if (IniStore::instance().isBlank(iniPath))
        return QStringLiteral("It Is Empty");
    if (!iniHasSection(QStringLiteral("Settings"), iniPath))
        return QStringLiteral("It Holds No [Settings] Section This Program Can Read");
    if (!iniHasSection(section, iniPath))
        return QStringLiteral("It Has No [%1] Section").arg(section);
    return QString();
}

void reportSettingsWriteFailure() {
    msgBox(QStringLiteral("Can't Write To Settings File\n") +
               settingsWriteFailure(lastIniError(), QStringLiteral("The change was not saved.")),
           Msg::Ok, Msg::Critical);
}
