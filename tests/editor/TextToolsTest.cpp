#include "EditorAnalysis.h"
#include "EditorGlobals.h"
#include "EditorText.h"
#include "NcTextRules.h"
#include "NcWordFormat.h"
#include "PrintLayout.h"
#include "TextCase.h"
#include "TextPass.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

TEST(TextCase, CapitalsAreOneByteForOneAndOnlyForLettersWithACapital) {
    QByteArray all(256, 0);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QByteArray up = capitaliseBytes(all);
    ASSERT_EQ(up.size(), 256);
    for (int i = 0; i < 256; ++i) {
        const bool hasCapital = (i >= 'a' && i <= 'z') || (i >= 0xE0 && i <= 0xFE && i != 0xF7);
        EXPECT_EQ(uchar(up[i]), hasCapital ? i - 32 : i) << i;
    }
    EXPECT_EQ(ReverseCaps("aBc1-Z"), "AbC1-z");
    EXPECT_EQ(ReverseCaps("\xe9\xc9"), "\xe9\xc9");
}

QByteArray pass(int mode, const QByteArray& text, SeqArguments args = {}, SeqSettings settings = {}) {
    NcLineRule rule(mode, args, settings);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    gCancelOperation = false;
    LinePass lines;
    lines.rule = [&](QByteArrayView l, QByteArray& o) { return rule.apply(l, o); };
    EXPECT_EQ(runLinePass(text, lines, out), PassEnd::Done);
    return out.data();
}

struct LineCase {
    LineCase(int m, const char* i, const char* o, SeqArguments a = {}, SeqSettings s = {})
        : mode(m), in(i), out(o), args(a), settings(s) {}
    int mode;
    const char* in;
    const char* out;
    SeqArguments args;
    SeqSettings settings;
};

SeqSettings with(int strip, const char* ignore = "", const char* restart = "", int zeroes = 0) {
    return {zeroes, strip, ignore, restart};
}

TEST(LineTools, EachModeRewritesLinesAsTheMachineSettingsSay) {
    const SeqArguments noN{10, 10, false};
    const LineCase cases[] = {
        {Resequence, "N5 G01 X1\nG00 Z5\n(CUT)\nO1000\nG01\n", "N10 G01 X1\nN20 G00 Z5\n(CUT)\nO1000\nN10 G01\n", {},
         with(1, "(", "O")},
        // Numbers are joined to the code until a line with a space is read.
        {Resequence, "N5G01\nG02 X1\nG03\n", "N10G01\nN20 G02 X1\nN30 G03\n"},
        // A blank line stays, and does not restart the numbering; no line end: one is added.
        {Resequence, "G01\n\nG02", "N10G01\n\nN20G02\n", {}, with(1, "", "O")},
        {Resequence, "G01 X1\n\nG02\n", "N10 G01 X1\nN20 \nN30 G02\n", {}, with(0)},
        {Resequence, "N100\nN\nG01\n\nN7G02\n", "N10G01\nN20G02\n", {}, with(2)},
        {Resequence, "NOTE\nG01\n", "NOTE\nN10G01\n"},
        // The tape mark is never numbered; a number never runs into a following one.
        {Resequence, "%\nG01X1\n100Y2\n.5Z1\n%\n", "%\nN10G01X1\nN20 100Y2\nN30 .5Z1\n%\n"},
        {Resequence, "% \nG01 X1\n100Y2\n", "% \nN10 G01 X1\nN20 100Y2\n"}, // one blank, never two
        {Resequence, "NOTE\nN50 G01\n20 G02\n", "10NOTE\n20 G01\n30 G02\n", noN},
        {Resequence, "N5 @@@@@@@@@@@@@ X\nG01\n", "N5 @@@@@@@@@@@@@ X\nN10 G01\n"},
        {Resequence, "N5 @@@@@@@@@@@@@ X\nG01\n", "N5 @@@@@@@@@@@@@ X\n10 G01\n", noN},
        {Resequence, "A\nB\nC\n", "N0.5A\nN1B\nN1.5C\n", {0.5, 0.5, true}},
        {Resequence, "A\nB\nC\n", "N0.1A\nN0.2B\nN0.3C\n", {0.1, 0.1, true}},
        {Resequence, "G01\nG02\n", "N0010G01\nN0020G02\n", {}, with(1, "", "", 3)},
        {Desequence, "N10 G01 X1\nN10G01\n20 G00\n\n", "G01 X1\nG01\nG00\n\n"},
        {Desequence, "N10 G01\nO2\nN20 G02\n", "G01\nO2\nG02\n", {}, with(1, "", "O")},
        {InsertSpaces, "G01X5 (ROUGH)\nN10G01X-5.5Y2\nG01X5)Y2\n", "G01 X5(ROUGH)\nN10 G01 X-5.5 Y2\nG01 X5)Y2\n"},
        {RemoveSpaces, "G01 X5 (ROUGH CUT) Y 2\n( A B )\nX 1) (Y 2\n G01 X 1 \n",
         "G01X5(ROUGH CUT)Y2\n( A B )\nX1)(Y2\nG01X1\n"},
        {RemoveBlankLines, "A\n\n \nB\n\n", "A\n \nB\n"},
        {TrimLines, "  A B  \r\n\r\n", "A B\r\n\r\n"},
        {TrimLines, "A \rB\r", "A\rB\r"},
        {TrimLines, " A ", "A\r\n"}, // no line end anywhere: CR LF
    };
    for (const LineCase& c : cases)
        EXPECT_EQ(pass(c.mode, c.in, c.args, c.settings), QByteArray(c.out)) << c.mode << " " << c.in;
}

