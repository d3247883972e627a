#include "SendLines.h"

#include <QIODevice>
#include <QtAlgorithms>

#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace SendLines {

const QByteArray kSkipMarker = QByteArrayLiteral("^!^!^!");

LineReader::LineReader(QIODevice& in, qint64 pieceSize) : in_(in), piece_(qMax<qint64>(pieceSize, 1)) {
    // Sized once: a line view stays valid however the next read ends.
    buf_.resize(2 * piece_ + kSlack);
}

// Moves the unread part to the front and reads a piece after it. The bytes
// before the unread part (the line last given) are overwritten only when the
// read brings more, which then makes another line.
bool LineReader::fill() {
    if (atEnd_)
        return false;
    const qint64 keep = end_ - begin_;
    if (begin_ > 0) {
        if (keep > 0)
            std::memmove(buf_.data(), buf_.constData() + begin_, size_t(keep));
        consumed_ += begin_;
        scanFrom_ -= begin_;
        begin_ = 0;
        end_ = keep;
    }
    if (buf_.size() < end_ + piece_ + kSlack)
        buf_.resize(end_ + piece_ + kSlack); // a line longer than a piece
    const qint64 n = in_.read(buf_.data() + end_, piece_);
    if (n <= 0) {
        if (n < 0)
            error_ = in_.errorString();
        atEnd_ = true;
        return false;
    }
    end_ += n;
    return true;
}

bool LineReader::next(QByteArray* line) {
    Line found;
    if (nextLines(&found, 1) == 0)
        return false;
    *line = QByteArray::fromRawData(found.data, found.size);
    return true;
}

namespace {
// The CR and LF bytes among the 32 at `p`, one bit each (bit i for p[i]).
inline quint32 lineEndBits(const char* p) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const quint32 low = quint32(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a, cr), _mm_cmpeq_epi8(a, lf))));
    const quint32 high = quint32(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(b, cr), _mm_cmpeq_epi8(b, lf))));
    return low | high << 16;
#else
    quint32 bits = 0;
    for (int i = 0; i < 32; ++i)
        if (p[i] == '\r' || p[i] == '\n')
            bits |= quint32(1) << i;
    return bits;
#endif
}
} // namespace

qsizetype LineReader::nextLines(Line* lines, qsizetype max) {
    static_assert(kSlack >= 32, "32 bytes are looked at from any position before end_");
    qsizetype n = 0;
    for (;;) {
        // Kept in locals: the lines written cannot then be taken for them.
        const char* const d = buf_.constData();
        const qint64 end = end_, consumed = consumed_;
        const bool more = !atEnd_;
        qint64 begin = begin_, scan = scanFrom_;
        // The line ends among the 32 bytes from `block` on, each found once:
        // one look per 32 bytes, not one search per line. The buffer holds
        // kSlack bytes past end_; the bits of those are dropped.
        qint64 block = scan;
        const auto endsAt = [d, end](qint64 at) {
            const quint32 bits = lineEndBits(d + at);
            return end - at >= 32 ? bits : bits & ((quint32(1) << (end - at)) - 1);
        };
        quint32 ends = begin < end ? endsAt(block) : 0;
        while (n < max && begin < end) {
            while (ends == 0 && block + 32 < end)
                ends = endsAt(block += 32);
            Line& line = lines[n];
            line.data = d + begin;
            line.start = consumed + begin;
            if (ends == 0) {
                // No line end before the bytes read so far end.
                if (more) {
                    scan = end; // the next read goes on from here
                    break;
                }
                line.size = end - begin; // the last line, without an end
                begin = end;
            } else {
                const qint64 at = block + qCountTrailingZeroBits(ends);
                // A line end that ends the bytes read so far may go on in the next piece.
                const int endSize = lineEndSize(d + at, end - at, more);
                if (endSize == 0) {
                    scan = at;
                    break;
                }
                line.size = at - begin;
                begin = at + endSize;
                // The ends before the next line are passed: the one found, and
                // the rest of a line end of two or three bytes.
                if (endSize == 1)
                    ends &= ends - 1;
                else if (begin - block < 32)
                    ends &= ~quint32(0) << (begin - block);
                else
                    ends = begin < end ? endsAt(block = begin) : 0;
            }
            scan = begin;
            line.end = consumed + begin;
            ++n;
        }
        begin_ = begin;
        scanFrom_ = scan;
        // Lines found stay where they are: no read moves them now.
        if (n > 0 || n == max)
            return n;
        if (begin_ >= end_ && atEnd_)
            return 0;
        if (!fill() && begin_ >= end_)
            return 0;
    }
}

bool LineReader::skip(qint64 count) {
    QByteArray line;
    for (qint64 i = 0; i < count; ++i)
        if (!next(&line))
            return false;
    return true;
}

qint64 countLines(QIODevice& in) {
    LineReader reader(in);
    QByteArray line;
    qint64 n = 0;
    while (reader.next(&line))
        ++n;
    return n;
}

