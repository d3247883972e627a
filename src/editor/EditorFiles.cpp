#include "EditorFiles.h"

#include "IniStorage.h"
#include "MessageSeam.h"

#include <QFile>

bool fileHeadHasNul(const QString& path, qint64 window) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    return in.read(window).contains('\0');
}

bool removeNulsFromFile(const QString& path, QString* error) {
    QByteArray bytes;
    if (!readWholeFile(path, &bytes, error))
        return false;
    bytes.replace(QByteArray(1, '\0'), QByteArray());
    return writeFileSafely(path, bytes, error);
}

int storedNullOption() {
    bool ok = false;
    const int v = readIni(QStringLiteral("Warnings"), QStringLiteral("nullOpt"), QStringLiteral("1")).trimmed().toInt(&ok);
    return ok && v >= 0 && v <= 2 ? v : -1;
}

void storeNullOption(int option) { writeIni(QStringLiteral("Warnings"), QStringLiteral("nullOpt"), option); }

namespace {
std::function<void(const QString&)>& warningShower() {
    static std::function<void(const QString&)> shower;
    return shower;
}
} // namespace

void setSettingsWarningShower(std::function<void(const QString& caption)> shower) {
    warningShower() = std::move(shower);
}

bool chkCanWIni() {
    // A file kept in memory takes the probe, but not onto the disk.
    if (!settingsKeptInMemory()) {
        const QString probe = makeRandomKeyString();
        if (writeIni(QStringLiteral("Settings"), QStringLiteral("chkCanWrite"), probe) &&
            readIni(QStringLiteral("Settings"), QStringLiteral("chkCanWrite"), QString()) == probe)
            return true;
    }
    warnSettingsNotWritable();
    return false;
}

void warnSettingsNotWritable(const QString& reason) {
    if (readIni(QStringLiteral("Settings"), QStringLiteral("WarnIniSettings"), QStringLiteral("0")) == QLatin1String("0")) {
        const QString caption = QStringLiteral("Can't Write To Settings File **Warning**");
        if (warningShower())
            warningShower()(caption);
        else
            msgBox(caption + QStringLiteral("\n") + gIniPath + QStringLiteral("\n") +
                       (reason.isEmpty() ? lastIniError() : reason),
                   Msg::Ok, Msg::Exclamation);
    }
}
