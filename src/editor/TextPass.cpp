#include "TextPass.h"

#include "EditorGlobals.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

// End of the line starting at `from`, and where the next one starts.
qsizetype lineEnd(QByteArrayView text, qsizetype from, qsizetype* next) {
    const char* base = text.data();
    const char* p = base + from;
    const char* end = base + text.size();
    while (p < end && *p != '\n' && *p != '\r')
        ++p;
    const qsizetype at = p - base;
    *next = at + (p < end ? (*p == '\r' && p + 1 < end && p[1] == '\n' ? 2 : 1) : 0);
    return at;
}

} // namespace

QByteArray lineEndOf(QByteArrayView text) {
    qsizetype next = 0;
    const qsizetype at = lineEnd(text, 0, &next);
    return at < text.size() ? text.sliced(at, next - at).toByteArray() : QByteArray("\r\n");
}

qsizetype countLines(QByteArrayView text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    qsizetype ends = std::count(begin, end, '\n');
    // A CR ends a line of its own unless an LF follows it.
    for (const char* cr = begin; (cr = static_cast<const char*>(std::memchr(cr, '\r', size_t(end - cr)))); ++cr)
        if (cr + 1 == end || cr[1] != '\n')
            ++ends;
    return ends + 1;
}

PassEnd runLinePass(QByteArrayView text, const LinePass& pass, QIODevice& out, QString* error, PieceEnds* pieces) {
    const QByteArray eol = lineEndOf(text);
    const qsizetype n = countLines(text);
    const qsizetype every = std::max<qsizetype>(1, pass.every ? pass.every(n) : n);
    constexpr qsizetype kPiece = 1 << 20;
    QByteArray piece;
    piece.reserve(kPiece + 4096);
    qsizetype from = 0;
    qint64 written = 0;
    const auto flush = [&] {
        if (out.write(piece) != piece.size()) {
            if (error)
                *error = out.errorString();
            return false;
        }
        written += piece.size();
        if (pieces)
            pieces->push_back({from, written});
        piece.truncate(0); // keeps its room
        return true;
    };

    qsizetype untilProgress = every;
    for (qsizetype i = 1; i <= n; ++i) {
        if (--untilProgress == 0 && pass.progress) {
            untilProgress = every;
            pass.progress(i, n);
            // The yield may have moved the text; it must not have changed it.
            if (pass.reread) {
                const QByteArrayView again = pass.reread();
                if (again.size() != text.size())
                    return PassEnd::Cancelled;
                text = again;
            }
        }
        qsizetype next = 0;
        const qsizetype at = lineEnd(text, from, &next);
        const QByteArrayView line = text.sliced(from, at - from);
        from = next;
        if (i == n && line.isEmpty())
            break;
        if (gCancelOperation)
            return PassEnd::Cancelled;
        if (pass.rule(line, piece))
            piece += eol;
        if (piece.size() >= kPiece && !flush())
            return PassEnd::WriteFailed;
    }
    from = text.size();
    return flush() ? PassEnd::Done : PassEnd::WriteFailed;
}

QString tookText(double seconds) {
    QString t = QString::number(seconds, 'f', 2);
    while (t.endsWith(QLatin1Char('0')))
        t.chop(1);
    if (t.startsWith(QLatin1String("0.")))
        t.remove(0, 1);
    return t;
}
