#pragma once

#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A device tree of the test's own, read instead of /dev and /sys while it
// lives: ttys whose sysfs "device" link leads into a USB bus or not, and
// stable /dev/serial/by-id names.
class FakeSerialDevices {
public:
    FakeSerialDevices() {
        qputenv("FEEDLINE_SYSFS_ROOT", QFile::encodeName(sys_.path()));
        qputenv("FEEDLINE_DEV_ROOT", QFile::encodeName(dev_.path()));
    }
    ~FakeSerialDevices() {
        qunsetenv("FEEDLINE_SYSFS_ROOT");
        qunsetenv("FEEDLINE_DEV_ROOT");
    }
    FakeSerialDevices(const FakeSerialDevices&) = delete;
    FakeSerialDevices& operator=(const FakeSerialDevices&) = delete;

    // A device file `name` known to sysfs under `deviceDir`, e.g. kUsbBus.
    QString addTty(const QString& name, const QString& deviceDir) {
        const QString dev = dev_.filePath(name);
        writeAllBytes(dev, "");
        const QString target = sys_.path() + "/devices/" + deviceDir;
        QDir().mkpath(target);
        QDir().mkpath(sys_.path() + "/class/tty/" + name);
        QFile::link(target, sys_.path() + "/class/tty/" + name + "/device");
        return dev;
    }
    // A stable name for the device file `tty`, linked as udev links it.
    QString addById(const QString& name, const QString& tty) {
        QDir().mkpath(dev_.filePath("serial/by-id"));
        const QString link = dev_.filePath("serial/by-id/" + name);
        QFile::link("../../" + tty, link);
        return link;
    }

    static constexpr const char* kUsbBus = "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";

private:
    QTemporaryDir sys_;
    QTemporaryDir dev_;
};
