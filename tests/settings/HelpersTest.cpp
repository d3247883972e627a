#include "DateStuff.h"
#include "FileCompare.h"
#include "FileStuff.h"
#include "ScriptedMessages.h"
#include "SettingsGlobals.h"
#include "StatusLine.h"
#include "TestHome.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(PathHelpers, PiecesOfAPath) {
    QString p = "/data";
    EXPECT_EQ(addBackslash(p), "/data/");
    EXPECT_EQ(p, "/data/");
    EXPECT_EQ(addBackslash(p), "/data/");
    QString empty;
    EXPECT_EQ(addBackslash(empty), "/");

    EXPECT_EQ(getPathOnly("/data/part.nc"), "/data/");
    EXPECT_EQ(getPathOnly("part.nc"), "");
    EXPECT_EQ(getFileTitle("/data/part.nc", true), "part.nc");
    EXPECT_EQ(getFileTitle("/data/part.rev.nc", false), "part");
    EXPECT_EQ(getFileTitle("part.nc", true), "part.nc");
    EXPECT_EQ(getFileTitle("/data/part", false), "part");
    EXPECT_EQ(getFileNameFromPath("/data/sub/"), "");
    EXPECT_EQ(getExtension("part.nc"), "nc");
    EXPECT_EQ(getExtension("/data.old/part"), "old/part"); // a "." in a folder name counts
    EXPECT_EQ(getExtension("part"), "");
}

