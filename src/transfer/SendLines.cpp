#include "SendLines.h"

#include <cmath>

namespace SendLines {

const QByteArray kSkipMarker = QByteArrayLiteral("^!^!^!");

namespace {

// The first CR or LF at or after `from`, or `size` when there is none.
qint64 lineEndAt(const char* data, qint64 size, qint64 from) {
    const char* p = data + from;
    const char* const end = data + size;
    while (p < end && *p != '\n' && *p != '\r')
        ++p;
    return p - data;
}

// Position after the line end that starts at `at`.
qint64 afterLineEnd(const char* data, qint64 size, qint64 at) {
    if (at >= size)
        return size;
    if (data[at] == '\r' && at + 1 < size && data[at + 1] == '\n')
        return at + 2;
    return at + 1;
}

} // namespace

QByteArray LineReader::next() {
    const QByteArray view = nextView();
    return QByteArray(view.constData(), view.size());
}

QByteArray LineReader::nextView() {
    const qint64 size = data_.size();
    if (pos_ >= size)
        return QByteArray();
    const char* d = data_.constData();
    const qint64 end = lineEndAt(d, size, pos_);
    const QByteArray line = QByteArray::fromRawData(d + pos_, int(end - pos_));
    pos_ = afterLineEnd(d, size, end);
    return line;
}

bool LineReader::skip(qint64 count) {
    const qint64 size = data_.size();
    const char* d = data_.constData();
    for (qint64 i = 0; i < count; ++i) {
        if (pos_ >= size)
            return false;
        pos_ = afterLineEnd(d, size, lineEndAt(d, size, pos_));
    }
    return true;
}

qint64 countLines(const QByteArray& data) {
    qint64 n = 0;
    LineReader reader(data);
    while (reader.skip(1))
        ++n;
    return n;
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

bool isSent(const QByteArray& prepared, const Rules& rules) {
    if (prepared == kSkipMarker)
        return false;
    return !(prepared.isEmpty() && rules.stripBlankLines);
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
