#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QIODevice;

// A whole-text pass of the text tools, line by line, without a window.

// The line end a text uses: its first CR LF, LF or CR; CR LF when it has none.
QByteArray lineEndOf(QByteArrayView text);
// Lines as the edit control counts them: one more than the line ends
// (CR LF, LF and a lone CR each end a line).
qsizetype countLines(QByteArrayView text);

struct LinePass {
    // Appends line's new text to `out`; false when the line is removed.
    std::function<bool(QByteArrayView line, QByteArray& out)> rule;
    // Called at line i (1-based) of n when i is a multiple of `every`
    // (computed from n); this is where the pass yields.
    std::function<qsizetype(qsizetype n)> every;
    std::function<void(qsizetype i, qsizetype n)> progress;
    // After each progress call: the same text, wherever it now lies.
    std::function<QByteArrayView()> reread;
};

enum class PassEnd { Done, Cancelled, WriteFailed };

// Where each piece of the result written ends: in the text it came from and in the result.
using PieceEnds = std::vector<std::pair<qsizetype, qint64>>;

// Runs the pass over every line of `text` and writes each kept line followed
// by the text's own line end to `out`. The empty line after a final line end
// is not a line of its own. gCancelOperation is tested once per line. The
// result is written in pieces of about a megabyte, noted in `pieces`.
PassEnd runLinePass(QByteArrayView text, const LinePass& pass, QIODevice& out, QString* error = nullptr,
                    PieceEnds* pieces = nullptr);

// "Took" time as the status line shows it: "####.##" (0.5 -> ".5", 3 -> "3.").
QString tookText(double seconds);
