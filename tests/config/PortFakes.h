#pragma once

#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

// A pseudo-terminal standing in for a serial port; the test holds the master.
class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            slave_ = QString::fromLocal8Bit(ptsname(master_));
    }
    ~Pty() {
        if (master_ >= 0)
            ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    QString slave() const { return slave_; }

private:
    int master_ = -1;
    QString slave_;
};

// A sysfs tree of the test's own, read instead of /sys while it lives: ttys
// whose "device" link leads into a USB bus or not.
class FakeSysfs {
public:
    FakeSysfs() { qputenv("FEEDLINE_SYSFS_ROOT", QFile::encodeName(sys_.path())); }
    ~FakeSysfs() { qunsetenv("FEEDLINE_SYSFS_ROOT"); }
    // A device file `name` in the program folder, known to sysfs under `deviceDir`.
    QString addTty(const TestHome& home, const QString& name, const QString& deviceDir) {
        QDir().mkpath(home.path() + "dev");
        const QString dev = home.path() + "dev/" + name;
        writeAllBytes(dev, "");
        const QString target = sys_.path() + "/devices/" + deviceDir;
        QDir().mkpath(target);
        QDir().mkpath(sys_.path() + "/class/tty/" + name);
        QFile::link(target, sys_.path() + "/class/tty/" + name + "/device");
        return dev;
    }

private:
    QTemporaryDir sys_;
};
