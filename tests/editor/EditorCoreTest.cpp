#include "EditorFiles.h"
#include "EditorText.h"
#include "FileDialogs.h"
#include "FileSizeLimit.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "RecentFiles.h"
#include "ScriptedMessages.h"
#include "TestHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class EditorCore : public ::testing::Test {
protected:
    void SetUp() override { gCurrentMachineSection = QStringLiteral("Machine1"); }
    TestHome home;
    ScriptedMessages msgs;
};

QStringList recent(const QString& kind) { return RecentFiles::entries(kind); }

// --- recent-file lists ---------------------------------------------------

TEST_F(EditorCore, RecentListKeepsFourNewestFirstEachPathOnce) {
    for (const char* p : {"/a/1.nc", "/a/2.nc", "/a/3.nc", "/a/4.nc", "/a/5.nc"})
        addRecentFile(QString::fromLatin1(p), QStringLiteral("send"));
    EXPECT_EQ(recent("send"), (QStringList{"/a/5.nc", "/a/4.nc", "/a/3.nc", "/a/2.nc"}));
    EXPECT_EQ(readIni("Machine1", "RecentSentFile4"), "/a/2.nc");
    // A repeated path moves to the top; paths differing only in case are different files.
    addRecentFile(QStringLiteral("/a/3.nc"), QStringLiteral("send"));
    EXPECT_EQ(recent("send"), (QStringList{"/a/3.nc", "/a/5.nc", "/a/4.nc", "/a/2.nc"}));
    addRecentFile(QStringLiteral("/a/4.NC"), QStringLiteral("send"));
    EXPECT_EQ(recent("send"), (QStringList{"/a/4.NC", "/a/3.nc", "/a/5.nc", "/a/4.nc"}));
    // A list with a gap never holds a path twice.
    writeIni("Machine1", "RecentReceiveFile1", "/p/one");
    writeIni("Machine1", "RecentReceiveFile3", "/p/three");
    addRecentFile(QStringLiteral("/p/x"), QStringLiteral("receive"));
    EXPECT_EQ(recent("receive"), (QStringList{"/p/x", "/p/one", "/p/three", ""}));
}

