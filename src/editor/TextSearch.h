#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Text search of the find box over an editor's bytes (Latin-1 characters).

struct SearchOptions {
    bool matchCase = true;
    bool wholeWords = false; // the match may not touch a letter, digit, "_" or a byte above 127
};

// Latin-1 lower case, one byte per byte.
QByteArray foldCase(QByteArrayView text);

// Searches one text, folded once when the case does not matter. The text
// must outlive the object when the case matters (it is not copied then).
class TextSearch {
public:
    TextSearch(QByteArrayView text, const QByteArray& what, const SearchOptions& options);

    bool isValid() const { return !what_.isEmpty(); }
    qsizetype length() const { return what_.size(); }
    // The first match starting at or after `from`; -1 when none.
    qsizetype next(qsizetype from) const;
    // The last match starting before `before`; -1 when none.
    qsizetype previous(qsizetype before) const;
    bool matchAt(qsizetype pos) const;

private:
    bool wordEdgesOk(qsizetype pos) const;

    QByteArray folded_;
    QByteArrayView text_;
    QByteArray what_;
    SearchOptions options_;
};

// Replace All over [from, to) of a text, in slices so that the caller can
// yield between them. Each match is replaced once, left to right; the
// inserted text is never searched again.
class ReplaceAllPass {
public:
    ReplaceAllPass(QByteArrayView text, const QByteArray& what, const QByteArray& with, qsizetype from, qsizetype to,
                   const SearchOptions& options);

    // Goes on for about `bytes` of the text; true when the range is done.
    bool step(qsizetype bytes = 1 << 20);
    bool done() const { return done_; }
    int count() const { return count_; }
    // What the replacements made so far change: [start, end) of the text
    // becomes replacement(). Empty range when nothing was replaced.
    qsizetype start() const { return first_; }
    qsizetype end() const { return lastEnd_; }
    const QByteArray& replacement() const { return out_; }

private:
    QByteArrayView text_;
    TextSearch search_;
    QByteArray with_;
    qsizetype cursor_, to_;
    qsizetype first_ = -1, lastEnd_ = -1;
    QByteArray out_;
    int count_ = 0;
    bool done_ = false;
};
