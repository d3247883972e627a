#include "EiaCode.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"
#include "SafeFile.h"

#include <cmath>
#include <utility>
#include <vector>

EiaTable gConversionTable;

EiaTable::EiaTable() {
    for (int i = 0; i < 256; ++i)
        entries_[i] = qint16(i);
}

bool EiaTable::load(const QString& section, const QString& file) {
    if (!fileExists(file))
        return false;
    for (int i = 0; i < 256; ++i) {
        const QString value = readIniString(section, QString::number(i), file);
        if (value.isEmpty()) {
            entries_[i] = -1;
            continue;
        }
        const double v = std::round(leadingNumber(value));
        // Anything that is not a byte cannot be sent or stored: dropped.
        entries_[i] = (v < 0 || v > 255) ? qint16(-1) : qint16(v);
    }
    return true;
}

QByteArray EiaTable::convert(const QByteArray& data) const {
    QByteArray out;
    out.reserve(data.size());
    for (const char c : data) {
        const qint16 t = entries_[uchar(c)];
        if (t >= 0)
            out.append(char(t));
    }
    return out;
}

QString eiaTableFile() {
    return ProgramPaths::programFolder() + QStringLiteral("codeset.eia");
}

bool loadEiaTable(EiaTable& table, const QString& section, const QString& file) {
    if (table.load(section, file))
        return true;
    msgBox(QStringLiteral("Can't Find The EIA Code Table") + QLatin1Char('\n') + file, Msg::Ok,
           Msg::Exclamation);
    return false;
}

bool DimConversions(const QString& section, const QString& file) {
    return loadEiaTable(gConversionTable, section, file);
}

QByteArray returnEIA(const QByteArray& data) {
    return gConversionTable.convert(data);
}

namespace {

// RS-244 codes (track 1 = bit 0 ... track 8 = bit 7; track 5 makes the count odd).
std::vector<std::pair<char, int>> rs244() {
    std::vector<std::pair<char, int>> m = {
        {'1', 0x01},  {'2', 0x02},  {'3', 0x13},   {'4', 0x04}, {'5', 0x15}, {'6', 0x16}, {'7', 0x07},
        {'8', 0x08},  {'9', 0x19},  {'0', 0x20},   {'A', 0x61}, {'B', 0x62}, {'C', 0x73}, {'D', 0x64},
        {'E', 0x75},  {'F', 0x76},  {'G', 0x67},   {'H', 0x68}, {'I', 0x79}, {'J', 0x51}, {'K', 0x52},
        {'L', 0x43},  {'M', 0x54},  {'N', 0x45},   {'O', 0x46}, {'P', 0x57}, {'Q', 0x58}, {'R', 0x49},
        {'S', 0x32},  {'T', 0x23},  {'U', 0x34},   {'V', 0x25}, {'W', 0x26}, {'X', 0x37}, {'Y', 0x38},
        {'Z', 0x29},  {' ', 0x10},  {'+', 0x70},   {'-', 0x40}, {'.', 0x6B}, {'/', 0x31}, {'%', 0x0B},
        {'\t', 0x3E}, {'\n', 0x80}, {'\x7f', 0x7F}};
    return m;
}

} // namespace

QByteArray defaultEiaTableText() {
    int toEia[256];
    int toAscii[256];
    for (int i = 0; i < 256; ++i)
        toEia[i] = toAscii[i] = -1;
    for (const auto& [ascii, eia] : rs244()) {
        const int a = uchar(ascii);
        toEia[a] = eia;
        if (ascii >= 'A' && ascii <= 'Z')
            toEia[a + 32] = eia; // lower case sends as the same letter
        if (ascii != '\x7f')     // tape delete is dropped on the way in
            toAscii[eia] = a;
    }
    // The block end is one EIA code: CR before LF has no code of its own.
    QByteArray out = "; EIA RS-244 tape code. Keys are character codes; -1 or no key drops the character.\n";
    out += "[Ascii2Eia]\n";
    for (int i = 0; i < 256; ++i)
        out += QByteArray::number(i) + '=' + QByteArray::number(toEia[i]) + '\n';
    out += "[Eia2Ascii]\n";
    for (int i = 0; i < 256; ++i)
        out += QByteArray::number(i) + '=' + QByteArray::number(toAscii[i]) + '\n';
    return out;
}

bool installDefaultEiaTable(const QString& file) {
    if (fileExists(file))
        return true;
    return writeFileSafely(file, defaultEiaTableText());
}