TEST_F(EditorCore, RecentListsBelongToTheCurrentMachineAndIgnoreUnknownKinds) {
    QSignalSpy changed(recentFilesNotifier(), &RecentFilesNotifier::listChanged);
    addRecentOpen(QStringLiteral("/m1/a.nc"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.first().first().toString(), "open");
    gCurrentMachineSection = QStringLiteral("Machine2");
    EXPECT_EQ(recent("open"), (QStringList{"", "", "", ""}));
    const QByteArray before = home.readIniBytes();
    EXPECT_FALSE(RecentFiles::add(QStringLiteral("/x"), QStringLiteral("Open")));
    EXPECT_FALSE(RecentFiles::add(QStringLiteral("/x"), QStringLiteral("sent")));
    EXPECT_EQ(home.readIniBytes(), before);
    gCurrentMachineSection = QStringLiteral("Machine1");
    EXPECT_EQ(recent("open").first(), "/m1/a.nc");
    RecentFiles::clear(QStringLiteral("open"));
    EXPECT_EQ(recent("open"), (QStringList{"", "", "", ""}));
}

// --- file-type filters and file dialogs -----------------------------------

TEST_F(EditorCore, FilterTakesEachExtensionOnceInFirstSeenOrder) {
    // Defaults: SendExtension1 and ReceiveExtension1 "TXT", described "CNC File".
    EXPECT_EQ(buildFileFilter(2), "CNC File (*.TXT *.txt);;All Files (*)");
    writeIniValues("Machine1", {{"SendExtension2", "nc"}, {"SendExtensionType2", "Mill"},
                                {"ReceiveExtension2", "NC"}, {"ReceiveExtensionType2", "Other"},
                                {"ReceiveExtension3", "PRG"}, {"ReceiveExtensionType3", "Lathe"}});
    EXPECT_EQ(buildFileFilter(2),
              "CNC File (*.TXT *.txt);;Mill (*.nc *.NC);;Lathe (*.PRG *.prg);;All Files (*)");
    EXPECT_EQ(buildFileFilter(0), "CNC File (*.TXT *.txt);;Mill (*.nc *.NC);;All Files (*)");
    writeIniValues("Machine1", {{"SendExtension1", ""}, {"SendExtension2", ""}, {"ReceiveExtension1", ""},
                                {"ReceiveExtension2", ""}, {"ReceiveExtension3", ""}});
    EXPECT_EQ(buildFileFilter(2), "All Files (*)");
}

TEST_F(EditorCore, OpenWithSeveralFilesAnswersFolderAndNamesSeparatedByNul) {
    writeIni("Machine1", "DefaultToDirectories", "1");
    writeIni("Machine1", "SendDirectory", "/shop/send");
    msgs.answerFiles({"/shop/send/a.nc", "/shop/send/b.nc", "/shop/send/c.nc"});
    const QString answer = OpenCNCFile(QStringLiteral("*"), QStringLiteral("Open CNC File"));
    EXPECT_EQ(answer, QString("/shop/send") + QChar(0) + "a.nc" + QChar(0) + "b.nc" + QChar(0) + "c.nc");
    EXPECT_EQ(splitChosenFiles(answer), (QStringList{"/shop/send/a.nc", "/shop/send/b.nc", "/shop/send/c.nc"}));
    ASSERT_EQ(msgs.fileRequests().size(), 1);
    const Msg::FileRequest& r = msgs.fileRequests().first();
    EXPECT_EQ(r.kind, Msg::FileRequest::OpenFiles);
    EXPECT_EQ(r.startFolder, "/shop/send");
    EXPECT_EQ(r.filter, buildFileFilter(2));
    EXPECT_EQ(splitChosenFiles(QString()), QStringList());
}

TEST_F(EditorCore, OpenStartsWhereThePurposeSays) {
    writeIni("Machine1", "DefaultToDirectories", "0");
    writeIni("Machine1", "SendDirectory", "/machine/folder");
    const QString last = home.file("last.nc");
    writeAllBytes(last, "G01");
    writeIni("Machine1", "lastfilesent", last);
    msgs.answerFiles({}).answerFiles({}).answerFiles({last});
    EXPECT_EQ(OpenCNCFile(QStringLiteral("SendDirectory"), QStringLiteral("Send CNC File To M1")), QString());
    EXPECT_EQ(OpenCNCFile(QStringLiteral("SendDirectory"), QStringLiteral("Send After Toolbreak To M1")),
              QString());
    // An unknown purpose acts like a plain open instead of asking forever.
    EXPECT_EQ(OpenCNCFile(QStringLiteral("Bogus"), QStringLiteral("Pick")), last);
    ASSERT_EQ(msgs.fileRequests().size(), 3);
    EXPECT_NE(msgs.fileRequests()[0].startFolder, "/machine/folder"); // the platform's place
    EXPECT_EQ(msgs.fileRequests()[1].fileName, last); // a tool-break restart proposes the last file sent
}

TEST_F(EditorCore, OpenRefusesAMissingFileAndShowsTheDialogAgain) {
    const QString real = home.file("real.nc");
    writeAllBytes(real, "G00\r\n");
    msgs.answerFiles({home.file("missing.nc")}).answerFiles({real});
    EXPECT_EQ(OpenCNCFile(QString(), QStringLiteral("Pick")), real);
    EXPECT_TRUE(msgs.sawText(home.file("missing.nc") + " Does Not Exist!"));
    EXPECT_EQ(msgs.fileRequests().size(), 2);
    EXPECT_EQ(msgs.fileRequests().first().kind, Msg::FileRequest::OpenFile);
}

TEST_F(EditorCore, ReceiveAsksBeforeOverwritingAndBeforeCreating) {
    const QString existing = home.file("old.nc");
    writeAllBytes(existing, "X");
    msgs.answerFiles({existing}).answer(Msg::AnswerNo).answerFiles({existing}).answer(Msg::AnswerYes);
    EXPECT_EQ(OpenCNCFile(QStringLiteral("ReceiveDirectory"), QStringLiteral("Receive CNC File")), existing);
    EXPECT_EQ(msgs.fileRequests().size(), 2);
    EXPECT_TRUE(msgs.sawText(existing + " Already Exists : OK To OverWrite It?"));
    EXPECT_EQ(msgs.fileRequests().first().kind, Msg::FileRequest::SaveFile);

    msgs.clear();
    const QString fresh = home.file("new.nc");
    msgs.answerFiles({fresh}).answer(Msg::AnswerYes);
    EXPECT_EQ(OpenCNCFile(QStringLiteral("ReceiveDirectory"), QStringLiteral("Receive CNC File")), fresh);
    EXPECT_TRUE(msgs.sawText(fresh + " Does Not Exist : OK To Create It?"));
}

TEST_F(EditorCore, SaveAsProposesTheNameAndAsksBeforeOverwriting) {
    msgs.answerFiles({});
    EXPECT_EQ(saveAsDialog(QStringLiteral("Merge1"), QStringLiteral("TXT"), true), QString());
    EXPECT_EQ(msgs.fileRequests().first().fileName, "Merge1.TXT");
    EXPECT_EQ(msgs.fileRequests().first().filter, buildFileFilter(0));

    const QString existing = home.file(".prog.nc"); // hidden files are asked about too
    writeAllBytes(existing, "X");
    msgs.clear();
    msgs.answerFiles({existing}).answer(Msg::AnswerNo);
    EXPECT_EQ(saveAsDialog(QStringLiteral("Untitled2"), QStringLiteral("TXT"), false), QString());
    EXPECT_EQ(msgs.fileRequests().first().fileName, "Untitled2");
    EXPECT_TRUE(msgs.sawText("The File " + existing + " Already Exists...\nDo You Want To Overwrite It...?"));
    msgs.answerFiles({existing}).answer(Msg::AnswerYes);
    EXPECT_EQ(saveAsDialog(QStringLiteral("Untitled2"), QStringLiteral("TXT"), false), existing);
}

// --- NUL characters, safe writes, the settings probe ----------------------

TEST_F(EditorCore, NulCheckLooksAtTheFirstThousandBytesOnly) {
    QByteArray bytes(1500, 'G');
    bytes[1000] = '\0';
    writeAllBytes(home.file("n.nc"), bytes);
    EXPECT_FALSE(fileHeadHasNul(home.file("n.nc")));
    bytes[999] = '\0';
    writeAllBytes(home.file("n.nc"), bytes);
    EXPECT_TRUE(fileHeadHasNul(home.file("n.nc")));
    EXPECT_FALSE(fileHeadHasNul(home.file("missing.nc")));
}

TEST_F(EditorCore, ACleanedCopyThatCannotBeWrittenLeavesTheFileWhole) {
    // NULs are stripped only into a complete copy.
    const QString path = home.file("keep.nc");
    const QByteArray withNuls = "%\r\n" + QByteArray(40, '\0') + "O1000\r\nG00 X0\r\n%\r\n";
    writeAllBytes(path, withNuls);
    {
        FileSizeLimit limit(withNuls.size() - 41);
        EXPECT_FALSE(removeNulsFromFile(path));
    }
    EXPECT_EQ(readAllBytes(path), withNuls);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden).filter("keep").size(), 1);
    QString error;
    EXPECT_FALSE(removeNulsFromFile(home.file("missing.nc"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(EditorCore, AFileHasChangedWhenItNoLongerHoldsWhatTheWindowReadOrWrote) {
    // The file is written with `held` (the window's stamp), then with `now`;
    // its time is then put `later` seconds after the first write's (-1: left
    // as written): 0 for a writer within the clock's step, 5 for a touch.
    const QByteArray held = "%\nO1000\nG01 X1\n%\n", big(3 << 20, 'G');
    QByteArray bigLate = big;
    bigLate[(2 << 20) + 5] = 'X';
    const struct {
        const char* what;
        QByteArray held, now;
        int later;
        bool changed;
    } rows[] = {
        {"as held", held, held, 0, false},
        {"touched", held, held, 5, false},
        {"same length and time", held, "%\nO1000\nG01 X2\n%\n", 0, true},
        {"longer", held, held + "M30\n", -1, true},
        {"emptied", held, "", -1, true},
        {"several pieces as held", big, big, 0, false},
        {"several pieces, a late one changed", big, bigLate, 0, true},
    };
    const QString path = home.file("stamped.nc");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        writeAllBytes(path, r.held);
        const QDateTime time = QFileInfo(path).lastModified();
        writeAllBytes(path, r.now);
        if (r.later >= 0) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite) &&
                        f.setFileTime(time.addSecs(r.later), QFileDevice::FileModificationTime));
        }
        EXPECT_EQ(fileChangedSince(path, stampOf(r.held)), r.changed);
    }
    // A file that is gone holds nothing to lose; a window that never had the file has nothing to compare.
    EXPECT_TRUE(fileChangedSince(path, FileStamp{}));
    QFile::remove(path);
    EXPECT_FALSE(fileChangedSince(path, stampOf(held)));
}

