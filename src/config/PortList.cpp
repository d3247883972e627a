#include "PortList.h"

#include "IniStorage.h"
#include "MachineRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

namespace PortList {

QString comName(int commPort) {
    return QStringLiteral("Com%1").arg(commPort + 1);
}

int comIndex(const QString& name) {
    const QString t = name.trimmed();
    if (!t.startsWith(QLatin1String("com"), Qt::CaseInsensitive))
        return -1;
    bool ok = false;
    const int n = t.mid(3).toInt(&ok);
    if (!ok || n < 1 || n > kPortCount || t.mid(3) != QString::number(n))
        return -1;
    return n - 1;
}

QString deviceFor(int commPort) {
    if (commPort < 0 || commPort >= kPortCount)
        return QString();
    const QString mapped = readIni(QStringLiteral("Ports"), comName(commPort), QString()).trimmed();
    if (!mapped.isEmpty())
        return mapped;
    const int n = commPort;
    if (n < 32)
        return QStringLiteral("/dev/ttyS%1").arg(n);
    if (n < 64)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 32);
    if (n < 96)
        return QStringLiteral("/dev/ttyACM%1").arg(n - 64);
    return QString();
}

QString deviceFor(const QString& name) {
    return deviceFor(comIndex(name));
}

namespace {

// The sysfs tree the adapter test reads; tests point FEEDLINE_SYSFS_ROOT at a
// folder of their own to stand in for real hardware.
QString sysfsRoot() {
    const QString over = qEnvironmentVariable("FEEDLINE_SYSFS_ROOT");
    return over.isEmpty() ? QStringLiteral("/sys") : over;
}

// A USB device's path has a component such as "usb1" (the bus); a word like
// "usbphy" in a platform device's name must not count.
bool pathIsOnUsbBus(const QString& path) {
    static const QRegularExpression bus(QStringLiteral("^usb\\d+$"));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts)
        if (bus.match(part).hasMatch())
            return true;
    return false;
}

} // namespace

bool isUsbDevice(const QString& device) {
    if (device.isEmpty())
        return false;
    const QString real = QFileInfo(device).canonicalFilePath();
    if (real.isEmpty())
        return false;
    const QString base = QFileInfo(real).fileName();
    const QString classDir = sysfsRoot() + QStringLiteral("/class/tty");
    if (QFileInfo(classDir).isDir()) {
        // sysfs knows every tty: its answer is final, so a port is never
        // matched by another port's name.
        const QFileInfo link(classDir + QLatin1Char('/') + base + QStringLiteral("/device"));
        return link.exists() && pathIsOnUsbBus(link.canonicalFilePath());
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.systemLocation() == real)
            return info.hasVendorIdentifier() && info.hasProductIdentifier();
    return false;
}

bool isComUSB(const QString& portName) {
    const int index = comIndex(portName);
    if (index < 0)
        return false;
    return isUsbDevice(deviceFor(index));
}

QString devRoot() {
    const QString over = qEnvironmentVariable("FEEDLINE_DEV_ROOT");
    return over.isEmpty() ? QStringLiteral("/dev") : over;
}

int portOfDevice(const QString& device) {
    const QString real = QFileInfo(device).canonicalFilePath();
    if (real.isEmpty())
        return -1;
    for (int i = 0; i < kPortCount; ++i) {
        const QString dev = deviceFor(i);
        if (!dev.isEmpty() && QFileInfo(dev).canonicalFilePath() == real)
            return i;
    }
    return -1;
}

QList<DetectedDevice> detectedDevices() {
    QStringList names;
    // Stable names first: a USB adapter keeps its by-id name over a replug,
    // while its ttyUSB number may change.
    const QDir byId(devRoot() + QStringLiteral("/serial/by-id"));
    for (const QString& link : byId.entryList(QDir::Files | QDir::System, QDir::Name))
        names << byId.filePath(link);
    // Only a real /dev has the system's own list.
    const QList<QSerialPortInfo> infos =
        devRoot() == QLatin1String("/dev") ? QSerialPortInfo::availablePorts() : QList<QSerialPortInfo>();
    QStringList system;
    for (const QSerialPortInfo& info : infos)
        system << info.systemLocation();
    system.sort();
    names << system;
    // A USB adapter's node exists only while it is plugged in.
    const QDir dev(devRoot());
    for (const QString& node : dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::Files | QDir::System, QDir::Name))
        names << dev.filePath(node);
    for (int i = 0; i < kPortCount; ++i)
        if (iniHasKey(QStringLiteral("Ports"), comName(i)))
            names << deviceFor(i);

    QList<DetectedDevice> out;
    QStringList seen;
    for (const QString& name : names) {
        const QString real = QFileInfo(name).canonicalFilePath();
        if (real.isEmpty() || seen.contains(real))
            continue;
        seen << real;
        DetectedDevice d;
        d.device = name;
        d.target = real;
        const int port = portOfDevice(real);
        if (port >= 0)
            d.comName = comName(port);
        for (const QSerialPortInfo& info : infos)
            if (info.systemLocation() == real)
                d.description = info.description();
        d.usb = isUsbDevice(real);
        out << d;
    }
    return out;
}

QStringList machinesOnPort(int commPort, const QString& exceptSection) {
    QStringList names;
    for (int n = 1; n <= kMachineCount; ++n) {
        const QString section = MachineRecord::sectionName(n);
        if (section.compare(exceptSection, Qt::CaseInsensitive) == 0 ||
            !iniHasKey(section, QStringLiteral("CommPort")))
            continue;
        if (MachineRecord::intValue(section, QStringLiteral("CommPort")) == commPort)
            names << MachineRecord::value(section, QStringLiteral("Alias"));
    }
    return names;
}

} // namespace PortList
