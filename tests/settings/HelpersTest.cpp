#include "DateStuff.h"
#include "FileCompare.h"
#include "FileStuff.h"
#include "MessageBoxUi.h"
#include "SettingsGlobals.h"
#include "StatusLine.h"
#include "TestHome.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(PathHelpers, PiecesOfAPath) {
    QString p = "/data";
    addBackslash(p);
    EXPECT_EQ(addBackslash(p), "/data/");
    EXPECT_EQ(p, "/data/");
    EXPECT_EQ(getPathOnly("/data/part.nc"), "/data/");
    EXPECT_EQ(getPathOnly("part.nc"), "");
    EXPECT_EQ(getFileTitle("/data/part.nc", true), "part.nc");
    EXPECT_EQ(getFileTitle("/data/part.rev.nc", false), "part");
    EXPECT_EQ(getFileTitle("/data/part", false), "part");
    EXPECT_EQ(getFileNameFromPath("/data/sub/"), "");
}

// A line of a box shortened to its room: never wider; a path keeps its file
// name whole while the name and an ellipsis fit, one nearly as wide as the
// room shows both ends of the line instead.
TEST(TextHelpers, ShortenedLinesKeepTheFileNameWhileItFits) {
    const QFontMetrics metrics(QApplication::font());
    const QString name = QStringLiteral("/O1234-second-operation-of-the-left-hand-bracket.NC");
    const QString path = QStringLiteral("/home/cnc") + QStringLiteral("/programs-of-the-second-shift").repeated(9) + name;
    const int nameWidth = metrics.horizontalAdvance(name);
    const int ellipsis = metrics.horizontalAdvance(QChar(0x2026));
    const struct {
        QString text;
        int width;
        bool nameWhole;
    } rows[] = {
        {name, nameWidth, true},                       // fits as it is
        {path, nameWidth * 2, true},                   // a deep path
        {path, nameWidth + ellipsis, true},            // just room for the name and an ellipsis
        {path, nameWidth + ellipsis - 1, false},       // not quite
        {path, nameWidth / 2, false},
    };
    for (const auto& r : rows) {
        const QString shown = shortenKeepingEnd(r.text, metrics, r.width);
        SCOPED_TRACE(qPrintable(QString::number(r.width) + " " + shown));
        EXPECT_LE(metrics.horizontalAdvance(shown), r.width);
        EXPECT_EQ(shown.endsWith(name), r.nameWhole);
        if (!r.nameWhole) { // both ends of the line
            EXPECT_TRUE(shown.startsWith(QStringLiteral("/ho")) && shown.endsWith(QStringLiteral(".NC")));
        }
    }
}

