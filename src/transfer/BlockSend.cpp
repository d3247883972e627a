// The block routes: executive tape, drip feed, chunked drip feed, Send
// Binary and turbo drip feed. The program is read in pieces, prepared as it
// comes and cut into the machine's blocks, so memory stays the same whatever
// its size.
#include "BlockPrep.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "EiaCode.h"
#include "EndOfBlock.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "NetworkHandoff.h"
#include "PercentBar.h"
#include "PortLayer.h"
#include "SafeFile.h"
#include "SendHost.h"
#include "SendLines.h"
#include "SendRoutes.h"
#include "SendSession.h"
#include "SendSteps.h"
#include "StatusLine.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "frmCancelSend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QTimer>

namespace {

enum class Mode { ExecutiveTape, DripFeed, Binary, Turbo };

constexpr qint64 kPieceSize = 64 * 1024;
// The newest bytes handed to the port that the display can still show; and
// how much of them the echo box takes at once (about its 500 lines).
constexpr qsizetype kRecent = 64 * 1024;
constexpr qsizetype kEchoTail = 16 * 1024;
// The display follows what has left the PC this often, a held write included.
constexpr int kDisplayMs = 100;

QString machineValue(const char* key) { return MachineRecord::current(QString::fromLatin1(key)); }
int machineInt(const char* key) { return MachineRecord::currentInt(QString::fromLatin1(key)); }

double secondsSinceMidnight() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }

QString modeText(Mode mode) {
    switch (mode) {
    case Mode::ExecutiveTape:
        return QStringLiteral(" [Executive Tape Mode]");
    case Mode::Binary:
        return QStringLiteral(" [Binary Send Mode]");
    case Mode::Turbo:
        return QStringLiteral(" [Turbo Drip Feed Mode]");
    case Mode::DripFeed:
        break;
    }
    return QStringLiteral(" [Drip Feed Mode]");
}

// The header and trailer look for a "%" at the program's start and end:
// the first and last 512 bytes stand for a long program.
QByteArray headerSample(QFile& file) {
    const qint64 size = file.size();
    QByteArray sample = file.read(size <= 1024 ? size : 512);
    if (size > 1024 && file.seek(size - 512))
        sample += file.read(512);
    file.seek(0);
    return sample;
}

// The active editor window holds this file with unsaved changes: the
// operator saves them first or sends the file as it is on disk.
void offerToSaveWindow(const QString& fileName) {
    SendHost& host = sendHost();
    EditControl* control = host.activeEditor();
    EditorManager* editors = EditorManager::instance();
    if (!control || !editors || !control->isModified() || host.activeWindowFile() != fileName)
        return;
    const QString question = QStringLiteral("The Data Has Changed In File") + QLatin1Char('\n') + fileName +
                             QLatin1Char('\n') + QStringLiteral("Save Changes Before Sending ?");
    if (msgBox(question, Msg::YesNo, Msg::Question) == Msg::AnswerYes)
        editors->saveWindowToFile();
}

class BlockSend {
public:
    BlockSend(SendSession& session, const QString& fileName, int blockSize, Mode mode, const QString& loggedAs)
        : fileName_(fileName), loggedAs_(loggedAs), blockSize_(qMax(1, blockSize)), mode_(mode), session_(session),
          host_(session.host()) {}
    SendOutcome run();

private:
    bool start();
    void writeExtraCopy();
    void sendBlocks();
    bool sendBlock(const QByteArray& block);
    bool nothingLeft(BlockPrep& prep);
    void showPercent(int pct, bool force);
    qint64 gone() const;
    QByteArray lastLineGone(qint64 gone) const;
    void showGone(bool atEnd);
    void finish(bool afterSendWait, bool handedWhole = false);
    bool fail(PortResult result);
    void indicator(bool on, const QString& text) {
        if (frm_)
            frm_->updateIndicator(on, text);
    }
    bool prepared() const { return mode_ == Mode::DripFeed || mode_ == Mode::Turbo; }
    SendRoute route() const {
        switch (mode_) {
        case Mode::ExecutiveTape:
            return SendRoute::ExecutiveTape;
        case Mode::Binary:
            return SendRoute::Binary;
        case Mode::Turbo:
            return SendRoute::Turbo;
        case Mode::DripFeed:
            break;
        }
        return SendRoute::DripFeed;
    }

