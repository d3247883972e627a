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

// Ascending positions, each kept as its distance from the one before in as
// few bytes as it needs: matches a few bytes apart cost a byte each.
class MatchStarts {
public:
    void append(qsizetype at);
    qsizetype size() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    class Reader {
    public:
        explicit Reader(const MatchStarts& m) : m_(m) {}
        bool atEnd() const { return at_ >= m_.bytes_.size(); }
        qsizetype next(); // the next position; only when not atEnd()

    private:
        const MatchStarts& m_;
        qsizetype at_ = 0, last_ = 0;
    };

private:
    QByteArray bytes_;
    qsizetype last_ = 0, count_ = 0;
};

// Replace All over [from, to) of a text, in slices so that the caller can
// yield between them: finds each match once, left to right, never one that
// overlaps the last; the caller replaces them (EditControl::replaceEach).
class ReplaceAllPass {
public:
    ReplaceAllPass(QByteArrayView text, const QByteArray& what, qsizetype from, qsizetype to,
                   const SearchOptions& options);

    // Goes on for about `bytes` of the text; true when the range is done.
    bool step(qsizetype bytes = 1 << 20);
    bool done() const { return done_; }
    int count() const { return int(starts_.size()); }
    qsizetype length() const { return search_.length(); }
    // Where the matches found so far start.
    const MatchStarts& starts() const { return starts_; }

private:
    TextSearch search_;
    qsizetype cursor_, to_;
    MatchStarts starts_;
    bool done_ = false;
};