qint64 EditorLineCount::startOf(qint64 size, const char* end, qint64 endSize) {
    // LF CR before an empty block ended by LF: that CR LF is one line end there.
    if (endsInCr_ && size == 0 && endSize > 0 && end[0] == '\n')
        --ends_;
    const qint64 line = ends_ + 1;
    for (qint64 j = 0; j < endSize; ++j)
        if (end[j] == '\n' || j + 1 == endSize || end[j + 1] != '\n')
            ++ends_;
    endsInCr_ = endSize > 0 && end[endSize - 1] == '\r';
    return line;
}

namespace {
// Calls visit(block, editor line it starts on) for each block, until visit
// returns false; the last block and its line.
template <typename Visit> std::pair<qint64, qint64> walkEditorLines(QIODevice& program, Visit visit) {
    LineReader reader(program);
    LineReader::Line run[256];
    EditorLineCount count;
    qint64 block = 0, line = 0;
    while (const qsizetype n = reader.nextLines(run, qsizetype(std::size(run)))) {
        for (qsizetype i = 0; i < n; ++i) {
            const LineReader::Line& l = run[i];
            line = count.startOf(l.size, l.data + l.size, l.end - l.start - l.size);
            if (!visit(++block, line))
                return {block, line};
        }
    }
    return {block, line};
}
} // namespace

qint64 editorLineOfBlock(QIODevice& program, qint64 block) {
    qint64 found = 0;
    walkEditorLines(program, [&](qint64 b, qint64 line) {
        if (b == block)
            found = line;
        return b < block;
    });
    return found;
}

qint64 editorLineOfLastBlock(QIODevice& program) {
    return walkEditorLines(program, [](qint64, qint64) { return true; }).second;
}

qint64 blockOfEditorLine(QIODevice& program, qint64 line) {
    qint64 found = 0, foundLine = 0;
    bool past = false; // a block starts after the line
    walkEditorLines(program, [&](qint64 block, qint64 l) {
        past = l > line;
        if (!past) {
            found = block;
            foundLine = l;
        }
        return !past;
    });
    // Past the last block's line the editor holds no more of the program.
    return past || foundLine == line ? found : 0;
}

QByteArray stripSpaces(const QByteArray& line) {
    if (!line.contains(' '))
        return line;
    QByteArray out;
    out.reserve(line.size());
    for (const char c : line)
        if (c != ' ')
            out.append(c);
    return out;
}

QByteArray trimSpaces(const QByteArray& line) {
    int start = 0;
    int end = line.size();
    while (start < end && line[start] == ' ')
        ++start;
    while (end > start && line[end - 1] == ' ')
        --end;
    return line.mid(start, end - start);
}

QByteArray ignoreBlock(const QByteArray& line, const QByteArray& ignore, bool keepBefore) {
    if (ignore.isEmpty())
        return line;
    const int at = line.indexOf(ignore);
    if (at < 0)
        return line;
    return keepBefore ? trimSpaces(line.left(at)) : kSkipMarker;
}

QByteArray doubleSpaceN(const QByteArray& line) {
    if (line.isEmpty() || line[0] != 'N')
        return line;
    int count = 0;
    while (1 + count < line.size()) {
        const char c = line[1 + count];
        if (!((c >= '0' && c <= '9') || c == '.' || c == ' '))
            break;
        ++count;
    }
    return trimSpaces(line.left(count + 1)) + "  " + line.mid(count + 1);
}

QByteArray prepareLine(const QByteArray& raw, const Rules& rules) {
    QByteArray line = rules.stripSpaces ? stripSpaces(raw) : raw;
    line = ignoreBlock(line, rules.ignoreBlock, rules.keepBeforeIgnore);
    if (rules.doubleSpaceN && line != kSkipMarker)
        line = doubleSpaceN(line);
    return line;
}

int percentOf(qint64 done, qint64 total) {
    if (total <= 0 || done <= 0)
        return 0;
    const double pct = std::floor(double(done) / double(total) * 100.0 + 0.5);
    return pct >= 100 ? 100 : int(pct);
}

qint64 sampleSize(qint64 length) {
    if (length <= 0)
        return 0;
    const qint64 half = qint64(std::nearbyint(double(length) / 2.0));
    return qMin<qint64>(half, 512);
}

QByteArray percentSample(const QByteArray& program, bool header) {
    const int n = int(sampleSize(program.size()));
    return header ? program.left(n) : program.right(n);
}

QByteArray percentSample(QIODevice& program, bool header) {
    const qint64 size = program.size();
    const qint64 n = sampleSize(size);
    if (!program.seek(header ? 0 : size - n))
        return QByteArray();
    return program.read(n);
}

CodeList::Parsed headerTrailerPieces(const QString& codeList, const QByteArray& sample,
                                     const std::function<QByteArray(const QByteArray&)>& convert) {
    CodeList::Parsed parsed = CodeList::parse(codeList);
    if (convert)
        for (CodeList::Piece& piece : parsed.pieces)
            if (!piece.pause)
                piece.bytes = convert(piece.bytes);
    if (!parsed.bytesOnly().contains('%') || !sample.contains('%'))
        return parsed;
    for (CodeList::Piece& piece : parsed.pieces)
        if (!piece.pause)
            piece.bytes.replace("%", "");
    return parsed;
}

} // namespace SendLines
