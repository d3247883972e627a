#include "ExampleSettings.h"

#include "IniDocument.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"

#include <QFile>

namespace ExampleSettings {

QString filePath() {
    return ProgramPaths::programFolder() + ProgramPaths::appTitle() + QStringLiteral(".cfg");
}

QStringList listNames(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = IniDocument::decode(f.readAll());
    QStringList names;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.contains(QLatin1String("Alias=")))
            continue;
        names << line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return names;
}

const QStringList& keys() {
    static const QStringList k =
        QStringLiteral(
            "Alias,CharacterSet,iParity,iStopBits,Handshaking,DripFeedPacketSize,iBaudrate,iDataLength,"
            "WaitForXON,EOBSend,HeaderSend,TrailerSend,HeaderReceive,TrailerReceive,Discard,"
            "RemoveUnwantedStrings1,WaitForBuffer,RTSEnable,DTREnable,ReceiveHeaderSend,"
            "ReceiveTrailerSend,WaitAfterReceive,WaitAfterSending,LineDelay,HeaderReceiveInc,"
            "TrailerReceiveInc")
            .split(QLatin1Char(','));
    return k;
}

namespace {
// Texts may be emptied by an example; a position or a name may not.
bool mayBeEmptied(const QString& key) {
    if (key.compare(QLatin1String("Alias"), Qt::CaseInsensitive) == 0)
        return false;
    const MachineRecord::KeyDef* def = MachineRecord::find(key);
    return !def || def->form == MachineRecord::Form::Text || def->form == MachineRecord::Form::CodeList;
}
} // namespace

Result import(const QString& name, const QString& file, const QString& section) {
    if (name.isEmpty() || !iniHasSection(name, file))
        return Result::NoSection;
    MachineRecord::Values values;
    for (const QString& key : keys()) {
        const QString value = readIniString(name, key, file);
        if (value.isEmpty() && !mayBeEmptied(key))
            continue;
        values.append({key, value});
    }
    return writeIniValues(section, values) ? Result::Imported : Result::WriteFailed;
}

} // namespace ExampleSettings
