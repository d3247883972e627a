#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// EIA tape code. The table file "codeset.eia" in the program folder holds two
// INI sections of 256 keys ("0" to "255"): [Ascii2Eia] for sending and
// [Eia2Ascii] for receiving and the terminal view. A missing key, an empty
// value or -1 drops the character.
class EiaTable {
public:
    EiaTable(); // the identity: every byte stays itself

    // Rebuilds the table from a section of the file. False, with the table
    // unchanged, when the file does not exist.
    bool load(const QString& section, const QString& file);
    QByteArray convert(const QByteArray& data) const;
    qint16 entry(int code) const { return entries_[code & 0xff]; }

private:
    std::array<qint16, 256> entries_{};
};

// The single conversion table the transfers share; each load replaces it, so
// each direction loads its own section before converting.
extern EiaTable gConversionTable;

QString eiaTableFile(); // "codeset.eia" in the program folder

// Loads a section into `table`; a missing file is reported in a message
// naming it, and the table is left as it was.
bool loadEiaTable(EiaTable& table, const QString& section, const QString& file);
// Loads a section into gConversionTable. A missing file says so in a message
// naming it and returns false, leaving the table as it was.
bool DimConversions(const QString& section, const QString& file);
// Each byte through gConversionTable, in order; dropped ones leave nothing.
QByteArray returnEIA(const QByteArray& data);

// A standard RS-244 table as the text of a "codeset.eia" file, and writing it
// where none exists yet (true when the file exists afterwards).
QByteArray defaultEiaTableText();
bool installDefaultEiaTable(const QString& file);
