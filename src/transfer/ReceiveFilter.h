#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

class QIODevice;

// What a received program goes through before it is saved: its line ends
// made CR LF, cut to what lies between the machine's start and end
// characters, control characters discarded and unwanted strings removed.
// Everything works on bytes; nothing here shows a window.
namespace ReceiveFilter {

enum class Discard {
    Nulls,        // "0": every NUL
    ControlChars, // "1": codes 0 to 31 except LF and CR
    Nothing       // anything else
};

struct Settings {
    int eobIndex = 1;       // EOBReceive: 0 found in the data, 1 CR LF, 2 LF CR CR, 3 LF, 4 CR, 5 LF CR, 6 custom
    QByteArray customEob;   // the custom line end, for index 6
    int startChar = -1;     // code of the start character, -1 for none
    int endChar = -1;       // code of the end character, -1 for none
    bool keepStart = false; // one start character goes back in front
    bool keepEnd = false;   // one end character goes back at the end
    Discard discard = Discard::Nothing;
    QVector<QByteArray> unwanted; // removed in this order; empty entries do nothing
};

// The current machine's receive settings. The custom line end is looked up
// (with its message when unusable) only when the machine uses it.
Settings currentMachineSettings();

// The line end is judged from this many bytes at the start of the data.
constexpr int kSampleSize = 1024;

// The received line end that becomes CR LF; empty when nothing changes.
QByteArray lineEndToConvert(const Settings& settings, const QByteArray& sample);

// The received data filtered, reading `in` from its start in pieces of
// `pieceSize` bytes and writing to `out`; memory stays near a few pieces
// whatever the size, and where a piece ends does not change the result. `in` must be seekable: the start character is found in a first
// reading. `progress` gets the share done, 0 to 100. False, with the
// reason, when reading or writing fails.
bool filterPieces(QIODevice& in, QIODevice& out, const Settings& settings, qint64 pieceSize,
                  const std::function<void(double percent)>& progress = {}, QString* error = nullptr);
// The same over a text in memory, as one piece unless `pieceSize` is given.
QByteArray filterWhole(const QByteArray& received, const Settings& settings, qint64 pieceSize = 0);

// Every occurrence of `find`, left to right without overlap, replaced; the
// replacement is not searched again.
QByteArray replaceAllBytes(const QByteArray& text, const QByteArray& find, const QByteArray& with);

// The same on a stream: fed piece by piece, it gives exactly what
// replaceAllBytes gives on the joined pieces. Bytes that may begin an
// occurrence wait for the next piece.
class StreamReplace {
public:
    StreamReplace(QByteArray find, QByteArray with);
    void feed(const char* data, qsizetype size, QByteArray& out);
    void finish(QByteArray& out);

private:
    QByteArray find_;
    QByteArray with_;
    QByteArray carry_;
};

} // namespace ReceiveFilter
