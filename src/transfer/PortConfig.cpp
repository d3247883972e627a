#include "PortConfig.h"

#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortList.h"
#include "TransferGlobals.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// A stored list position read strictly: the whole text must be a number.
bool storedIndex(const QString& text, int* out) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        *out = v;
    return ok;
}

QString parityLetter(const QString& stored) {
    static const QStringList letters = {QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("O"),
                                        QStringLiteral("M"), QStringLiteral("S")};
    bool ok = false;
    const int v = stored.toInt(&ok);
    // Compared as text: "1" is even parity, " 1" or "01" are not.
    if (!ok || v < 0 || v > 4 || stored != QString::number(v))
        return QString();
    return letters[v];
}

// "2" while the receive-time line set is in use: terminal or receiving, all four stored.
QString lineSetSuffix(const QString& section) {
    if (gPortState != PortTerminal && gPortState != PortReceiving)
        return QString();
    for (const char* key : {"iBaudrate2", "iParity2", "iDataLength2", "iStopBits2"})
        if (readIni(section, QString::fromLatin1(key), QString()).isEmpty())
            return QString();
    return QStringLiteral("2");
}

struct PortKey {
    const char* name;
    int last;        // the highest list position
    bool lineSetKey; // has a receive-time copy (iBaudrate2 ...)
};
const std::vector<PortKey>& portKeys() {
    static const std::vector<PortKey> keys = {{"CommPort", PortList::kPortCount - 1, false},
                                              {"iBaudrate", int(gBaudRates.size()) - 1, true},
                                              {"iParity", 4, true},
                                              {"iDataLength", 3, true},
                                              {"iStopBits", 1, true},
                                              {"Handshaking", 5, false},
                                              {"SendTimeOut", 0, false}};
    return keys;
}

bool isTimeOutKey(const PortKey& k) {
    return qstrcmp(k.name, "SendTimeOut") == 0;
}

// Adds `key` of `section` to `out` when it is stored and no port could use it.
void checkStored(const QString& section, const PortKey& k, const QString& key, QStringList* out) {
    if (!iniHasKey(section, key))
        return;
    const QString stored = readIni(section, key);
    // An empty receive-time copy leaves the first set in use.
    if (key.endsWith(QLatin1Char('2')) && stored.isEmpty())
        return;
    bool possible = false;
    if (isTimeOutKey(k)) {
        // Seconds as the settings dialog takes them, or 0 for no limit: a
        // negative or overlong value would hold a send for ever.
        static const QRegularExpression seconds(QStringLiteral("^\\s*\\d{1,9}\\s*$"));
        possible = seconds.match(stored).hasMatch();
    } else {
        bool number = false;
        const int v = stored.trimmed().toInt(&number);
        // The send reads parity as written: " 1" is no parity at all.
        const bool exact = !key.startsWith(QLatin1String("iParity")) || stored == QString::number(v);
        possible = number && v >= 0 && v <= k.last && exact;
    }
    if (!possible)
        *out << key + QLatin1Char('=') + stored;
}

// The keys a send reads besides the port's, each a list position, a check
// box or a character code, with the routes that read it.
constexpr unsigned routeBit(SendRoute r) {
    return 1u << unsigned(r);
}
constexpr unsigned kEveryRoute = (1u << (unsigned(SendRoute::XModem) + 1)) - 1;
constexpr unsigned kSerialRoutes = kEveryRoute & ~routeBit(SendRoute::XModem); // framed as the machine is
constexpr unsigned kTextRoutes = routeBit(SendRoute::Text) | routeBit(SendRoute::NoWindow);
// Lines prepared with the machine's end of block.
constexpr unsigned kLineRoutes = kTextRoutes | routeBit(SendRoute::DripFeed) | routeBit(SendRoute::Turbo);
// The routes DripFeedPacketSize chose.
constexpr unsigned kChosenRoutes = kLineRoutes | routeBit(SendRoute::ExecutiveTape);