TEST(TextHelpers, ReplaceAllNeitherOverlapsNorRescansAndShowsProgressOnLongTexts) {
    EXPECT_EQ(replaceAll("AXBXC", "X", "XX"), "AXXBXXC");
    EXPECT_EQ(replaceAll("AXBXC", "x", "XX"), "AXBXC");
    EXPECT_EQ(replaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(replaceAll("abc", "", "z"), "abc");
    const QString withNul = QStringLiteral("N10") + QChar(0) + QStringLiteral("N20") + QChar(0);
    EXPECT_EQ(replaceAll(withNul, QString(QChar(0)), ""), "N10N20");

    QStringList shown;
    setStatusbarWriter([&shown](const QString& m) { shown << m; });
    EXPECT_EQ(replaceAll(QString(32000, 'x'), "x", "y"), QString(32000, 'y'));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(replaceAll(QString(100000, 'x'), "x", "yz"), QString(100000, 'y').replace("y", "yz"));
    setStatusbarWriter(nullptr);
    EXPECT_TRUE(shown.value(0).endsWith(" of 100000"));
}

TEST(FileHelpers, TempFilesAreNewEmptyAndUnique) {
    TestHome home;
    QSet<QString> names;
    for (int i = 0; i < 3000; ++i) {
        const QString f = getTempFileName("dncXYZ");
        ASSERT_TRUE(fileExists(f));
        EXPECT_EQ(QFileInfo(f).size(), 0);
        names.insert(f);
    }
    EXPECT_EQ(names.size(), 3000);
    const QString one = *names.begin();
    EXPECT_EQ(getPathOnly(one), home.path());
    EXPECT_TRUE(getFileNameFromPath(one).startsWith("dnc") && !getFileNameFromPath(one).startsWith("dncX"));
    EXPECT_TRUE(one.endsWith(".TMP"));
}

TEST(FileHelpers, FileExistsMeansAnOrdinaryVisibleFile) {
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

TEST(FileCompare, EveryByteOfASmallFileCountsAndUnreadableFilesAreNeverEqual) {
    TestHome home;
    auto make = [&home](const QString& name, const QByteArray& bytes) {
        writeAllBytes(home.file(name), bytes);
        return home.file(name);
    };
    // Lengths around the ten pieces a small file is compared in.
    const QByteArray base = QByteArray("0123456789abcdefghij").repeated(1500);
    for (int len : {0, 1, 9, 10, 11, 29999}) {
        const QByteArray bytes = base.left(len);
        EXPECT_TRUE(filesAreEqual(make("x.bin", bytes), make("y.bin", bytes))) << len;
        for (int at : {0, len / 2, len - 1}) {
            if (len > 0) {
                QByteArray other = bytes;
                other[at] = '!';
                EXPECT_FALSE(filesAreEqual(make("x.bin", bytes), make("y.bin", other))) << len << " " << at;
            }
        }
    }
    EXPECT_FALSE(filesAreEqual(make("s", "N10\r\n"), make("l", "N10\r\nN20\r\n")));
    EXPECT_FALSE(filesAreEqual(home.file("missing1"), home.file("missing2")));
    QDir().mkpath(home.file("dir1"));
    QDir().mkpath(home.file("dir2"));
    EXPECT_FALSE(filesAreEqual(home.file("dir1"), home.file("dir2")));
}

TEST(Dates, OtherLocalesGetTheFixedFormatsInsideTheProgramOnlyListedOnesTheirOwn) {
    const QDateTime moment{QDate(2024, 3, 14), QTime(9, 5, 7)};
    const QLocale before = QLocale();
    const QLocale french("fr_FR"), us("en_US");
    checkThreadLocale(french);
    EXPECT_TRUE(gForceDateFormats);
    forceDateFormats(french);
    EXPECT_EQ(formatTime(QTime(21, 5, 7)), "21:05:07");
    EXPECT_EQ(formatDateTime(moment), "14-Mar-24 09:05:07");
    EXPECT_EQ(QLocale(), before);

    checkThreadLocale(us);
    EXPECT_FALSE(gForceDateFormats);
    forceDateFormats(us);
    EXPECT_EQ(formatShortDate(moment.date()), us.toString(moment.date(), QLocale::ShortFormat));
    EXPECT_EQ(formatTime(moment.time()), us.toString(moment.time(), QLocale::LongFormat));
    checkThreadLocale();
    forceDateFormats();
}

TEST(Elapsed, DaysHoursMinutesSecondsEitherWay) {
    const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0));
    EXPECT_EQ(formatElapsed(t0, t0), "00:00:00:00");
    EXPECT_EQ(formatElapsed(t0, t0.addSecs(3723)), "00:01:02:03");
    EXPECT_EQ(formatElapsed(t0.addSecs(90061), t0), "01:01:01:01");
    EXPECT_EQ(formatElapsed(t0, t0.addDays(366)), "01:00:00:00");
    EXPECT_EQ(formatElapsed(t0, t0.addSecs(99 * 86400 + 59)), "99:00:00:59");
    EXPECT_EQ(formatElapsed(t0, t0.addSecs(150 * 86400)), "150:00:00:00");
}

} // namespace
