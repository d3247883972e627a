#include "IniStorage.h"
#include "MachineRecord.h"
#include "RecentFiles.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "TransferLog.h"

#include <QRegularExpression>

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
    const QRegularExpression dated(R"(^Mill 1 - Send File To CNC - /work/a - b\.nc - \d\d-\w{3}-\d\d \d\d:\d\d:\d\d$)");
    EXPECT_TRUE(dated.match(lines[0]).hasMatch()) << qPrintable(lines[0]);
    EXPECT_EQ(RecentFiles::entries("send").value(0), "/work/a - b.nc");
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

} // namespace
