#include "PortList.h"
#include "PortFakes.h"

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

TEST(PortList, OnlyTheAdaptersOwnPortCountsAsUsb) {
    TestHome home;
    FakeSysfs sys;
    const QString adapter = sys.addTty(home, "ttyUSB9", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0");
    const QString onboard = sys.addTty(home, "ttyS0", "platform/serial8250");
    const QString phy = sys.addTty(home, "ttyS1", "platform/usbphy0/serial");
    home.writeIni(("[Ports]\nCom10=" + adapter + "\nCom1=" + onboard + "\nCom2=" + phy + "\n").toUtf8());

    EXPECT_TRUE(isComUSB(QStringLiteral("COM10")));
    EXPECT_TRUE(isComUSB(QStringLiteral("com10")));
    EXPECT_FALSE(isComUSB(QStringLiteral("COM1")));   // its name is a prefix of the adapter's
    EXPECT_FALSE(isComUSB(QStringLiteral("COM2")));   // "usbphy" is no USB bus
    EXPECT_FALSE(isComUSB(QStringLiteral("COM100"))); // no device at all
    EXPECT_FALSE(isComUSB(QString()));
}

} // namespace
