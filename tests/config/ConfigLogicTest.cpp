// Code lists and the dialog's field rules, example import, the FTP hand-off and the port list.
#include "CodeList.h"
#include "ExampleSettings.h"
#include "FakeSerialDevices.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "NetworkHandoff.h"
#include "PortList.h"
#include "PropertiesRules.h"
#include "TestHome.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

const QByteArray kPause(1, char(240));
QByteArray pause(const char* ms) {
    return kPause + ms + kPause;
}

struct ParseCase {
    const char* list;
    QByteArray chars; // what ParseIntoString gives
    bool ok;
};

class CodeListExamples : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CodeListExamples, ParseIntoStringGivesTheCharacters) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(ParseIntoString(QString::fromLatin1(c.list)), c.chars) << c.list;
    EXPECT_EQ(CodeList::parse(QString::fromLatin1(c.list)).ok, c.ok) << c.list;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CodeListExamples,
    ::testing::Values(
        // plain codes
        ParseCase{"13,10", "\r\n", true}, ParseCase{" 13 ", "\r", true}, ParseCase{"200", "\xC8", true},
        ParseCase{"0", QByteArray(1, '\0'), true}, ParseCase{"13.5", "\x0E", true},
        ParseCase{"12.5", "\x0C", true},
        // repeats
        ParseCase{"#3,13", "\r\r\r", true}, ParseCase{"#1,13", "\r", true}, ParseCase{"#0,13", "\r", true},
        ParseCase{"#x,13", "\r", true}, ParseCase{"#3,0,13,10", QByteArray("\0\0\0\r\n", 5), true},
        ParseCase{"#2.5,65", "AA", true}, ParseCase{"#3.5,65", "AAAA", true},
        ParseCase{"#2,A", QByteArray(2, '\0'), true}, ParseCase{"#2,200", "", true},
        ParseCase{"#3", "", true}, ParseCase{"#2,65,65", "AAA", true}, ParseCase{"#99999,13", "", false},
        // pauses, and a count waiting across one
        ParseCase{"37,!500!,13", "%" + pause("500") + "\r", true},
        ParseCase{"#3,!1000!,10", pause("1000") + "\n\n\n", true},
        ParseCase{"13,250!,10", "\r" + pause("250") + "\n", true},
        ParseCase{"13,!!250,10", "\r" + pause("250") + "\n", true},
        // faults empty the whole list
        ParseCase{"13,10,", "", false}, ParseCase{"13,,10", "", false}, ParseCase{"13,abc", "", false},
        ParseCase{"300", "", false}, ParseCase{"A", "", false}, ParseCase{"-1", "", false},
        ParseCase{",", "", false}, ParseCase{"", "", true}));

TEST(CodeListBytesAndPauses, LiteralCode240IsAByteAndPausesKeepTheirText) {
    const CodeList::Parsed p = CodeList::parse(QStringLiteral("13,240,10,#2,!250!,65"));
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.pieces.size(), 3);
    EXPECT_EQ(p.pieces[0].bytes, QByteArray("\r\xF0\n"));
    EXPECT_TRUE(p.pieces[1].pause);
    EXPECT_EQ(p.pieces[1].pauseText, QStringLiteral("250"));
    EXPECT_EQ(p.pieces[1].pauseMs(), 250);
    // The count waits across the pause; everything after the literal 240 survives.
    EXPECT_EQ(p.bytesOnly(), QByteArray("\r\xF0\nAA"));
    EXPECT_EQ(CodeList::parse(QStringLiteral("!abc!")).pieces.at(0).pauseMs(), 0);
}

