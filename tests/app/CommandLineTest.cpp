#include "CommandLine.h"

#include <gtest/gtest.h>

using CommandLine::Kind;

namespace {

struct Row {
    const char* line;
    Kind kind;
    int machine;
    const char* path;
    const char* error; // part of the message for Invalid
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << '"' << r.line << '"';
}

class CommandLineTable : public ::testing::TestWithParam<Row> {};

TEST_P(CommandLineTable, ParsesAsExpected) {
    const Row& r = GetParam();
    const CommandLine::Parsed p = CommandLine::parse(QString::fromUtf8(r.line));
    EXPECT_EQ(int(p.kind), int(r.kind));
    EXPECT_EQ(p.machine, r.machine);
    EXPECT_EQ(p.path.toStdString(), std::string(r.path));
    if (r.kind == Kind::Invalid || r.kind == Kind::OtherDirection)
        EXPECT_NE(p.error.indexOf(QString::fromUtf8(r.error)), -1) << p.error.toStdString();
    else
        EXPECT_TRUE(p.error.isEmpty());
}

const Row kRows[] = {
    // No command line at all.
    {"", Kind::Empty, 0, "", ""},
    {"   ", Kind::Empty, 0, "", ""},
    // The path form, with or without quotes; every double quote goes.
    {"/home/cnc/part.nc", Kind::OpenPath, 0, "/home/cnc/part.nc", ""},
    {"\"/home/cnc/my part.nc\"", Kind::OpenPath, 0, "/home/cnc/my part.nc", ""},
    {"\"/home/cnc/a\"b.nc\"", Kind::OpenPath, 0, "/home/cnc/ab.nc", ""},
    // Too few fields.
    {"a?3", Kind::Invalid, 0, "", "Invalid Command String Received - No Direction"},
    {"a?3?S", Kind::Invalid, 0, "", "Invalid Command String Received - No File"},
    // The four-field form; the first field is never read and may be empty.
    {"?3?S?/nc/p1.nc", Kind::Send, 3, "/nc/p1.nc", ""},
    {"anything?64?S?/nc/p1.nc", Kind::Send, 64, "/nc/p1.nc", ""},
    {"x?1?O?/nc/p1.nc", Kind::Open, 1, "/nc/p1.nc", ""},
    {"?07?S?/nc/p1.nc", Kind::Send, 7, "/nc/p1.nc", ""},
    // Everything after the third "?" is the file, "?" and quotes included.
    {"?3?S?/nc/what?.nc", Kind::Send, 3, "/nc/what?.nc", ""},
    {"?3?S?\"/nc/q.nc\"", Kind::Send, 3, "\"/nc/q.nc\"", ""},
    // Machine numbers that name no machine send nothing.
    {"?0?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"0\""},
    {"?65?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"65\""},
    {"?12 ?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"12 \""},
    {"?x?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"x\""},
    {"?3.0?S?/nc/p1.nc", Kind::Invalid, 0, "", "\"3.0\""},
    {"??S?/nc/p1.nc", Kind::Invalid, 0, "", "\"\""},
    {"?99999999999?S?/nc/p1.nc", Kind::Invalid, 0, "", "Is Not A Number From 1 To 64"},
    // Only an upper-case S or O is a direction.
    {"?3?s?/nc/p1.nc", Kind::OtherDirection, 0, "", "Direction \"s\""},
    {"?3?\?/nc/p1.nc", Kind::OtherDirection, 0, "", "Direction \"\""},
    {"?3?SO?/nc/p1.nc", Kind::OtherDirection, 0, "", "Direction \"SO\""},
    // An empty file field.
    {"?3?S?", Kind::Invalid, 0, "", "No File"},
    {"???", Kind::Invalid, 0, "", "CNC Number"},
};

INSTANTIATE_TEST_SUITE_P(Examples, CommandLineTable, ::testing::ValuesIn(kRows));

TEST(CommandLineArguments, JoinsTheArgumentsAfterTheProgramName) {
    EXPECT_EQ(CommandLine::fromArguments({"feedline"}), QString());
    EXPECT_EQ(CommandLine::fromArguments({"feedline", "/nc/my", "part.nc"}), QString("/nc/my part.nc"));
    EXPECT_EQ(int(CommandLine::parse(CommandLine::fromArguments({"feedline", "?2?S?/nc/a b.nc"})).kind),
              int(Kind::Send));
}

} // namespace
