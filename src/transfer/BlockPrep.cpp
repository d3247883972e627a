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
    // The rest of a line end the last piece cut: an LF after its CR, a CR
    // (or two) after its LF.
    while (!endSoFar_.isEmpty() && i < size) {
        const bool goesOn = endSoFar_ == "\r" ? data[i] == '\n' : data[i] == '\r';
        if (goesOn)
            ++i;
        if (goesOn && endSoFar_ == "\n")
            endSoFar_ = "\n\r";
        else
            endSoFar_.clear();
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
        const int endSize = SendLines::lineEndSize(at, end - at, true);
        const bool cut = endSize == 0; // the piece ends inside the line end
        i = cut ? size : at - data + endSize;
        if (plain_ && partial_.isEmpty() && !cut && QByteArray::fromRawData(at, endSize) == eob_) {
            if (!run)
                run = start;
            continue;
        }
        flushRun(start);
        line(start, at - start, out);
        if (cut)
            endSoFar_ = QByteArray(at, end - at);
    }
    flushRun(end);
}

void BlockPrep::finish(QByteArray* out) {
    endSoFar_.clear();
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
