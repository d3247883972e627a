// Line processing of the send, without a port.
#include "SendLines.h"

#include <QBuffer>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace SendLines;

namespace {

// Set once a test has found the line reader looping: the tests after it
// that read lines would loop too, and are skipped.
bool readerLoops = false;

// A program has at most one line more than it has bytes: a reader that
// gives more is looping (a piece that ends in a lone CR or LF taken as a
// line end that is never passed). Says so at once, where only the time
// limit of the whole run would otherwise end the test.
bool looping(qsizetype lines, const QByteArray& data) {
    if (lines <= data.size() + 1)
        return false;
    if (!readerLoops)
        ADD_FAILURE() << "the line reader loops: more lines than bytes in \""
                      << data.toPercentEncoding().constData() << "\"";
    readerLoops = true;
    return true;
}

// The lines as read in pieces of `piece` bytes.
QList<QByteArray> allLines(const QByteArray& data, qint64 piece) {
    QByteArray bytes = data;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    LineReader reader(in, piece);
    QList<QByteArray> out;
    QByteArray line;
    while (!looping(out.size(), data) && reader.next(&line))
        out << QByteArray(line.constData(), line.size());
    EXPECT_EQ(reader.position(), data.size());
    return out;
}

// The lines as taken in runs of `runSize`, each checked to start where the
// one before ended, and the reader at the end of the program after them.
QList<QByteArray> linesInRuns(const QByteArray& data, qint64 piece, qsizetype runSize) {
    QByteArray bytes = data;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    LineReader reader(in, piece);
    std::vector<LineReader::Line> run(static_cast<size_t>(runSize));
    QList<QByteArray> lines;
    qint64 at = 0;
    qsizetype n = 0;
    while (!looping(lines.size(), data) && (n = reader.nextLines(run.data(), runSize))) {
        for (qsizetype i = 0; i < n; ++i) {
            const LineReader::Line& line = run[size_t(i)];
            EXPECT_EQ(line.start, at);
            EXPECT_GT(line.end, line.start + line.size - (line.end == data.size() ? 1 : 0));
            lines << QByteArray(line.data, line.size);
            EXPECT_EQ(lines.last(), data.mid(at, line.size));
            at = line.end;
        }
    }
    EXPECT_EQ(at, data.size());
    EXPECT_EQ(reader.position(), data.size());
    return lines;
}

} // namespace

TEST(SendLines, LinesEndAtCrLfLfOrCrAlike) {
    struct Case {
        QByteArray data;
        QList<QByteArray> lines;
    };
    const Case cases[] = {
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\nB\n", {"A", "B"}},
        {"A\rB\r", {"A", "B"}},
        {"A\nB", {"A", "B"}},             // no final line end
        {"A\r\n\r\nB", {"A", "", "B"}},   // an empty line stays a line
        {"A\r\r\nB", {"A", "", "B"}},     // CR, then CR LF
        {"A\n\rB\n\r", {"A", "B"}},       // LF CR is one line end
        {"A\n\r\rB\n\r\r", {"A", "B"}},   // and so is LF CR CR
        {"A\n\r\n\rB", {"A", "", "B"}},   // an empty line between LF CR ends
        {"A\r\n\rB", {"A", "", "B"}},     // CR LF, then a lone CR
        {"A\n\nB\r\rC", {"A", "", "B", "", "C"}}, // LF LF and CR CR keep their blank line
        {"\n", {""}},
        {"", {}},
        {QByteArray("N1\0X\xF0\n", 6), {QByteArray("N1\0X\xF0", 5)}}, // NUL and high bytes kept
    };
    // A piece may end anywhere, a CR LF cut in two included.
    for (const Case& c : cases) {
        for (const qint64 piece : {1, 2, 3, 1 << 20}) {
            SCOPED_TRACE(c.data.toPercentEncoding().constData() + std::string(" in pieces of ") + std::to_string(piece));
            EXPECT_EQ(allLines(c.data, piece), c.lines);
            if (readerLoops)
                return; // countLines() would loop too
        }
        QByteArray bytes = c.data;
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        EXPECT_EQ(countLines(in), c.lines.size());
    }
}

