#include "MachineRecord.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "PortList.h"
#include "ProgramPaths.h"

#include <QHash>

QString gCurrentMachineSection = QStringLiteral("Machine1");

const QStringList gBaudRates = {QStringLiteral("150"),    QStringLiteral("300"),    QStringLiteral("600"),
                                QStringLiteral("1200"),   QStringLiteral("2400"),   QStringLiteral("4800"),
                                QStringLiteral("9600"),   QStringLiteral("19200"),  QStringLiteral("38400"),
                                QStringLiteral("57600"),  QStringLiteral("115200"), QStringLiteral("230400"),
                                QStringLiteral("460800")};

namespace MachineRecord {

namespace {
using F = Form;

QVector<KeyDef> buildTable() {
    QVector<KeyDef> t = {
        // Written by the settings dialog's save, in its order.
        {"Alias", "", F::Text, true},
        {"iBaudrate", "5", F::ListIndex, true},
        {"iParity", "1", F::ListIndex, true},
        {"iDataLength", "2", F::ListIndex, true},
        {"iStopBits", "1", F::ListIndex, true},
        {"CommPort", "0", F::ListIndex, true},
        {"Handshaking", "1", F::ListIndex, true},
        {"CharacterSet", "0", F::ListIndex, true},
        {"EOBSend", "0", F::ListIndex, true},
        {"EOBReceive", "0", F::ListIndex, true},
        {"LineDelay", "0", F::ListIndex, true},
        {"CharacterDelay", "0", F::ListIndex, true},
        {"HeaderSend", "", F::CodeList, true},
        {"TrailerSend", "", F::CodeList, true},
        {"ReceiveHeaderSend", "", F::CodeList, true},
        {"ReceiveTrailerSend", "", F::CodeList, true},
        {"HeaderReceive", "0", F::CharCodePlusOne, true},
        {"TrailerReceive", "0", F::CharCodePlusOne, true},
        {"HeaderReceiveInc", "0", F::CheckBox, true},
        {"TrailerReceiveInc", "0", F::CheckBox, true},
        {"WaitForXON", "0", F::ListIndex, true},
        {"RemoteDeviceOnline", "0", F::CheckBox, true},
        {"SendDirectory", "", F::Text, true},
        {"ReceiveDirectory", "", F::Text, true},
        {"DefaultToDirectories", "1", F::CheckBox, true},
        {"DTREnable", "1", F::CheckBox, true},
        {"RTSEnable", "1", F::CheckBox, true},
        {"Discard", "1", F::ListIndex, true},
        {"StripSpaces", "0", F::CheckBox, true},
        {"StripBlankLines", "0", F::CheckBox, true},
        {"DripFeedPacketSize", "0", F::ListIndex, true},
        {"WaitAfterReceive", "0", F::ListIndex, true},
        {"FlowMethod", "1", F::ListIndex, true},
        {"WaitAfterSending", "4", F::ListIndex, true},
        {"RemoveUnwantedStrings1", "", F::Text, true},
        {"RemoveUnwantedStrings2", "", F::Text, true},
        {"RemoveUnwantedStrings3", "", F::Text, true},
        {"RemoveUnwantedStrings4", "", F::Text, true},
        {"RemoveUnwantedStrings5", "", F::Text, true},
        {"RemoveUnwantedStrings6", "", F::Text, true},
        {"RemoveUnwantedStrings7", "", F::Text, true},
        {"RemoveUnwantedStrings8", "", F::Text, true},
        {"RefreshRate", "9", F::ListIndex, true},
        {"ChangeOnFly", "1", F::CheckBox, true},
        {"EchoReceive", "1", F::CheckBox, true},
        {"PunchToTape", "0", F::CheckBox, true},
        {"IgnoreUntil", "%", F::Text, true},
        {"BeforeMan", "0", F::Number, true},
        {"AfterMan", "0", F::Number, true},
        {"AfterTape", "0", F::Number, true},
        {"IgnoreBlock", "", F::Text, true},
        {"IgnoreBlockType", "0", F::ListIndex, true},
        {"SendTimeOut", "600", F::Text, true},
        {"InBufferSize", "7", F::ListIndex, true},
        {"OutBufferSize", "7", F::ListIndex, true},
        {"KeepAlive", "1", F::CheckBox, true},
        {"AuditTrail", "0", F::CheckBox, true},
        {"ReceiveChunk", "0", F::ListIndex, true},
        {"FanucSaveAll", "0", F::CheckBox, true},
        {"FanucBefore", "0", F::ListIndex, true},
        {"FanucAfter", "0", F::ListIndex, true},
        {"FanucStripPercent", "1", F::CheckBox, true},
        {"FanucPutBackPercent", "0", F::CheckBox, true},
        {"FanucStripBlankLines", "1", F::CheckBox, true},
        {"FanucLaunch", "0", F::ListIndex, true},
        {"FanucUseComment", "0", F::CheckBox, true},
        {"PrefixO", "0", F::CheckBox, true},
        {"IP", "", F::Text, true},
        {"IPVsend", "0", F::CheckBox, true},
        {"IPVreceive", "0", F::CheckBox, true},
        {"IPWait", "10", F::ListIndex, true},
        {"remotePort", "4660", F::Text, true},
        {"renameFanucFiles", "0", F::CheckBox, true},
        {"OpenEdAfterReceive", "1", F::CheckBox, true},
        {"DoubleSpaceN", "0", F::CheckBox, true},
        {"ftpPassive", "134217728", F::Number, true},
        {"ftp", "", F::Text, true},
        {"username", "", F::Text, true},
        {"password", "", F::Text, true},
        {"port", "21", F::Text, true},
        {"initialfolder", "", F::Text, true},

        // Kept in the section by other parts of the program.
        {"Visible", "-1", F::Text, false},
        {"CustomEOBSend", "", F::CodeList, false},
        {"CustomEOBReceive", "", F::CodeList, false},
        {"SendExtension1", "TXT", F::Text, false},
        {"ReceiveExtension1", "TXT", F::Text, false},
        {"SendExtensionType1", "CNC File", F::Text, false},
        {"ReceiveExtensionType1", "CNC File", F::Text, false},
        {"XModemPad", "32", F::Number, false},
        {"DelayBeforeHeader", "", F::Text, false},
        {"BinaryChunk", "0", F::ListIndex, false},
        {"Kelbrook", "0", F::Text, false},
        {"lastfilesent", "", F::Text, false},
        {"lastline", "", F::Number, false},
        {"SeqStart", "10", F::Text, false},
        {"SeqEnd", "10", F::Text, false},
        {"UseN", "1", F::Text, false},
        {"SeqZeroes", "0", F::Text, false},
        {"SeqStripBlankLines", "1", F::Text, false},
        {"SeqIgnore", "", F::Text, false},
        {"SeqRestart", "", F::Text, false},
        {"WordFormat0", "0", F::Text, false},
        {"WordFormat1", "0", F::Text, false},
        {"WordFormat2", "0", F::Text, false},
        {"WordFormat3", "0", F::Text, false},
        {"WordFormat4", "0", F::Text, false},
        {"WordFormat5", "0", F::Text, false},
        {"WordFormat6", "0", F::Text, false},
        {"trimPercents", "1", F::CheckBox, false},
        {"WaitForBuffer", "", F::Text, false},
    };
    return t;
}

const QHash<QString, int>& indexByLowerKey() {
    static const QHash<QString, int> idx = [] {
        QHash<QString, int> h;
        const auto& t = table();
        for (int i = 0; i < t.size(); ++i)
            h.insert(QString::fromLatin1(t[i].key).toLower(), i);
        return h;
    }();
    return idx;
}
} // namespace

const QVector<KeyDef>& table() {
    static const QVector<KeyDef> t = buildTable();
    return t;
}

const KeyDef* find(const QString& key) {
    auto it = indexByLowerKey().constFind(key.toLower());
    return it == indexByLowerKey().constEnd() ? nullptr : &table()[it.value()];
}

QString sectionName(int n) { return QStringLiteral("Machine%1").arg(n); }

int machineNumber(const QString& section) {
    if (!section.startsWith(QLatin1String("Machine"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = section.mid(7).toInt(&ok);
    return ok && section.mid(7) == QString::number(n) ? n : 0;
}

int machineWithAlias(const QString& alias) {
    for (int n = 1; n <= kMachineCount; ++n)
        if (value(sectionName(n), QStringLiteral("Alias")).compare(alias, Qt::CaseInsensitive) == 0)
            return n;
    return 0;
}

QString defaultValue(const QString& section, const QString& key) {
    const QString k = key.toLower();
    if (k == QLatin1String("alias"))
        return section;
    if (k == QLatin1String("senddirectory") || k == QLatin1String("receivedirectory")) {
        QString folder = ProgramPaths::programFolder();
        if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
            folder.chop(1);
        return folder;
    }
    if (k == QLatin1String("keepalive")) {
        const int port = intValue(section, QStringLiteral("CommPort"));
        return isComUSB(PortList::comName(port)) ? QStringLiteral("0") : QStringLiteral("1");
    }
    if (const KeyDef* d = find(key))
        return QString::fromLatin1(d->def);
    return QString();
}

QString value(const QString& section, const QString& key) {
    return readIni(section, key, defaultValue(section, key));
}

int intValue(const QString& section, const QString& key) {
    return leadingInt(value(section, key));
}

QString current(const QString& key) { return value(gCurrentMachineSection, key); }
int currentInt(const QString& key) { return intValue(gCurrentMachineSection, key); }

QStringList recordKeys() {
    QStringList keys;
    for (const KeyDef& d : table())
        if (d.inRecord)
            keys << QString::fromLatin1(d.key);
    return keys;
}

Values load(const QString& section) {
    Values v;
    for (const QString& key : recordKeys())
        v.append({key, value(section, key)});
    return v;
}

bool save(const QString& section, const Values& values) {
    QHash<QString, QString> given;
    for (const auto& kv : values)
        given.insert(kv.first.toLower(), kv.second);
    Values out;
    for (const QString& key : recordKeys()) {
        auto it = given.constFind(key.toLower());
        out.append({key, it != given.constEnd() ? it.value() : defaultValue(section, key)});
    }
    return writeIniValues(section, out);
}

bool writeDefaults(const QString& section) { return save(section, load(section)); }

} // namespace MachineRecord