struct SendKey {
    const char* name;
    int last; // the highest list position; 1 for a check box; 255 for a code
    unsigned routes;
};
const std::vector<SendKey>& sendKeys() {
    static const std::vector<SendKey> keys = {
        {"CharacterSet", 1, kSerialRoutes},
        {"EOBSend", 5, kLineRoutes},
        {"LineDelay", 500, kTextRoutes | routeBit(SendRoute::DripFeed) | routeBit(SendRoute::Binary)},
        {"CharacterDelay", 25, kSerialRoutes},
        {"WaitForXON", 2, kSerialRoutes},
        {"RemoteDeviceOnline", 1, kSerialRoutes},
        {"DTREnable", 1, kEveryRoute},
        {"RTSEnable", 1, kEveryRoute},
        {"StripSpaces", 1, kLineRoutes},
        {"StripBlankLines", 1, kLineRoutes},
        {"DripFeedPacketSize", 1027, kChosenRoutes},
        {"FlowMethod", 1, kSerialRoutes & ~routeBit(SendRoute::Turbo)},
        {"WaitAfterSending", 30, kSerialRoutes},
        {"IgnoreBlockType", 1, routeBit(SendRoute::Text)},
        {"InBufferSize", 19, kEveryRoute},
        {"OutBufferSize", 19, kEveryRoute},
        {"KeepAlive", 1, kEveryRoute},
        {"DoubleSpaceN", 1, routeBit(SendRoute::Text)},
        {"XModemPad", 255, routeBit(SendRoute::XModem)},
    };
    return keys;
}

// Adds the stored send keys of `section` that `routes` read and the program
// never writes: each is the exact decimal text of a position in its list.
void checkSendKeys(const QString& section, unsigned routes, QStringList* out) {
    for (const SendKey& k : sendKeys()) {
        const QString key = QString::fromLatin1(k.name);
        if (!(k.routes & routes) || !iniHasKey(section, key))
            continue;
        const QString stored = readIni(section, key);
        bool number = false;
        const int v = stored.toInt(&number);
        if (!number || v < 0 || v > k.last || stored != QString::number(v))
            *out << key + QLatin1Char('=') + stored;
    }
}

bool isPortEntry(const QString& entry) {
    const QString key = entry.left(entry.indexOf(QLatin1Char('=')));
    for (const PortKey& k : portKeys())
        if (key == QLatin1String(k.name) || (k.lineSetKey && key == QLatin1String(k.name) + QLatin1Char('2')))
            return true;
    return false;
}

} // namespace

QStringList impossibleMachineSettings(const QString& section) {
    QStringList out;
    for (const PortKey& k : portKeys()) {
        const QString key = QString::fromLatin1(k.name);
        checkStored(section, k, key, &out);
        if (k.lineSetKey)
            checkStored(section, k, key + QLatin1Char('2'), &out);
    }
    checkSendKeys(section, kEveryRoute, &out);
    return out;
}

QStringList impossibleSettingsOfOpening(bool xmodem) {
    const QString section = gCurrentMachineSection;
    const QString suffix = xmodem ? QString() : lineSetSuffix(section);
    QStringList out;
    for (const PortKey& k : portKeys()) {
        const QString key = QString::fromLatin1(k.name);
        // The XModem framing has no flow control and is fixed but for the speed.
        if (xmodem &&
            (key == QLatin1String("Handshaking") || (k.lineSetKey && key != QLatin1String("iBaudrate"))))
            continue;
        checkStored(section, k, k.lineSetKey ? key + suffix : key, &out);
    }
    return out;
}

QStringList impossibleSettingsOfSend(SendRoute route) {
    QStringList out = impossibleSettingsOfOpening(route == SendRoute::XModem);
    checkSendKeys(gCurrentMachineSection, routeBit(route), &out);
    return out;
}

QString impossibleSettingsHeading(const QStringList& entries) {
    const QString alias = MachineRecord::current(QStringLiteral("Alias"));
    return std::any_of(entries.cbegin(), entries.cend(), isPortEntry)
               ? QStringLiteral("Can't Open The Port Of %1").arg(alias)
               : QStringLiteral("The Send To %1 Is Refused For Its Settings").arg(alias);
}

QString impossibleSettingsText(const QStringList& entries) {
    const bool portOnly = std::all_of(entries.cbegin(), entries.cend(), isPortEntry);
    return QStringLiteral("The Settings Of %1 Hold Values No %2 Can Use:\n%3\n\nThey Are In [%4] Of %5.\n"
                          "Correct Them In CNC Settings Before Sending.")
        .arg(MachineRecord::current(QStringLiteral("Alias")),
             portOnly ? QStringLiteral("Port") : QStringLiteral("Send"), entries.join(QLatin1Char('\n')),
             gCurrentMachineSection, QDir::toNativeSeparators(gIniPath));
}

