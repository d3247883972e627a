#include "NetworkHandoff.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"

#include <QFile>
#include <QProcess>

namespace NetworkHandoff {

QString HelperCommand::line() const {
    if (isEmpty())
        return QString();
    return (QStringList{program} + arguments).join(QLatin1Char(' '));
}

QString ftpHelperPath() {
    return ProgramPaths::programFolder() + QStringLiteral("ftp.exe");
}

HelperCommand buildFtpCommand(const QString& kind, const QString& direction, const QString& file,
                              int machineNumber, const QString& settingsFile) {
    HelperCommand cmd;
    if (kind != QLatin1String("FTP") || !fileExists(ftpHelperPath()))
        return cmd;
    if (file != QLatin1String("!") && !fileExists(file))
        return cmd;
    if (file.contains(QLatin1Char('?')) || settingsFile.contains(QLatin1Char('?')))
        return cmd;
    cmd.program = ftpHelperPath();
    cmd.arguments << QStringLiteral("?%1?%2?%3?%4").arg(file).arg(machineNumber).arg(direction, settingsFile);
    return cmd;
}

HelperCommand buildFtpCommand(const QString& kind, const QString& direction, const QString& file) {
    return buildFtpCommand(kind, direction, file, MachineRecord::machineNumber(gCurrentMachineSection),
                           gIniPath);
}

QString writeSettingsCopy(const QString& section, const QVector<std::pair<QString, QString>>& values) {
    const QString copy = ProgramPaths::programFolder() + QStringLiteral("ftp-logon.ini");
    QFile::remove(copy);
    if (QFile::exists(gIniPath) && !QFile::copy(gIniPath, copy))
        return QString();
    bool ok = true;
    {
        IniBatch batch;
        for (const auto& kv : values)
            writeIniString(section, kv.first, kv.second, copy);
        ok = batch.commit();
    }
    if (!ok)
        return QString();
    // It may hold the FTP password.
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return copy;
}

bool startHelper(const HelperCommand& command) {
    if (command.isEmpty())
        return false;
    return QProcess::startDetached(command.program, command.arguments, ProgramPaths::programFolder());
}

} // namespace NetworkHandoff

bool chkNeedToSendTCPIP(const QString& fileName, const QString& kind) {
    if (MachineRecord::current(QStringLiteral("IP")).isEmpty())
        return false;
    const QString helper = ProgramPaths::programFolder() + QStringLiteral("Skylet.exe");
    if (!fileExists(helper))
        return false;
    const QString command = emptyStub(fileName, kind);
    if (command.isEmpty())
        return false;
    return NetworkHandoff::startHelper({helper, QProcess::splitCommand(command)});
}