// Lines taken in runs are the lines taken one by one, each knowing where it
// starts and where its line end ends, however the pieces and runs fall.
TEST(SendLines, LinesInRunsAreTheLinesOneByOne) {
    if (readerLoops)
        GTEST_SKIP() << "the line reader loops";
    const QByteArray programs[] = {
        "A\r\nB\r\n",         "A\rB\r", "A\nB", "A\r\n\r\nB",
        "A\r\r\nB\n\r\n",     "\n",     "",     QByteArray("N1\0X\xF0\r\nNN2\rN3", 13),
        "A\n\r\rB\n\rC\n\r\n\r", "\n\r\r",
        "G01 X1.000 Y2.000\n"};
    for (const QByteArray& data : programs) {
        for (const qint64 piece : {1, 2, 3, 1 << 20}) {
            for (const qsizetype runSize : {1, 2, 256}) {
                if (readerLoops)
                    return;
                SCOPED_TRACE(data.toPercentEncoding().constData() + std::string(" pieces ") +
                             std::to_string(piece) + " runs " + std::to_string(runSize));
                EXPECT_EQ(linesInRuns(data, piece, runSize), allLines(data, piece));
            }
        }
    }
}

// The same over programs thousands of bytes long: lines of every length (some
// longer than a piece), every kind of line end, wherever they fall against
// the reader's 32-byte steps and its pieces.
TEST(SendLines, LongProgramsInRunsAreTheLinesOneByOne) {
    if (readerLoops)
        GTEST_SKIP() << "the line reader loops";
    const QByteArray ends[] = {"\n", "\r\n", "\r", "\n\r", "\n\r\r"};
    quint32 seed = 7;
    const auto next = [&seed](quint32 below) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % below;
    };
    for (int program = 0; program < 12; ++program) {
        QByteArray data;
        while (data.size() < 6000) {
            const quint32 length = next(8) == 0 ? next(300) : next(40);
            for (quint32 i = 0; i < length; ++i) {
                char c = char(next(256));
                if (c == '\r' || c == '\n')
                    c = 'X';
                data += c;
            }
            data += ends[program % 2 ? next(5) : 0];
        }
        if (program % 3 == 0)
            data.chop(1); // a last line without its end, or with a shorter one
        for (const qint64 piece : {7, 31, 32, 33, 100, 1 << 20}) {
            for (const qsizetype runSize : {1, 5, 256}) {
                SCOPED_TRACE("program " + std::to_string(program) + " pieces " + std::to_string(piece) + " runs " +
                             std::to_string(runSize));
                EXPECT_EQ(linesInRuns(data, piece, runSize), allLines(data, piece));
                if (readerLoops)
                    return;
            }
        }
    }
}

