#pragma once

#include "TerminalEcho.h"
#include "TransferGlobals.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QPlainTextEdit;

// "<13=CR>" for codes 0 to 31, "<32SPACE>" for the space, "<A=65>" for the rest.
QString charName(uchar code);

// What a piece of passing data looks like in the terminal. `debugMode` is
// the debug menu's mode while the debug window is open, -1 otherwise.
QByteArray terminalDisplayText(const QByteArray& shown, bool bestEob, int debugMode);

// The terminal view: the main window's terminal text box, fed with what
// passes the port. It keeps at most 16000 characters plus the newest piece
// (when the text is longer, the oldest 4096 go at once) and draws new text
// on a short timer, so a fast port never floods the window. What it shows
// is a copy: nothing here touches the bytes that are saved.
class TerminalView : public QObject {
    Q_OBJECT
public:
    static constexpr int kCap = kTerminalShows;
    static constexpr int kCut = 4096;

    explicit TerminalView(QPlainTextEdit* box, QObject* parent = nullptr);

    // One piece of passing data, formatted for the comm state and debug mode.
    void appendToTerminal(const QByteArray& shown);
    // A binary transfer runs: its data is never reformatted.
    void setBinaryTransfer(bool binary) { binary_ = binary; }

    void clear();
    // The text held, as characters (CR LF is two); what the box shows once drawn.
    QByteArray text() const { return text_; }
    // The newest bytes as they passed, before any display change (the box
    // shows every line end alike); empty once the box was cleared.
    QByteArray receivedBytes();
    // Draws what is waiting now rather than on the timer.
    void flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addPiece(const QByteArray& piece);
    void draw();

    QPointer<QPlainTextEdit> box_;
    QTimer drawTimer_;
    QByteArray text_;
    QByteArray received_;
    qsizetype receivedDrawnUpTo_ = 0;
    qsizetype drawnUpTo_ = 0; // text_ up to here is in the box
    bool redrawAll_ = false;  // the front was cut: the box is redrawn whole
    bool binary_ = false;
};
