#include "TerminalView.h"

#include "CodeList.h"
#include "ReceiveFilter.h"
#include "TransferGlobals.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

QString charName(uchar code) {
    if (code < 32)
        return QStringLiteral("<%1=%2>").arg(code).arg(CodeList::controlName(code));
    if (code == 32)
        return QStringLiteral("<32SPACE>");
    return QStringLiteral("<%1=%2>").arg(QChar(code)).arg(code);
}

namespace {

QByteArray nameEach(const QByteArray& text, int below) {
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        if (uchar(c) < below)
            out += charName(uchar(c)).toLatin1();
        else
            out += c;
    }
    return out;
}

// Box text for a stretch of held text: every line end one line break, NUL a
// blank. `afterCr`: the stretch follows a CR already drawn, so a leading LF
// belongs to that line end.
QString boxText(const QByteArray& text, bool afterCr) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            const bool pairsWithCr = i > 0 ? text[i - 1] == '\r' : afterCr;
            if (!pairsWithCr)
                out += QLatin1Char('\n');
        } else if (c == '\r') {
            out += QLatin1Char('\n');
        } else {
            out += c == '\0' ? QLatin1Char(' ') : QLatin1Char(c);
        }
    }
    return out;
}

} // namespace

QByteArray terminalDisplayText(const QByteArray& shown, bool bestEob, int debugMode) {
    QByteArray t = shown;
    if (bestEob) {
        if (!t.contains('\r') || t.contains('\n')) {
            t.replace("\r", "");
            t = ReceiveFilter::replaceAllBytes(t, "\n", "\r\n");
        } else {
            t = ReceiveFilter::replaceAllBytes(t, "\r", "\r\n");
        }
        // Blank lines collapse once, by the longest run found.
        for (int run = 5; run >= 2; --run) {
            const QByteArray ends = QByteArray("\r\n").repeated(run);
            if (t.contains(ends)) {
                t = ReceiveFilter::replaceAllBytes(t, ends, "\r\n");
                break;
            }
        }
    }
    switch (debugMode) {
    case -1:
        break;
    case 0:
        t = nameEach(t, 32);
        break;
    case 2:
        for (char& c : t)
            if (c != '\0' && c != '\n' && c != '\r')
                c = ' ';
        t = ReceiveFilter::replaceAllBytes(t, "\r", "\\CR");
        t = ReceiveFilter::replaceAllBytes(t, "\n", "\\LF");
        break;
    case 4:
        t = nameEach(t, 256);
        break;
    default:
        t = ReceiveFilter::replaceAllBytes(t, QByteArray(1, '\0'), "<NUL>");
        break;
    }
    return t;
}

TerminalView::TerminalView(QPlainTextEdit* box, QObject* parent) : QObject(parent), box_(box) {
    drawTimer_.setSingleShot(true);
    drawTimer_.setInterval(40);
    connect(&drawTimer_, &QTimer::timeout, this, &TerminalView::draw);
    if (box_)
        box_->installEventFilter(this);
}

// What was held back while the box was hidden is drawn as it shows.
bool TerminalView::eventFilter(QObject* watched, QEvent* event) {
    // Type first: during the box's destruction it is no longer a QPlainTextEdit.
    if (event->type() == QEvent::Show && watched == static_cast<QObject*>(box_.get())
        && (redrawAll_ || drawnUpTo_ < text_.size()))
        QTimer::singleShot(0, this, &TerminalView::draw);
    return QObject::eventFilter(watched, event);
}

void TerminalView::appendToTerminal(const QByteArray& shown) {
    if (gPortState == PortTerminal)
        gBestEob = gDebugMode == 3;
    if (binary_)
        gBestEob = false;
    addPiece(terminalDisplayText(shown, gBestEob, gPortState == PortTerminal ? gDebugMode : -1));
    received_ += shown.size() > kCap ? shown.right(kCap) : shown;
    while (received_.size() > kCap) {
        received_.remove(0, kCut);
        receivedDrawnUpTo_ = qMax<qsizetype>(0, receivedDrawnUpTo_ - kCut);
    }
}

QByteArray TerminalView::receivedBytes() {
    flush();
    return received_;
}

void TerminalView::addPiece(const QByteArray& piece) {
    if (text_.size() > kCap) {
        // A fixed cut, so most pieces cost no more than their own length.
        while (text_.size() > kCap)
            text_.remove(0, kCut);
        redrawAll_ = true;
    }
    text_ += piece.size() > kCap ? piece.right(kCap) : piece;
    if (!drawTimer_.isActive())
        drawTimer_.start();
}

void TerminalView::clear() {
    drawTimer_.stop();
    text_.clear();
    received_.clear();
    drawnUpTo_ = 0;
    receivedDrawnUpTo_ = 0;
    redrawAll_ = false;
    if (box_)
        box_->clear();
}

void TerminalView::flush() {
    drawTimer_.stop();
    draw();
}

void TerminalView::draw() {
    // Nothing is drawn into a box nobody can see (the window hidden, or the
    // editor in front); it is drawn whole when it shows.
    if (!box_ || !box_->isVisible())
        return;
    // Cleared from outside (Clear Debug): what was drawn is gone for good.
    if (!redrawAll_ && drawnUpTo_ > 0 && box_->document()->isEmpty()) {
        text_.remove(0, drawnUpTo_);
        drawnUpTo_ = 0;
        received_.remove(0, receivedDrawnUpTo_);
    }
    if (redrawAll_) {
        box_->setPlainText(boxText(text_, false));
        redrawAll_ = false;
    } else if (drawnUpTo_ < text_.size()) {
        QTextCursor cursor(box_->document());
        cursor.movePosition(QTextCursor::End);
        const bool afterCr = drawnUpTo_ > 0 && text_[drawnUpTo_ - 1] == '\r';
        cursor.insertText(boxText(text_.mid(drawnUpTo_), afterCr));
    }
    drawnUpTo_ = text_.size();
    receivedDrawnUpTo_ = received_.size();
    box_->moveCursor(QTextCursor::End);
    box_->ensureCursorVisible();
}
