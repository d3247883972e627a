#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <utility>

// The settings record of one machine: a [Machine<N>] section. This table is
// the only place that knows a key's default; every reader and the settings
// dialog's save go through it.

extern QString gCurrentMachineSection; // "Machine" followed by 1 to 64
extern const QStringList gBaudRates;   // the 13 speeds, index = stored iBaudrate

constexpr int kMachineCount = 64;

namespace MachineRecord {

enum class Form { ListIndex, CheckBox, Text, Number, CodeList, CharCodePlusOne };

struct KeyDef {
    const char* key;
    const char* def;   // default as stored text; see defaultValue() for the computed ones
    Form form;
    bool inRecord;     // written by the settings dialog's save (the whole record)
};

const QVector<KeyDef>& table();
const KeyDef* find(const QString& key); // case-insensitive

QString sectionName(int machineNumber);     // 7 -> "Machine7"
int machineNumber(const QString& section);  // "Machine7" -> 7; 0 when not a machine section
// The first machine whose Alias is this, without regard to case; 0 when none.
int machineWithAlias(const QString& alias);

// Default of a key for a section: the table's, except Alias ("Machine<N>"),
// the send and receive folders (the program folder) and KeepAlive (0 for a
// USB adapter's port, else 1).
QString defaultValue(const QString& section, const QString& key);

QString value(const QString& section, const QString& key); // stored text, or the default
int intValue(const QString& section, const QString& key);   // leading number of value()

// The current machine's value.
QString current(const QString& key);
int currentInt(const QString& key);

using Values = QVector<std::pair<QString, QString>>; // key, value in table order

// Every key of the record, stored or defaulted.
Values load(const QString& section);
// Writes every key of the record (keys not in `values` take their default).
// False when the settings file could not be written.
bool save(const QString& section, const Values& values);
// The first-run set-up: a complete record of defaults for this section.
bool writeDefaults(const QString& section);

QStringList recordKeys(); // the keys save() writes, in order

} // namespace MachineRecord
