#include "MachineSettingsCheck.h"

#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"

void nameImpossibleMachineSettings(QStringList& named) {
    QStringList fresh;
    for (const QString& entry : impossibleMachineSettings(gCurrentMachineSection)) {
        const QString seen = gIniPath + QLatin1Char('|') + gCurrentMachineSection + QLatin1Char('|') + entry;
        if (!named.contains(seen)) {
            named << seen;
            fresh << entry;
        }
    }
    if (!fresh.isEmpty())
        msgBox(impossibleSettingsText(fresh), Msg::Ok, Msg::Exclamation);
}
