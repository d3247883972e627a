#include "ExampleSettings.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "NetworkHandoff.h"
#include "TestHome.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class ExampleImport : public ::testing::Test {
protected:
    void SetUp() override {
        home.writeIni("[Machine3]\nAlias=Lathe\niBaudrate=6\nHeaderSend=13,10\nEOBSend=2\n");
        gCurrentMachineSection = QStringLiteral("Machine3");
    }
    QString value(const char* key) {
        return readIni(QStringLiteral("Machine3"), QString::fromLatin1(key), "<none>");
    }

    TestHome home;
};

TEST_F(ExampleImport, ListsEveryAliasLineInFileOrder) {
    writeAllBytes(ExampleSettings::filePath(),
                  "; examples\r\n[Mill A]\r\nAlias=Mill A\r\niBaudrate=7\r\n[Lathe=2]\r\nAlias=Lathe=2\r\n"
                  "[Router]\r\nAlias=Router\r\n");
    EXPECT_EQ(ExampleSettings::listNames(ExampleSettings::filePath()),
              (QStringList{"Mill A", "Lathe=2", "Router"}));
    EXPECT_TRUE(ExampleSettings::listNames(home.file("missing.cfg")).isEmpty());
}

TEST_F(ExampleImport, CopiesTheExamplesKeysWholeIntoTheCurrentMachine) {
    const QString longText = QString(300, QLatin1Char('x'));
    writeAllBytes(
        ExampleSettings::filePath(),
        ("[Fanuc 0M]\nAlias=Fanuc 0M\niBaudrate=8\niParity=0\nHandshaking=2\nTrailerSend=20,!500!,13\n"
         "RemoveUnwantedStrings1=" +
         longText + "\nWaitForBuffer=Not Used\nDTREnable=0\n")
            .toUtf8());
    ASSERT_EQ(ExampleSettings::import(QStringLiteral("Fanuc 0M"), ExampleSettings::filePath(),
                                      gCurrentMachineSection),
              ExampleSettings::Result::Imported);
    EXPECT_EQ(value("Alias"), "Fanuc 0M");
    EXPECT_EQ(value("iBaudrate"), "8");
    EXPECT_EQ(value("iParity"), "0");
    EXPECT_EQ(value("Handshaking"), "2");
    EXPECT_EQ(value("TrailerSend"), "20,!500!,13");
    EXPECT_EQ(value("RemoveUnwantedStrings1"), longText); // not cut at 254
    EXPECT_EQ(value("DTREnable"), "0");
    EXPECT_EQ(value("HeaderSend"), "");    // no line: emptied
    EXPECT_EQ(value("WaitForBuffer"), ""); // "Not Used" reads as empty
    EXPECT_EQ(value("EOBSend"), "2");      // an empty position keeps the machine's
}

TEST_F(ExampleImport, ANameWithoutASectionChangesNothing) {
    writeAllBytes(ExampleSettings::filePath(), "[Real]\nAlias=Ghost\niBaudrate=1\n");
    const QByteArray before = home.readIniBytes();
    EXPECT_EQ(
        ExampleSettings::import(QStringLiteral("Ghost"), ExampleSettings::filePath(), gCurrentMachineSection),
        ExampleSettings::Result::NoSection);
    EXPECT_EQ(ExampleSettings::import(QString(), ExampleSettings::filePath(), gCurrentMachineSection),
              ExampleSettings::Result::NoSection);
    EXPECT_EQ(home.readIniBytes(), before);
}

TEST_F(ExampleImport, AnEmptyAliasNeverReplacesTheMachinesName) {
    writeAllBytes(ExampleSettings::filePath(), "[Bare]\nAlias=\niBaudrate=2\n");
    ASSERT_EQ(
        ExampleSettings::import(QStringLiteral("Bare"), ExampleSettings::filePath(), gCurrentMachineSection),
        ExampleSettings::Result::Imported);
    EXPECT_EQ(value("Alias"), "Lathe");
    EXPECT_EQ(value("iBaudrate"), "2");
}

