#include "StartupLoad.h"

#include "DateStuff.h"
#include "EditorGlobals.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"
#include "SettingsProbe.h"
#include "TransferGlobals.h"

#include <QDate>

namespace StartupLoad {

namespace {
const QString kSettings = QStringLiteral("Settings");

// The visibility mark as a whole number; text that is no number hides the machine.
int markOf(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || v < -2147483648.0 || v > 2147483647.0)
        return 0;
    return qRound(v);
}

// A font key that reads empty is written with its default once; when the
// file cannot take it the default is used all the same.
QString fontSetting(const QString& key, const QString& def) {
    QString value = readIni(kSettings, key, QString());
    if (value.isEmpty()) {
        writeIni(kSettings, key, def);
        value = readIni(kSettings, key, QString());
    }
    return value.isEmpty() ? def : value;
}

void migrateSendMode() {
    if (!readIni(kSettings, QStringLiteral("UpdateDataSendMode"), QString()).isEmpty())
        return;
    writeIni(kSettings, QStringLiteral("UpdateDataSendMode"), formatShortDate(QDate::currentDate()));
    for (int n = 1; n <= kMachineCount; ++n) {
        const QString section = MachineRecord::sectionName(n);
        const QString mode = readIni(section, QStringLiteral("DripFeedPacketSize"), QStringLiteral("0"));
        // Send modes moved up by three. A value that is no whole number is
        // left as it stands, for a send to name it: moved up, it would pick
        // a send mode nobody chose.
        bool whole = false;
        const int v = mode.toInt(&whole);
        if (mode != QLatin1String("0") && whole && mode == QString::number(v))
            writeIni(section, QStringLiteral("DripFeedPacketSize"), QString::number(qint64(v) + 3));
    }
}

MachineList machineAliases() {
    MachineList machines;
    for (int n = 1; n <= kMachineCount; ++n) {
        const QString section = MachineRecord::sectionName(n);
        QString alias = readIni(section, QStringLiteral("Alias"), QString());
        if (alias.isEmpty()) {
            alias = section;
            writeIni(section, QStringLiteral("Alias"), alias);
        }
        machines.append({alias, markOf(readIni(section, QStringLiteral("Visible"), QStringLiteral("-1")))});
    }
    return machines;
}

bool firstRunRecords(const std::function<void(int)>& step) {
    // A settings file this run does not write gets no records: the defaults serve.
    if (!readIni(kSettings, QStringLiteral("RunBefore"), QString()).isEmpty() || settingsKeptInMemory())
        return false;
    forceDateFormats();
    // Saved with the records it stands for: a set-up broken off before they
    // reached the file runs again.
    writeIni(kSettings, QStringLiteral("RunBefore"), QStringLiteral("Yes"));
    for (int n = 1; n <= kMachineCount; ++n) {
        if (step)
            step(n);
        if (n > 8)
            continue;
        const QString section = MachineRecord::sectionName(n);
        gCurrentMachineSection = section;
        MachineRecord::writeDefaults(section);
        writeIni(section, QStringLiteral("SendExtension1"), QStringLiteral("TXT"));
        writeIni(section, QStringLiteral("ReceiveExtension1"), QStringLiteral("TXT"));
    }
    return true;
}
} // namespace

bool load(Loaded* loaded, const std::function<void(int)>& firstRunStep) {
    checkThreadLocale();
    if (gVersionSuffix.isEmpty())
        return false;
    gPasswordIniPath = ProgramPaths::passwordFileName();
    gKeepAlive = 1;
    gFindFormLoaded = false;
    gTurboSending = false;
    gWindows = {EditorWindow{false, false, QStringLiteral("Untitled1")}};
    gActiveWindow = 0;
    gPortState = PortIdle;
    gSending = false;
    forceDateFormats();

    initSettingsPath();
    {
        // Whatever the start writes (first-run records, aliases, fonts, the
        // one-off migration) goes to the file in one save. Where another copy
        // holds the lock, none of it is worth a word: the next start writes
        // it again.
        const IniProgramDefaults defaults;
        IniBatch batch;
        writeIni(QStringLiteral("Storage"), QStringLiteral("UpdateStorage"), QStringLiteral("1"));
        migrateSendMode();
        loaded->machines = machineAliases();
        loaded->firstRun = firstRunRecords(firstRunStep);
        loaded->fontName = fontSetting(QStringLiteral("FontName"), QStringLiteral("Courier New"));
        loaded->fontSize = fontSetting(QStringLiteral("FontSize"), QStringLiteral("10"));
        loaded->fontBold = fontSetting(QStringLiteral("FontBold"), QStringLiteral("True"));
        if (!batch.commit())
            reportSettingsWriteFailure();
    }

    gUseLanguageSupport = readIniInt(kSettings, QStringLiteral("UseLanguageSupport"), 0);
    gDNCStatus = readIniInt(kSettings, QStringLiteral("DNCStatus"), 2);
    gShowCNCStatus = readIniInt(kSettings, QStringLiteral("ShowCNCStatus"), 1);
    gShowBreakoutLights = readIniInt(kSettings, QStringLiteral("ShowBreakoutLights"), 1);
    gIntelliFile = readIni(kSettings, QStringLiteral("intelliCodeFile"), QStringLiteral("fanuc.itc"));
    gBusyEditing = false;
    gPrinting = false;
    return true;
}

} // namespace StartupLoad
