#include "MachineCopy.h"

#include "IniStorage.h"
#include "MachineRecord.h"

#include <QRegularExpression>

#include <utility>

namespace {
// The machine's name and port, and what it has done (its last send and its
// recent lists): another machine's Restart After Toolbreak must never offer
// this machine's program.
bool ownToTheMachine(const QString& key) {
    static const QRegularExpression own(
        QStringLiteral("^(alias|commport|lastline|lastfilesent|recent(sent|receive)?file[1-4])$"),
        QRegularExpression::CaseInsensitiveOption);
    return own.match(key).hasMatch();
}
} // namespace

bool copyMachineSettings(int from, int to) {
    const QString source = MachineRecord::sectionName(from);
    QVector<std::pair<QString, QString>> values;
    for (const QString& key : iniSectionKeys(source, gIniPath))
        if (!ownToTheMachine(key))
            values.append({key, readIni(source, key, QString())});
    return values.isEmpty() || writeIniValues(MachineRecord::sectionName(to), values);
}
