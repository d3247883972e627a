#include "IniStorage.h"
#include "MachineRecord.h"
#include "RecentFiles.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "TransferLog.h"

#include <gtest/gtest.h>

namespace {

class TransferLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        gCurrentMachineSection = QStringLiteral("Machine2");
        gPortState = PortSending;
    }
    void TearDown() override { gPortState = PortIdle; }
    QStringList loggedLines() const {
        return QString::fromUtf8(readAllBytes(transferLogPath())).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    TestHome home;
};

TEST_F(TransferLogTest, ASendIsLoggedUnderTheAliasWithHyphensBlankedAndJoinsTheSendList) {
    writeIni("Machine2", "Alias", "Mill-1");
    writeLogFile("/work/a - b.nc");
    const QStringList lines = loggedLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Mill 1 - Send File To CNC - /work/a - b.nc - "));
    EXPECT_EQ(RecentFiles::entries("send").value(0), "/work/a - b.nc");

    LogEntry e;
    ASSERT_TRUE(parseLogLine(lines[0], &e));
    EXPECT_EQ(e.cnc, "Mill 1");
    EXPECT_EQ(e.action, "Send File To CNC");
    EXPECT_EQ(e.fileName, "/work/a - b.nc"); // survives the split
    EXPECT_FALSE(e.date.isEmpty());
}

TEST_F(TransferLogTest, AReceiveIsLoggedAsSuchAndTemporaryFilesNotAtAll) {
    gPortState = PortReceiving;
    writeLogFile("/work/in.nc");
    writeLogFile("/work/Machine2.tmp");
    writeLogFile("/work/x.Tmp");
    const QStringList lines = loggedLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Machine2 - File Received From CNC - /work/in.nc - "));
    EXPECT_EQ(RecentFiles::entries("receive").value(0), "/work/in.nc");
    EXPECT_EQ(RecentFiles::entries("receive").value(1), "");
}

TEST(TransferLogLines, OnlyLogLinesParse) {
    LogEntry e;
    EXPECT_FALSE(parseLogLine("", &e));
    EXPECT_FALSE(parseLogLine("just text", &e));
    EXPECT_FALSE(parseLogLine("A - B - C", &e));
    EXPECT_TRUE(parseLogLine("A - FTP Upload - f - 01-Jan-24 10:00:00\r\n", &e));
    EXPECT_EQ(e.date, "01-Jan-24 10:00:00");
}

} // namespace