TEST(CodeListPicker, AddingJoinsWithSingleCommas) {
    EXPECT_EQ(CodeList::addCode(QString(), 13, 1), QStringLiteral("13"));
    EXPECT_EQ(CodeList::addCode(QStringLiteral("10"), 13, 3), QStringLiteral("10,#3,13"));
    EXPECT_EQ(CodeList::addCode(QStringLiteral("13,"), 10, 1), QStringLiteral("13,10"));
    EXPECT_EQ(CodeList::finish(QStringLiteral("13,10,")), QStringLiteral("13,10"));
    EXPECT_EQ(CodeList::finish(QStringLiteral("13,10,,")), QStringLiteral("13,10,"));
}

TEST(CodeListPicker, EveryPickableCodeRoundTripsThroughTheParser) {
    QString text;
    QByteArray expected;
    for (int code = 0; code <= 127; ++code) {
        const int count = code % 4 + 1;
        text = CodeList::addCode(text, code, count);
        expected += QByteArray(count, char(code));
    }
    const CodeList::Parsed p = CodeList::parse(CodeList::finish(text));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.bytesOnly(), expected);
    EXPECT_EQ(ParseIntoString(text), expected);
}

TEST(PropertiesRules, CodeListsThatSendNothingOrGarbageNumbersAndTimeOuts) {
    using namespace PropertiesRules;
    for (const char* good : {"", "13,10", "#3,13", "!500!", "!250", "13,240,10", "37,!500!,13"})
        EXPECT_TRUE(codeListAcceptable(QString::fromLatin1(good))) << good;
    for (const char* bad : {"13,,10", "300", "#", "!abc", "!abc!", "13,!-5!,10", "#2,200", "13,10,", "A"})
        EXPECT_FALSE(codeListAcceptable(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(numberForm(QStringLiteral("7.50")), QStringLiteral("7.5"));
    EXPECT_TRUE(timeOutAcceptable(QStringLiteral(" 30 ")));
    for (const char* bad : {"0", "", "abc", "12x", "-5", "1.5"})
        EXPECT_FALSE(timeOutAcceptable(QString::fromLatin1(bad))) << bad;
}

class ExampleImport : public ::testing::Test {
protected:
    void SetUp() override {
        home.writeIni("[Machine3]\nAlias=Lathe\niBaudrate=6\nHeaderSend=13,10\nEOBSend=2\n");
        gCurrentMachineSection = QStringLiteral("Machine3");
    }
    ExampleSettings::Result import(const QString& name) {
        return ExampleSettings::import(name, ExampleSettings::filePath(), gCurrentMachineSection);
    }
    QString value(const char* key) { return readIni("Machine3", QString::fromLatin1(key), "<none>"); }

    TestHome home;
};

TEST_F(ExampleImport, ListsEveryAliasAndCopiesTheExamplesKeysWhole) {
    const QString longText = QString(300, QLatin1Char('x'));
    writeAllBytes(ExampleSettings::filePath(),
                  ("; examples\r\n[Mill A]\r\nAlias=Mill A\r\n[Fanuc 0M]\nAlias=Fanuc 0M\niBaudrate=8\n"
                   "TrailerSend=20,!500!,13\nRemoveUnwantedStrings1=" +
                   longText + "\nWaitForBuffer=Not Used\nDTREnable=0\n[Lathe=2]\nAlias=Lathe=2\n")
                      .toUtf8());
    EXPECT_EQ(ExampleSettings::listNames(ExampleSettings::filePath()),
              (QStringList{"Mill A", "Fanuc 0M", "Lathe=2"}));
    EXPECT_TRUE(ExampleSettings::listNames(home.file("missing.cfg")).isEmpty());
    ASSERT_EQ(import("Fanuc 0M"), ExampleSettings::Result::Imported);
    EXPECT_EQ(value("Alias"), "Fanuc 0M");
    EXPECT_EQ(value("TrailerSend"), "20,!500!,13");
    EXPECT_EQ(value("RemoveUnwantedStrings1"), longText); // not cut at 254
    EXPECT_EQ(value("DTREnable"), "0");
    EXPECT_EQ(value("HeaderSend"), "");    // no line: emptied
    EXPECT_EQ(value("WaitForBuffer"), ""); // "Not Used" reads as empty
    EXPECT_EQ(value("EOBSend"), "2");      // an empty position keeps the machine's
}

TEST_F(ExampleImport, ANameWithoutASectionChangesNothingAndAnEmptyAliasKeepsTheName) {
    writeAllBytes(ExampleSettings::filePath(),
                  "[Real]\nAlias=Ghost\niBaudrate=1\n[Bare]\nAlias=\niBaudrate=2\n");
    const QByteArray before = home.readIniBytes();
    EXPECT_EQ(import("Ghost"), ExampleSettings::Result::NoSection);
    EXPECT_EQ(import(QString()), ExampleSettings::Result::NoSection);
    EXPECT_EQ(home.readIniBytes(), before);
    ASSERT_EQ(import("Bare"), ExampleSettings::Result::Imported);
    EXPECT_EQ(value("Alias"), "Lathe");
    EXPECT_EQ(value("iBaudrate"), "2");
}

TEST(MachineRecord, AMissingKeyReadsItsDocumentedDefault) {
    TestHome home;
    home.writeIni("[Machine9]\nAlias=Machine9\n");
    const QString expected =
        "SendTimeOut=600 iBaudrate=5 iParity=1 iDataLength=2 iStopBits=1 CommPort=0 Handshaking=1 FlowMethod=1 "
        "CharacterSet=0 EOBSend=0 EOBReceive=0 WaitAfterSending=4 WaitAfterReceive=0 RefreshRate=9 "
        "InBufferSize=7 OutBufferSize=7 Discard=1 IPWait=10 remotePort=4660 port=21 ftpPassive=134217728 "
        "IgnoreUntil=% DefaultToDirectories=1 OpenEdAfterReceive=1 FanucStripPercent=1 FanucStripBlankLines=1 "
        "ChangeOnFly=1 EchoReceive=1 DTREnable=1 RTSEnable=1 XModemPad=32 Visible=-1 SeqStart=10 SeqEnd=10 "
        "UseN=1 trimPercents=1 SendExtension1=TXT ReceiveExtension1=TXT";
    for (const QString& pair : expected.split(' ')) {
        const QString key = pair.section('=', 0, 0);
        EXPECT_EQ(MachineRecord::value("Machine9", key), pair.section('=', 1)) << qPrintable(key);
    }
}

// A number of any length reads within int's range, through every reader of whole numbers.
TEST(MachineRecord, NumbersOfAnyLengthReadAsTheNearestWholeNumberThatFits) {
    TestHome home;
    const std::pair<const char*, int> rows[] = {{"99999999999999999999", INT_MAX},
                                                {"-99999999999999999999", INT_MIN},
                                                {"2147483648", INT_MAX},
                                                {"-2147483649", INT_MIN},
                                                {"2147483647.9", INT_MAX},
                                                {"-12.9x", -12},
                                                {"x1", 0}};
    for (const auto& [stored, read] : rows) {
        writeIni("Machine2", "LineDelay", stored);
        EXPECT_EQ(MachineRecord::intValue("Machine2", "LineDelay"), read) << stored;
        EXPECT_EQ(readIniInt("Machine2", "LineDelay", 0), read) << stored;
    }
    EXPECT_EQ(clampToInt64(1e300), std::numeric_limits<qint64>::max());
    // 2^63 is the double nearest the largest qint64, and itself beyond it.
    EXPECT_EQ(clampToInt64(leadingNumber("9223372036854775808")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(clampToInt64(-1e300), std::numeric_limits<qint64>::min());
    EXPECT_EQ(clampToInt(std::nan("")), 0);
}

TEST(FtpHandoff, OneArgumentOfFileMachineDirectionAndSettingsFileOrNone) {
    TestHome home;
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "D", "!", 12, gIniPath).isEmpty()) << "no helper";
    writeAllBytes(NetworkHandoff::ftpHelperPath(), "#!/bin/sh\n");
    gCurrentMachineSection = QStringLiteral("Machine7");
    EXPECT_EQ(NetworkHandoff::buildFtpCommand("FTP", "D", "!").arguments, QStringList{"?!?7?D?" + gIniPath});
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "U", home.file("gone.nc"), 3, gIniPath).isEmpty());
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("TCP", "U", "!", 3, gIniPath).isEmpty());
    // "?" separates the fields: a path holding one cannot be passed on.
    writeAllBytes(home.file("what?.nc"), "G0X0\n");
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "U", home.file("what?.nc"), 3, gIniPath).isEmpty());
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "D", "!", 3, "/odd?/x.ini").isEmpty());
}