TEST_F(EditorCore, StoredNullOptionMustNameAnOption) {
    writeIni("Warnings", "nullOpt", "7");
    EXPECT_EQ(storedNullOption(), -1);
}

TEST_F(EditorCore, SettingsProbeWritesAFreshValueAndWarnsAboutAReadOnlyFileUnlessSwitchedOff) {
    EXPECT_TRUE(chkCanWIni());
    const QString first = readIni("Settings", "chkCanWrite");
    EXPECT_TRUE(chkCanWIni());
    EXPECT_NE(readIni("Settings", "chkCanWrite"), first);
    EXPECT_TRUE(msgs.shown().isEmpty());
    QStringList warned;
    setSettingsWarningShower([&warned](const QString& caption, const QString&) { warned << caption; });
    writeIni("Settings", "WarnIniSettings", "0");
    QFile::setPermissions(gIniPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_FALSE(chkCanWIni());
    EXPECT_EQ(warned, QStringList{"Can't Write To Settings File **Warning**"});
    QFile::setPermissions(gIniPath, QFile::ReadOwner | QFile::WriteOwner);
    writeIni("Settings", "WarnIniSettings", "1");
    QFile::setPermissions(gIniPath, QFile::ReadOwner);
    EXPECT_FALSE(chkCanWIni());
    EXPECT_EQ(warned.size(), 1);
    setSettingsWarningShower(nullptr);
    QFile::setPermissions(gIniPath, QFile::ReadOwner | QFile::WriteOwner);
}

// --- small rules ----------------------------------------------------------

TEST_F(EditorCore, TypedCapitalsChangeOnlyTheLettersAToZ) {
    EXPECT_EQ(capitalsOnly(QString::fromLatin1("g01 x\xe9\xff")), QString::fromLatin1("G01 X\xe9\xff"));
}

TEST_F(EditorCore, OnlyCharactersAboveLatin1AreRefusedNamingTheFirst) {
    const QString euro = QString::fromUtf8("\u20ac"), face = QString::fromUtf8("\U0001F600");
    const struct {
        QString text, named; // named: empty when the text is held
    } rows[] = {
        {"G01 X1", ""},
        {QString::fromLatin1("\xff\xd8\xe9\x01"), ""},
        {"", ""},
        {"(" + euro + ")", euro},
        {QString::fromUtf8("\u0100"), QString::fromUtf8("\u0100")},
        {"A" + face + euro, face},
    };
    for (const auto& r : rows)
        EXPECT_EQ(unheldCharacterMessage("Nothing", r.text),
                  r.named.isEmpty() ? QString()
                                    : "Nothing\n\"" + r.named + "\" Is Not A Character A Program Can Hold")
            << qPrintable(r.text);
}

TEST_F(EditorCore, DriveTestAcceptsReachableAbsolutePathsOnly) {
    EXPECT_FALSE(notValidDrive(home.file("prog.nc")));
    EXPECT_TRUE(notValidDrive(home.file("gone/prog.nc")));
    EXPECT_TRUE(notValidDrive("prog.nc"));
    EXPECT_TRUE(notValidDrive("/"));
    EXPECT_FALSE(notValidDrive("//server/share/prog.nc"));
}

} // namespace
