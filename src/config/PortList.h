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

// Where device files live: "/dev", or the folder FEEDLINE_DEV_ROOT names
// (tests build a device tree of their own there).
QString devRoot();

struct DetectedDevice {
    QString device;  // the name to store: its /dev/serial/by-id/ link when it has one
    QString target;  // the device file itself
    QString comName; // the port that names it now ([Ports] or the default); empty when none
    QString description;
    bool usb = false;
};
// Every serial device present, each once: the stable by-id names first, then
// the system's other serial ports and USB adapters, then devices [Ports]
// maps that exist (pseudo-terminals, other folders).
QList<DetectedDevice> detectedDevices();

// The first port whose device (mapped or default) is this device file; -1 when none.
int portOfDevice(const QString& device);

// The names of the machines other than `exceptSection` that store this port.
QStringList machinesOnPort(int commPort, const QString& exceptSection);

// True exactly when this port's own device sits on the USB bus ("COM10" is
// never answered by Com1's device). Reads sysfs, or the folder named by
// FEEDLINE_SYSFS_ROOT, which tests use to fake an adapter.
bool isComUSB(const QString& portName);
bool isUsbDevice(const QString& device);

} // namespace PortList

using PortList::isComUSB;