    const QString fileName_;
    const QString loggedAs_;
    const int blockSize_;
    const Mode mode_;
    SendSession& session_;
    SendHost& host_;
    QFile file_;
    frmCancelSend* frm_ = nullptr;
    SendOutcome outcome_ = SendOutcome::Sent;
    bool failed_ = false;
    bool eia_ = false;
    int lineDelay_ = 0;
    QString savedCaption_;
    QString captionPrefix_;
    QByteArray sample_;
    QByteArray eob_;
    SendLines::Rules rules_;

    qint64 blockNumber_ = 0;
    qint64 fileBytesRead_ = 0;
    qint64 producedBytes_ = 0; // prepared from them
    int lastPercent_ = 0;
    QElapsedTimer percentShownAt_;
    QString caption_;
    // What has left the PC, for the display: the port's counts before the
    // first block, the program's bytes handed over and the newest of them,
    // and how far the echo box has shown them.
    qint64 handedBefore_ = 0;
    qint64 droppedBefore_ = 0;
    qint64 handed_ = 0;
    QByteArray recent_; // ends at handed_
    qint64 echoed_ = 0;
    QTimer display_;
};

SendOutcome BlockSend::run() {
    if (start())
        sendBlocks();
    return outcome_;
}

bool BlockSend::fail(PortResult result) {
    if (failed_)
        return false;
    if (result == PortResult::Ok)
        return true;
    outcome_ = portFailure(result, frm_, 4000, session_.shownPath(fileName_));
    failed_ = true;
    return false;
}

bool BlockSend::start() {
    gOverride = true;
    gPortState = PortSending;
    host_.lockForTransfer(true);
    savedCaption_ = host_.caption();
    caption_ = savedCaption_;
    captionPrefix_ = host_.machineAlias() + QStringLiteral(" : ");
    session_.minimizeOnSend = readIniInt(QStringLiteral("Settings"), QStringLiteral("MinimizeOnSend"), 0);
    lineDelay_ = mode_ == Mode::ExecutiveTape || mode_ == Mode::Turbo ? 0 : machineInt("LineDelay");
    QCoreApplication::processEvents();
    const bool portOpen = openPortForSend(route());
    clearCancelAsSendBegins();
    if (!portOpen) {
        outcome_ = SendOutcome::PortFailed;
        finish(false);
        return false;
    }
    // The table is loaded as for every send; only the prepared routes convert their blocks.
    if (gCharacterSet == 1) {
        if (!DimConversions(QStringLiteral("Ascii2Eia"), eiaTableFile())) {
            outcome_ = SendOutcome::NotSent;
            finish(false);
            return false;
        }
        eia_ = prepared();
    }
    file_.setFileName(fileName_);
    if (!file_.open(QIODevice::ReadOnly)) {
        msgBox(QStringLiteral("Can't Open \"%1\"").arg(fileName_) + QLatin1Char('\n') + file_.errorString(), Msg::Ok,
               Msg::Critical);
        outcome_ = SendOutcome::NotSent;
        finish(false);
        return false;
    }
    sample_ = headerSample(file_);

    session_.showAsFromDisk();
    frm_ = loadProgressWindow(session_, getFileNameFromPath(session_.shownPath(fileName_)), QString());
    if (!waitForOperator(frm_)) {
        outcome_ = SendOutcome::Cancelled;
        finish(false);
        return false;
    }
    if (session_.minimizeOnSend > 0) {
        host_.minimize();
        if (frm_)
            frm_->hide();
    }
    if (frm_)
        frm_->cmdOverride()->setText(QStringLiteral(">> Continue"));
    writeLogFile(fileName_, loggedAs_);

    sendTimeOutSeconds = machineInt("SendTimeOut");
    // The machine is ready before anything goes, the header included.
    if (!fail(waitForMachine(frm_))) {
        finish(false);
        return false;
    }

    eob_ = eobForSend(machineValue("EOBSend"));
    rules_.stripSpaces = machineInt("StripSpaces") != 0;
    rules_.ignoreBlock = machineValue("IgnoreBlock").toLatin1();
    rules_.stripBlankLines = machineInt("StripBlankLines") != 0;

    statusbar(QStringLiteral("Sending File"));
    if (mode_ != Mode::ExecutiveTape) {
        indicator(true, QStringLiteral("Sending Header"));
        writeExtraCopy();
        if (!fail(sendHeaderTrailer(QStringLiteral("HeaderSend"), sample_))) {
            finish(true);
            return false;
        }
    }
    showCancelSend(QString(), mode_ == Mode::Turbo ? 60000 : 1000);
    const QString caption = QStringLiteral("Sending File") + modeText(mode_);
    if (mode_ != Mode::Turbo && frm_)
        frm_->setCaption(caption);
    if (frm_)
        frm_->setFrameCaption(caption);
    if (mode_ == Mode::Turbo)
        gTurboSending = true;
    if (mode_ == Mode::Turbo && frm_) {
        frm_->Text1()->setPlainText(QStringLiteral("Data Will Not Be Shown\nTime And Status Updated Every Minute\n"
                                                   "This Will Improve Transfer Speed..."));
    }
    indicator(true, QStringLiteral("Sending File"));
    return true;
}