QString makeSettingsQuiet(bool* parityBad) {
    if (parityBad)
        *parityBad = false;
    const QString section = gCurrentMachineSection;
    const QString suffix = lineSetSuffix(section);
    auto stored = [&](const char* key) {
        return MachineRecord::value(section, QString::fromLatin1(key) + suffix);
    };

    bool fault = false;
    int baudIndex = 0, dataIndex = 0, stopIndex = 0;
    if (!storedIndex(stored("iBaudrate"), &baudIndex) || baudIndex < 0 || baudIndex >= gBaudRates.size())
        fault = true;
    // The dialog offers 5-8 data bits and 1 or 2 stop bits; anything else
    // would name a framing no port has.
    if (!storedIndex(stored("iDataLength"), &dataIndex) || dataIndex < 0 || dataIndex > 3)
        fault = true;
    if (!storedIndex(stored("iStopBits"), &stopIndex) || stopIndex < 0 || stopIndex > 1)
        fault = true;
    const QString parity = parityLetter(stored("iParity"));
    if (parity.isEmpty()) {
        if (parityBad)
            *parityBad = true;
        return QString::fromLatin1(kFallbackPortSettings);
    }
    if (fault)
        return QString::fromLatin1(kFallbackPortSettings);
    return gBaudRates[baudIndex] + QLatin1Char(',') + parity + QLatin1Char(',') + QChar(dataIndex + 53) +
           QLatin1Char(',') + QChar(stopIndex + 49);
}

QString makeSettings() {
    bool parityBad = false;
    const QString s = makeSettingsQuiet(&parityBad);
    if (parityBad)
        msgBox(QStringLiteral("Error - Defaulting To ") + QString::fromLatin1(kFallbackPortSettings));
    return s;
}

QString makeSettingsX() {
    int index = 0;
    QString baud = QStringLiteral("4800");
    if (storedIndex(MachineRecord::current(QStringLiteral("iBaudrate")), &index) && index >= 0 &&
        index < gBaudRates.size())
        baud = gBaudRates[index];
    return baud + QStringLiteral(",N,8,1");
}

int getBufferSize(const QString& key) {
    qint64 n = qint64(MachineRecord::currentInt(key)) + 1;
    if (n <= 0)
        n = 8;
    // Beyond the list a hand-written value still makes a size an int holds.
    return int(qMin<qint64>(n, std::numeric_limits<int>::max() / 1024) * 1024);
}

int keepAliveDefaultValue() {
    return MachineRecord::defaultValue(gCurrentMachineSection, QStringLiteral("KeepAlive")).toInt();
}

FlowMode flowModeFor(int handshaking) {
    switch (handshaking) {
    case 1:
        return FlowMode::XonXoff;
    case 2:
        return FlowMode::RtsCts;
    case 3:
        return FlowMode::Both;
    default:
        return FlowMode::None;
    }
}

bool PortSettings::parse(const QString& text, PortSettings* out, QString* why) {
    auto fail = [why, &text](const QString& what) {
        if (why)
            *why = QStringLiteral("Bad Port Settings \"%1\": %2").arg(text, what);
        return false;
    };
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 4)
        return fail(QStringLiteral("expected speed,parity,data bits,stop bits"));
    PortSettings s = *out;
    bool ok = false;
    s.baud = f[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return fail(QStringLiteral("speed"));
    const QString p = f[1].trimmed().toUpper();
    if (p == QLatin1String("N"))
        s.parity = QSerialPort::NoParity;
    else if (p == QLatin1String("E"))
        s.parity = QSerialPort::EvenParity;
    else if (p == QLatin1String("O"))
        s.parity = QSerialPort::OddParity;
    else if (p == QLatin1String("M"))
        s.parity = QSerialPort::MarkParity;
    else if (p == QLatin1String("S"))
        s.parity = QSerialPort::SpaceParity;
    else
        return fail(QStringLiteral("parity"));
    const int data = f[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return fail(QStringLiteral("data bits"));
    s.dataBits = QSerialPort::DataBits(data);
    const QString stop = f[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return fail(QStringLiteral("stop bits"));
    *out = s;
    return true;
}

QString PortSettings::toString() const {
    const char* letters = "N?EOSM"; // indexed by QSerialPort::Parity
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baud)
        .arg(QLatin1Char(letters[int(parity)]))
        .arg(int(dataBits))
        .arg(stopBits == QSerialPort::TwoStop ? 2 : 1);
}

bool PortSettings::operator==(const PortSettings& o) const {
    return baud == o.baud && parity == o.parity && dataBits == o.dataBits && stopBits == o.stopBits &&
           flow == o.flow && dtr == o.dtr && rts == o.rts;
}
