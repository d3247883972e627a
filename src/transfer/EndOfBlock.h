#pragma once

#include <QByteArray>
#include <QString>

// End-of-block conventions: what follows each block sent, and what line end
// received data uses.

enum EobDirection { EobSend = 0, EobReceive = 1 };

// The current machine's custom end of block (CustomEOBSend or
// CustomEOBReceive), never empty: an empty or unusable value shows "Bad or No
// End Of Block Defined = Defaulting To CR/LF", a stored value that cannot be
// parsed is cleared, and CR LF is returned.
QByteArray getCustomEOB(int direction);

// The characters sent after each block for an EOBSend value: "0" CR LF,
// "1" LF CR CR, "2" LF, "3" CR, "4" LF CR, "5" the custom sequence; any other
// value nothing.
QByteArray eobForSend(const QString& eobSend);

// The line end expected in received data for an EOBReceive list position:
// 0 the one found in `sample` (getEOB), 1 CR LF, 2 LF CR CR, 3 LF, 4 CR,
// 5 LF CR, 6 `custom` (the machine's getCustomEOB(EobReceive)). Any other
// position: CR LF.
QByteArray eobForReceive(int position, const QByteArray& sample, const QByteArray& custom);

// The line end found in a text, as a code list: "10,13,13", "13,10",
// "10,13", "13" or "10"; "13,10" when there is none.
QString getEOB(const QByteArray& text);
