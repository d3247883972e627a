#include "SettingsProbe.h"

#include "IniStorage.h"
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

void reportSettingsWriteFailure() {
    msgBox(QStringLiteral("Can't Write To Settings File\n") +
               settingsWriteFailure(lastIniError(), QStringLiteral("The change was not saved.")),
           Msg::Ok, Msg::Critical);
}