TEST(TextHelpers, ReplaceAllNeitherOverlapsNorRescans) {
    EXPECT_EQ(replaceAll("AXBXC", "X", "XX"), "AXXBXXC");
    EXPECT_EQ(replaceAll("AXBXC", "x", "XX"), "AXBXC");
    EXPECT_EQ(replaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(replaceAll("abc", "", "z"), "abc");
    const QString withNul = QStringLiteral("N10") + QChar(0) + QStringLiteral("N20") + QChar(0);
    EXPECT_EQ(replaceAll(withNul, QString(QChar(0)), ""), "N10N20");
}

TEST(TextHelpers, ReplaceAllReportsProgressOnlyForLongTexts) {
    setStatusbarWriter(nullptr);
    statusbar("before");
    EXPECT_EQ(replaceAll(QString(32000, 'x'), "x", "y"), QString(32000, 'y'));
    EXPECT_EQ(lastStatusText(), "before");

    const QString big = QString(100000, 'x');
    QStringList shown;
    setStatusbarWriter([&shown](const QString& m) { shown << m; });
    EXPECT_EQ(replaceAll(big, "x", "yz"), QString(100000, 'y').replace("y", "yz"));
    setStatusbarWriter(nullptr);
    ASSERT_FALSE(shown.isEmpty());
    for (const QString& m : shown) {
        EXPECT_TRUE(m.startsWith("Processing File ")) << m.toStdString();
        EXPECT_TRUE(m.endsWith(" of 100000")) << m.toStdString();
    }
}

TEST(TextHelpers, SplitToArrayKeepsInnerEmptiesButNoTrailingOne) {
    EXPECT_EQ(splitToArray("a,b,,c", ","), 4);
    EXPECT_EQ(gSplitResult, (QStringList{"", "a", "b", "", "c"}));
    EXPECT_EQ(splitToArray(",a", ","), 2);
    EXPECT_EQ(gSplitResult, (QStringList{"", "", "a"}));
    EXPECT_EQ(splitToArray("a,", ","), 1);
    EXPECT_EQ(splitToArray("", ","), 0);
    EXPECT_EQ(gSplitResult, QStringList{""}); // the previous items are gone
    // A longer delimiter: later items keep the delimiter less its first character.
    EXPECT_EQ(splitToArray("Mill - Send - a.nc - 14-Mar-24 09:05:07", " - "), 4);
    EXPECT_EQ(gSplitResult[2], "- Send");
    EXPECT_EQ(gSplitResult[4], "- 14-Mar-24 09:05:07");
    // No 16-bit limit on the length.
    const QString lng = QString(40000, 'x') + "," + QString(40000, 'y');
    EXPECT_EQ(splitToArray(lng, ","), 2);
    EXPECT_EQ(gSplitResult[2].size(), 40000);
}

TEST(TextHelpers, IntPartOfNumberString) {
    EXPECT_EQ(intPartOfNumberString("10"), "10");
    EXPECT_EQ(intPartOfNumberString("9.75"), "9");
    EXPECT_EQ(intPartOfNumberString("12,5"), "12");
    EXPECT_EQ(intPartOfNumberString("1,000.5"), "1");
}

TEST(TextHelpers, ValidExtensionChars) {
    ScriptedMessages msgs;
    for (int k : {int('A'), int('z'), int('0'), int('9'), 32, 42, 8, 63})
        EXPECT_TRUE(validExtensionChars(k)) << k;
    EXPECT_TRUE(msgs.texts().isEmpty());
    EXPECT_FALSE(validExtensionChars('.'));
    EXPECT_FALSE(validExtensionChars(200));
    EXPECT_EQ(msgs.texts(), (QStringList{"You Must Only Choose Valid Characters",
                                         "You Must Only Choose Valid Characters"}));
    EXPECT_EQ(msgs.shown().first().icon, Msg::Information);
    EXPECT_EQ(msgs.shown().first().title, "Feedline");
}

TEST(FileHelpers, TempFilesAreNewEmptyAndUnique) {
    TestHome home;
    QSet<QString> names;
    for (int i = 0; i < 3000; ++i) {
        const QString f = getTempFileName("dncXYZ");
        ASSERT_FALSE(f.isEmpty());
        ASSERT_TRUE(fileExists(f));
        EXPECT_EQ(QFileInfo(f).size(), 0);
        names.insert(f);
    }
    EXPECT_EQ(names.size(), 3000);
    const QString one = *names.begin();
    EXPECT_EQ(getPathOnly(one), home.path());
    EXPECT_TRUE(getFileNameFromPath(one).startsWith("dnc"));
    EXPECT_FALSE(getFileNameFromPath(one).startsWith("dncX"));
    EXPECT_TRUE(one.endsWith(".TMP"));
}

TEST(FileHelpers, FileExistsMeansAnOrdinaryFile) {
    TestHome home;
    writeAllBytes(home.file("a.nc"), "");
    EXPECT_TRUE(fileExists(home.file("a.nc")));
    EXPECT_FALSE(fileExists(home.file("b.nc")));
    EXPECT_FALSE(fileExists(home.path()));
    EXPECT_FALSE(fileExists(""));
    writeAllBytes(home.file(".hidden.nc"), "");
    EXPECT_FALSE(fileExists(home.file(".hidden.nc")));
    EXPECT_TRUE(anyFileExists(home.file(".hidden.nc")));
}

class FileCompareTest : public ::testing::Test {
protected:
    TestHome home;
    QString make(const QString& name, const QByteArray& bytes) {
        writeAllBytes(home.file(name), bytes);
        return home.file(name);
    }
};

TEST_F(FileCompareTest, EveryByteCountsWhateverChunkItFallsIn) {
    QByteArray base(300001, '\0');
    for (int i = 0; i < base.size(); ++i)
        base[i] = char(i * 7);
    const QString a = make("a.bin", base);
    EXPECT_TRUE(filesAreEqual(a, make("same.bin", base)));
    EXPECT_TRUE(filesAreEqual(a, a));
    // The remainder byte, both edges of the first chunk, a middle and the last byte.
    for (int at : {0, 1, 3000, 3001, 150000, 300000}) {
        QByteArray other = base;
        other[at] = char(other[at] ^ 0x01);
        EXPECT_FALSE(filesAreEqual(a, make("b.bin", other))) << at;
    }
    for (int len : {0, 1, 9, 10, 11, 29999}) {
        const QByteArray bytes = base.left(len);
        EXPECT_TRUE(filesAreEqual(make("x.bin", bytes), make("y.bin", bytes))) << len;
        if (len > 0) {
            QByteArray last = bytes;
            last[len - 1] = char(last[len - 1] + 1);
            EXPECT_FALSE(filesAreEqual(make("x.bin", bytes), make("y.bin", last))) << len;
        }
    }
}

TEST_F(FileCompareTest, DifferentLengthsOrUnreadableFilesAreNeverEqual) {
    EXPECT_TRUE(filesAreEqual(make("e1", ""), make("e2", "")));
    EXPECT_FALSE(filesAreEqual(make("s", "N10\r\n"), make("l", "N10\r\nN20\r\n")));
    EXPECT_FALSE(filesAreEqual(home.file("missing1"), home.file("missing2")));
    EXPECT_FALSE(filesAreEqual(make("e3", ""), home.file("missing")));
    QDir().mkpath(home.file("dir1"));
    QDir().mkpath(home.file("dir2"));
    EXPECT_FALSE(filesAreEqual(home.file("dir1"), home.file("dir2")));
}

class DateTest : public ::testing::Test {
protected:
    ~DateTest() override {
        checkThreadLocale();
        forceDateFormats();
    }
    const QDateTime moment{QDate(2024, 3, 14), QTime(9, 5, 7)};
};

TEST_F(DateTest, OtherLocalesGetTheFixedFormatsInsideTheProgramOnly) {
    const QLocale before = QLocale();
    const QLocale french("fr_FR");
    checkThreadLocale(french);
    EXPECT_TRUE(gForceDateFormats);
    forceDateFormats(french);
    EXPECT_EQ(formatShortDate(moment.date()), "14-Mar-24");
    EXPECT_EQ(formatLongDate(moment.date()), "14-March-2024");
    EXPECT_EQ(formatTime(QTime(21, 5, 7)), "21:05:07");
    EXPECT_EQ(formatDateTime(moment), "14-Mar-24 09:05:07");
    EXPECT_EQ(QLocale(), before);
}

TEST_F(DateTest, ListedLocalesKeepTheirOwnFormats) {
    const QLocale us("en_US");
    checkThreadLocale(us);
    EXPECT_FALSE(gForceDateFormats);
    forceDateFormats(us);
    EXPECT_EQ(formatShortDate(moment.date()), us.toString(moment.date(), QLocale::ShortFormat));
    EXPECT_EQ(formatTime(moment.time()), us.toString(moment.time(), QLocale::LongFormat));
    EXPECT_EQ(dateFormats().locale, us);
}

TEST(Elapsed, DaysHoursMinutesSecondsEitherWay) {
    const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0));
    EXPECT_EQ(formatElapsed(t0, t0), "00:00:00:00");
    EXPECT_EQ(formatElapsed(t0, t0.addSecs(3723)), "00:01:02:03");
    EXPECT_EQ(formatElapsed(t0, t0.addSecs(90061)), "01:01:01:01");
    EXPECT_EQ(formatElapsed(t0.addSecs(90061), t0), "01:01:01:01");
    EXPECT_EQ(formatElapsed(t0, t0.addDays(366)), "01:00:00:00");
    EXPECT_EQ(formatElapsed(t0, t0.addSecs(99 * 86400 + 59)), "99:00:00:59");
    EXPECT_EQ(formatElapsed(t0, t0.addSecs(150 * 86400)), "150:00:00:00");
}

} // namespace