// The extra copy holds what the machine is sent: a drip feed's prepared
// program (before any EIA code), a binary send's file.
void BlockSend::writeExtraCopy() {
    if (!prepared()) {
        writeTressick(fileName_);
        return;
    }
    writeTressick([this](QIODevice& out, QString* error) {
        QFile in(fileName_);
        if (!in.open(QIODevice::ReadOnly)) {
            *error =
                QStringLiteral("Can't Open \"%1\"").arg(fileName_) + QLatin1Char('\n') + in.errorString();
            return false;
        }
        BlockPrep prep(eob_, rules_);
        QByteArray piece(int(kPieceSize), Qt::Uninitialized), lines;
        for (;;) {
            const qint64 n = in.read(piece.data(), piece.size());
            if (n < 0) {
                *error = in.errorString();
                return false;
            }
            lines.clear();
            if (n == 0)
                prep.finish(&lines);
            else
                prep.feed(piece.constData(), n, &lines);
            if (!writeAllBytes(out, lines, error))
                return false;
            if (n == 0)
                return true;
        }
    });
}

void BlockSend::sendBlocks() {
    BlockPrep prep(eob_, rules_);
    const SerialLink& link = comPort();
    handedBefore_ = link.handedCount();
    droppedBefore_ = link.droppedCount();
    display_.setInterval(kDisplayMs);
    QObject::connect(&display_, &QTimer::timeout, [this] { showGone(false); });
    display_.start();

    QByteArray piece(int(kPieceSize), Qt::Uninitialized);
    QByteArray pending; // prepared bytes not yet sent; less than a block between pieces
    qint64 used = 0;    // of pending, already sent
    bool atEnd = false;
    while (!gCancelSend && !failed_) {
        if (pending.size() - used < blockSize_ && !atEnd) {
            pending.remove(0, int(used));
            used = 0;
            const qint64 n = file_.read(piece.data(), piece.size());
            if (n < 0) {
                msgBox(QStringLiteral("Can't Read \"%1\"").arg(fileName_) + QLatin1Char('\n') + file_.errorString(),
                       Msg::Ok, Msg::Critical);
                outcome_ = SendOutcome::NotSent;
                failed_ = true;
                break;
            }
            fileBytesRead_ += n;
            atEnd = n == 0;
            const qint64 before = pending.size();
            if (!prepared()) {
                pending.append(piece.constData(), n);
            } else {
                QByteArray out;
                prep.feed(piece.constData(), n, &out);
                if (atEnd)
                    prep.finish(&out);
                pending += eia_ ? returnEIA(out) : out;
            }
            producedBytes_ += pending.size() - before;
            continue;
        }
        const qint64 left = pending.size() - used;
        if (left == 0)
            break;
        const qint64 size = qMin<qint64>(blockSize_, left);
        const bool sent = sendBlock(QByteArray::fromRawData(pending.constData() + used, int(size)));
        used += size;
        if (!sent)
            break;
    }
    if (!failed_ && gCancelSend)
        outcome_ = SendOutcome::Cancelled;
    // A cancel that came after the last block (in its line delay, say) left nothing unsent.
    const bool programHanded = handed_ == producedBytes_ && (atEnd || (gCancelSend && nothingLeft(prep)));

    bool tailHanded =
        mode_ == Mode::ExecutiveTape || !headerTrailerHasBytes(QStringLiteral("TrailerSend"), sample_);
    if (!failed_ && !gCancelSend && mode_ != Mode::ExecutiveTape) {
        // Said only where there is a trailer; the blocks before it may still be going.
        if (headerTrailerIsSet(QStringLiteral("TrailerSend"), sample_))
            indicator(true, QStringLiteral("Sending Any Trailer"));
        if (fail(sendHeaderTrailer(QStringLiteral("TrailerSend"), sample_, &tailHanded))) {
            lastSendActivity = secondsSinceMidnight();
            if (lineDelay_ > 0)
                fail(waitYielding(lineDelay_));
        }
    }
    // Everything handed over leaves while Esc still works.
    if (!failed_ && !gCancelSend) {
        if (comPort().pendingOutput() > 0) // a slow speed, a machine that reads slowly
            indicator(true, QStringLiteral("Sending The Last Bytes"));
        fail(drainPort());
    }
    if (!failed_ && gCancelSend)
        outcome_ = SendOutcome::Cancelled;
    // The window shows where the send ended: a whole send at 100 %, with
    // the program's last block, and the time it took.
    display_.stop();
    showGone(true);
    if (outcome_ == SendOutcome::Sent)
        showPercent(100, true);
    if (frm_)
        frm_->Timer1_Timer();
    finish(true, programHanded && tailHanded);
}

