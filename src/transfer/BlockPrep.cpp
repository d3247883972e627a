#include "BlockPrep.h"

#include <cstring>

namespace {
const char* find(const char* from, const char* end, char c) {
    const void* at = std::memchr(from, c, size_t(end - from));
    return at ? static_cast<const char*>(at) : end;
}
} // namespace

BlockPrep::BlockPrep(const QByteArray& eob, const SendLines::Rules& rules)
    : eob_(eob), rules_(rules), plain_(!rules.stripSpaces && rules.ignoreBlock.isEmpty() && !rules.stripBlankLines) {}

void BlockPrep::feed(const char* data, qint64 size, QByteArray* out) {
    qint64 i = 0;
    if (skipLf_ && size > 0) {
        skipLf_ = false;
        if (data[0] == '\n')
            i = 1;
    }
    const char* const end = data + size;
    const char* cr = nullptr; // the next CR at or after the line's start; `end` when there is none
    const char* lf = nullptr;
    // Lines that already end with the end of block and need nothing else
    // are copied in one run.
    const char* run = nullptr;
    const auto flushRun = [&](const char* upTo) {
        if (run)
            out->append(run, upTo - run);
        run = nullptr;
    };
    while (i < size) {
        const char* start = data + i;
        // Each search goes on from where the last one stopped: one pass over the piece.
        if (!cr || cr < start)
            cr = find(start, end, '\r');
        if (!lf || lf < start)
            lf = find(start, end, '\n');
        const char* at = cr < lf ? cr : lf;
        if (at == end) {
            flushRun(start);
            partial_.append(start, end - start);
            return;
        }
        i = at - data + 1;
        const bool crAtEnd = *at == '\r' && i == size;
        if (*at == '\r' && !crAtEnd && data[i] == '\n')
            ++i;
        if (plain_ && partial_.isEmpty() && !crAtEnd &&
            QByteArray::fromRawData(at, data + i - at) == eob_) {
            if (!run)
                run = start;
            continue;
        }
        flushRun(start);
        line(start, at - start, out);
        skipLf_ = crAtEnd;
    }
    flushRun(end);
}

void BlockPrep::finish(QByteArray* out) {
    skipLf_ = false;
    if (!partial_.isEmpty())
        line(nullptr, 0, out);
}

void BlockPrep::line(const char* data, qint64 size, QByteArray* out) {
    QByteArray raw;
    if (partial_.isEmpty()) {
        raw = QByteArray::fromRawData(data, size);
    } else {
        partial_.append(data, size);
        raw = partial_;
    }
    if (plain_) {
        out->append(raw);
        out->append(eob_);
    } else {
        const QByteArray prepared = SendLines::prepareLine(raw, rules_);
        if (SendLines::isSent(prepared, rules_)) {
            out->append(prepared);
            out->append(eob_);
        }
    }
    raw.clear();
    partial_.truncate(0);
}
