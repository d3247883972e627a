#include "CopyHoldingTheLock.h"
#include "IniStore.h"
#include "IniDocument.h"
#include "IniStorage.h"
#include "SmallDisk.h"
#include "TestHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Writes as another program does: the store is not told.
void writeAsAnotherProgram(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Another program's change is seen within a moment, not at once: the value
// read once `expected` comes, or when a generous deadline has passed.
QString readIniOnceChanged(const char* section, const char* key, const char* def, const QString& expected) {
    QElapsedTimer clock;
    clock.start();
    QString v = readIni(section, key, def);
    while (v != expected && clock.elapsed() < 10000) {
        QThread::msleep(1);
        v = readIni(section, key, def);
    }
    return v;
}

// Another copy of the program, as it writes: holds the file's lock, and once
// the store opens the lock file to write (having read what it changes),
// does `what` to the file (by default replaces it with `next`) and lets go.
class CopyWritingAtOnce {
public:
    CopyWritingAtOnce(const QString& ini, const QByteArray& next)
        : CopyWritingAtOnce(ini, [ini, next] {
              writeAllBytes(ini + ".new", next);
              ::rename(QFile::encodeName(ini + ".new").constData(), QFile::encodeName(ini).constData());
          }) {}
    CopyWritingAtOnce(const QString& ini, const std::function<void()>& what)
        : lock_(::open(QFile::encodeName(ini + ".lock").constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666)) {
        EXPECT_EQ(::flock(lock_, LOCK_EX), 0);
        const int opened = inotify_init1(IN_CLOEXEC);
        inotify_add_watch(opened, QFile::encodeName(ini + ".lock").constData(), IN_OPEN);
        thread_ = std::thread([this, opened, what] {
            pollfd p{opened, POLLIN, 0};
            ::poll(&p, 1, 10000);
            ::close(opened);
            what();
            ::close(lock_);
        });
    }
    ~CopyWritingAtOnce() { thread_.join(); }

private:
    int lock_;
    std::thread thread_;
};

// Copies of the program writing at once: `copy` plays copy number c in a
// child of its own, all started together; it gives the child's exit status.
void runCopiesAtOnce(int copies, const std::function<int(int c)>& copy) {
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int c = 0; c < copies; ++c) {
        const pid_t child = fork();
        if (child == 0) {
            watchIniFiles(false); // the parent's notices stay the parent's
            ::close(gate[1]);
            char go;
            (void)!::read(gate[0], &go, 1);
            _exit(copy(c));
        }
        children.push_back(child);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (pid_t child : children) {
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
    }
}

class IniStoreTest : public ::testing::Test {
protected:
    TestHome home;
};

TEST_F(IniStoreTest, MissingFileSectionOrKeyGivesTheDefaultButAnEmptyValueDoesNot) {
    EXPECT_EQ(readIni("Settings", "DNCStatus", 2), "2");
    home.writeIni("[Settings]\nOther=1\nKey=\nDouble=\"\"\nSingle=''\n");
    EXPECT_EQ(readIni("Settings", "DNCStatus", "x"), "x");
    EXPECT_EQ(readIni("Nowhere", "Other", "d"), "d");
    EXPECT_EQ(readIniString("Settings", "DNCStatus", home.iniPath()), "");
    for (const char* key : {"Key", "Double", "Single"})
        EXPECT_EQ(readIni("Settings", key, "default"), "") << key;
}

TEST_F(IniStoreTest, OnlyASemicolonStartsACommentAndOnePairOfQuotesIsDropped) {
    home.writeIni("[S]\n#Tool=T1\n; Note=1\n  #  Spaced = 2\nA =   \"  spaced  \"   \nB='x'\nC=\"\"x\"\"\n"
                  "D=\"unclosed\nE=Not Used here\nF=not used\n");
    EXPECT_EQ(readIni("S", "#Tool"), "T1");
    EXPECT_EQ(readIni("S", "; Note", "none"), "none");
    EXPECT_EQ(iniSectionKeys("S", home.iniPath()),
              (QStringList{"#Tool", "#  Spaced", "A", "B", "C", "D", "E", "F"}));
    EXPECT_EQ(readIni("S", "A"), "  spaced  ");
    EXPECT_EQ(readIni("S", "B"), "x");
    EXPECT_EQ(readIni("S", "C"), "\"x\"");
    EXPECT_EQ(readIni("S", "D"), "\"unclosed");
    // Where another file is read, "Not Used" counts as empty.
    EXPECT_EQ(readIniString("S", "E", home.iniPath()), "");
    EXPECT_EQ(readIniString("S", "F", home.iniPath()), "not used");
}

TEST_F(IniStoreTest, AwkwardValuesComeBackExactly) {
    const QString values[] = {
        QString(320, QLatin1Char('x')) + QStringLiteral("=;,\"'end"),
        QStringLiteral("\"quoted\""),
        QStringLiteral("'single'"),
        QStringLiteral("\"\""), // two quotes are a value, not an empty pair
        QStringLiteral("''"),
        QStringLiteral("  padded  "),
        QString::fromLatin1("caf\xe9 \xb0 \xff"),
        QStringLiteral("13,10,#3,0,!500!"),
        QString(),
    };
    for (int i = 0; i < int(std::size(values)); ++i)
        ASSERT_TRUE(writeIni("Machine1", QStringLiteral("K%1").arg(i), values[i]));
    for (int pass = 0; pass < 2; ++pass) { // from the cache, then from the file
        for (int i = 0; i < int(std::size(values)); ++i)
            EXPECT_EQ(readIni("Machine1", QStringLiteral("K%1").arg(i), "default"), values[i]) << i;
        IniStore::instance().clearCache();
    }
}

TEST_F(IniStoreTest, LatinOneBytesWrittenByOtherProgramsReadAsTheirCharacters) {
    home.writeIni(QByteArray("[Machine1]\nAlias=M\xe4hle \xb0\n"));
    EXPECT_EQ(readIni("Machine1", "Alias"), QString::fromLatin1("M\xe4hle \xb0"));
    // Text that only UTF-8 can hold turns the whole file into UTF-8: nothing reads differently.
    const QString euro = QStringLiteral("50 \u20ac");
    writeIni("Machine1", "Price", euro);
    IniStore::instance().clearCache();
    EXPECT_EQ(readIni("Machine1", "Alias"), QString::fromLatin1("M\xe4hle \xb0"));
    EXPECT_EQ(readIni("Machine1", "Price"), euro);
}

TEST_F(IniStoreTest, NamesMatchWithoutRegardToCaseAndARewriteKeepsCommentsOrderAndUnknownKeys) {
    home.writeIni("; settings of the shop\n[Settings]\nZeta=1\n# note\nalpha=2\n\n[Machine1]\nAlias=Mill\n"
                  "UnknownKey=keep me\n");
    EXPECT_EQ(readIni("SETTINGS", "zeta"), "1");
    ASSERT_TRUE(writeIni("settings", "ALPHA", "3")); // one entry, spelt as first written
    ASSERT_TRUE(writeIni("Machine1", "New", "n"));
    EXPECT_EQ(home.readIniBytes(),
              QByteArray("; settings of the shop\n[Settings]\nZeta=1\n# note\nalpha=3\n\n"
                         "[Machine1]\nAlias=Mill\nUnknownKey=keep me\nNew=n\n"));
}

TEST(IniDocument, NamesMatchWholeInAnyCaseAndValuesReadAgainFollowWrites) {
    // UTF-8 file: names of other letters, and names that are a prefix of another.
    IniDocument doc = IniDocument::parse("[Machine1]\nA=1\n[Machine10]\nA=10\n[M\xc3\xbchle]\nW\xc3\xa4rme=w\nAb=2\n");
    const struct {
        const char* section;
        const char* key;
        const char* expected; // nullptr: not there
    } rows[] = {
        {"Machine1", "A", "1"},    {"MACHINE10", "a", "10"}, {"Machine", "A", nullptr},
        {"Machine100", "A", nullptr}, {"M\xc3\x9cHLE", "W\xc3\x84RME", "w"}, {"m\xc3\xbchle", "ab", "2"},
        {"Muhle", "Ab", nullptr},  {"M\xc3\xbchle", "A", nullptr}, {"Machine1", "A", "1"},
    };
    for (const auto& r : rows) {
        const auto v = doc.value(QString::fromUtf8(r.section), QString::fromUtf8(r.key));
        if (r.expected)
            EXPECT_EQ(v, QString::fromUtf8(r.expected)) << r.section << " " << r.key;
        else
            EXPECT_FALSE(v.has_value()) << r.section << " " << r.key;
    }
    // A value read once and then written reads as written; a section added
    // after reads leaves the earlier ones where they were.
    doc.setValue("Machine1", "A", "one");
    doc.setValue("New", "A", "n");
    EXPECT_EQ(doc.value("machine1", "a"), "one");
    EXPECT_EQ(doc.value("Machine10", "A"), "10");
    EXPECT_EQ(doc.value("new", "A"), "n");
    EXPECT_TRUE(doc.removeSection("Machine1"));
    EXPECT_FALSE(doc.value("Machine1", "A").has_value());
    EXPECT_EQ(doc.value("Machine10", "A"), "10");
}

TEST_F(IniStoreTest, NewKeysInEarlierSectionsLeaveLaterOnesReadable) {
    home.writeIni("[A]\na=1\n; note\n[B]\nb=2\n[a]\nlate=3\n[C]\nc=4");
    {
        IniBatch batch;
        writeIniValues("A", {{"x", "10"}, {"y", "11"}});
        writeIni("B", "z", "12");
        writeIni("C", "c2", "13");
        writeIni("B", "b", "20");
    }
    const QByteArray expected =
        "[A]\na=1\nx=10\ny=11\n; note\n[B]\nb=20\nz=12\n[a]\nlate=3\n[C]\nc=4\nc2=13\n";
    EXPECT_EQ(home.readIniBytes(), expected);
    for (int pass = 0; pass < 2; ++pass) { // from the cache, then from the file
        EXPECT_EQ(readIni("a", "Y"), "11");
        EXPECT_EQ(readIni("C", "c2"), "13");
        EXPECT_EQ(readIni("C", "c"), "4");
        EXPECT_EQ(iniSectionKeys("B", home.iniPath()), (QStringList{"b", "z"}));
        writeIni("B", "b", "20"); // unchanged: no write
        IniStore::instance().clearCache();
    }
    EXPECT_EQ(home.readIniBytes(), expected);
}

TEST_F(IniStoreTest, FileOrderIsKeptAndTheFirstOfDuplicatesWins) {
    home.writeIni("[B]\nz=1\na=2\nZ=3\nm=4\n[A]\nx=1\n[b]\nq=1\n");
    EXPECT_EQ(iniSectionKeys("b", home.iniPath()), (QStringList{"z", "a", "m"}));
    EXPECT_EQ(readIni("B", "z"), "1");
    EXPECT_EQ(readIni("B", "q", "none"), "none");
    writeIni("B", "z", "new");
    EXPECT_EQ(home.readIniBytes(), QByteArray("[B]\nz=new\na=2\nZ=3\nm=4\n[A]\nx=1\n[b]\nq=1\n"));
}

TEST_F(IniStoreTest, RemovingASectionLeavesTheOthers) {
    home.writeIni("[Language-Menus]\nmnuFile=F\n[Language-Buttons]\nbtnToolBar-2=R\n");
    ASSERT_TRUE(removeIniSection("language-menus", home.iniPath()));
    EXPECT_EQ(home.readIniBytes(), QByteArray("[Language-Buttons]\nbtnToolBar-2=R\n"));
}

TEST_F(IniStoreTest, EditsByAnotherProgramAreSeen) {
    writeIni("Settings", "Key", "one");
    EXPECT_EQ(readIni("Settings", "Key"), "one");
    // Another program replaces the file (new inode) and one that edits it in place.
    const QString tmp = home.file("other.tmp");
    writeAsAnotherProgram(tmp, "[Settings]\nKey=two\n");
    QFile::remove(home.iniPath());
    QFile::rename(tmp, home.iniPath());
    EXPECT_EQ(readIniOnceChanged("Settings", "Key", "", "two"), "two");
    writeAsAnotherProgram(home.iniPath(), "[Settings]\nKey=three, longer\n");
    EXPECT_EQ(readIniOnceChanged("Settings", "Key", "", "three, longer"), "three, longer");
    writeAsAnotherProgram(home.iniPath(), "[Settings]\nKey=four, longer!\n"); // same size, in place
    EXPECT_EQ(readIniOnceChanged("Settings", "Key", "", "four, longer!"), "four, longer!");
    // A write never builds on a copy that another program has just replaced.
    writeAsAnotherProgram(home.iniPath(), "[Settings]\nKey=five\nOther=kept\n");
    ASSERT_TRUE(writeIni("Settings", "New", "n"));
    EXPECT_EQ(home.readIniBytes(), QByteArray("[Settings]\nKey=five\nOther=kept\nNew=n\n"));
}

// Without a watch (a run that reads its settings once), every read looks:
// another program's change is seen at once, and a write builds on it.
TEST_F(IniStoreTest, WithoutAWatchEditsByAnotherProgramAreSeenAtOnce) {
    writeIni("Settings", "Key", "one");
    EXPECT_EQ(readIni("Settings", "Key"), "one"); // read while watched
    watchIniFiles(false);
    const QString tmp = home.file("other.tmp");
    writeAsAnotherProgram(tmp, "[Settings]\nKey=two\n");
    QFile::remove(home.iniPath());
    QFile::rename(tmp, home.iniPath());
    EXPECT_EQ(readIni("Settings", "Key"), "two");
    writeAsAnotherProgram(home.iniPath(), "[Settings]\nKey=three, longer\nOther=kept\n");
    EXPECT_EQ(readIni("Settings", "Key"), "three, longer");
    writeAsAnotherProgram(home.iniPath(), "[Settings]\nKey=four\nOther=kept\n");
    ASSERT_TRUE(writeIni("Settings", "New", "n"));
    EXPECT_EQ(home.readIniBytes(), QByteArray("[Settings]\nKey=four\nOther=kept\nNew=n\n"));
    watchIniFiles(true);
}

TEST_F(IniStoreTest, FailedWritesLeaveTheOldFileWholeAndSaySo) {
    const QByteArray original = "[Machine1]\nAlias=Mill\n[Settings]\nKey=old\n";
    home.writeIni(original);
    QFile(home.iniPath()).setPermissions(QFileDevice::ReadOwner);
    EXPECT_FALSE(writeIni("Settings", "Key", "new"));
    EXPECT_FALSE(lastIniError().isEmpty());
    EXPECT_EQ(readIni("Settings", "Key"), "old");
    // A file that cannot be read is never written over.
    QFile(home.iniPath()).setPermissions(QFileDevice::WriteOwner);
    EXPECT_EQ(readIniOnceChanged("Settings", "Key", "default", "default"), "default");
    EXPECT_FALSE(writeIniValues("Settings", {{"Key", "new"}}));
    EXPECT_FALSE(removeIniSection("Machine1", home.iniPath()));
    QFile(home.iniPath()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(home.readIniBytes(), original);
    EXPECT_TRUE(writeIni("Settings", "Key", "new"));
    EXPECT_EQ(readIni("Machine1", "Alias"), "Mill");

    const QString gone = home.file("gone");
    QDir().mkpath(gone);
    ASSERT_TRUE(writeIniString("S", "k", "v", gone + "/x.ini"));
    QDir(gone).removeRecursively();
    EXPECT_FALSE(writeIniString("S", "k", "w", gone + "/x.ini"));

    {
        SmallDisk full(home.file("small"), 16384);
        EXPECT_FALSE(writeIniString("S", "k", QString(65536, 'x'), home.file("small/x.ini")));
        EXPECT_EQ(lastIniError(), full.reason());
    }
    // A full disk wants space, not write permission; write permission is
    // advised only where it is the reason.
    const std::pair<QString, const char*> advice[] = {{qt_error_string(ENOSPC), "Free some space"},
                                                      {qt_error_string(EDQUOT), "Free some space"},
                                                      {qt_error_string(EACCES), "Make the file"},
                                                      {qt_error_string(EPERM), "Make the file"},
                                                      {qt_error_string(EROFS), "Make the file"},
                                                      {home.iniPath() + " is read-only", "Make the file"},
                                                      {"The file is read-only.", "Make the file"},
                                                      {qt_error_string(EIO), "Check the disk"},
                                                      {qt_error_string(EFBIG), ""}};
    for (const auto& [reason, words] : advice)
        EXPECT_EQ(settingsWriteAdvice(reason).section(' ', 0, 2), QLatin1String(words)) << qPrintable(reason);
}

TEST_F(IniStoreTest, LineEndsAndByteOrderMarkAreReadAndKept) {
    for (const QByteArray& mark : {QByteArray(), QByteArray("\xef\xbb\xbf")})
        for (const QByteArray& eol : {QByteArray("\n"), QByteArray("\r\n"), QByteArray("\r")}) {
            const QByteArray file = mark + "[Settings]" + eol + "A=1" + eol + "B = two words " + eol + eol +
                                    "[Machine2]" + eol + "Alias=Lathe";
            home.writeIni(file);
            EXPECT_EQ(readIni("Settings", "B"), "two words");
            EXPECT_EQ(readIni("Machine2", "Alias"), "Lathe");
            EXPECT_EQ(iniSectionKeys("Settings", home.iniPath()), (QStringList{"A", "B"}));
            ASSERT_TRUE(writeIni("Machine2", "New", "n"));
            EXPECT_EQ(home.readIniBytes(), file + eol + "New=n" + eol);
        }
}

TEST_F(IniStoreTest, BatchWritesOnceAtTheEnd) {
    {
        IniBatch batch;
        for (int m = 1; m <= 64; ++m)
            writeIni(QStringLiteral("Machine%1").arg(m), "Alias", QStringLiteral("Machine%1").arg(m));
        EXPECT_FALSE(QFile::exists(home.iniPath()));
        EXPECT_EQ(readIni("Machine64", "Alias"), "Machine64");
    }
    EXPECT_TRUE(home.readIniBytes().contains("[Machine64]\nAlias=Machine64\n"));
}

TEST_F(IniStoreTest, KilledDuringASaveTheFileIsTheOldOrTheNewWhole) {
    // Two megabytes, so that a kill often lands inside a save.
    const QByteArray filler = "[Language-Big]\n" + QByteArray(2 << 20, 'x') + "\n";
    const QByteArray a = "[Settings]\nKey=a\n" + filler, b = "[Settings]\nKey=b\n" + filler;
    for (int round = 0; round < 12; ++round) {
        home.writeIni(a);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) { // saves, one after the other, until killed
            for (int i = 1;; ++i)
                writeIni("Settings", "Key", i % 2 ? "b" : "a");
        }
        usleep(useconds_t(2000 + round * 1500));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const QByteArray left = home.readIniBytes();
        ASSERT_TRUE(left == a || left == b) << "round " << round << ": " << left.size() << " bytes";
    }
}

// Another copy changes its machine's record while this one writes: both
// stay. This one's changes are made again on theirs in the order it made
// them, and only those not in the file yet; a file they made unreadable is
// left as it is, one they removed is written new. A restore waits for their
// lock like any write.
TEST_F(IniStoreTest, AWriteKeepsWhatAnotherCopyWroteMeanwhile) {
    const QByteArray start = "[Settings]\nRunBefore=Yes\n[Machine3]\nlastline=N777\nlastfilesent=old.nc\n"
                             "[Machine4]\nlastline=N1\n[Language-Menus]\nmnuFile=F\n";
    QByteArray theirs = start;
    theirs.replace("N1", "N9");
    const QString ini = home.iniPath();
    const struct {
        const char* name;
        std::function<bool()> write;
        QByteArray expected;
        std::function<void()> they = {}; // what the other copy does; by default writes `theirs`
        std::function<void()> before = {}; // this copy's write before theirs
        bool stored = true;
    } rows[] = {
        {"one key", [] { return writeIni("Machine3", "lastline", "N5"); },
         QByteArray(theirs).replace("N777", "N5")},
        {"several keys", [] { return writeIniValues("Machine3", {{"lastline", "N5"}, {"lastfilesent", "a.nc"}}); },
         QByteArray(theirs).replace("N777", "N5").replace("old.nc", "a.nc")},
        {"batch",
         [] {
             IniBatch batch;
             writeIni("Machine3", "lastline", "N5");
             writeIni("Settings", "New", "n");
             return batch.commit();
         },
         QByteArray(theirs).replace("N777", "N5").replace("Yes\n", "Yes\nNew=n\n")},
        {"section removal", [] { return removeIniSection("Language-Menus", gIniPath); },
         QByteArray(theirs).replace("[Language-Menus]\nmnuFile=F\n", "")},
        {"one key twice in a batch",
         [] {
             IniBatch batch;
             writeIni("Machine3", "lastline", "N5");
             writeIni("Machine3", "lastline", "N6");
             return batch.commit();
         },
         QByteArray(theirs).replace("N777", "N6")},
        {"a section removed and written again",
         [] {
             IniBatch batch;
             removeIniSection("Language-Menus", gIniPath);
             writeIni("Language-Menus", "mnuEdit", "E");
             return batch.commit();
         },
         QByteArray(theirs).replace("[Language-Menus]\nmnuFile=F\n", "") + "[Language-Menus]\nmnuEdit=E\n"},
        {"a key written before theirs", [] { return writeIni("Machine4", "New", "n"); },
         QByteArray(start).replace("N777", "N2").replace("N1\n", "N1\nNew=n\n"),
         [&] { writeAllBytes(ini, QByteArray(start).replace("N777", "N2")); },
         [] { writeIni("Machine3", "lastline", "N5"); }},
        {"a file they made unreadable", [] { return writeIni("Machine3", "lastline", "N5"); }, start,
         [&] { QFile::setPermissions(ini, QFileDevice::WriteOwner); }, {}, false},
        {"a file they removed", [] { return writeIni("Machine3", "lastline", "N5"); }, "[Machine3]\nlastline=N5\n",
         [&] { QFile::remove(ini); }},
        {"a restore", [] { return IniStore::instance().replace(gIniPath, "[Settings]\nRestored=1\n"); },
         "[Settings]\nRestored=1\n"},
    };
    for (const auto& row : rows) {
        home.writeIni(start);
        EXPECT_EQ(readIni("Machine3", "lastline"), "N777");
        if (row.before)
            row.before();
        {
            const auto other = row.they ? std::make_unique<CopyWritingAtOnce>(ini, row.they)
                                        : std::make_unique<CopyWritingAtOnce>(ini, theirs);
            EXPECT_EQ(row.write(), row.stored) << row.name;
        }
        QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(home.readIniBytes().toStdString(), row.expected.toStdString()) << row.name;
    }
}

// A copy stopped while it holds the lock: a write waits for it about 5 s,
// then keeps its change in memory and says so once; later writes only try
// the lock (the pointer says busy only while a write waits), and reads show
// the changes kept on what the copy writes meanwhile. A restore waits too,
// and fails saying why. The end of the run just after a wait in vain only
// tries again; later it waits again, and stores every change kept, in
// order, once the copy lets go within that wait.
TEST_F(IniStoreTest, AWriteThatCouldNotHaveTheLockIsMadeOnceItCan) {
    home.writeIni("[Settings]\nKey=old\n");
    CopyHoldingTheLock copy(gIniPath);
    ASSERT_TRUE(copy.holds()) << qPrintable(copy.failure());
    QStringList notices;
    IniStore::instance().setKeptInMemoryNotice(
        [&](const QString&, const QString& why, const QString& what) { notices << why + " " + what; });
    QList<bool> shown;
    IniStore::instance().setLockWaitShown([&](bool waiting) { shown << waiting; });
    QElapsedTimer clock, sinceInVain;
    clock.start();
    EXPECT_TRUE(writeIni("Settings", "Key", "new"));
    EXPECT_GE(clock.elapsed(), 4500);
    sinceInVain.start();
    clock.restart();
    EXPECT_TRUE(writeIni("Settings", "Other", "x"));
    EXPECT_TRUE(writeIni("Settings", "Key", "newer"));
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(notices.size(), 1);
    const QString notice = notices.value(0);
    EXPECT_TRUE(notice.contains("locked") && notice.contains("[Settings] Key=new")) << qPrintable(notice);
    ASSERT_TRUE(copy.write("[Settings]\nKey=old\nTheirs=1\n"));
    EXPECT_EQ(readIniOnceChanged("Settings", "Theirs", "", "1"), "1");
    EXPECT_EQ(readIni("Settings", "Key"), "newer");
    EXPECT_EQ(readIni("Settings", "Other"), "x");
    clock.restart();
    EXPECT_FALSE(storeKeptSettings());
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_FALSE(IniStore::instance().replace(gIniPath, "[Settings]\nRestored=1\n"));
    EXPECT_TRUE(lastIniError().contains("locked")) << qPrintable(lastIniError());
    EXPECT_EQ(shown, (QList<bool>{true, false, true, false}));
    EXPECT_EQ(home.readIniBytes().toStdString(), "[Settings]\nKey=old\nTheirs=1\n");
    while (sinceInVain.elapsed() < 5500)
        QThread::msleep(20);
    IniStore::instance().setLockWaitShown([&](bool waiting) {
        if (waiting)
            copy.letGoIn(1000);
    });
    EXPECT_TRUE(storeKeptSettings());
    EXPECT_EQ(home.readIniBytes().toStdString(), "[Settings]\nKey=newer\nTheirs=1\nOther=x\n");
    EXPECT_FALSE(settingsWaitingForLock());
}

// A copy that can use only the folder's lock holds it: the write that waits
// for it in vain keeps nothing else locked while it says so (a box may stay
// up). The next write, even of a value it holds already, stores what was
// kept where the copy lets go a moment after it begins.
TEST_F(IniStoreTest, AWriteKeptForTheLockHoldsNoneOfItWhileSaid) {
    home.writeIni("[Settings]\nKey=old\n");
    CopyHoldingTheLock copy(gIniPath, CopyHoldingTheLock::FolderOnly);
    ASSERT_TRUE(copy.holds()) << qPrintable(copy.failure());
    bool lockFileFree = false;
    IniStore::instance().setKeptInMemoryNotice([&](const QString&, const QString&, const QString&) {
        const int fd = ::open(QFile::encodeName(gIniPath + ".lock").constData(), O_RDONLY);
        lockFileFree = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
    });
    EXPECT_TRUE(writeIni("Settings", "Key", "new"));
    EXPECT_TRUE(lockFileFree);
    ASSERT_TRUE(copy.letGoOnceAWriteBegins(20));
    EXPECT_TRUE(writeIni("Settings", "Key", "new"));
    EXPECT_EQ(home.readIniBytes().toStdString(), "[Settings]\nKey=new\n");
    EXPECT_FALSE(settingsWaitingForLock());
}

// A signal that ends the program ends a wait for the lock under way as one
// in vain: the change is kept, and the copy still holds the lock. From then
// on no write waits, not one told to wait again, nor the end of the run.
TEST_F(IniStoreTest, ASignalEndsTheWaitsForTheLock) {
    home.writeIni("[Settings]\nKey=old\n");
    CopyHoldingTheLock copy(gIniPath);
    ASSERT_TRUE(copy.holds()) << qPrintable(copy.failure());
    copy.letGoIn(3000); // a write still waiting then has the lock
    struct sigaction ends {}, before {};
    ends.sa_handler = [](int) { endSettingsLockWaits(); };
    ::sigaction(SIGUSR1, &ends, &before);
    std::thread signaller;
    IniStore::instance().setLockWaitShown([&](bool waiting) {
        if (waiting && !signaller.joinable())
            signaller = std::thread([] {
                QThread::msleep(100);
                ::kill(::getpid(), SIGUSR1);
            });
    });
    EXPECT_TRUE(writeIni("Settings", "Key", "new"));
    signaller.join();
    EXPECT_TRUE(copy.stillHolds());
    {
        const IniWaitForLock waitAgain;
        EXPECT_TRUE(writeIni("Settings", "Other", "x"));
    }
    EXPECT_FALSE(storeKeptSettings());
    EXPECT_TRUE(copy.stillHolds());
    ::sigaction(SIGUSR1, &before, nullptr);
    EXPECT_TRUE(settingsLockWaitsEnded());
    EXPECT_TRUE(settingsWaitingForLock());
    EXPECT_EQ(readIni("Settings", "Other"), "x");
    EXPECT_EQ(home.readIniBytes().toStdString(), "[Settings]\nKey=old\n");
}

// A lock file the program cannot use (no plain file, or another user's that
// this one cannot open) costs no write: the folder's lock serves. A lock
// file made by a write takes the settings file's permissions, whatever the
// umask, so that every user who may write the settings can use it. With
// neither lock usable the write fails, naming both reasons. In a folder
// with the sticky bit, another user's settings file cannot be replaced:
// the advice says so, not to make it writable.
TEST_F(IniStoreTest, ALockFileThatCannotBeUsedStillLetsTheWriteStore) {
    const QString ini = home.iniPath(), lock = ini + ".lock";
    const QByteArray lockName = QFile::encodeName(lock);
    const QString denied = qt_error_string(EACCES);
    const struct {
        const char* name;
        std::function<void()> make;
        bool otherUser = false;
        mode_t folder = 0777;
        QString says = {}; // the write fails, saying this in its reason or advice
    } rows[] = {
        {"none yet", [] {}},
        {"a folder", [&] { QDir().mkpath(lock); }},
        {"a FIFO", [&] { ::mkfifo(lockName.constData(), 0666); }},
        {"a link to nothing", [&] { QFile::link(home.file("gone"), lock); }},
        {"another user's", [&] { ::close(::open(lockName.constData(), O_RDONLY | O_CREAT, 0600)); }, true},
        {"a folder, in a folder that cannot be read", [&] { QDir().mkpath(lock); }, true, 0333,
         QStringLiteral(".lock cannot be used (%1), nor its folder (%2)")
             .arg(::geteuid() == 0 ? QStringLiteral("it is a folder") : denied, denied)},
        {"another user's settings, in a sticky folder", [] {}, true, 01777, "only the file's owner"},
    };
    for (const auto& row : rows) {
        // Only root can leave a file to another user.
        if (row.folder & S_ISVTX && ::geteuid() != 0)
            continue;
        ::chmod(QFile::encodeName(home.path()).constData(), 0777);
        ::unlink(lockName.constData());
        QDir(lock).removeRecursively();
        QFile::remove(ini); // this user's, whoever wrote it last
        home.writeIni("[Settings]\nKey=old\n");
        QFile::setPermissions(ini, QFileDevice::Permissions(0x6666));
        row.make();
        ::chmod(QFile::encodeName(home.path()).constData(), row.folder);
        int said[2];
        ASSERT_EQ(pipe(said), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::umask(077);
            watchIniFiles(false);
            // Root opens any file: the other user is played by nobody. Anyone
            // else cannot open a file of mode 0 either.
            if (row.otherUser && (::geteuid() == 0 ? ::setgid(65534) != 0 || ::setuid(65534) != 0
                                                   : ::chmod(lockName.constData(), 0) != 0))
                _exit(2);
            const bool stored = writeIni("Settings", "Key", "new");
            const QByteArray text = (lastIniError() + ' ' + settingsWriteAdvice(lastIniError())).toUtf8();
            (void)!::write(said[1], text.constData(), size_t(text.size()));
            _exit(stored ? 0 : 1);
        }
        ::close(said[1]);
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        QByteArray text(4096, 0);
        text.truncate(int(std::max<ssize_t>(0, ::read(said[0], text.data(), size_t(text.size())))));
        ::close(said[0]);
        ::chmod(QFile::encodeName(home.path()).constData(), 0777);
        EXPECT_EQ(status, row.says.isEmpty() ? 0 : 1 << 8) << row.name;
        EXPECT_TRUE(QString::fromUtf8(text).contains(row.says)) << row.name << ": " << text.toStdString();
        EXPECT_EQ(home.readIniBytes().toStdString(),
                  row.says.isEmpty() ? "[Settings]\nKey=new\n" : "[Settings]\nKey=old\n")
            << row.name;
        EXPECT_FALSE(QFile::exists(home.file("gone"))) << row.name;
        if (QByteArray(row.name) == "none yet") {
            EXPECT_EQ(QFileInfo(lock).permissions() & 0x7777, 0x6666);
        }
    }
}

// Two copies write their own keys, one at a time and in batches, as fast as
// they can: every key's last value is in the file.
TEST_F(IniStoreTest, TwoCopiesWritingAtOnceKeepEachOthersLastValues) {
    home.writeIni("[Settings]\nRunBefore=Yes\n");
    runCopiesAtOnce(2, [](int c) {
        const QString section = QStringLiteral("Machine%1").arg(3 + c);
        for (int i = 1; i <= 60; ++i) {
            writeIni(section, "lastline", QString::number(i));
            IniBatch batch;
            writeIni(section, "lastfilesent", QString::number(i));
            writeIni("Settings", section, QString::number(i));
        }
        return settingsKeptInMemory() ? 3 : 0;
    });
    const IniDocument doc = IniDocument::parse(home.readIniBytes());
    EXPECT_EQ(doc.value("Settings", "RunBefore"), "Yes");
    for (const char* section : {"Machine3", "Machine4"})
        for (const auto& [in, key] :
             {std::pair{section, "lastline"}, {section, "lastfilesent"}, {"Settings", section}})
            EXPECT_EQ(doc.value(in, key), "60") << in << " " << key;
}

// Copies in two program folders whose settings files are links to one file
// (one through a chain of links) lock beside that file: two copies in each
// folder, writing at once, keep every restart record, and the links stay.
TEST_F(IniStoreTest, CopiesWhoseSettingsAreLinksToOneFileKeepEveryRecord) {
    for (const char* folder : {"a", "b", "shared"})
        ASSERT_TRUE(QDir().mkpath(home.file(folder)));
    const QString shared = home.file("shared/settings.ini");
    ASSERT_TRUE(writeAllBytes(shared, "[Settings]\nRunBefore=Yes\n"));
    const QString links[] = {home.file("a/feedline-settings.ini"), home.file("b/feedline-settings.ini"),
                             home.file("shared/named.ini")};
    ASSERT_EQ(::symlink("settings.ini", QFile::encodeName(links[2]).constData()), 0);
    ASSERT_TRUE(QFile::link(shared, links[0]) && QFile::link(links[2], links[1]));
    constexpr int kCopies = 4, kSends = 16;
    runCopiesAtOnce(kCopies, [&](int c) {
        gIniPath = links[c % 2];
        bool stored = true;
        for (int send = 1; send <= kSends; ++send)
            stored =
                writeIniValues(QStringLiteral("Machine%1").arg(c * kSends + send),
                               {{"lastline", QStringLiteral("N%1").arg(send)}, {"lastfilesent", "p.nc"}}) &&
                stored;
        return stored && !settingsWaitingForLock() ? 0 : 1;
    });
    const IniDocument doc = IniDocument::parse(readAllBytes(shared));
    QStringList lost;
    for (int c = 0; c < kCopies; ++c)
        for (int send = 1; send <= kSends; ++send) {
            const QString machine = QStringLiteral("Machine%1").arg(c * kSends + send);
            if (doc.value(machine, "lastline") != QStringLiteral("N%1").arg(send) ||
                doc.value(machine, "lastfilesent") != "p.nc")
                lost << machine;
        }
    EXPECT_TRUE(lost.isEmpty()) << "lost: " << qPrintable(lost.join(' '));
    for (const QString& link : links)
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << qPrintable(link);
}

TEST(IniDocument, MalformedInputNeverCrashes) {
    static const char kNuls[] = "\0\0[S]\0\nk=\0v\n";
    const QByteArray inputs[] = {
        "no equals sign\n=value without key\n[\n[]\nk=v\n[unclosed\nx=1",
        "\n\n\r\r\n[S]\r\nk=v", // stray CRs
        "[S]\nk=" + QByteArray(10 * 1024 * 1024, 'x'),
        QByteArray(kNuls, sizeof kNuls - 1),
    };
    for (const QByteArray& in : inputs) {
        IniDocument doc = IniDocument::parse(in);
        doc.setValue("S", "new", "1");
        IniDocument again = IniDocument::parse(doc.serialize());
        EXPECT_EQ(again.value("S", "new").value_or("missing"), "1");
    }
    IniDocument doc = IniDocument::parse("[]\nk=empty-name\n[unclosed\nx=1");
    EXPECT_EQ(doc.value("", "k").value_or(""), "empty-name");
    EXPECT_EQ(doc.value("unclosed", "x").value_or(""), "1");
    // A truncated last line is kept and extended.
    doc = IniDocument::parse("[S]\na=1");
    doc.setValue("S", "b", "2");
    EXPECT_EQ(doc.serialize(), QByteArray("[S]\na=1\nb=2\n"));
}

} // namespace
