#include "ReceiveFilter.h"

#include "CodeList.h"
#include "EndOfBlock.h"
#include "MachineRecord.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QIODevice>

#include <cstring>
#include <vector>

namespace ReceiveFilter {

namespace {

const QByteArray kCrLf("\r\n");

const char* findBytes(const char* hay, qsizetype hayLen, const QByteArray& needle) {
    if (needle.size() == 1)
        return static_cast<const char*>(std::memchr(hay, needle[0], size_t(hayLen)));
    return static_cast<const char*>(::memmem(hay, size_t(hayLen), needle.constData(), size_t(needle.size())));
}

// Moves every run of kept bytes down over the dropped ones; runs are found
// by a table lookup per byte, which a text with rare drops passes quickly.
void discardBytes(QByteArray& text, Discard discard) {
    if (discard == Discard::Nothing || text.isEmpty())
        return;
    bool drop[256] = {};
    drop[0] = true;
    if (discard == Discard::ControlChars)
        for (int c = 1; c < 32; ++c)
            drop[c] = c != '\n' && c != '\r';
    char* p = text.data();
    const qsizetype n = text.size();
    qsizetype w = 0;
    qsizetype r = 0;
    while (r < n) {
        const qsizetype runStart = r;
        while (r < n && !drop[uchar(p[r])])
            ++r;
        if (w != runStart)
            std::memmove(p + w, p + runStart, size_t(r - runStart));
        w += r - runStart;
        while (r < n && drop[uchar(p[r])])
            ++r;
    }
    text.truncate(w);
}

// Discard, then the unwanted strings in order: what follows the cut.
class Tail {
public:
    explicit Tail(const Settings& s) : discard_(s.discard) {
        for (const QByteArray& u : s.unwanted)
            if (!u.isEmpty())
                stages_.emplace_back(u, QByteArray());
    }
    // The stages pass each piece between two buffers that keep their room.
    void feed(const char* data, qsizetype size, QByteArray& out) {
        a_.truncate(0);
        a_.append(data, size);
        discardBytes(a_, discard_);
        for (StreamReplace& stage : stages_) {
            b_.truncate(0);
            stage.feed(a_.constData(), a_.size(), b_);
            a_.swap(b_);
        }
        out += a_;
    }
    void finish(QByteArray& out) {
        a_.truncate(0);
        for (StreamReplace& stage : stages_) {
            b_.truncate(0);
            stage.feed(a_.constData(), a_.size(), b_);
            stage.finish(b_);
            a_.swap(b_);
        }
        out += a_;
    }

private:
    Discard discard_;
    std::vector<StreamReplace> stages_;
    QByteArray a_, b_;
};

// The line-end conversion as a stream; nothing to convert passes bytes through.
class LineEnds {
public:
    explicit LineEnds(const QByteArray& from) : replace_(from, kCrLf), active_(!from.isEmpty()) {}
    // The piece converted; valid until the next call.
    const QByteArray& feed(const QByteArray& piece) {
        if (!active_)
            return piece;
        out_.truncate(0);
        replace_.feed(piece.constData(), piece.size(), out_);
        return out_;
    }
    const QByteArray& finish() {
        out_.truncate(0);
        if (active_)
            replace_.finish(out_);
        return out_;
    }

private:
    StreamReplace replace_;
    bool active_;
    QByteArray out_;
};

// Reads the next piece into *piece, whose room is kept from piece to piece.
bool readPiece(QIODevice& in, qint64 size, QByteArray* piece, QString* error) {
    piece->resize(size);
    const qint64 n = in.read(piece->data(), size);
    if (n < 0) {
        if (error)
            *error = in.errorString();
        return false;
    }
    piece->truncate(n);
    return true;
}

bool writeAll(QIODevice& out, QByteArray& buffer, QString* error) {
    if (!writeAllBytes(out, buffer, error))
        return false;
    buffer.truncate(0);
    return true;
}

// Where the text starts after the first run of start characters, in bytes
// of the converted text: 0 when there is none, the whole length when the
// run reaches the end.
bool findStart(QIODevice& in, const QByteArray& from, char start, qint64 pieceSize, qint64* startOffset,
               QString* error) {
    LineEnds eob(from);
    bool inRun = false;
    qint64 seen = 0;
    // True once the first byte after the run is found.
    auto scan = [&](const QByteArray& a) {
        const char* p = a.constData();
        const qsizetype n = a.size();
        qsizetype i = 0;
        if (!inRun) {
            const char* m = static_cast<const char*>(std::memchr(p, start, size_t(n)));
            if (!m) {
                seen += n;
                return false;
            }
            i = m - p + 1;
            inRun = true;
        }
        while (i < n && p[i] == start)
            ++i;
        if (i < n) {
            *startOffset = seen + i;
            return true;
        }
        seen += n;
        return false;
    };
    QByteArray piece;
    while (!in.atEnd()) {
        if (!readPiece(in, pieceSize, &piece, error))
            return false;
        if (scan(eob.feed(piece)))
            return true;
    }
    if (scan(eob.finish()))
        return true;
    *startOffset = inRun ? seen : 0;
    return true;
}

} // namespace

StreamReplace::StreamReplace(QByteArray find, QByteArray with) : find_(std::move(find)), with_(std::move(with)) {}

void StreamReplace::feed(const char* data, qsizetype size, QByteArray& out) {
    const qsizetype k = find_.size();
    if (k == 0) {
        out.append(data, size);
        return;
    }
    qsizetype pos = 0; // in data
    if (!carry_.isEmpty()) {
        // Only a match that starts in the carry can span the two: the carry
        // and the first k - 1 bytes of data decide it.
        const qsizetype carried = carry_.size();
        carry_.append(data, qMin(size, k - 1));
        const char* c = carry_.constData();
        const char* m = findBytes(c, carry_.size(), find_);
        if (m && m - c < carried) {
            out.append(c, m - c);
            out.append(with_);
            pos = m - c + k - carried;
        } else if (carry_.size() < k + carried - 1 && !m) {
            // Too little data yet to decide: all of it waits.
            carry_.truncate(carried);
            carry_.append(data, size);
            return;
        } else {
            out.append(c, carried);
        }
        carry_.truncate(0);
    }
    while (pos < size) {
        const char* m = findBytes(data + pos, size - pos, find_);
        if (!m)
            break;
        const qsizetype at = m - data;
        out.append(data + pos, at - pos);
        out.append(with_);
        pos = at + k;
    }
    // A match can still begin in the last k - 1 bytes once more data comes.
    const qsizetype keepFrom = qMax(pos, size - (k - 1));
    out.append(data + pos, keepFrom - pos);
    carry_.append(data + keepFrom, size - keepFrom);
}

void StreamReplace::finish(QByteArray& out) {
    out += carry_;
    carry_.clear();
}

QByteArray replaceAllBytes(const QByteArray& text, const QByteArray& find, const QByteArray& with) {
    if (find.isEmpty())
        return text;
    const char* p = text.constData();
    const qsizetype n = text.size();
    qsizetype count = 0;
    for (const char* m = p; (m = findBytes(m, n - (m - p), find)); m += find.size())
        ++count;
    if (count == 0)
        return text;
    QByteArray out(n + count * (with.size() - find.size()), Qt::Uninitialized);
    char* o = out.data();
    qsizetype pos = 0;
    for (const char* m; (m = findBytes(p + pos, n - pos, find)); pos = (m - p) + find.size()) {
        std::memcpy(o, p + pos, size_t(m - p - pos));
        o += m - p - pos;
        std::memcpy(o, with.constData(), size_t(with.size()));
        o += with.size();
    }
    std::memcpy(o, p + pos, size_t(n - pos));
    return out;
}

Settings currentMachineSettings() {
    Settings s;
    s.eobIndex = MachineRecord::currentInt(QStringLiteral("EOBReceive"));
    if (s.eobIndex == 6)
        s.customEob = getCustomEOB(EobReceive);
    // A code that is no byte leaves that step out.
    const int h = MachineRecord::currentInt(QStringLiteral("HeaderReceive"));
    if (h > 0 && h <= 256)
        s.startChar = h - 1;
    const int t = MachineRecord::currentInt(QStringLiteral("TrailerReceive"));
    if (t > 0 && t <= 256)
        s.endChar = t - 1;
    s.keepStart = MachineRecord::current(QStringLiteral("HeaderReceiveInc")).trimmed() == QLatin1String("1");
    s.keepEnd = MachineRecord::current(QStringLiteral("TrailerReceiveInc")).trimmed() == QLatin1String("1");
    const QString discard = MachineRecord::current(QStringLiteral("Discard")).trimmed();
    s.discard = discard == QLatin1String("0")   ? Discard::Nulls
                : discard == QLatin1String("1") ? Discard::ControlChars
                                                : Discard::Nothing;
    for (int i = 1; i <= 8; ++i)
        s.unwanted << MachineRecord::current(QStringLiteral("RemoveUnwantedStrings%1").arg(i)).toLatin1();
    return s;
}

QByteArray lineEndToConvert(const Settings& settings, const QByteArray& sample) {
    const QByteArray from = eobForReceive(settings.eobIndex, sample, settings.customEob);
    return from == kCrLf ? QByteArray() : from;
}

bool filterPieces(QIODevice& in, QIODevice& out, const Settings& s, qint64 pieceSize,
                  const std::function<void(double)>& progress, QString* error) {
    pieceSize = qMax<qint64>(1, pieceSize);
    if (!in.seek(0)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    const QByteArray from = lineEndToConvert(s, in.peek(kSampleSize));

    qint64 startOffset = 0;
    if (s.startChar >= 0) {
        if (!findStart(in, from, char(s.startChar), pieceSize, &startOffset, error))
            return false;
        if (!in.seek(0)) {
            if (error)
                *error = in.errorString();
            return false;
        }
    }

    const qint64 total = in.size();
    LineEnds eob(from);
    Tail tail(s);
    QByteArray buffer;
    qint64 skipped = 0;
    bool ended = false;
    auto accept = [&](const QByteArray& a) {
        qsizetype begin = 0;
        if (skipped < startOffset) {
            begin = qsizetype(qMin<qint64>(a.size(), startOffset - skipped));
            skipped += begin;
        }
        qsizetype end = a.size();
        if (s.endChar >= 0 && begin < end) {
            const char* m = static_cast<const char*>(std::memchr(a.constData() + begin, s.endChar, size_t(end - begin)));
            if (m) {
                end = m - a.constData();
                ended = true;
            }
        }
        if (end > begin)
            tail.feed(a.constData() + begin, end - begin, buffer);
    };

    const char startChar = char(s.startChar), endChar = char(s.endChar);
    if (s.startChar >= 0 && s.keepStart)
        tail.feed(&startChar, 1, buffer);
    qint64 done = 0;
    QByteArray piece;
    while (!ended && !in.atEnd()) {
        if (!readPiece(in, pieceSize, &piece, error))
            return false;
        done += piece.size();
        accept(eob.feed(piece));
        if (buffer.size() >= (1 << 20) && !writeAll(out, buffer, error))
            return false;
        if (progress && total > 0)
            progress(100.0 * double(done) / double(total));
    }
    if (!ended)
        accept(eob.finish());
    if (s.endChar >= 0 && s.keepEnd)
        tail.feed(&endChar, 1, buffer);
    tail.finish(buffer);
    if (progress)
        progress(100.0);
    return writeAll(out, buffer, error);
}

QByteArray filterWhole(const QByteArray& received, const Settings& settings, qint64 pieceSize) {
    QByteArray in = received;
    QBuffer source(&in);
    source.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer sink(&out);
    sink.open(QIODevice::WriteOnly);
    filterPieces(source, sink, settings, pieceSize > 0 ? pieceSize : qMax<qint64>(1, in.size()));
    return out;
}

} // namespace ReceiveFilter