class FtpHandoff : public ::testing::Test {
protected:
    void installHelper() { writeAllBytes(NetworkHandoff::ftpHelperPath(), "#!/bin/sh\n"); }
    TestHome home;
};

TEST_F(FtpHandoff, CommandLineCarriesFileMachineDirectionAndSettingsFile) {
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "D", "!", 12, gIniPath).isEmpty()) << "no helper";
    installHelper();
    const NetworkHandoff::HelperCommand cmd = NetworkHandoff::buildFtpCommand("FTP", "D", "!", 12, gIniPath);
    EXPECT_EQ(cmd.line(), home.path() + "ftp.exe ?!?12?D?" + gIniPath);

    writeAllBytes(home.file("part.nc"), "G0X0\n");
    EXPECT_EQ(NetworkHandoff::buildFtpCommand("FTP", "U", home.file("part.nc"), 3, "/x.ini").arguments,
              QStringList{"?" + home.file("part.nc") + "?3?U?/x.ini"});
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "U", home.file("gone.nc"), 3, gIniPath).isEmpty());
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("TCP", "U", "!", 3, gIniPath).isEmpty());

    gCurrentMachineSection = QStringLiteral("Machine7");
    EXPECT_EQ(NetworkHandoff::buildFtpCommand("FTP", "U", "!").arguments, QStringList{"?!?7?U?" + gIniPath});

    // "?" separates the fields: a path holding one cannot be passed on.
    writeAllBytes(home.file("what?.nc"), "G0X0\n");
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "U", home.file("what?.nc"), 3, gIniPath).isEmpty());
    EXPECT_TRUE(NetworkHandoff::buildFtpCommand("FTP", "D", "!", 3, "/odd?/x.ini").isEmpty());
}

TEST_F(FtpHandoff, TheHelperGetsOneArgumentWithoutAShell) {
    // Blanks and a quote in a path reach the helper untouched, as one argument.
    writeAllBytes(NetworkHandoff::ftpHelperPath(), "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$0.args\"\n");
    QFile::setPermissions(NetworkHandoff::ftpHelperPath(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString file = home.file("my part's $HOME.nc");
    writeAllBytes(file, "G0X0\n");
    ASSERT_TRUE(NetworkHandoff::startHelper(NetworkHandoff::buildFtpCommand("FTP", "U", file, 12, gIniPath)));
    const QString args = NetworkHandoff::ftpHelperPath() + ".args";
    for (int i = 0; i < 500 && readAllBytes(args).isEmpty(); ++i)
        QThread::msleep(20);
    EXPECT_EQ(readAllBytes(args), "1|?" + file.toUtf8() + "?12?U?" + gIniPath.toUtf8());
}

TEST_F(FtpHandoff, SettingsCopyHoldsNewValuesWhileTheLiveFileStays) {
    home.writeIni("[Settings]\nDNCStatus=1\n[Machine2]\nftp=old.host\nport=21\n");
    const QByteArray before = home.readIniBytes();
    const QString copy = NetworkHandoff::writeSettingsCopy(
        QStringLiteral("Machine2"), {{QStringLiteral("ftp"), QStringLiteral("new.host")},
                                     {QStringLiteral("password"), QStringLiteral("p=w;d")}});
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_NE(copy, gIniPath);
    EXPECT_EQ(home.readIniBytes(), before);
    EXPECT_EQ(readIniString("Machine2", "ftp", copy), "new.host");
    EXPECT_EQ(readIniString("Machine2", "password", copy), "p=w;d");
    EXPECT_EQ(readIniString("Machine2", "port", copy), "21");
    EXPECT_EQ(readIniString("Settings", "DNCStatus", copy), "1");
    EXPECT_FALSE(QFile::permissions(copy) & QFileDevice::ReadOther);
}

} // namespace
