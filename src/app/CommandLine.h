#pragma once

#include <QString>
#include <QStringList>

// The program's command line: either a file to open (quotes allowed, no "?"),
// or four fields joined by "?": an ignored field, the machine number, the
// direction ("S" send and end, "O" open) and the file, which may itself hold "?".
namespace CommandLine {

enum class Kind {
    Empty,    // no command line: an interactive start
    OpenPath, // the path form; whether the file exists is the caller's question
    Send,     // "S": send the file to the machine and end
    Open,     // "O": open the file in an editor window
    Invalid,  // `error` says why; nothing is sent
    OtherDirection // neither "S" nor "O": the program ends without a box; `error` says why
};

struct Parsed {
    Kind kind = Kind::Empty;
    int machine = 0;   // 1 to 64, for Send and Open
    QString path;      // the file; in the path form without its double quotes
    QString error;     // for Invalid and OtherDirection: why nothing is done
};

Parsed parse(const QString& commandLine);

// The text after the program's name, as one line: the arguments joined by blanks.
QString fromArguments(const QStringList& arguments);

} // namespace CommandLine
