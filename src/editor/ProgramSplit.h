#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVector>

// Splitting a file that holds several NC programs (a control's whole memory
// sent at once) into one file per program, without a window.
namespace ProgramSplit {

// The word a program's start line begins with (FanucBefore) and what must
// follow its number there (FanucAfter), as the split options list them.
inline const char* const kBeforeWords[] = {":", "O", "$", "0 BEGIN PGM", "PGM,"};
inline const char* const kAfterWords[] = {"{Nothing}", "(Bracket Comment)", "MM", "INCH", ".MIN%", ","};

struct Options {
    int before = 0;
    int after = 0;
    bool stripPercent = true;    // the master's "%" lines go
    bool putBackPercent = false; // each program between "%" lines
    bool stripBlankLines = true;
    bool useComment = false;     // the start line's first bracket comment names the program
    bool prefixO = false;        // "O" in front of each file name
    static Options ofMachine();
};

struct Piece {
    QString name;                // the file name, without a folder
    QByteArray bytes;            // what the file holds
    qint64 line = 0;             // the editor's line of the program's start in the master
    bool beforePrograms = false; // the text before the first program
};

// The name of the file that takes the text before the first program.
inline const char* const kBeforeProgramsName = "BeforeFirstProgram.txt";

// The pieces of `text`, in order: the text before the first program (only
// when it holds more than "%" and blank lines), then each program. No piece
// at all when no line starts a program. Lines keep their own line ends (LF CR
// and LF CR CR are one each, as CR LF is); a "%" put back ends with the
// text's line end.
QVector<Piece> split(QByteArrayView text, const Options& options);

// False for a name the split must not write: empty, "." or "..", or holding
// a folder separator, a control character or a character other systems
// refuse in file names (: * ? " < > |).
bool validFileName(const QString& name);

// `name` with "_2", "_3", ... before its extension: the first one that is
// not in `taken` and not a file of `folder`.
QString freeName(const QString& folder, const QString& name, const QStringList& taken);

struct Written {
    QStringList paths;     // every file written, in order
    QStringList programs;  // those that hold a program
    bool complete = false; // every piece was written
    bool replacedSource = false; // a program was written over the file being split
};

// Writes the pieces into `folder` (ending in "/"), each through a temporary
// file and a rename. A name already written by this split is never
// replaced: the later program takes a free name. An existing file is
// replaced only when the user says so (Yes, No, Yes To All, Cancel), or,
// with `renameExisting`, left alone with the program under a free name.
// A name that is not valid is refused before anything is written; a failed
// write stops the split with the reason; files already written stay.
// `source`, the file being split, is replaced only after its own question
// and after every other piece is written.
Written writePieces(const QVector<Piece>& pieces, const QString& folder, bool renameExisting,
                    const QString& source = QString());

} // namespace ProgramSplit
