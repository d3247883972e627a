#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// A paper-tape machine's man-readable title: the program's first lines, up
// to the one holding the machine's IgnoreUntil text, are punched as
// characters drawn in holes. "punch.man" in the program folder gives each
// character's pattern and the `gap` between two characters ([Settings], code
// lists of tape rows). Around each title line go BeforeMan and AfterMan NULs
// of blank tape; IgnoreUntil "?" punches only a leader of BeforeMan NULs;
// AfterTape NULs end the tape after the trailer. The bytes are tape rows:
// they are never converted to EIA.
class TapePunch {
public:
    TapePunch() = default; // punches nothing
    // The current machine's punching. A restart starts past the title.
    explicit TapePunch(bool restart);

    // The rows to punch before this line of the program; a title line is
    // upper-cased, as it is also sent.
    QByteArray beforeLine(QByteArray& line);
    // The rows after the trailer.
    QByteArray afterTrailer() const;

private:
    QByteArray pattern(char c);

    bool on_ = false;
    bool titleOver_ = true;
    QByteArray until_;
    int beforeMan_ = 0;
    int afterMan_ = 0;
    int afterTape_ = 0;
    QString patternFile_; // empty: no "punch.man"
    QByteArray gap_;
    QHash<char, QByteArray> patterns_;
};