TEST(PortList, OnlyTheAdaptersOwnPortCountsAsUsbAndIsClosedBetweenSends) {
    TestHome home;
    FakeSerialDevices devices;
    const QString adapter = devices.addTty("ttyUSB9", FakeSerialDevices::kUsbBus);
    const QString onboard = devices.addTty("ttyS0", "platform/serial8250");
    const QString phy = devices.addTty("ttyS1", "platform/usbphy0/serial");
    home.writeIni(("[Ports]\nCom10=" + adapter + "\nCom1=" + onboard + "\nCom2=" + phy +
                   "\n[Machine3]\nCommPort=9\n[Machine4]\nCommPort=0\n")
                      .toUtf8());
    EXPECT_TRUE(isComUSB(QStringLiteral("com10")));
    EXPECT_FALSE(isComUSB(QStringLiteral("COM1")));   // its name is a prefix of the adapter's
    EXPECT_FALSE(isComUSB(QStringLiteral("COM2")));   // "usbphy" is no USB bus
    EXPECT_FALSE(isComUSB(QStringLiteral("COM100"))); // no device at all
    EXPECT_FALSE(isComUSB(QString()));
    EXPECT_EQ(MachineRecord::defaultValue("Machine3", "KeepAlive"), "0");
    EXPECT_EQ(MachineRecord::defaultValue("Machine4", "KeepAlive"), "1");
}

