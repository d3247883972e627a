#include "MachineCopy.h"

#include "IniStorage.h"
#include "MachineRecord.h"

#include <utility>

bool copyMachineSettings(int from, int to) {
    const QString source = MachineRecord::sectionName(from);
    QVector<std::pair<QString, QString>> values;
    for (const QString& key : iniSectionKeys(source, gIniPath)) {
        const QString upper = key.toUpper();
        if (upper != QLatin1String("ALIAS") && upper != QLatin1String("COMMPORT"))
            values.append({key, readIni(source, key, QString())});
    }
    return values.isEmpty() || writeIniValues(MachineRecord::sectionName(to), values);
}
