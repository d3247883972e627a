#include "PortList.h"

#include "IniStorage.h"

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

QList<PortInfo> presentPorts() {
    QList<PortInfo> out;
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    for (int i = 0; i < kPortCount; ++i) {
        const QString dev = deviceFor(i);
        if (dev.isEmpty() || !QFileInfo::exists(dev))
            continue;
        PortInfo p;
        p.comName = comName(i);
        p.device = dev;
        const QString real = QFileInfo(dev).canonicalFilePath();
        for (const QSerialPortInfo& info : system)
            if (info.systemLocation() == real)
                p.description = info.description();
        p.usb = isUsbDevice(dev);
        out << p;
    }
    return out;
}

} // namespace PortList