TEST(PortList, EveryDevicePresentIsListedOnceStableNamesFirst) {
    TestHome home;
    FakeSerialDevices devices;
    const QString acm = devices.addTty("ttyACM0", "pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0");
    const QString usb = devices.addTty("ttyUSB3", FakeSerialDevices::kUsbBus);
    const QString byId = devices.addById("usb-Serial_Adapter_A1-if00-port0", "ttyUSB3");
    devices.addById("usb-gone-if00-port0", "ttyUSB7"); // unplugged: its link dangles
    const QString pty = home.file("pty0");
    writeAllBytes(pty, "");
    home.writeIni(("[Ports]\nCom40=" + usb + "\nCom5=" + pty + "\nCom6=/gone/tty\n"
                   "[Machine1]\nCommPort=4\n[Machine2]\nAlias=Lathe\nCommPort=4\n[Machine3]\nAlias=Mill\n"
                   "[Machine4]\nCommPort=1\n")
                      .toUtf8());
    QStringList listed, ports;
    QList<bool> usbs;
    for (const PortList::DetectedDevice& d : PortList::detectedDevices()) {
        listed << d.device;
        ports << d.comName;
        usbs << d.usb;
    }
    EXPECT_EQ(listed, (QStringList{byId, acm, pty}));
    EXPECT_EQ(ports, (QStringList{"Com40", "", "Com5"}));
    EXPECT_EQ(usbs, (QList<bool>{true, true, false}));
    EXPECT_EQ(PortList::portOfDevice(byId), 39);
    EXPECT_EQ(PortList::portOfDevice(acm), -1);
    // Machine 3 stores no port: it is on none.
    EXPECT_EQ(PortList::machinesOnPort(4, "Machine1"), QStringList{"Lathe"});
    EXPECT_TRUE(PortList::machinesOnPort(0, "Machine1").isEmpty());
}

} // namespace
