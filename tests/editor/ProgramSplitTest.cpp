// Splitting a control's memory dump into one file per program, without a window.
#include "ProgramSplit.h"
#include "ScriptedMessages.h"
#include "SmallDisk.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace ProgramSplit;

namespace {

// A control's whole memory punched at once: "%" lines, ":" starts, comments, blank lines.
const QByteArray kDump = "%\r\n:1000(FLANGE)\r\n(ROUGH)\r\nG90 G54 G00 X0 Y0\r\n\r\nM30\r\n"
                         ":2000(SHAFT)\r\nG01 X10. F200\r\nM99\r\n\r\n:3000\r\nG00 Z100.\r\nM30\r\n%\r\n";

Options with(int before, int after = 0) {
    Options o;
    o.before = before;
    o.after = after;
    return o;
}

using Pieces = QVector<std::pair<QString, QByteArray>>;
Pieces piecesOf(const QByteArray& text, const Options& o) {
    Pieces out;
    for (const Piece& p : split(text, o))
        out.append({p.name, p.bytes});
    return out;
}

TEST(ProgramSplit, EachProgramGoesToItsOwnFileAsTheOptionsSay) {
    Options dumpKept = with(0);
    dumpKept.stripPercent = false;
    dumpKept.stripBlankLines = false;
    Options oProgramsWrapped = with(1);
    oProgramsWrapped.prefixO = true;
    oProgramsWrapped.putBackPercent = true;
    oProgramsWrapped.stripBlankLines = false;
    Options commentsName = with(1);
    commentsName.useComment = true;
    commentsName.prefixO = true;
    Options percentKeptAndPutBack = with(1);
    percentKeptAndPutBack.stripPercent = false;
    percentKeptAndPutBack.putBackPercent = true;
    Options percentKept = with(0);
    percentKept.stripPercent = false;
    Options lastLineOpen = with(1);
    lastLineOpen.putBackPercent = true;
    Options dollarStarts = with(2, 4);
    dollarStarts.prefixO = true;

    const struct {
        const char* what;
        QByteArray text;
        Options options;
        Pieces pieces;
    } cases[] = {
        {"defaults: the master's % and blank lines go, a lone leading % with them", kDump, with(0),
         {{"1000", ":1000(FLANGE)\r\n(ROUGH)\r\nG90 G54 G00 X0 Y0\r\nM30\r\n"},
          {"2000", ":2000(SHAFT)\r\nG01 X10. F200\r\nM99\r\n"},
          {"3000", ":3000\r\nG00 Z100.\r\nM30\r\n"}}},
        {"nothing stripped: every byte lands in some file but the lone leading %", kDump, dumpKept,
         {{"1000", ":1000(FLANGE)\r\n(ROUGH)\r\nG90 G54 G00 X0 Y0\r\n\r\nM30\r\n"},
          {"2000", ":2000(SHAFT)\r\nG01 X10. F200\r\nM99\r\n\r\n"},
          {"3000", ":3000\r\nG00 Z100.\r\nM30\r\n%\r\n"}}},
        {"O starts, O prefixed, each program between % lines, blank lines kept",
         "%\nO0010 (PART A)\nG00 X0\n\nM30\nO0020\nM99\n%\n", oProgramsWrapped,
         {{"O0010", "%\nO0010 (PART A)\nG00 X0\n\nM30\n%\n"}, {"O0020", "%\nO0020\nM99\n%\n"}}},
        {"a comment names its program; without one the number does",
         "O0010 ( PART A )\nM30\nO0020\nM30\n", commentsName,
         {{"PART A", "O0010 ( PART A )\nM30\n"}, {"O0020", "O0020\nM30\n"}}},
        {"a program that ends in % gets no second one", "%\nO1\nM30\n%\n", percentKeptAndPutBack,
         {{"1", "%\nO1\nM30\n%\n"}}},
        {"a last line without a line end is ended before the %", "O5\r\nM30", lastLineOpen,
         {{"5", "%\r\nO5\r\nM30\r\n%\r\n"}}},
        {"text before the first program has a file of its own", "MEMORY DUMP 12-03\n%\n:1\nM30\n", with(0),
         {{kBeforeProgramsName, "MEMORY DUMP 12-03\n"}, {"1", ":1\nM30\n"}}},
        {"O words that are not program numbers start nothing", "O1\nOFFSET X1\nO1000A\nM30\n", with(1),
         {{"1", "O1\nOFFSET X1\nO1000A\nM30\n"}}},
        {"named programs, the extension from the after-word, no second O",
         "$O1000.MIN%\nG00\nM02\n$O2000\nM02\n$O3000.MIN%\nM02\n", dollarStarts,
         {{"O1000.MIN", "$O1000.MIN%\nG00\nM02\n$O2000\nM02\n"}, {"O3000.MIN", "$O3000.MIN%\nM02\n"}}},
        {"lone CR line ends; a program in the other unit is no start",
         "0 BEGIN PGM 10 MM\r1 L X+0\r0 BEGIN PGM 20 INCH\r2 END PGM 10 MM\r0 BEGIN PGM 30 MM\r", with(3, 2),
         {{"10.MM", "0 BEGIN PGM 10 MM\r1 L X+0\r0 BEGIN PGM 20 INCH\r2 END PGM 10 MM\r"},
          {"30.MM", "0 BEGIN PGM 30 MM\r"}}},
        {"a program start needs the after-word", "O1 (A)\nO2\nO3(B)\n", with(1, 1),
         {{"1", "O1 (A)\nO2\n"}, {"3", "O3(B)\n"}}},
        {"no program start: nothing to split", "%\nG00\nM30\n%\n", with(0), {}},
        {"a start word with no number starts nothing", ":1\n:\n: (A)\nM30\n", with(0), {{"1", ":1\n:\n: (A)\nM30\n"}}},
        {"LF CR is one line end: blank lines go, every CR stays", "%\n\r:1\n\r\n\rG01\n\r:2\n\rM30\n\r%\n\r",
         with(0), {{"1", ":1\n\rG01\n\r"}, {"2", ":2\n\rM30\n\r"}}},
        {"a % put back ends with LF CR too", "O1\n\rM30", lastLineOpen, {{"1", "%\n\rO1\n\rM30\n\r%\n\r"}}},
        {"LF CR CR is one line end too", "%\n\r\rO1\n\r\rG00\n\r\r\n\r\rM30", lastLineOpen,
         {{"1", "%\n\r\rO1\n\r\rG00\n\r\rM30\n\r\r%\n\r\r"}}},
        {"% lines stay when only blank lines are stripped", "%\n:1\nG01\n\nM30\n%\n", percentKept,
         {{"1", ":1\nG01\nM30\n%\n"}}},
        {"a blank line after the last % asks for no second one", "O1\nM30\n%\n\n", percentKeptAndPutBack,
         {{"1", "%\nO1\nM30\n%\n"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(piecesOf(c.text, c.options), c.pieces) << c.what;
}

TEST(ProgramSplit, EachProgramIsNamedByTheLineTheEditorShowsItOn) {
    const struct {
        QByteArray text;
        QVector<qint64> lines;
    } cases[] = {
        {"%\r\n:1\r\nM30\r\n\r\n:2\r\nM30", {2, 5}},
        {"%\n\r:1\n\rM30\n\r:2\n\rM30\n\r", {3, 7}},   // LF CR: two lines a block
        {"%\n\r\r:1\n\r\rM30\n\r\r:2\n\r\r", {4, 10}}, // LF CR CR: three
        {"%\n\r\n:1\n\r\n\n\r:2\n", {3, 7}},           // a CR LF across two blocks is one line end
    };
    for (const auto& c : cases) {
        QVector<qint64> lines;
        for (const Piece& p : split(c.text, with(0)))
            lines << p.line;
        EXPECT_EQ(lines, c.lines) << c.text.toStdString();
    }
}

TEST(ProgramSplit, NamesThatCannotBeFilesAreRefusedAndFreeNamesFound) {
    for (const char* good : {"1000", "O1000.MIN", "PART A"})
        EXPECT_TRUE(validFileName(QLatin1String(good))) << good;
    for (const char* bad : {"", " ", ".", "..", "A/B", "A\\B", "A:B", "A?", "x\x01", "A|B"})
        EXPECT_FALSE(validFileName(QLatin1String(bad))) << bad;
    EXPECT_FALSE(validFileName(QString(256, QLatin1Char('A'))));
    TestHome home;
    writeAllBytes(home.file(QStringLiteral("1000_2.MIN")), "x");
    EXPECT_EQ(freeName(home.path(), QStringLiteral("1000.MIN"), {QStringLiteral("1000_3.MIN")}),
              QStringLiteral("1000_4.MIN"));
    EXPECT_EQ(freeName(home.path(), QStringLiteral("2000"), {}), QStringLiteral("2000_2"));
}

// A folder nothing can be written into, even by root.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : folder_(folder) {
        QDir().mkpath(folder);
        mounted_ = ::mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", MS_RDONLY, "size=4096") == 0;
        if (!mounted_ && ::geteuid() == 0)
            limit_ = std::make_unique<FileSizeLimit>(0);
        else if (!mounted_)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~ReadOnlyFolder() {
        if (mounted_)
            ::umount2(folder_.toLocal8Bit().constData(), MNT_DETACH);
        QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QString folder_;
    bool mounted_ = false;
    std::unique_ptr<FileSizeLimit> limit_;
};

class WritePieces : public ::testing::Test {
protected:
    QString folder() const { return home.path(); }
    QByteArray file(const char* name) const { return readAllBytes(home.file(QLatin1String(name))); }
    QStringList written(const Written& w) const {
        QStringList names;
        for (const QString& p : w.paths)
            names << p.mid(folder().size());
        return names;
    }
    const QVector<Piece> pieces{{QStringLiteral("1000"), "P1\n", 1, false},
                                {QStringLiteral("2000"), "P2\n", 3, false},
                                {QStringLiteral("3000"), "P3\n", 5, false}};
    TestHome home;
    ScriptedMessages msgs;
};

TEST_F(WritePieces, EveryProgramIsWrittenAndASecondOneOfTheSameNameNeverReplacesTheFirst) {
    QVector<Piece> twice = pieces;
    twice[2].name = QStringLiteral("1000");
    const Written w = writePieces(twice, folder(), false);
    EXPECT_TRUE(w.complete);
    EXPECT_EQ(written(w), (QStringList{"1000", "2000", "1000_2"}));
    EXPECT_EQ(w.programs, w.paths);
    EXPECT_EQ(file("1000") + file("2000") + file("1000_2"), "P1\nP2\nP3\n");
    EXPECT_TRUE(msgs.shown().isEmpty());
}

TEST_F(WritePieces, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    const struct {
        QList<Msg::Answer> answers;
        QStringList written;
        QByteArray old1, old2;
        bool complete;
        int questions;
    } cases[] = {
        {{Msg::AnswerNo, Msg::AnswerYes}, {"2000", "3000"}, "OLD", "P2\n", false, 2},
        {{Msg::AnswerYesToAll}, {"1000", "2000", "3000"}, "P1\n", "P2\n", true, 1},
        {{Msg::AnswerYes, Msg::AnswerCancel}, {"1000"}, "P1\n", "OLD", false, 2},
        {{}, {"3000"}, "OLD", "OLD", false, 2}, // unanswered: No, the safe choice
    };
    for (const auto& c : cases) {
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
        writeAllBytes(home.file("1000"), "OLD");
        writeAllBytes(home.file("2000"), "OLD");
        msgs.clear();
        for (Msg::Answer a : c.answers)
            msgs.answer(a);
        const Written w = writePieces(pieces, folder(), false);
        EXPECT_EQ(written(w), c.written);
        EXPECT_EQ(file("1000"), c.old1);
        EXPECT_EQ(file("2000"), c.old2);
        EXPECT_EQ(w.complete, c.complete);
        EXPECT_EQ(msgs.shown().size(), c.questions);
        EXPECT_TRUE(msgs.sawText(home.file("1000") + " Already Exists"));
    }
    // Renaming detected files: the old one stays, nothing is asked.
    msgs.clear();
    const Written renamed = writePieces(pieces, folder(), true);
    EXPECT_EQ(written(renamed), (QStringList{"1000_2", "2000_2", "3000_2"}));
    EXPECT_TRUE(renamed.complete);
    EXPECT_TRUE(msgs.shown().isEmpty());
}

TEST_F(WritePieces, ABadNameOrAFailedWriteStopsTheSplitWithTheReasonAndKeepsWhatWasWritten) {
    QVector<Piece> bad = pieces;
    bad[2].name = QStringLiteral("PART 1/2");
    Written w = writePieces(bad, folder(), false);
    EXPECT_TRUE(w.paths.isEmpty());
    EXPECT_TRUE(msgs.sawText("Line 5 Would Be Named \"PART 1/2\""));
    EXPECT_FALSE(QFile::exists(home.file("1000")));

    {
        const QString locked = home.file("locked/");
        ReadOnlyFolder readOnly(locked);
        msgs.clear();
        w = writePieces(pieces, locked, false);
        EXPECT_TRUE(w.paths.isEmpty() && !w.complete);
        EXPECT_TRUE(msgs.sawText("Can't Write " + locked + "1000"));
    }
    {
        const QString small = home.file("small/");
        SmallDisk disk(small, 8192);
        QVector<Piece> big = pieces;
        big[1].bytes = QByteArray(64 * 1024, 'X');
        msgs.clear();
        w = writePieces(big, small, false);
        EXPECT_EQ(w.paths, QStringList{small + "1000"});
        EXPECT_FALSE(w.complete);
        EXPECT_EQ(readAllBytes(small + "1000"), "P1\n");
        EXPECT_TRUE(msgs.sawText("Can't Write " + small + "2000"));
        EXPECT_FALSE(QFile::exists(small + "2000"));
    }
}

TEST_F(WritePieces, TheFileBeingSplitIsAskedForOnItsOwnAndReplacedOnlyAfterEveryOtherFile) {
    const QString small = home.file("small/");
    SmallDisk disk(small, 32768);
    const QString source = small + "2000";
    const QByteArray master = "P1\nP2\nP3\n";
    writeAllBytes(source, master);
    writeAllBytes(small + "1000", "OLD");
    QVector<Piece> big = pieces;
    big[2].bytes = QByteArray(64 * 1024, 'X');
    // Yes To All for an ordinary file does not answer for the source.
    msgs.answer(Msg::AnswerYesToAll);
    msgs.answer(Msg::AnswerYes);
    Written w = writePieces(big, small, false, source);
    EXPECT_TRUE(msgs.sawText(source + " Is The File Being Split"));
    EXPECT_TRUE(msgs.sawText("Can't Write " + small + "3000"));
    EXPECT_FALSE(w.complete);
    EXPECT_EQ(readAllBytes(source), master); // the split stopped before it
    EXPECT_FALSE(w.paths.contains(source));

    const struct {
        Msg::Answer answer;
        QByteArray source;
        bool complete;
        int written;
    } cases[] = {{Msg::AnswerYes, "P2\n", true, 3},
                 {Msg::AnswerNo, master, false, 2},
                 {Msg::AnswerCancel, master, false, 1}};
    for (const auto& c : cases) {
        writeAllBytes(source, master);
        QFile::remove(small + "1000");
        QFile::remove(small + "3000");
        msgs.clear();
        msgs.answer(c.answer);
        w = writePieces(pieces, small, false, source);
        EXPECT_EQ(readAllBytes(source), c.source);
        EXPECT_EQ(w.complete, c.complete);
        EXPECT_EQ(w.paths.size(), c.written);
        EXPECT_EQ(w.replacedSource, c.answer == Msg::AnswerYes);
        if (c.answer == Msg::AnswerYes) {
            EXPECT_EQ(w.paths,
                      (QStringList{small + "1000", source, small + "3000"})); // in the master's order
        }
    }
}

} // namespace