// The line the editor shows a block on, and the block an editor line is
// part of: the editor ends a line at CR LF, LF or a lone CR, so LF CR is two
// line ends there and LF CR CR three.
TEST(SendLines, EditorLinesOfBlocks) {
    if (readerLoops)
        GTEST_SKIP() << "the line reader loops";
    const struct {
        QByteArray data;
        QList<qint64> lineOfBlock; // block 1, 2, ...
        QList<qint64> blockOfLine; // editor line 1, 2, ...; 0 past the last block's line
    } cases[] = {
        {"A\r\nB\r\nC\r\n", {1, 2, 3}, {1, 2, 3, 0}},
        {"A\nB\nC", {1, 2, 3}, {1, 2, 3, 0}},
        {"A\rB\r\rC\r", {1, 2, 3, 4}, {1, 2, 3, 4, 0}},
        {"A\n\rB\n\rC\n\r", {1, 3, 5}, {1, 1, 2, 2, 3, 0}},
        {"A\n\r\rB\n\r\rC", {1, 4, 7}, {1, 1, 1, 2, 2, 2, 3, 0}},
        {"A\n\r\n\rB", {1, 2, 4}, {1, 2, 2, 3, 0}}, // LF CR, LF CR: the editor reads LF, CR LF, CR
        {"A\n\r\nB", {1, 2, 3}, {1, 2, 3, 0}},      // LF CR, LF: the editor reads LF, CR LF
        {"A\n\r\r\nB", {1, 3, 4}, {1, 1, 2, 3, 0}}, // LF CR CR, LF: the editor reads LF, CR, CR LF
        {"A\r\r\nB", {1, 2, 3}, {1, 2, 3, 0}},
        {"\n\r", {1}, {1, 0}},
        {"", {}, {0}},
    };
    const auto device = [](const QByteArray& data) {
        auto in = std::make_unique<QBuffer>();
        in->setData(data);
        in->open(QIODevice::ReadOnly);
        return in;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data.toPercentEncoding().constData());
        for (qsizetype b = 0; b < c.lineOfBlock.size(); ++b)
            EXPECT_EQ(editorLineOfBlock(*device(c.data), b + 1), c.lineOfBlock[b]) << "block " << b + 1;
        EXPECT_EQ(editorLineOfBlock(*device(c.data), c.lineOfBlock.size() + 1), 0);
        EXPECT_EQ(editorLineOfLastBlock(*device(c.data)), c.lineOfBlock.isEmpty() ? 0 : c.lineOfBlock.last());
        EXPECT_EQ(blockOfEditorLine(*device(c.data), 0), 0);
        for (qsizetype l = 0; l < c.blockOfLine.size(); ++l)
            EXPECT_EQ(blockOfEditorLine(*device(c.data), l + 1), c.blockOfLine[l]) << "editor line " << l + 1;
    }
}

TEST(SendLines, ReaderPositionAndSkip) {
    QByteArray data = "L1\r\nL2\nL3\rL4";
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    LineReader reader(in, 2);
    EXPECT_TRUE(reader.skip(2));
    EXPECT_EQ(reader.position(), 7);
    QByteArray line;
    ASSERT_TRUE(reader.next(&line));
    EXPECT_EQ(line, "L3");
    ASSERT_TRUE(reader.next(&line));
    EXPECT_EQ(line, "L4");
    EXPECT_EQ(reader.position(), data.size());
    EXPECT_FALSE(reader.next(&line));
    in.seek(0);
    EXPECT_FALSE(LineReader(in).skip(5));
}

// Rules from letters: s strip spaces, n double space after N, b drop blank
// lines, k keep the part before the ignore mark; any other character is the
// ignore mark.
Rules rules(const char* spec) {
    Rules r;
    for (const char* p = spec; *p; ++p) {
        switch (*p) {
        case 's': r.stripSpaces = true; break;
        case 'n': r.doubleSpaceN = true; break;
        case 'b': r.stripBlankLines = true; break;
        case 'k': r.keepBeforeIgnore = true; break;
        default: r.ignoreBlock = QByteArray(1, *p);
        }
    }
    return r;
}

