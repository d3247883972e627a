#include "ProgramPaths.h"

#include "FileStuff.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ProgramPaths {

namespace {
QString& cachedFolder() {
    static QString folder;
    return folder;
}

QString findFolder() {
    const QByteArray home = qgetenv("FEEDLINE_HOME");
    if (!home.isEmpty()) {
        const QString dir = QString::fromLocal8Bit(home);
        QDir().mkpath(dir);
        return withBackslash(QFileInfo(dir).absoluteFilePath());
    }
    if (QCoreApplication::instance()) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable())
            return withBackslash(exeDir);
    }
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share/feedline");
    QDir().mkpath(data);
    return withBackslash(data);
}
} // namespace

QString appTitle() { return QStringLiteral("Feedline"); }

QString programFolder() {
    QString& folder = cachedFolder();
    if (folder.isEmpty())
        folder = findFolder();
    return folder;
}

QString settingsFileName() { return programFolder() + QStringLiteral("feedline-settings.ini"); }

QString passwordFileName() {
    const QByteArray file = qgetenv("FEEDLINE_PASSWORD_FILE");
    if (!file.isEmpty())
        return QString::fromLocal8Bit(file);
    return QStringLiteral("/etc/") + appTitle() + QStringLiteral("settings.ini");
}

void reset() { cachedFolder().clear(); }

} // namespace ProgramPaths
