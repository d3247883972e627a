#include "MachineSettingsCheck.h"

#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortList.h"

#include <QDir>

QStringList impossiblePortSettings(const QString& section) {
    // A list position: the whole text a number within the list.
    struct Key {
        const char* name;
        int last;
    };
    const Key keys[] = {{"CommPort", PortList::kPortCount - 1},
                        {"iBaudrate", int(gBaudRates.size()) - 1},
                        {"iParity", 4},
                        {"iDataLength", 3},
                        {"iStopBits", 1},
                        {"Handshaking", 5}};
    QStringList out;
    for (const Key& k : keys) {
        for (const QString& key : {QString::fromLatin1(k.name), QString::fromLatin1(k.name) + QLatin1Char('2')}) {
            // The receive-time copy (iBaudrate2 ...) is optional; the port number has none.
            if (!iniHasKey(section, key))
                continue;
            const QString stored = readIni(section, key);
            if (key.endsWith(QLatin1Char('2')) && stored.isEmpty())
                continue;
            bool number = false;
            const int v = stored.trimmed().toInt(&number);
            // The send reads parity as written: " 1" is no parity at all.
            const bool exact = key.startsWith(QLatin1String("iParity")) ? stored == QString::number(v) : true;
            if (!number || v < 0 || v > k.last || !exact)
                out << key + QLatin1Char('=') + stored;
        }
    }
    return out;
}

void nameImpossiblePortSettings(QStringList& named) {
    QStringList fresh;
    for (const QString& entry : impossiblePortSettings(gCurrentMachineSection)) {
        const QString seen = gIniPath + QLatin1Char('|') + gCurrentMachineSection + QLatin1Char('|') + entry;
        if (!named.contains(seen)) {
            named << seen;
            fresh << entry;
        }
    }
    if (fresh.isEmpty())
        return;
    msgBox(QStringLiteral("The Settings Of %1 Hold Values No Port Can Use:\n%2\n\nThey Are In [%3] Of %4.\n"
                          "Correct Them In CNC Settings Before Sending.")
               .arg(MachineRecord::current(QStringLiteral("Alias")), fresh.join(QLatin1Char('\n')),
                    gCurrentMachineSection, QDir::toNativeSeparators(gIniPath)),
           Msg::Ok, Msg::Exclamation);
}