TEST(SendLines, BlockPreparation) {
    const struct {
        const char* name;
        QByteArray raw;
        const char* rules;
        QByteArray prepared;
        bool sent;
    } cases[] = {
        {"plain line unchanged", "N10 G01 X5", "", "N10 G01 X5", true},
        {"strip spaces", " N10 G01  X5 ", "s", "N10G01X5", true},
        {"block skip drops the line", "/N20 M00", "/", kSkipMarker, false},
        {"block skip is case-exact", "N20 M00", "/", "N20 M00", true},
        {"ignore type 1 keeps the part before", "G01 X5 (NOTE)", "(k", "G01 X5", true},
        {"ignore type 1 at the start leaves an empty block", "(NOTE)", "(k", "", true},
        {"that empty block is dropped with blank-line skip", "(NOTE)", "(kb", "", false},
        {"a line of exactly the marker is skipped", "^!^!^!", "", kSkipMarker, false},
        {"double space after N", "N10G01X5", "n", "N10  G01X5", true},
        {"strip then double space", "N10 G01 X5", "sn", "N10  G01X5", true},
        {"N word alone", "N100", "n", "N100  ", true},
        {"a point belongs to the N word", "N10.5X1", "n", "N10.5  X1", true},
        {"N without digits", "NX", "n", "N  X", true},
        {"N word with its space", "N10 G01", "n", "N10  G01", true},
        {"not starting with N", "G01 N10", "n", "G01 N10", true},
        {"lower-case n", "n10G01", "n", "n10G01", true},
        {"skip marker is not double spaced", "/N10", "/n", kSkipMarker, false},
        {"blank line sent without the rule", "", "", "", true},
        {"blank line dropped with the rule", "", "b", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray prepared = prepareLine(c.raw, rules(c.rules));
        EXPECT_EQ(prepared, c.prepared);
        EXPECT_EQ(isSent(prepared, rules(c.rules)), c.sent);
    }
}

// Thirds are shown by the send's own test.
TEST(SendLines, PercentRule) {
    EXPECT_EQ(percentOf(5, 3), 100); // never above 100
    EXPECT_EQ(percentOf(1, 0), 0);
    QSet<int> shown;
    int last = 0;
    for (int i = 1; i <= 1000; ++i) {
        const int pct = percentOf(i, 1000);
        if (pct > last)
            shown.insert(pct);
        last = qMax(last, pct);
    }
    EXPECT_EQ(shown.size(), 100) << "a file of 1000 lines changes the display 100 times";
}

TEST(SendLines, HeaderAndTrailerPercentRule) {
    EXPECT_EQ(sampleSize(0), 0);
    EXPECT_EQ(sampleSize(1), 0); // half of 1 goes to the even 0
    EXPECT_EQ(sampleSize(3), 2);
    EXPECT_EQ(sampleSize(100), 50);
    EXPECT_EQ(sampleSize(5000), 512);

    const QByteArray starts = "%\nO100\nG0X1\n%\n";
    CodeList::Parsed p = headerTrailerPieces(QStringLiteral("37,10"), percentSample(starts, true));
    EXPECT_EQ(p.flatten(), "\n") << "the file brings its own %";

    QByteArray late(600, 'X');
    late += "%\n";
    p = headerTrailerPieces(QStringLiteral("37,10"), percentSample(late, true));
    EXPECT_EQ(p.flatten(), "%\n") << "a % beyond the first 512 characters does not count";

    // 100 characters with the only % at 30: the trailer's sample is the last 50.
    QByteArray hundred(100, 'Y');
    hundred[29] = '%';
    EXPECT_EQ(headerTrailerPieces(QStringLiteral("37"), percentSample(hundred, false)).flatten(), "%");
    EXPECT_EQ(headerTrailerPieces(QStringLiteral("37"), percentSample(hundred, true)).flatten(), "");

    // Pauses stay pauses and keep their place; a literal 240 is a character.
    p = headerTrailerPieces(QStringLiteral("37,10,!1500!,240,10"), percentSample(starts, true));
    ASSERT_EQ(p.pieces.size(), 3);
    EXPECT_EQ(p.pieces[0].bytes, "\n");
    EXPECT_TRUE(p.pieces[1].pause);
    EXPECT_EQ(p.pieces[1].pauseMs(), 1500);
    EXPECT_EQ(p.pieces[2].bytes, QByteArray("\xF0\n"));

    EXPECT_TRUE(headerTrailerPieces(QStringLiteral("10,x"), percentSample(starts, true)).pieces.isEmpty()) << "a bad list sends nothing";
}
