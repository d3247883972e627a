#pragma once

#include <QList>
#include <QString>

// Serial ports as the machine records name them: "Com1" to "Com128", the
// stored CommPort being the list position. A [Ports] section of the settings
// file may map any of these names to a device; without a mapping Com1-32 are
// /dev/ttyS0-31, Com33-64 /dev/ttyUSB0-31, Com65-96 /dev/ttyACM0-31, and
// Com97-128 need a mapping.
namespace PortList {

constexpr int kPortCount = 128;

QString comName(int commPort);             // 0 -> "Com1"
int comIndex(const QString& comName);      // "COM5"/"Com5" -> 4; -1 when not a port name
QString deviceFor(const QString& comName); // empty when the name has no device
QString deviceFor(int commPort);

struct PortInfo {
    QString comName;
    QString device;
    QString description;
    bool usb = false;
};
// The ports whose device exists now, in Com order.
QList<PortInfo> presentPorts();

// True exactly when this port's own device sits on the USB bus ("COM10" is
// never answered by Com1's device). Reads sysfs, or the folder named by
// FEEDLINE_SYSFS_ROOT, which tests use to fake an adapter.
bool isComUSB(const QString& portName);
bool isUsbDevice(const QString& device);

} // namespace PortList

using PortList::isComUSB;