// Whether the program holds nothing more to send than what was read: the
// rest of the file, if any, is lines the preparation drops.
bool BlockSend::nothingLeft(BlockPrep& prep) {
    QByteArray piece(int(prepared() ? kPieceSize : 1), Qt::Uninitialized), rest;
    for (;;) {
        const qint64 n = file_.read(piece.data(), piece.size());
        if (n < 0 || (n > 0 && !prepared()))
            return false;
        if (n == 0)
            break;
        prep.feed(piece.constData(), n, &rest);
        if (!rest.isEmpty())
            return false;
    }
    if (prepared())
        prep.finish(&rest);
    return rest.isEmpty();
}

bool BlockSend::sendBlock(const QByteArray& block) {
    ++blockNumber_;
    if (blockNumber_ % 4 == 0) {
        const QString wanted =
            host_.isMinimized() ? captionPrefix_ + QString::number(lastPercent_) + QStringLiteral(" %") : savedCaption_;
        if (wanted != caption_) {
            caption_ = wanted;
            host_.setCaption(caption_);
        }
    }
    const qint64 handedBefore = comPort().handedCount();
    const PortResult r = sendToPort(block);
    // What the port took of it, for the display: all of it, or less when the write ended early.
    const qsizetype taken =
        qsizetype(qBound<qint64>(0, comPort().handedCount() - handedBefore, block.size()));
    handed_ += taken;
    recent_.append(block.constData(), taken);
    if (recent_.size() > 2 * kRecent)
        recent_.remove(0, recent_.size() - kRecent);
    if (!fail(r))
        return false;
    if (mode_ != Mode::Turbo && gFlowMethod == 0) {
        if (gHandshaking == 1 && !fail(check4XONXOFF()))
            return false;
        if (gHandshaking == 2 && !fail(wait4CTS()))
            return false;
    }
    if (portFault() && !fail(PortResult::PortError))
        return false;
    lastSendActivity = secondsSinceMidnight();
    return lineDelay_ <= 0 || fail(waitYielding(lineDelay_));
}

// The display follows the whole percentage, at most 25 times a second (a
// redraw costs more than a block); the turbo send's once a minute through
// its clock.
void BlockSend::showPercent(int pct, bool force) {
    if (mode_ == Mode::Turbo)
        gTurboPercent = pct;
    if (pct <= lastPercent_ && !force)
        return;
    lastPercent_ = pct;
    if (!force && (mode_ == Mode::Turbo || (percentShownAt_.isValid() && percentShownAt_.elapsed() < 40)))
        return;
    percentShownAt_.start();
    if (frm_)
        if (PercentBar* picture = frm_->currentPicture())
            UpdateStatus(picture, pct, pct >= 100); // a whole send reads 100 %
    statusbar(QStringLiteral("Sending File %1% [Esc=Cancel]").arg(pct));
}

// The program's bytes that have left the PC: not those still in Qt's or the
// kernel's buffer, held there by a machine that does not read or said XOFF.
qint64 BlockSend::gone() const {
    const SerialLink& link = comPort();
    const qint64 left =
        link.handedCount() - (link.droppedCount() - droppedBefore_) - link.pendingOutput() - handedBefore_;
    return qBound<qint64>(0, left, handed_);
}

