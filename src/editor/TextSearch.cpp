#include "TextSearch.h"

#include <QChar>

namespace {

const uchar* foldTable() {
    static uchar table[256];
    static const bool ready = [] {
        for (int c = 0; c < 256; ++c) {
            const QChar lower = QChar(char16_t(c)).toLower();
            table[c] = lower.unicode() < 256 ? uchar(lower.unicode()) : uchar(c);
        }
        return true;
    }();
    Q_UNUSED(ready);
    return table;
}

bool isWordByte(uchar c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

} // namespace

QByteArray foldCase(QByteArrayView text) {
    const uchar* t = foldTable();
    QByteArray out(text.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const uchar*>(text.data());
    auto* o = reinterpret_cast<uchar*>(out.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        o[i] = t[in[i]];
    return out;
}

TextSearch::TextSearch(QByteArrayView text, const QByteArray& what, const SearchOptions& options)
    : options_(options) {
    if (options.matchCase) {
        text_ = text;
        what_ = what;
    } else {
        folded_ = foldCase(text);
        text_ = folded_;
        what_ = foldCase(what);
    }
}

bool TextSearch::wordEdgesOk(qsizetype pos) const {
    if (!options_.wholeWords)
        return true;
    const qsizetype end = pos + what_.size();
    return (pos == 0 || !isWordByte(uchar(text_[pos - 1]))) && (end >= text_.size() || !isWordByte(uchar(text_[end])));
}

bool TextSearch::matchAt(qsizetype pos) const {
    return isValid() && pos >= 0 && pos + what_.size() <= text_.size() && text_.sliced(pos, what_.size()) == what_ &&
           wordEdgesOk(pos);
}

qsizetype TextSearch::next(qsizetype from) const {
    if (!isValid())
        return -1;
    for (qsizetype pos = text_.indexOf(what_, qMax<qsizetype>(0, from)); pos >= 0; pos = text_.indexOf(what_, pos + 1))
        if (wordEdgesOk(pos))
            return pos;
    return -1;
}

qsizetype TextSearch::previous(qsizetype before) const {
    if (!isValid() || before <= 0)
        return -1;
    for (qsizetype pos = text_.lastIndexOf(what_, before - 1); pos >= 0; pos = pos > 0 ? text_.lastIndexOf(what_, pos - 1) : -1)
        if (wordEdgesOk(pos))
            return pos;
    return -1;
}

void MatchStarts::append(qsizetype at) {
    // Seven bits a byte, the high bit set on all but the last.
    quint64 gap = quint64(at - last_);
    while (gap >= 0x80) {
        bytes_.append(char(0x80 | (gap & 0x7f)));
        gap >>= 7;
    }
    bytes_.append(char(gap));
    last_ = at;
    ++count_;
}

qsizetype MatchStarts::Reader::next() {
    quint64 gap = 0;
    for (int shift = 0;; shift += 7) {
        const uchar b = uchar(m_.bytes_[at_++]);
        gap |= quint64(b & 0x7f) << shift;
        if (!(b & 0x80))
            break;
    }
    last_ += qsizetype(gap);
    return last_;
}

ReplaceAllPass::ReplaceAllPass(QByteArrayView text, const QByteArray& what, qsizetype from, qsizetype to,
                               const SearchOptions& options)
    : search_(text, what, options), cursor_(qBound<qsizetype>(0, from, text.size())),
      to_(qBound<qsizetype>(0, to, text.size())) {
    done_ = !search_.isValid();
}

bool ReplaceAllPass::step(qsizetype bytes) {
    const qsizetype stop = cursor_ + qMax<qsizetype>(1, bytes);
    while (!done_ && cursor_ < stop) {
        const qsizetype pos = search_.next(cursor_);
        if (pos < 0 || pos + search_.length() > to_) {
            done_ = true;
            break;
        }
        starts_.append(pos);
        cursor_ = pos + search_.length();
    }
    return done_;
}
