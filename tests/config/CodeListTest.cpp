#include "CodeList.h"
#include "PropertiesRules.h"

#include <gtest/gtest.h>

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
        ParseCase{"13,10", "\r\n", true}, ParseCase{"13", "\r", true}, ParseCase{" 13 ", "\r", true},
        ParseCase{"200", "\xC8", true}, ParseCase{"0", QByteArray(1, '\0'), true},
        ParseCase{"13.5", "\x0E", true}, ParseCase{"12.5", "\x0C", true},
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

TEST(CodeListBytesAndPauses, LiteralCode240IsAByteNotAPause) {
    const CodeList::Parsed p = CodeList::parse(QStringLiteral("13,240,10,!100!,65"));
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.pieces.size(), 3);
    EXPECT_FALSE(p.pieces[0].pause);
    EXPECT_EQ(p.pieces[0].bytes, QByteArray("\r\xF0\n"));
    EXPECT_TRUE(p.pieces[1].pause);
    EXPECT_EQ(p.pieces[1].pauseMs(), 100);
    EXPECT_EQ(p.pieces[2].bytes, QByteArray("A"));
    // Everything after the literal 240 survives.
    EXPECT_EQ(p.bytesOnly(), QByteArray("\r\xF0\nA"));
}

TEST(CodeListBytesAndPauses, PauseTextAndMilliseconds) {
    const CodeList::Parsed p = CodeList::parse(QStringLiteral("#2,!250!,13"));
    ASSERT_EQ(p.pieces.size(), 2);
    EXPECT_EQ(p.pieces[0].pauseText, QStringLiteral("250"));
    EXPECT_EQ(p.pieces[0].pauseMs(), 250);
    EXPECT_EQ(p.pieces[1].bytes, QByteArray("\r\r"));
    EXPECT_EQ(CodeList::parse(QStringLiteral("!abc!")).pieces.at(0).pauseMs(), 0);
}

TEST(CodeListPicker, RowsNameEveryCode) {
    EXPECT_EQ(CodeList::pickerRow(0), QStringLiteral("0    NUL"));
    EXPECT_EQ(CodeList::pickerRow(10), QStringLiteral("10   LF"));
    EXPECT_EQ(CodeList::pickerRow(32), QStringLiteral("32   SPACE"));
    EXPECT_EQ(CodeList::pickerRow(65), QStringLiteral("65   A"));
    EXPECT_EQ(CodeList::pickerRow(127), QStringLiteral("127   DEL"));
}

TEST(CodeListPicker, AddingCodesJoinsWithSingleCommas) {
    EXPECT_EQ(CodeList::addCode(QString(), 13, 1), QStringLiteral("13"));
    EXPECT_EQ(CodeList::addCode(QStringLiteral("10"), 13, 3), QStringLiteral("10,#3,13"));
    EXPECT_EQ(CodeList::addCode(QStringLiteral("13,"), 10, 1), QStringLiteral("13,10"));
    EXPECT_EQ(CodeList::addCode(QStringLiteral("13"), 10, 1), QStringLiteral("13,10"));
    EXPECT_EQ(CodeList::finish(QStringLiteral("13,10,")), QStringLiteral("13,10"));
    EXPECT_EQ(CodeList::finish(QStringLiteral("13,10,,")), QStringLiteral("13,10,"));
    EXPECT_TRUE(ParseIntoString(CodeList::finish(QStringLiteral("13,10,,"))).isEmpty());
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

TEST(CodeListValidation, TheDialogRefusesWhatWouldSendNothingOrGarbage) {
    using PropertiesRules::codeListAcceptable;
    for (const char* good : {"", "13,10", "#3,13", "!500!", "!250", "13,240,10", "37,!500!,13"})
        EXPECT_TRUE(codeListAcceptable(QString::fromLatin1(good))) << good;
    for (const char* bad : {"13,,10", "300", "#", "!abc", "!abc!", "13,!-5!,10", "#2,200", "13,10,", "A"})
        EXPECT_FALSE(codeListAcceptable(QString::fromLatin1(bad))) << bad;
}

TEST(PropertiesRules, NumbersAndTimeOuts) {
    EXPECT_EQ(PropertiesRules::numberForm(QStringLiteral("12abc")), QStringLiteral("12"));
    EXPECT_EQ(PropertiesRules::numberForm(QString()), QStringLiteral("0"));
    EXPECT_EQ(PropertiesRules::numberForm(QStringLiteral("7.50")), QStringLiteral("7.5"));
    EXPECT_TRUE(PropertiesRules::timeOutAcceptable(QStringLiteral("600")));
    EXPECT_TRUE(PropertiesRules::timeOutAcceptable(QStringLiteral(" 30 ")));
    for (const char* bad : {"0", "", "abc", "12x", "-5", "1.5"})
        EXPECT_FALSE(PropertiesRules::timeOutAcceptable(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(PropertiesRules::listPosition(QStringLiteral("5")), 5);
    EXPECT_EQ(PropertiesRules::listPosition(QStringLiteral("abc")), -1);
}

} // namespace