// The last whole line among the first `gone` bytes, when the display still
// has them; empty otherwise.
QByteArray BlockSend::lastLineGone(qint64 gone) const {
    const auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
    qsizetype end = qsizetype(gone - (handed_ - recent_.size()));
    if (end <= 0)
        return QByteArray();
    const char* d = recent_.constData();
    while (end > 0 && !isEnd(d[end - 1])) // a line still going out
        --end;
    while (end > 0 && isEnd(d[end - 1]))
        --end;
    qsizetype begin = end;
    while (begin > 0 && !isEnd(d[begin - 1]))
        --begin;
    return QByteArray(d + begin, qMin<qsizetype>(end - begin, 256));
}

// The window follows what has really gone, also while a write is held: the
// percentage, the Current Block and the echo of the lines sent. The turbo
// send shows only its percentage, once a minute; `atEnd`, every route
// shows where the send ended.
void BlockSend::showGone(bool atEnd) {
    const qint64 now = gone();
    if (producedBytes_ > 0)
        showPercent(SendLines::percentOf(
                        qint64(double(fileBytesRead_) * double(now) / double(producedBytes_)), file_.size()),
                    false);
    if (!frm_ || (mode_ == Mode::Turbo && !atEnd))
        return;
    const QByteArray last = lastLineGone(now);
    if (!last.isEmpty())
        frm_->Label2(5)->setText(QString::fromLatin1(last));
    if (frm_->layout() != 3)
        return;
    if (mode_ == Mode::Turbo) {
        if (!last.isEmpty())
            frm_->appendEcho(last);
        return;
    }
    // Whole lines as they go, the rest at the end; only the newest when more
    // went than the box holds (or than the display kept).
    const qint64 start = handed_ - recent_.size();
    const auto isEnd = [&](qint64 at) {
        return recent_[qsizetype(at - start)] == '\n' || recent_[qsizetype(at - start)] == '\r';
    };
    qint64 to = now;
    while (!atEnd && to > echoed_ && to > start && !isEnd(to - 1))
        --to;
    qint64 from = qMax(echoed_, qMax(start, to - kEchoTail));
    if (to <= from)
        return;
    if (from > echoed_) {
        frm_->Text1()->clear();
        while (from < to && !isEnd(from)) // from the next whole line
            ++from;
    }
    echoed_ = to;
    QByteArray lines = recent_.mid(qsizetype(from - start), qsizetype(to - from));
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    while (lines.startsWith('\n'))
        lines.remove(0, 1);
    if (!lines.isEmpty())
        frm_->appendEcho(lines);
}

void BlockSend::finish(bool afterSendWait, bool handedWhole) {
    file_.close();
    outcome_ = endSend(session_, {outcome_, afterSendWait, fileName_, savedCaption_, captionPrefix_, nullptr,
                                  loggedAs_, handedWhole, droppedBefore_});
    frm_ = nullptr;
}

// The XModem and blockwise machines have routes of their own.
bool refused() {
    const int handshaking = machineInt("Handshaking");
    if (handshaking == 4 || handshaking == 5) {
        msgBox(handshaking == 4 ? QStringLiteral("Can't Send Binary - You Have XModem Handshaking Setup")
                                : QStringLiteral("Can't Send Binary - You Have Heidenhain Blockwise Handshaking Setup"),
               Msg::Ok, Msg::Critical);
        return true;
    }
    return false;
}

} // namespace

SendOutcome sendBinary(SendSession& session, const QString& fileName, int blockSize, bool executiveTape,
                       const QString& loggedAs) {
    const bool binary = fileName.startsWith(QLatin1String("BINARY"));
    const QString file = binary ? fileName.mid(6) : fileName;
    if (refused())
        return SendOutcome::NotSent;
    if (chkNeedToSendTCPIP(file, QStringLiteral("SB")))
        return SendOutcome::Sent;
    if (!executiveTape)
        offerToSaveWindow(file);
    const Mode mode = executiveTape ? Mode::ExecutiveTape : binary ? Mode::Binary : Mode::DripFeed;
    return BlockSend(session, file, blockSize, mode, loggedAs).run();
}

SendOutcome sendBinaryTurbo(SendSession& session, const QString& fileName, int blockSize, const QString& loggedAs) {
    if (refused())
        return SendOutcome::NotSent;
    if (chkNeedToSendTCPIP(fileName, QStringLiteral("SB")))
        return SendOutcome::Sent;
    offerToSaveWindow(fileName);
    return BlockSend(session, fileName, blockSize, Mode::Turbo, loggedAs).run();
}