TEST(WordReformatter, WordsTakeTheirFormatsOutsideCommentsAndBadNumbersStay) {
    WordFormats f;
    EXPECT_EQ(reformatLine(" g01 x1 (cut) ", f), "G01 X1 (CUT)");
    const struct {
        int x;
        const char* in;
        const char* out;
    } cases[] = {
        {2, "X10.500 Y2", "X10.5 Y2"},  {4, "X1 Y2", "X1.000 Y2"},     {4, "X1Y2", "X1.000Y2"},
        {4, "X1Y2 Z3", "X1.000Y2 Z3"},  {4, "X0.5", "X.500"},          {4, "X.5", "X.500"},
        {1, "G01 X10.6", "G01 X11"},    {1, "X-2.5", "X-2"},           {1, "X10.5", "X11"},
        {1, "X-2.6", "X-3"},            {1, "X-.4", "X0"},              {1, "(X AXIS) X1.5", "(X AXIS) X2"},
        {3, "X2.675", "X2.68"},         {4, "X9.9996", "X10.000"},     {4, "X-0.0001", "X.000"},
        {2, "X-", "X-"},                {2, "X1-2", "X1-2"},           {2, "X.", "X."},
        {2, "X1,5", "X1,5"},            {2, "X5.", "X5.0"},
    };
    for (const auto& c : cases) {
        f.format[0] = c.x;
        EXPECT_EQ(reformatLine(c.in, f), QByteArray(c.out)) << c.in;
    }
    WordFormats all;
    for (int i = 0; i < 7; ++i)
        all.format[i] = i == 6 ? 2 : 4;
    EXPECT_EQ(reformatLine("G1 X1 Y-2 Z.1 A0 B1 C2 F100", all), "G1 X1.000 Y-2.000 Z.100 A.000 B1.000 C2.000 F100.0");
}

TEST(EndOfBlock, MostLineEndsDecideMatchedLongestFirst) {
    const struct {
        const char* text;
        const char* result;
    } cases[] = {
        {"A\r\nB\r\n", "CR\\LF~0"},         {"A\r\n\r\nB\r\n", "CR\\LF~0"}, {"\nA\r\nB\r\n", "CR\\LF~0"},
        {"A\nB\n", "LF~2"},                 {"A\n\nB\n", "LF~2"},          {"A\rB\r", "CR~3"},
        {"A\n\rB\n\r", "LF\\CR~4"},         {"A\n\r\n\rB\n\r", "LF\\CR~4"}, {"A\n\r\rB\n\r\r\n\r\r", "LF\\CR\\CR~1"},
        {"AB", "CR\\LF~0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(detectEOB(c.text), QString::fromLatin1(c.result)) << c.text;
}

TEST(BlockColours, ALetterColoursItsWordUntilASpaceABracketOrALineEnd) {
    const auto letters = [](const QByteArray& text) {
        QByteArray styles = blockStyles(text);
        for (char& c : styles)
            c = c ? char('A' + c - 1) : '.';
        return styles;
    };
    EXPECT_EQ(letters("G01 X-1.5 (gx) 12 %\r\nx9 Y2"), "GGG.XXXXX...............YY");
    EXPECT_EQ(letters("X1(Y2)Z3\nA"), "XX....ZZ.A");
}

TEST(CompletionWords, SectionFromItsHeaderToTheBang) {
    const QByteArray file = "N?\r\nN?N10:Block\r\n!\r\n g? \r\nG?G00:Rapid\r\n\r\nG?G01:Linear\r\nG?G04\r\n  !  \r\n"
                            "G?G99:After\r\nM?\nM?M30:End\n";
    EXPECT_EQ(readIntelliWords(file, "G?"), (QStringList{"G00:Rapid", "G01:Linear", "G04"}));
    EXPECT_EQ(readIntelliWords(file, "M?"), QStringList{"M30:End"});
    EXPECT_TRUE(readIntelliWords(file, "X?").isEmpty());
}

TEST(PrintLayout, EachLineEndEndsOneLine) {
    QStringList lines;
    for (const PrintLine& line : printLines("G01\r\nM30\r\n\r\nX1\nY2\rZ3", {}))
        lines << QString::fromLatin1(line.value(0).text + line.value(1).text);
    EXPECT_EQ(lines, (QStringList{"G01", "M30", "", "X1", "Y2", "Z3"}));
}

TEST(TextPass, TookTimeAsTheStatusLineShowsIt) {
    EXPECT_EQ(tookText(0.5), ".5");
    EXPECT_EQ(tookText(12.345), "12.35");
    EXPECT_EQ(tookText(3), "3.");
}

} // namespace
