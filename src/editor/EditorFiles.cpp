#include "EditorFiles.h"

#include "IniStorage.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"

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
SettingsWarningShower& warningShower() {
    static SettingsWarningShower shower;
    return shower;
}
} // namespace

void setSettingsWarningShower(SettingsWarningShower shower) {
    warningShower() = std::move(shower);
}

bool chkCanWIni() {
    // A file kept in memory takes the probe, but not onto the disk.
    if (settingsKeptInMemory()) {
        warnSettingsNotWritable(settingsKeptReason());
        return false;
    }
    const QString probe = makeRandomKeyString();
    if (writeIni(QStringLiteral("Settings"), QStringLiteral("chkCanWrite"), probe) &&
        readIni(QStringLiteral("Settings"), QStringLiteral("chkCanWrite"), QString()) == probe)
        return true;
    warnSettingsNotWritable();
    return false;
}

void warnSettingsNotWritable(const QString& reason) {
    if (readIni(QStringLiteral("Settings"), QStringLiteral("WarnIniSettings"), QStringLiteral("0")) !=
        QLatin1String("0"))
        return;
    const QString caption = QStringLiteral("Can't Write To Settings File **Warning**");
    const QString text = ProgramPaths::appTitle() + QStringLiteral(" cannot write to its settings file\n") +
                         settingsWriteFailure(reason.isEmpty() ? lastIniError() : reason,
                                              QStringLiteral("Settings you change now will not be kept."));
    if (warningShower())
        warningShower()(caption, text);
    else
        msgBox(caption + QLatin1Char('\n') + text, Msg::Ok, Msg::Exclamation);
}
