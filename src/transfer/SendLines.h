#pragma once

#include "CodeList.h"

#include <QByteArray>
#include <QString>

#include <cstring>

class QIODevice;

#include <functional>

// How the lines of a program become the blocks a machine receives. Pure
// functions over bytes: no port, no settings, no widgets.
namespace SendLines {

// A line that becomes this text is not sent (an ignored block).
extern const QByteArray kSkipMarker; // "^!^!^!"

// How many bytes the line end that starts at `at` (a CR or an LF) takes of
// the `avail` bytes there: CR LF, LF CR CR and LF CR are each one line end,
// as programs are punched; a CR or LF on its own is one too, so LF LF and
// CR CR keep their blank line. 0 when the bytes there cannot tell yet and
// `more` of the program is still to come.
inline int lineEndSize(const char* at, qint64 avail, bool more) {
    if (avail < 2)
        return more ? 0 : 1;
    if (at[0] == '\r')
        return at[1] == '\n' ? 2 : 1;
    if (at[1] != '\r')
        return 1;
    if (avail < 3)
        return more ? 0 : 2;
    return at[2] == '\r' ? 3 : 2;
}

// The lines of a program read from a device, from its position, in pieces:
// memory stays near two pieces (and the longest line) whatever the size.
// Lines end as lineEndSize() says; a last line without an end is a line
// too, and a final line end adds no empty line.
class LineReader {
public:
    // Small enough that a piece is still in the processor's cache while its
    // lines are sent, and the first read costs little before the first byte.
    static constexpr qint64 kPieceSize = 64 * 1024;
    // A line view may be read this far past its end (what lies there is
    // undefined): short lines are then copied in one fixed-size move.
    static constexpr qint64 kSlack = 32;
    explicit LineReader(QIODevice& in, qint64 pieceSize = kPieceSize);
    // The next line, without its end, as a view of the reader's buffer: it
    // stays valid until next() or skip() gives another line. False at the
    // end, or when reading failed (error() says why).
    bool next(QByteArray* line);
    // A line found by nextLines(): its bytes (without the line end) in the
    // reader's buffer, and where it starts and where its end ends in the program.
    struct Line {
        const char* data;
        qint64 size;
        qint64 start;
        qint64 end;
    };
    // Up to `max` next lines, found in one pass over the bytes read so far;
    // a piece is read only when no whole line is left. Their bytes stay
    // valid until the next call of nextLines(), next() or skip(). 0 at the
    // end, or when reading failed.
    qsizetype nextLines(Line* lines, qsizetype max);
    // Skips `count` lines; false when the program has fewer.
    bool skip(qint64 count);
    qint64 position() const { return consumed_ + begin_; } // bytes read, line ends included
    // Whether `line` is still a view of this reader's buffer, with kSlack
    // readable bytes past its end: a line the caller has replaced (upper-cased,
    // say) is a block of its own, exactly as long as it is.
    bool hasSlack(const QByteArray& line) const { return hasSlack(line.constData(), line.size()); }
    bool hasSlack(const char* data, qint64 size) const {
        const quintptr at = quintptr(data), begin = quintptr(buf_.constData());
        return at >= begin && at + quintptr(size + kSlack) <= begin + quintptr(buf_.size());
    }
    QString error() const { return error_; }

private:
    bool fill();

    QIODevice& in_;
    qint64 piece_;
    QByteArray buf_;
    qint64 begin_ = 0; // the unread part is [begin_, end_)
    qint64 end_ = 0;
    qint64 scanFrom_ = 0; // before here the unread part holds no line end
    qint64 consumed_ = 0;
    bool atEnd_ = false;
    QString error_;
};
// The lines from the device's position to its end.
qint64 countLines(QIODevice& in);

// The editor's line numbers of a program's lines (blocks). The editor ends a
// line at CR LF, LF or a lone CR, so a block that ends in LF CR takes two of
// its lines and one that ends in LF CR CR three; for other line ends the
// numbers agree.
class EditorLineCount {
public:
    // The editor line the next block starts on: `size` bytes, then its line
    // end `end` (empty for a last line without one). Blocks come in order.
    qint64 startOf(qint64 size, const char* end, qint64 endSize);

private:
    qint64 ends_ = 0;       // the editor's line ends before the block
    bool endsInCr_ = false; // the block before ended in a CR the editor may join to an LF
};
// The same from the device's position on.
// The editor line block `block` (1-based) starts on; 0 when there is none.
qint64 editorLineOfBlock(QIODevice& program, qint64 block);
// The editor line the last block starts on; 0 for an empty program.
qint64 editorLineOfLastBlock(QIODevice& program);
// The block editor line `line` is part of: the one that starts on it, or the
// one whose line end it lies in. 0 before the first block's line and past
// the last block's.
qint64 blockOfEditorLine(QIODevice& program, qint64 line);

// Every space removed.
QByteArray stripSpaces(const QByteArray& line);
// Spaces (only) cut from both ends.
QByteArray trimSpaces(const QByteArray& line);
// A block holding `ignore` (exact case): with keepBefore the part before it,
// trimmed of spaces; otherwise the skip marker. Unchanged when `ignore` is
// empty or absent.
QByteArray ignoreBlock(const QByteArray& line, const QByteArray& ignore, bool keepBefore);
// Two spaces after the N word: "N10G01X5" -> "N10  G01X5", "N100" -> "N100  ".
// Lines not starting with upper-case N are returned unchanged.
QByteArray doubleSpaceN(const QByteArray& line);

// The machine's line rules for one send.
struct Rules {
    bool stripSpaces = false;
    QByteArray ignoreBlock;
    bool keepBeforeIgnore = false; // IgnoreBlockType 1, window sends only
    bool doubleSpaceN = false;     // window sends only
    bool stripBlankLines = false;
};

// The line as prepared for sending and shown as the current block (the skip
// marker for an ignored block).
QByteArray prepareLine(const QByteArray& raw, const Rules& rules);
// Whether a prepared line goes to the machine.
inline bool isSent(const char* prepared, qsizetype size, const Rules& rules) {
    if (size == 0)
        return !rules.stripBlankLines;
    return size != kSkipMarker.size() || std::memcmp(prepared, kSkipMarker.constData(), size_t(size)) != 0;
}
inline bool isSent(const QByteArray& prepared, const Rules& rules) {
    return isSent(prepared.constData(), prepared.size(), rules);
}

// Whole percent of done over total, rounded, at most 100; 0 when total is 0.
int percentOf(qint64 done, qint64 total);

// The header and trailer percent rule: how much of the program is looked at
// (half its length, halves to even, at most 512).
qint64 sampleSize(qint64 length);
// What the rule looks at of a program: its start (header) or its end
// (trailer). The device is left where the sample ends.
QByteArray percentSample(const QByteArray& program, bool header);
QByteArray percentSample(QIODevice& program, bool header);

// A header or trailer code list as it goes out: characters and pauses kept
// apart, the characters passed through `convert` when given (the EIA code).
// When the characters then and the program's sample both hold a "%", every
// "%" is dropped from them, so a program that carries its own tape-start
// mark does not get a second one.
CodeList::Parsed headerTrailerPieces(const QString& codeList, const QByteArray& sample,
                                     const std::function<QByteArray(const QByteArray&)>& convert = {});

} // namespace SendLines
