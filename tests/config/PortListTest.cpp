#include "PortList.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "Pty.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(PortList, MappedPseudoTerminalIsListedAsItsComName) {
    TestHome home;
    Pty pty;
    ASSERT_FALSE(pty.slave().isEmpty());
    home.writeIni(("[Ports]\nCom5=" + pty.slave() + "\nCom100=/nonexistent/tty\n").toUtf8());
    EXPECT_EQ(PortList::deviceFor(QStringLiteral("COM5")), pty.slave());

    bool found = false;
    for (const PortList::PortInfo& p : PortList::presentPorts()) {
        EXPECT_NE(p.comName, QStringLiteral("Com100")); // mapped, but not there
        if (p.comName == QLatin1String("Com5")) {
            found = true;
            EXPECT_EQ(p.device, pty.slave());
            EXPECT_FALSE(p.usb);
        }
    }
    EXPECT_TRUE(found);
    EXPECT_FALSE(isComUSB(QStringLiteral("COM5")));
}

// A sysfs tree of our own: ttys whose "device" link leads into a USB bus or not.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sys.isValid());
        qputenv("FEEDLINE_SYSFS_ROOT", QFile::encodeName(sys.path()));
        QDir().mkpath(home.path() + "dev");
    }
    void TearDown() override { qunsetenv("FEEDLINE_SYSFS_ROOT"); }

    // A device file in the program folder, known to sysfs under `deviceDir`.
    QString addTty(const QString& name, const QString& deviceDir) {
        const QString dev = home.path() + "dev/" + name;
        writeAllBytes(dev, "");
        const QString target = sys.path() + "/devices/" + deviceDir;
        QDir().mkpath(target);
        QDir().mkpath(sys.path() + "/class/tty/" + name);
        QFile::link(target, sys.path() + "/class/tty/" + name + "/device");
        return dev;
    }

    TestHome home;
    QTemporaryDir sys;
};

TEST_F(FakeSysfs, OnlyTheAdaptersOwnPortCountsAsUsb) {
    const QString adapter = addTty("ttyUSB9", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0");
    const QString onboard = addTty("ttyS0", "platform/serial8250");
    const QString phy = addTty("ttyS1", "platform/usbphy0/serial");
    home.writeIni(("[Ports]\nCom10=" + adapter + "\nCom1=" + onboard + "\nCom2=" + phy + "\n").toUtf8());

    EXPECT_TRUE(isComUSB(QStringLiteral("COM10")));
    EXPECT_TRUE(isComUSB(QStringLiteral("com10")));
    EXPECT_FALSE(isComUSB(QStringLiteral("COM1")));   // its name is a prefix of the adapter's
    EXPECT_FALSE(isComUSB(QStringLiteral("COM2")));   // "usbphy" is no USB bus
    EXPECT_FALSE(isComUSB(QStringLiteral("COM100"))); // no device at all
    EXPECT_FALSE(isComUSB(QString()));
}

TEST_F(FakeSysfs, KeepAliveDefaultsOffForAnAdapter) {
    const QString adapter = addTty("ttyUSB9", "pci0000:00/usb2/2-1/2-1:1.0");
    home.writeIni(
        ("[Ports]\nCom10=" + adapter + "\n[Machine1]\nCommPort=9\n[Machine2]\nCommPort=0\n").toUtf8());
    EXPECT_EQ(MachineRecord::value(QStringLiteral("Machine1"), QStringLiteral("KeepAlive")),
              QStringLiteral("0"));
    EXPECT_EQ(MachineRecord::value(QStringLiteral("Machine2"), QStringLiteral("KeepAlive")),
              QStringLiteral("1"));
    // A stored value wins over the default.
    writeIni(QStringLiteral("Machine1"), QStringLiteral("KeepAlive"), QStringLiteral("1"));
    EXPECT_EQ(MachineRecord::value(QStringLiteral("Machine1"), QStringLiteral("KeepAlive")),
              QStringLiteral("1"));
}

} // namespace
