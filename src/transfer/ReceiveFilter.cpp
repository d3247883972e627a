#include "ReceiveFilter.h"

#include "CodeList.h"
#include "EndOfBlock.h"
#include "MachineRecord.h"
#include "SafeFile.h"

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

// Every occurrence removed, left to right without overlap; what the removal
// joins is not searched again (the search runs ahead of the writing).
void removeAllInPlace(QByteArray& text, const QByteArray& find) {
    if (find.isEmpty() || text.isEmpty())
        return;
    char* p = text.data();
    const qsizetype n = text.size();
    qsizetype w = 0;
    qsizetype r = 0;
    for (;;) {
        const char* m = findBytes(p + r, n - r, find);
        const qsizetype at = m ? m - p : n;
        if (w != r)
            std::memmove(p + w, p + r, size_t(at - r));
        w += at - r;
        if (!m)
            break;
        r = at + find.size();
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
    void feed(QByteArray piece, QByteArray& out) {
        discardBytes(piece, discard_);
        for (StreamReplace& stage : stages_) {
            QByteArray next;
            stage.feed(piece.constData(), piece.size(), next);
            piece.swap(next);
        }
        out += piece;
    }
    void finish(QByteArray& out) {
        QByteArray piece;
        for (StreamReplace& stage : stages_) {
            QByteArray next;
            stage.feed(piece.constData(), piece.size(), next);
            stage.finish(next);
            piece.swap(next);
        }
        out += piece;
    }

private:
    Discard discard_;
    std::vector<StreamReplace> stages_;
};

// The line-end conversion as a stream; nothing to convert passes bytes through.
class LineEnds {
public:
    explicit LineEnds(const QByteArray& from) : replace_(from, kCrLf), active_(!from.isEmpty()) {}
    QByteArray feed(const QByteArray& piece) {
        if (!active_)
            return piece;
        QByteArray out;
        replace_.feed(piece.constData(), piece.size(), out);
        return out;
    }
    QByteArray finish() {
        QByteArray out;
        if (active_)
            replace_.finish(out);
        return out;
    }

private:
    StreamReplace replace_;
    bool active_;
};

bool readPiece(QIODevice& in, qint64 size, QByteArray* piece, QString* error) {
    *piece = in.read(size);
    if (piece->isEmpty() && !in.atEnd()) {
        if (error)
            *error = in.errorString();
        return false;
    }
    return true;
}

bool writeAll(QIODevice& out, QByteArray& buffer, QString* error) {
    if (!writeAllBytes(out, buffer, error))
        return false;
    buffer.clear();
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
    while (!in.atEnd()) {
        QByteArray piece;
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
    QByteArray joined;
    const char* p = data;
    qsizetype len = size;
    if (!carry_.isEmpty()) {
        joined = carry_;
        joined.append(data, size);
        p = joined.constData();
        len = joined.size();
    }
    qsizetype pos = 0;
    while (pos < len) {
        const char* m = findBytes(p + pos, len - pos, find_);
        if (!m)
            break;
        const qsizetype at = m - p;
        out.append(p + pos, at - pos);
        out.append(with_);
        pos = at + k;
    }
    // A match can still begin in the last k - 1 bytes once more data comes.
    const qsizetype keepFrom = qMax(pos, len - (k - 1));
    out.append(p + pos, keepFrom - pos);
    carry_ = QByteArray(p + keepFrom, len - keepFrom);
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

QByteArray filterWhole(const QByteArray& received, const Settings& s) {
    const QByteArray from = lineEndToConvert(s, received.left(kSampleSize));
    const QByteArray text = from.isEmpty() ? received : replaceAllBytes(received, from, kCrLf);
    qsizetype begin = 0;
    if (s.startChar >= 0) {
        const char c = char(s.startChar);
        qsizetype i = text.indexOf(c);
        if (i >= 0) {
            while (i < text.size() && text[i] == c)
                ++i;
            begin = i;
        }
    }
    qsizetype end = text.size();
    if (s.endChar >= 0) {
        const qsizetype i = text.indexOf(char(s.endChar), begin);
        if (i >= 0)
            end = i;
    }
    QByteArray out;
    out.reserve(end - begin + 2);
    if (s.startChar >= 0 && s.keepStart)
        out += char(s.startChar);
    out.append(text.constData() + begin, end - begin);
    if (s.endChar >= 0 && s.keepEnd)
        out += char(s.endChar);
    discardBytes(out, s.discard);
    for (const QByteArray& u : s.unwanted)
        removeAllInPlace(out, u);
    return out;
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
            tail.feed(a.mid(begin, end - begin), buffer);
    };

    if (s.startChar >= 0 && s.keepStart)
        tail.feed(QByteArray(1, char(s.startChar)), buffer);
    qint64 done = 0;
    while (!ended && !in.atEnd()) {
        QByteArray piece;
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
        tail.feed(QByteArray(1, char(s.endChar)), buffer);
    tail.finish(buffer);
    if (progress)
        progress(100.0);
    return writeAll(out, buffer, error);
}

} // namespace ReceiveFilter
