#include "SendEngine.h"

#include "EditControl.h"
#include "EditorGlobals.h"
#include "EiaCode.h"
#include "EndOfBlock.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "NetworkHandoff.h"
#include "PercentBar.h"
#include "PortConfig.h"
#include "ProgramPaths.h"
#include "SafeFile.h"
#include "SendHost.h"
#include "SendLines.h"
#include "SendRoutes.h"
#include "SendSession.h"
#include "SendSteps.h"
#include "StatusLine.h"
#include "TapePunch.h"
#include "TerminalEcho.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "frmCancelSend.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>
#include <memory>

double lastSendActivity = 0;
int sendTimeOutSeconds = 600;

namespace {

const QString kSettings = QStringLiteral("Settings");

double secondsSinceMidnight() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }


QString machineValue(const char* key) { return MachineRecord::current(QString::fromLatin1(key)); }
int machineInt(const char* key) { return MachineRecord::currentInt(QString::fromLatin1(key)); }
bool machineFlag(const char* key) { return machineInt(key) != 0; }

// A restart record the settings file did not take is said: Safe Restart
// would offer an earlier send's. `error` is empty where the record waits
// for another copy's lock: where the program ends next, the end of the run
// says what became of it, once.
void sayRecordNotStored(const QString& error, const QByteArray& line, const QString& file) {
    if (error.isEmpty() && settingsEndNear())
        return;
    QString subject = QStringLiteral("The restart line \"%1\"").arg(cutForMessage(QString::fromLatin1(line)));
    if (!file.isEmpty())
        subject += QStringLiteral(" and the last file sent (%1) were").arg(file);
    else
        subject += QStringLiteral(" was");
    const bool kept = error.isEmpty();
    msgBox(settingsNotSavedText(kept ? lastIniError() : error,
                                subject + (kept ? QStringLiteral(" not stored yet: kept until the lock is let go.")
                                                : QStringLiteral(" not stored."))),
           Msg::Ok, Msg::Exclamation);
}

// What every send does first: this machine's flow control and code set, the
// find box out of the way, and the terminal view's line ends shown as they pass.
void beginSend() {
    loadMachineFlowValues();
    hideFindForm();
    gBestEob = false;
}

// The routes other than the text send, chosen by Handshaking, then by
// DripFeedPacketSize. True, with how it ended, when one of them took the file.
bool sentByAnotherRoute(SendSession& session, const QString& fileName, bool fromWindow, const QString& loggedAs,
                        SendOutcome* outcome) {
    const std::optional<SendRoute> route = fileSendRoute(SendRoute::Text);
    if (!route) {
        sendXBCC(fileName);
        *outcome = SendOutcome::NotSent;
        return true;
    }
    const int mode = machineInt("DripFeedPacketSize");
    const int blockSize = getBufferSize(QStringLiteral("OutBufferSize")) / 2;
    switch (*route) {
    case SendRoute::XModem:
        *outcome = sendXmodem(session, fileName, fromWindow, loggedAs);
        return true;
    case SendRoute::ExecutiveTape:
    case SendRoute::DripFeed:
        *outcome = sendBinary(session, fileName, mode > 3 ? mode - 3 : blockSize, *route == SendRoute::ExecutiveTape,
                              loggedAs);
        return true;
    case SendRoute::Turbo:
        *outcome = sendBinaryTurbo(session, fileName, blockSize, loggedAs);
        return true;
    default:
        return false;
    }
}

// The lines whose bytes may still be on their way to the machine, each with
// where its bytes end in the port's output. The first one is the last line
// known to have left. Only lines that go out are kept: a line the send
// drops (a blank line stripped, an ignored block) is none the machine got.
// The restart line is taken from here: never a line still in a batch, in a
// buffer, or dropped by a cancel or by the send.
class LineTrail {
public:
    struct Line {
        qint64 end;   // handedCount() once the line's bytes are handed over
        qint64 index; // its line number
        qint64 rawAt; // where its raw text starts in the program
        qsizetype rawSize;
    };
    void begin(const SerialLink& link) {
        link_ = &link;
        droppedBefore_ = link.droppedCount();
        count_ = 0;
        head_ = 0;
        settleAt_ = kSettleAt;
    }
    void add(const Line& line) {
        *room(1) = line;
        added(1);
    }
    // Room for `n` more lines, to be written in order and kept with added().
    Line* room(size_t n) {
        // A short program keeps a small trail; a long one grows it once to
        // what it holds between settles, not in doublings that each touch
        // fresh memory.
        if (count_ + n > lines_.size())
            lines_.resize(qMax(lines_.empty() ? size_t(256) : qMax(2 * lines_.size(), kSettleAt + 1024), count_ + n));
        return lines_.data() + count_;
    }
    void added(size_t n) {
        count_ += n;
        // Settled again once the lines kept have doubled: lines still in a
        // batch cannot be forgotten, and asking the port after every one of
        // them would cost a system call per line.
        if (count_ - head_ > settleAt_) {
            settle();
            settleAt_ = qMax(kSettleAt, 2 * (count_ - head_));
        }
    }
    // Forgets the lines before the last one that has left.
    void settle() {
        const qint64 out = leftThePc();
        // The ends rise line by line: the first line still on its way is
        // found by halving, the one before it is the last out.
        if (count_ - head_ > 1) {
            const auto first = lines_.begin() + qsizetype(head_) + 1, last = lines_.begin() + qsizetype(count_);
            const auto onItsWay =
                std::upper_bound(first, last, out, [](qint64 o, const Line& l) { return o < l.end; });
            head_ = size_t(onItsWay - lines_.begin()) - 1;
        }
        if (head_ > count_ / 2) {
            std::copy(lines_.begin() + qsizetype(head_), lines_.begin() + qsizetype(count_), lines_.begin());
            count_ -= head_;
            head_ = 0;
        }
    }
    // The last line whose bytes all left the PC; nullptr when none did.
    const Line* lastOut() {
        if (!link_)
            return nullptr;
        settle();
        return head_ < count_ && lines_[head_].end <= leftThePc() ? &lines_[head_] : nullptr;
    }
    // Where the bytes that have left the PC end in the port's output: what
    // a cancel dropped was the newest output, so those are the first ones.
    qint64 leftThePc() const {
        return link_->handedCount() - (link_->droppedCount() - droppedBefore_) - link_->pendingOutput();
    }

private:
    const SerialLink* link_ = nullptr;
    qint64 droppedBefore_ = 0;
    std::vector<Line> lines_; // [head_, count_) are kept, the rest is room
    static constexpr size_t kSettleAt = 4096;
    size_t count_ = 0;
    size_t head_ = 0;
    size_t settleAt_ = kSettleAt;
};

// The header's or trailer's pieces; `sample` is what the percent rule looks
// at of the program. Under EIA the characters are converted first, as the
// machine will see them, and only then is a "%" dropped.
CodeList::Parsed headerTrailerPieces(bool header, const QByteArray& sample) {
    const QString key = header ? QStringLiteral("HeaderSend") : QStringLiteral("TrailerSend");
    std::function<QByteArray(const QByteArray&)> eia;
    if (gCharacterSet == 1)
        eia = [](const QByteArray& bytes) { return returnEIA(bytes); };
    return SendLines::headerTrailerPieces(MachineRecord::current(key), sample, eia);
}

bool headerTrailerPiecesHaveBytes(bool header, const QByteArray& sample) {
    return !headerTrailerPieces(header, sample).bytesOnly().isEmpty();
}

int delayBeforeHeader() {
    return clampToInt(std::round(leadingNumber(machineValue("DelayBeforeHeader"))));
}

// Whether the header (or trailer) holds the send: a delay before it, a
// pause within it.
bool headerTrailerWaits(bool header, const QByteArray& sample) {
    const CodeList::Parsed parsed = headerTrailerPieces(header, sample);
    if (parsed.flatten().isEmpty())
        return false;
    if (delayBeforeHeader() > 0)
        return true;
    for (const CodeList::Piece& piece : parsed.pieces)
        if (piece.pause && piece.pauseMs() > 0)
            return true;
    return false;
}

// Whether anything may hold a send before its first block is handed over:
// the operator's Override, a wait for XON or CTS, a pause before or within
// the header, a delay after each character.
bool mayHoldFirstBlock(const QByteArray& headerSample) {
    if (machineInt("RemoteDeviceOnline") != 0 || machineInt("WaitForXON") != 0 || gHandshaking == 2 ||
        machineInt("CharacterDelay") > 0)
        return true;
    return headerTrailerWaits(true, headerSample);
}

// WaitAfterSending as the after-send steps take it: up to 30, the seconds
// the port stays open with a countdown; 31, the "{Prompt Me}" prompt; 32,
// neither (held there, so that no stored value overflows).
int afterSendChoice() {
    return qMin(machineInt("WaitAfterSending"), 31) + 1;
}

// The header or trailer, `sample` as for headerTrailerPieces. *handedWhole,
// when asked, tells whether all its bytes were handed over (only pauses may
// be left).
PortResult sendHeaderTrailerFor(const QString& which, const QByteArray& sample, bool* handedWhole = nullptr) {
    const bool header = which == QLatin1String("HeaderSend");
    const CodeList::Parsed parsed = headerTrailerPieces(header, sample);
    qsizetype lastBytes = -1;
    for (qsizetype i = 0; i < parsed.pieces.size(); ++i)
        if (!parsed.pieces[i].pause && !parsed.pieces[i].bytes.isEmpty())
            lastBytes = i;
    if (handedWhole)
        *handedWhole = lastBytes < 0;
    if (parsed.flatten().isEmpty())
        return PortResult::Ok;

    const int before = delayBeforeHeader();
    if (before > 0) {
        statusbar(QStringLiteral("Waiting Before Sending Header..."));
        const PortResult r = waitYielding(before);
        if (r != PortResult::Ok)
            return r;
    }
    for (qsizetype i = 0; i < parsed.pieces.size(); ++i) {
        const CodeList::Piece& piece = parsed.pieces[i];
        // Handed over without waiting; what follows (a pause, the blocks)
        // waits for it.
        if (!piece.pause) {
            comPort().queue(piece.bytes);
            if (handedWhole && i == lastBytes)
                *handedWhole = true;
            continue;
        }
        const int ms = piece.pauseMs();
        if (ms <= 0)
            continue;
        // The pause is the machine's: it starts once what came before has left the PC.
        PortResult r = drainPort();
        if (r != PortResult::Ok)
            return r;
        statusbar(QStringLiteral("Waiting Whilst Sending ") + (header ? QStringLiteral("Header...") : QStringLiteral("Trailer...")));
        r = waitYielding(ms);
        if (r != PortResult::Ok)
            return r;
    }
    if (gCancelSend)
        return PortResult::Cancelled;
    return portFault() ? PortResult::PortError : PortResult::Ok;
}

// The newest bytes of a stream, at most `limit` of them kept; appending
// costs the bytes' copy whatever came before.
class Tail {
public:
    explicit Tail(qsizetype limit) : limit_(limit) {}
    void append(const char* data, qsizetype size) {
        if (size > limit_) {
            data += size - limit_;
            size = limit_;
        }
        bytes_.append(data, size);
        if (bytes_.size() > 2 * limit_)
            bytes_.remove(0, bytes_.size() - limit_);
    }
    void append(const QByteArray& b) { append(b.constData(), b.size()); }
    // The kept bytes (the newest `limit`), and forgets them.
    QByteArray take() {
        QByteArray out = bytes_.size() > limit_ ? bytes_.right(limit_) : bytes_;
        bytes_.truncate(0);
        return out;
    }
    bool isEmpty() const { return bytes_.isEmpty(); }

private:
    qsizetype limit_;
    QByteArray bytes_;
};

// What one text send works on.
struct Job {
    QString fileName;   // as the caller passed it (the temporary file of an edited window)
    QString logPath;    // logged and kept as lastfilesent
    QString loggedAs;   // what a temporary file holds, for the log (a merge's files)
    QString shownName;  // the Filename field
    std::unique_ptr<QIODevice> source; // the program, open for reading
    bool fromWindow = false;
    bool disk = false;  // the rules of the send without window
    qint64 startLine = 0;
    EditControl* control = nullptr; // the window whose caret follows the send
};

// One text send from its start to its clean-up. The program is read in
// pieces as it goes; the display (fields, bar, caption, echo, terminal) is
// brought up to date at most every kDisplayMs.
class TextSend {
public:
    TextSend(SendSession& session, Job job)
        : job_(std::move(job)), in_(*job_.source), session_(session), host_(session.host()) {}
    SendOutcome run();
    qint64 lineIndex() const { return lineIndex_; }

private:
    static constexpr int kDisplayMs = 50;
    // The progress window is drawn no more often: a fast port would spend its time drawing.
    static constexpr int kWindowMs = 100;
    static constexpr int kEchoDraw = 100;
    static constexpr qint64 kEchoDrawBytes = 4 * frmCancelSend::kEchoLineShows;
    static constexpr int kClockMs = 1000; // the window's time ticks

    bool prepare();            // lock, port, checks, progress window, waits; false: straight to the end
    frmCancelSend* loadWindow();
    void ensureWindow();
    void windowAtTheEnd();
    void startLateWindow(int delayMs);
    bool afterSendShows() const;
    QString restartRecordFile() const;
    void showSending();
    void sendLines();
    bool lineLeftToSend(SendLines::LineReader::Line* run, qsizetype at, qsizetype size, qsizetype room,
                        SendLines::LineReader& reader) const;
    void sendTrailer();
    void finish(bool afterSendWait);
    bool fail(PortResult result);
    PortResult flush();
    void showProgress(bool now);
    void percentReached(qint64 done);
    void drawPercent(bool now = false);
    bool windowDue(QElapsedTimer& drawnAt, bool now) const;
    qint64 doneOut();
    void sayLastBytes();
    // The status light and text, also kept for a window built later.
    void indicator(bool on, const QString& text) {
        lightOn_ = on;
        said_ = text;
        if (frm_)
            frm_->updateIndicator(on, text);
    }

    Job job_;
    QIODevice& in_;
    SendSession& session_;
    SendHost& host_;
    frmCancelSend* frm_ = nullptr;
    // The progress window is built once the send has gone on for the
    // host's delay; for a send over by then, only when something is left to show.
    bool windowLate_ = false;
    QTimer lateWindow_;
    bool lightOn_ = true;
    QString said_;
    SendOutcome outcome_ = SendOutcome::Sent;
    bool failed_ = false;
    // Every line's bytes were handed over; and the trailer's too.
    bool begun_ = false; // logged: the send was begun, and stores its restart record
    bool programHanded_ = false;
    bool handedWhole_ = false;
    qint64 droppedBefore_ = 0; // the port's count as the send began

    QByteArray eob_;
    char eobMove_[8] = {}; // eob_, when it fits
    SendLines::Rules rules_;
    int lineDelay_ = 0;
    bool displayAfterSend_ = false;
    bool eia_ = false;
    QString savedCaption_;
    QString captionPrefix_;
    QString caption_;
    int notedCaretLine_ = 0;

    qint64 programSize_ = 0;
    qint64 lineCount_ = 0;
    qint64 lineIndex_ = 0;
    // Where the block about to go starts: the editor's caret follows it there,
    // as the editor numbers its lines (LF CR is two line ends there).
    qint64 blockAt_ = 0;
    qint64 linesRead_ = 0;
    qint64 bytesRead_ = 0;
    qint64 titleBytes_ = 0; // each line read as its length and a CR LF, whatever the end of block
    // The percentage: bytes of the file for the send without window, lines
    // for the window send. It can rise only at nextPercentAt_ or later.
    qint64 percentTotal_ = 0;
    qint64 nextPercentAt_ = 0;
    int lastPercent_ = 0;
    int drawnPercent_ = 0;
    QElapsedTimer percentDrawnAt_;
    int barPercent_ = 0; // on the progress window's bar: what has left the port
    QElapsedTimer barDrawnAt_;
    QElapsedTimer fieldsDrawnAt_;
    LineTrail trail_;
    qint64 queuedEnd_ = 0; // where the bytes queued so far end in the port's output (handedCount())
    // The block last prepared: a line of the reader's buffer as it stands,
    // or preparedBlock_ when the rules changed it.
    const char* blockData_ = nullptr;
    qsizetype blockSize_ = 0;
    QByteArray preparedBlock_;
    QByteArray currentBlock() const { return QByteArray::fromRawData(blockData_, blockSize_); }
    void showBlock(const QByteArray& block) {
        preparedBlock_ = block;
        blockData_ = preparedBlock_.constData();
        blockSize_ = preparedBlock_.size();
    }
    TapePunch punch_; // the window send's paper-tape title
    // Blocks not yet handed to the port: the first pendingSize_ bytes of
    // pending_, which keeps its room between hand-overs.
    QByteArray pending_;
    qsizetype pendingSize_ = 0;
    void queueBlock(const char* block, qsizetype size, const QByteArray& eob);
    void queueBlock(const QByteArray& block, const QByteArray& eob) {
        queueBlock(block.constData(), block.size(), eob);
    }
    void queueShortLine(const char* line, qsizetype size);
    PortResult sendLongBlock(const char* block, qsizetype size);
    // A short line (see queueShortLine) and the end of block at `to`, which
    // has room for both moves: one fixed-size move each, the compiler makes
    // them without a call.
    void placeShortLine(char* to, const char* line, qsizetype size, qsizetype eobSize) const {
        std::memcpy(to, line, size_t(SendLines::LineReader::kSlack));
        to += size;
        if (eobSize <= qsizetype(sizeof eobMove_))
            std::memcpy(to, eobMove_, sizeof eobMove_);
        else
            std::memcpy(to, eob_.constData(), size_t(eobSize));
    }
    qsizetype queueQuickLines(const SendLines::LineReader::Line* run, qsizetype from, qsizetype size,
                              const SendLines::LineReader& reader);
    QByteArray pendingBytes() const { return QByteArray::fromRawData(pending_.constData(), pendingSize_); }
    // The echo layout's box shows its newest lines only: where each recent
    // line starts in the program, in a ring; they are read back and
    // prepared again when the box is drawn. Of a long line only its end is
    // read back, so whether the send skipped it is kept.
    bool echo_ = false;
    struct EchoLine {
        qint64 start;
        bool skipped;
    };
    std::vector<EchoLine> echoLines_;
    size_t echoNext_ = 0;  // linesRead_ % kEchoDraw: where the next line's start goes
    qint64 echoSince_ = 0; // lines read since the box was drawn
    void drawEcho();
    // The terminal view gets only what it can show: the newest bytes. The
    // send without window shows each line it sends with CR LF: the blocks as
    // they go when that is the end of block and no code converts them.
    Tail terminalBytes_{kTerminalShows};
    bool echoAsSent_ = false;
    // Without a terminal view (the command line has none; the main window's
    // lives as long as the window) nothing is gathered for it.
    bool terminalShown_ = false;
    QElapsedTimer shownAt_; // the display was last brought up to date
    // Brings it up to date while a write or a wait holds the send.
    QTimer heldDisplay_;
    qint64 flushAt_ = 256;
};

SendOutcome TextSend::run() {
    if (prepare())
        sendLines();
    return outcome_;
}

bool TextSend::fail(PortResult result) {
    if (failed_)
        return false;
    if (result == PortResult::Ok)
        return true;
    ensureWindow(); // the failure is shown where the send is watched
    outcome_ = portFailure(result, frm_, 2000, session_.shownPath(job_.logPath));
    failed_ = true;
    return false;
}

bool TextSend::prepare() {
    eob_ = eobForSend(machineValue("EOBSend"));
    std::memcpy(eobMove_, eob_.constData(), size_t(qMin<qsizetype>(eob_.size(), sizeof eobMove_)));
    gOverride = true;
    gPortState = PortSending;

    host_.lockForTransfer(true);
    savedCaption_ = host_.caption();
    caption_ = savedCaption_;
    captionPrefix_ = host_.machineAlias() + QStringLiteral(" : ");
    session_.minimizeOnSend = readIniInt(kSettings, QStringLiteral("MinimizeOnSend"), 0);
    lineDelay_ = machineInt("LineDelay");
    displayAfterSend_ = !job_.disk && readIniInt(kSettings, QStringLiteral("DNCScroll"), 0) != 0;
    if (job_.control)
        notedCaretLine_ = job_.control->caretLine();
    QCoreApplication::processEvents();

    const bool portOpen = openPortForSend(job_.disk ? SendRoute::NoWindow : SendRoute::Text);
    clearCancelAsSendBegins();
    if (!portOpen) {
        outcome_ = SendOutcome::PortFailed;
        finish(false);
        return false;
    }
    trail_.begin(comPort());
    droppedBefore_ = comPort().droppedCount();
    programSize_ = in_.size();
    if (programSize_ == 0) {
        msgBox(QStringLiteral("Zero Length File"), Msg::Ok, Msg::Information);
        outcome_ = SendOutcome::NotSent;
        finish(false);
        return false;
    }
    eia_ = gCharacterSet == 1;
    if (eia_ && !DimConversions(QStringLiteral("Ascii2Eia"), eiaTableFile())) {
        outcome_ = SendOutcome::NotSent;
        finish(false);
        return false;
    }
    if (job_.disk)
        session_.showAsFromDisk();

    if (!job_.disk) {
        lineCount_ = SendLines::countLines(in_);
        in_.seek(0);
    }
    percentTotal_ = job_.disk ? programSize_ : lineCount_;
    nextPercentAt_ = 1;
    const QByteArray headerSample = SendLines::percentSample(in_, true);
    in_.seek(0);
    const int windowDelayMs = host_.progressWindowDelayMs();
    windowLate_ =
        job_.disk && windowDelayMs > 0 && session_.windowShown() && !mayHoldFirstBlock(headerSample);
    if (windowLate_)
        startLateWindow(windowDelayMs);
    else
        frm_ = loadWindow();
    if (!waitForOperator(frm_)) {
        outcome_ = SendOutcome::Cancelled;
        finish(false);
        return false;
    }
    if (frm_)
        frm_->cmdOverride()->setText(QStringLiteral(">> Continue"));
    if (session_.minimizeOnSend > 0) {
        host_.minimize();
        if (frm_)
            frm_->hide();
    }

    rules_.stripSpaces = machineFlag("StripSpaces");
    rules_.ignoreBlock = machineValue("IgnoreBlock").toLatin1();
    rules_.keepBeforeIgnore = !job_.disk && machineValue("IgnoreBlockType") == QLatin1String("1");
    rules_.doubleSpaceN = !job_.disk && machineValue("DoubleSpaceN") == QLatin1String("1");
    rules_.stripBlankLines = machineFlag("StripBlankLines");
    sendTimeOutSeconds = machineInt("SendTimeOut");

    // The restart record is stored once, at the end, as one pair: nothing
    // of it goes out before the program does.
    auto bookkeeping = [this] {
        begun_ = true;
        writeLogFile(job_.logPath, job_.loggedAs);
    };
    // Nothing at all goes out, not even the header, before the machine is
    // ready: a cancel or time-out during these waits ends the send. It was
    // begun all the same, and is logged as every route logs it.
    const PortResult machineReady = waitForMachine(frm_);
    if (job_.disk || machineReady != PortResult::Ok)
        bookkeeping();
    if (!fail(machineReady)) {
        finish(false);
        return false;
    }

    // Baud rate / 20: about half a second of line time per hand-over,
    // so the fields follow the line closely and long programs go out in few writes.
    flushAt_ = qBound(qint64(64), qint64(comPort().settings().baud) / 20, qint64(65536));
    pending_.resize(flushAt_ + 4096);
    pendingSize_ = 0;

    indicator(true, QStringLiteral("Sending Any Header"));
    writeTressick(job_.fileName);
    const PortResult header = sendHeaderTrailerFor(QStringLiteral("HeaderSend"), headerSample);
    in_.seek(0);
    showCancelSend(QString(), kClockMs);
    if (!job_.disk)
        bookkeeping();
    if (!fail(header)) {
        finish(true);
        return false;
    }

    statusbar(QStringLiteral("Sending File"));
    showSending();
    QCoreApplication::processEvents();
    return true;
}

frmCancelSend* TextSend::loadWindow() {
    return loadProgressWindow(session_, job_.shownName, job_.disk ? QString() : QString::number(lineCount_));
}

// The window as the send shows it once the program itself goes out.
void TextSend::showSending() {
    const QString title = QStringLiteral("Sending File");
    if (frm_) {
        frm_->setCaption(title);
        if (job_.disk)
            frm_->setFrameCaption(title + QStringLiteral(" [Block Mode]"));
    }
    indicator(true, title);
}

// Builds and shows a window left for later, as prepare() would have:
// nothing held the send before its first block.
void TextSend::ensureWindow() {
    if (!windowLate_)
        return;
    windowLate_ = false;
    frm_ = loadWindow();
    if (!frm_)
        return;
    frm_->show();
    if (session_.minimizeOnSend > 0)
        frm_->hide();
    frm_->startClock(QString(), kClockMs);
    // It says what the send says by then: the last bytes, say.
    const bool on = lightOn_;
    const QString said = said_;
    showSending();
    if (!said.isEmpty() && said != said_)
        indicator(on, said);
}

// The send is still going once the delay is over (a long program, a
// machine that holds it or reads slowly): its window comes then, in whatever
// wait or write the send is, so that it can be cancelled.
void TextSend::startLateWindow(int delayMs) {
    gSending = true; // as loadProgressWindow would
    lateWindow_.setSingleShot(true);
    lateWindow_.setInterval(delayMs);
    QObject::connect(&lateWindow_, &QTimer::timeout, [this] {
        ensureWindow();
        showProgress(true);
    });
    lateWindow_.start();
}

// Every block is handed over (or the send stopped) before a window left for
// later was built: the window comes now for what is left to show, the
// trailer's waits or what the end of the send shows; else only if the
// delay runs out while the last bytes are still on their way.
void TextSend::windowAtTheEnd() {
    if (!windowLate_)
        return;
    const bool trailerWaits =
        !failed_ && !gCancelSend && headerTrailerWaits(false, SendLines::percentSample(in_, false));
    if (trailerWaits || afterSendShows())
        ensureWindow();
}

// The file a restart record names: the program's own (the window's, for an
// edited window sent as its temporary copy); none for a window with no file
// or a temporary file, whose line no restart could find.
QString TextSend::restartRecordFile() const {
    const QString file = session_.shownPath(job_.logPath);
    if (isTemporaryName(file) || (job_.fromWindow && !file.contains(QLatin1Char('/'))))
        return QString();
    return file;
}

// The countdown with the port still open, or the prompt where someone sees it.
bool TextSend::afterSendShows() const {
    if (failed_ || gCancelSend)
        return false;
    const int n = afterSendChoice();
    return (n >= 0 && n < 31) || (n == 31 && host_.windowsSeen());
}

// The percentage may have risen. It is worked out only where it can (about
// a hundred times a send); each rise is drawn, but no more often than the
// display, as a redraw costs more than many blocks.
void TextSend::percentReached(qint64 done) {
    const int pct = SendLines::percentOf(done, percentTotal_);
    // The next whole percent rises once done / total * 100 reaches pct + 0.5.
    nextPercentAt_ = qMax(done + 1, qint64(std::ceil((pct + 0.5) * double(percentTotal_) / 100.0)));
    if (pct <= lastPercent_)
        return;
    lastPercent_ = pct;
    if (pct == 100 || !percentDrawnAt_.isValid() || percentDrawnAt_.elapsed() >= kDisplayMs)
        drawPercent();
}

// Whether the progress window is seen and its part drawn at `drawnAt` is due again.
bool TextSend::windowDue(QElapsedTimer& drawnAt, bool now) const {
    if (!frm_ || !frm_->isVisible() || (!now && drawnAt.isValid() && drawnAt.elapsed() < kWindowMs))
        return false;
    drawnAt.start();
    return true;
}

// The bar follows what has left the port, never further than the
// percentage reached, never back: at a slow speed the last bytes take a
// while after the last line was handed over.
void TextSend::drawPercent(bool now) {
    const bool rose = drawnPercent_ != lastPercent_;
    drawnPercent_ = lastPercent_;
    if (barPercent_ < drawnPercent_ && frm_ && frm_->isVisible()) {
        const int out = qMin(drawnPercent_, SendLines::percentOf(doneOut(), percentTotal_));
        if (out > barPercent_ && windowDue(barDrawnAt_, now || out >= 100)) {
            barPercent_ = out;
            if (PercentBar* picture = frm_->currentPicture())
                UpdateStatus(picture, out, out >= 100); // a whole send reads 100 %
        }
    }
    if (!rose)
        return;
    percentDrawnAt_.start();
    statusbar(QStringLiteral("Sending File %1% [Esc=Cancel]").arg(drawnPercent_));
}

// The caption, the status line and the terminal at most every kDisplayMs,
// the progress window's fields and echo at most every kWindowMs: more often
// nobody can read them, and a fast port would spend its time drawing. The
// clock is read here too, not per block.
void TextSend::showProgress(bool now) {
    if (!now && shownAt_.isValid() && shownAt_.elapsed() < kDisplayMs)
        return;
    shownAt_.start();
    if (!failed_) // a time-out's mark stays
        lastSendActivity = secondsSinceMidnight();
    const QString wanted = host_.isMinimized() ? captionPrefix_ + QString::number(lastPercent_) + QStringLiteral(" %")
                                               : savedCaption_;
    if (wanted != caption_) {
        caption_ = wanted;
        host_.setCaption(caption_);
    }
    if (!terminalBytes_.isEmpty())
        appendToTerminal(terminalBytes_.take());
    drawPercent(now);
    // A window nobody sees (none, or hidden with the main window) is not drawn.
    if (windowDue(fieldsDrawnAt_, now)) {
        frm_->Label2(3)->setText(QString::number(job_.disk ? linesRead_ : lineIndex_));
        frm_->showCurrentBlock(blockData_, blockSize_);
        if (job_.disk)
            frm_->setCaption(QStringLiteral("Sending File %1 Bytes...").arg(titleBytes_));
        drawEcho();
    }
    if (job_.control)
        job_.control->setCaretLine(job_.control->lineAtPosition(blockAt_));
}

// The box gets the lines read since it was last drawn, read back from the
// program: keeping every line as it passes would cost more than sending
// it. When more came than kEchoDraw (faster than any serial line, and than
// anyone reads), or more than kEchoDrawBytes, it shows just the newest of
// them, laying out a hundred lines rather than thousands; of a long line,
// its end (kEchoLineShows) rather than megabytes.
void TextSend::drawEcho() {
    if (!echo_ || echoSince_ == 0)
        return;
    const qint64 n = qMin<qint64>(echoSince_, kEchoDraw);
    const qint64 resume = in_.pos();
    QList<QByteArray> shown; // newest first
    qint64 room = kEchoDrawBytes;
    qint64 end = bytesRead_; // of the line, its line end included
    for (qint64 i = linesRead_ - 1; i >= linesRead_ - n && room > 0; --i) {
        const EchoLine& line = echoLines_[size_t(i % kEchoDraw)];
        // A line end takes at most three bytes.
        const qint64 from = qMax(line.start, end - qMin<qint64>(room, frmCancelSend::kEchoLineShows) - 3);
        if (!in_.seek(from))
            break;
        QByteArray raw = in_.read(end - from);
        while (raw.endsWith('\n') || raw.endsWith('\r'))
            raw.chop(1);
        shown << (line.skipped ? SendLines::kSkipMarker : SendLines::prepareLine(raw, rules_));
        room -= shown.last().size() + 1;
        end = line.start;
    }
    in_.seek(resume);
    const qint64 read = echoSince_;
    echoSince_ = 0;
    if (shown.isEmpty())
        return;
    // The box holds the program's lines in their order: after a gap, only the newest.
    if (shown.size() < read)
        frm_->Text1()->clear();
    QByteArray lines;
    for (qsizetype i = shown.size() - 1; i >= 0; --i)
        lines += shown[i] + '\n';
    frm_->appendEcho(lines);
}

// Of the percentage's total (lines, or bytes of the file), how much has
// left the port: all that was read, less what is still on its way.
qint64 TextSend::doneOut() {
    const qint64 done = job_.disk ? bytesRead_ : lineIndex_;
    const qint64 behind = queuedEnd_ - trail_.leftThePc();
    if (behind <= 0)
        return done;
    if (job_.disk) // a byte on the line for a byte of the file
        return qMax<qint64>(0, done - behind);
    const LineTrail::Line* out = trail_.lastOut();
    return out ? out->index : job_.startLine;
}

// Every line is handed over; the port may still be sending (a slow speed,
// a machine that reads slowly).
void TextSend::sayLastBytes() {
    if (!failed_ && !gCancelSend && (pendingSize_ > 0 || comPort().pendingOutput() > 0))
        indicator(true, QStringLiteral("Sending The Last Bytes"));
}

// Hands the blocks gathered so far to the port; the display shows the line
// reached before (or, with DNCScroll, after) they go.
PortResult TextSend::flush() {
    if (!displayAfterSend_)
        showProgress(false);
    PortResult r = PortResult::Ok;
    if (pendingSize_ > 0) {
        if (echoAsSent_ && terminalShown_)
            terminalBytes_.append(pending_.constData(), pendingSize_);
        r = sendToPort(pendingBytes());
        pendingSize_ = 0;
    }
    if (displayAfterSend_)
        showProgress(false);
    return r;
}

// A line still in the reader's buffer and no longer than its slack (see
// LineReader::hasSlack): one fixed-size move the compiler makes without a
// call, then the end of block.
void TextSend::queueShortLine(const char* line, qsizetype size) {
    constexpr qsizetype kMove = SendLines::LineReader::kSlack;
    const qsizetype need = pendingSize_ + size + eob_.size();
    if (need + kMove > pending_.size())
        pending_.resize(qMax(need + kMove, 2 * pending_.size()));
    placeShortLine(pending_.data() + pendingSize_, line, size, eob_.size());
    pendingSize_ = need;
}

// A block longer than a hand-over goes to the port from where it lies, the
// blocks before it first: a line megabytes long is not copied. Its end of
// block goes with the next hand-over.
PortResult TextSend::sendLongBlock(const char* block, qsizetype size) {
    PortResult r = flush();
    if (r != PortResult::Ok)
        return r;
    if (echoAsSent_ && terminalShown_)
        terminalBytes_.append(block, size);
    r = sendToPort(QByteArray::fromRawData(block, size));
    queueBlock(QByteArray(), eob_);
    return r;
}

void TextSend::queueBlock(const char* block, qsizetype size, const QByteArray& eob) {
    const qsizetype need = pendingSize_ + size + eob.size();
    if (need > pending_.size())
        pending_.resize(qMax(need, 2 * pending_.size()));
    char* at = pending_.data() + pendingSize_;
    std::memcpy(at, block, size_t(size));
    at += size;
    for (const char c : eob) // a few bytes: no call
        *at++ = c;
    pendingSize_ = need;
}

// Queues the lines of run[from, size) that go as they stand and ask for
// nothing else: short, sent, short of the next percent and of the
// hand-over. The counts, the trail and the echo's starts are brought up
// to date once, after them. Returns the first line left to the caller.
qsizetype TextSend::queueQuickLines(const SendLines::LineReader::Line* run, qsizetype from, qsizetype size,
                                    const SendLines::LineReader& reader) {
    constexpr qsizetype kMove = SendLines::LineReader::kSlack;
    // The lines of a run lie in order in the reader's buffer: when the last
    // one has its slack, every one has.
    if (from == size || !reader.hasSlack(run[size - 1].data, run[size - 1].size))
        return from;
    const qsizetype eobSize = eob_.size();
    // The hand-over comes before the room ends: nothing grows in here.
    const qsizetype limit =
        qMin<qsizetype>(flushAt_, pending_.size() - kMove - qsizetype(sizeof eobMove_) - eobSize);
    char* const out = pending_.data();
    qsizetype pending = pendingSize_;
    LineTrail::Line* trail = trail_.room(size_t(size - from));
    const qint64 handed = comPort().handedCount();
    qint64 index = lineIndex_;
    qint64 shown = 0;
    qsizetype at = from;
    for (; at < size; ++at) {
        const SendLines::LineReader::Line& l = run[at];
        if (l.end >= nextPercentAt_ || l.size > kMove || pending + l.size + eobSize >= limit ||
            !SendLines::isSent(l.data, l.size, rules_))
            break;
        placeShortLine(out + pending, l.data, l.size, eobSize);
        pending += l.size + eobSize;
        shown += l.size;
        *trail++ = {handed + pending, ++index, l.start, l.size};
    }
    const qsizetype k = at - from;
    if (k == 0)
        return at;
    trail_.added(size_t(k));
    pendingSize_ = pending;
    const SendLines::LineReader::Line& last = run[at - 1];
    if (echo_) {
        // Only the newest kEchoDraw starts can ever be read back.
        const qsizetype first = qMax(from, at - qsizetype(kEchoDraw));
        size_t slot = (echoNext_ + size_t(first - from)) % size_t(kEchoDraw);
        for (qsizetype i = first; i < at; ++i) {
            echoLines_[slot] = {run[i].start, false};
            slot = slot + 1 == size_t(kEchoDraw) ? 0 : slot + 1;
        }
        echoNext_ = slot;
        echoSince_ += k;
    }
    lineIndex_ = index;
    linesRead_ += k;
    bytesRead_ = last.end;
    titleBytes_ += shown + 2 * k;
    blockAt_ = last.start;
    blockData_ = last.data;
    blockSize_ = last.size;
    return at;
}

void TextSend::sendLines() {
    SendLines::LineReader reader(in_);
    if (!job_.disk)
        punch_ = TapePunch(job_.startLine > 0);
    lineIndex_ = job_.startLine;
    if (lineIndex_ > 0 && !reader.skip(lineIndex_))
        lineIndex_ = lineCount_;
    blockAt_ = reader.position();
    echo_ = job_.disk && session_.layout() == 3;
    echoAsSent_ = job_.disk && !eia_ && eob_ == "\r\n";
    terminalShown_ = terminalEchoShown();
    if (echo_)
        echoLines_.resize(kEchoDraw);
    const bool flowPoint = gFlowMethod == 0 && (gHandshaking == 1 || gHandshaking == 2);
    const bool plain = !rules_.stripSpaces && rules_.ignoreBlock.isEmpty() && !rules_.doubleSpaceN;
    // Lines that go as they stand, each one only queued and remembered.
    const bool quick = job_.disk && plain && !eia_ && !flowPoint && lineDelay_ <= 0 &&
                       (echoAsSent_ || !terminalShown_);
    const SerialLink& link = comPort();
    // The display shows the block about to go: a write the machine holds
    // (not reading, XOFF) must not leave it where the last look before was.
    heldDisplay_.setInterval(kDisplayMs);
    QObject::connect(&heldDisplay_, &QTimer::timeout, [this] { showProgress(false); });
    if (!displayAfterSend_)
        heldDisplay_.start();

    // The lines come in runs, found in one pass over what was read.
    constexpr qsizetype kRun = 256;
    SendLines::LineReader::Line run[kRun];
    qsizetype runSize = 0, runAt = 0;
    bool linesLeft = true;
    bool lineDone = true; // the line last taken is queued, or dropped
    while (!gCancelSend) {
        if (runAt == runSize) {
            runAt = 0;
            if ((runSize = reader.nextLines(run, kRun)) == 0) {
                linesLeft = false;
                break;
            }
        }
        if (quick) {
            runAt = queueQuickLines(run, runAt, runSize, reader);
            queuedEnd_ = link.handedCount() + pendingSize_;
            if (runAt == runSize)
                continue;
        }
        const SendLines::LineReader::Line& line = run[runAt++];
        lineDone = false;
        const qint64 rawAt = line.start;
        blockAt_ = rawAt;
        ++lineIndex_;
        ++linesRead_;
        bytesRead_ = line.end;
        titleBytes_ += line.size + 2;
        // A line sent as it stands stays where the reader has it.
        blockData_ = line.data;
        blockSize_ = line.size;
        if (!plain || !job_.disk) {
            QByteArray raw = QByteArray::fromRawData(line.data, line.size);
            if (!job_.disk) {
                const QByteArray title = punch_.beforeLine(raw);
                if (!title.isEmpty())
                    queueBlock(title, QByteArray());
            }
            if (!plain || raw.constData() != line.data)
                showBlock(plain ? raw : SendLines::prepareLine(raw, rules_));
        }
        const bool sent = SendLines::isSent(blockData_, blockSize_, rules_);
        if (echo_) {
            echoLines_[echoNext_] = {rawAt, !sent && blockSize_ > 0}; // an empty line is only empty
            echoNext_ = echoNext_ + 1 == size_t(kEchoDraw) ? 0 : echoNext_ + 1;
            ++echoSince_;
        }
        const qint64 done = job_.disk ? bytesRead_ : lineIndex_;
        if (done >= nextPercentAt_)
            percentReached(done);

        if (sent) {
            if (flowPoint) {
                if (!fail(flush()))
                    break;
                if (!fail(gHandshaking == 1 ? check4XONXOFF() : wait4CTS()))
                    break;
            }
            if (job_.disk && !echoAsSent_ && terminalShown_) {
                terminalBytes_.append(blockData_, blockSize_);
                terminalBytes_.append("\r\n", 2);
            }
            if (eia_) {
                queueBlock(returnEIA(currentBlock() + eob_), QByteArray());
            } else if (blockSize_ <= SendLines::LineReader::kSlack &&
                       reader.hasSlack(blockData_, blockSize_)) {
                queueShortLine(blockData_, blockSize_);
            } else if (blockSize_ > flushAt_) {
                if (!fail(sendLongBlock(blockData_, blockSize_)))
                    break;
            } else {
                queueBlock(blockData_, blockSize_, eob_);
            }
        }
        queuedEnd_ = link.handedCount() + pendingSize_;
        if (sent)
            trail_.add({queuedEnd_, lineIndex_, rawAt, line.size});
        lineDone = true;

        // The line delay follows each block sent (every line read, for the
        // send without window) once it is on the line.
        if (lineDelay_ > 0 && (sent || job_.disk)) {
            if (!fail(flush()) || !fail(drainPort()) || !fail(waitYielding(lineDelay_)))
                break;
        } else if (pendingSize_ >= flushAt_ && (!fail(flush()) || (portFault() && !fail(PortResult::PortError)))) {
            break;
        }
    }
    // The last block shown must outlive the reader's buffer (what it shows of it).
    showBlock(QByteArray(blockData_, qMin<qsizetype>(blockSize_, frmCancelSend::kBlockShows)));
    // The display goes on following the bytes until the last has left.
    heldDisplay_.start();
    if (!reader.error().isEmpty() && !failed_) {
        ensureWindow();
        const QString shown = session_.shownPath(job_.logPath);
        msgBox(QStringLiteral("Can't Read \"%1\"").arg(shown) + QLatin1Char('\n') + reader.error() +
                   QLatin1Char('\n') + QStringLiteral("\"%1\" Was Not Sent Whole").arg(shown),
               Msg::Ok, Msg::Critical);
        outcome_ = SendOutcome::NotSent;
        failed_ = true;
        gCancelSend = true;
    }
    if (!failed_ && !gCancelSend) {
        sayLastBytes();
        fail(flush());
    }
    // A cancel that came after the last line that goes out (in its line
    // delay, say) left none unsent: the lines after it, if any, are dropped.
    if (linesLeft && lineDone && gCancelSend && reader.error().isEmpty())
        linesLeft = lineLeftToSend(run, runAt, runSize, kRun, reader);
    programHanded_ = !linesLeft && comPort().handedCount() >= queuedEnd_;
    windowAtTheEnd();
    showProgress(true); // the display shows where the send ended
    if (!failed_ && gCancelSend)
        outcome_ = SendOutcome::Cancelled;
    sendTrailer();
}

// Whether a line from run[at, size) on, or one still to be read into the
// run's `room`, would give the machine a byte; a read that fails counts as one.
bool TextSend::lineLeftToSend(SendLines::LineReader::Line* run, qsizetype at, qsizetype size, qsizetype room,
                              SendLines::LineReader& reader) const {
    TapePunch punch = punch_; // a title still to punch is bytes too
    for (;; at = 0) {
        for (; at < size; ++at) {
            QByteArray raw = QByteArray::fromRawData(run[at].data, run[at].size);
            if (!job_.disk && !punch.beforeLine(raw).isEmpty())
                return true;
            if (SendLines::isSent(SendLines::prepareLine(raw, rules_), rules_))
                return true;
        }
        if ((size = reader.nextLines(run, room)) == 0)
            return !reader.error().isEmpty();
    }
}

void TextSend::sendTrailer() {
    const QByteArray tapeEnd = punch_.afterTrailer();
    const QByteArray sample = SendLines::percentSample(in_, false);
    const CodeList::Parsed trailer = headerTrailerPieces(false, sample);
    // Each is handed over whole where it has no byte to hand over.
    bool trailerHanded = trailer.bytesOnly().isEmpty();
    bool tapeHanded = tapeEnd.isEmpty();
    if (!failed_ && !gCancelSend) {
        // Said only where there is a trailer; the bytes before it may still be going.
        if (!trailer.flatten().isEmpty())
            indicator(true, QStringLiteral("Sending Any Trailer"));
        // The line delay follows the trailer once it is on the line.
        if (fail(sendHeaderTrailerFor(QStringLiteral("TrailerSend"), sample, &trailerHanded))) {
            queuedEnd_ = comPort().handedCount();
            sayLastBytes();
            if (fail(drainPort())) {
                lastSendActivity = secondsSinceMidnight();
                if (lineDelay_ > 0)
                    fail(waitYielding(lineDelay_));
            }
        }
        if (!failed_ && !tapeEnd.isEmpty()) {
            tapeHanded = fail(sendToPort(tapeEnd));
            queuedEnd_ = comPort().handedCount();
        }
        // Everything handed over leaves while Esc still works.
        if (!failed_) {
            sayLastBytes();
            fail(drainPort());
        }
        if (!failed_ && gCancelSend)
            outcome_ = SendOutcome::Cancelled;
    }
    heldDisplay_.stop();
    // The bar reads what has left; what a failure says stays.
    if (!failed_)
        showProgress(true);
    handedWhole_ = programHanded_ && trailerHanded && tapeHanded;
    if (frm_)
        frm_->Timer1_Timer(); // the time the send took, however short
    finish(true);
}

// The end of every send, however it ended.
void TextSend::finish(bool afterSendWait) {
    lateWindow_.stop();
    // Back while the send still has the status line: what its end says
    // there (a cancel and its kept line) stays.
    if (job_.control)
        job_.control->setCaretLine(notedCaretLine_);
    SendEnding ending{outcome_, afterSendWait, job_.logPath, savedCaption_, captionPrefix_, nullptr, job_.loggedAs};
    ending.handedWhole = handedWhole_;
    ending.droppedBefore = droppedBefore_;
    // Once the port is closed, what it dropped is known.
    ending.afterClose = [this](SendOutcome outcome) {
        QByteArray restartLine;
        const LineTrail::Line* out = trail_.lastOut();
        qint64 editorLine = 0; // where the restart box finds the line
        if (out) {
            // The line names where the machine stopped; a line megabytes long
            // (a file with no line ends) is named by its start, as the
            // settings file and the status line could not hold it whole.
            constexpr qsizetype kNamedBy = 4096;
            if (in_.seek(out->rawAt))
                restartLine = in_.read(qMin(out->rawSize, kNamedBy));
            lineIndex_ = out->index;
            // Only a cancel names it: no second read of a program sent whole.
            if (outcome == SendOutcome::Cancelled && in_.seek(0))
                editorLine = SendLines::editorLineOfBlock(in_, out->index);
        } else {
            lineIndex_ = job_.startLine;
        }
        // A send that never began (no port, the operator's cancel before it)
        // leaves the last send's record. The file and its line go in one
        // write: whatever ends the program, the pair on disk is one send's.
        // A program with no file of its own (an untitled window, a temporary
        // file) leaves no line of another file.
        if (begun_) {
            const QString recordFile = restartRecordFile();
            const QByteArray recordLine = recordFile.isEmpty() ? QByteArray() : restartLine;
            // Worth another wait for a lock another copy holds.
            const IniWaitForLock waitAgain;
            if (!writeIniValues(gCurrentMachineSection,
                                {{QStringLiteral("lastfilesent"), recordFile},
                                 {QStringLiteral("lastline"), QString::fromLatin1(recordLine)}}))
                sayRecordNotStored(lastIniError(), recordLine, recordFile);
            else if (settingsWaitingForLock())
                sayRecordNotStored(QString(), recordLine, recordFile);
            else
                noteRestartRecordStored();
        }
        return out ? QStringLiteral("Line %1 Is Kept For A Restart: %2")
                         .arg(editorLine)
                         .arg(cutForMessage(QString::fromLatin1(restartLine)))
                   : QStringLiteral("No Line Reached The Machine Whole");
    };
    outcome_ = endSend(session_, ending);
    frm_ = nullptr;
}

} // namespace

std::unique_ptr<QFile> openProgramFile(const QString& fileName) {
    auto file = std::make_unique<QFile>(fileName);
    // Read in large pieces: Qt's buffer would only copy them once more.
    if (file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return file;
    msgBox(QStringLiteral("Can't Open \"%1\"").arg(fileName) + QLatin1Char('\n') + file->errorString(), Msg::Ok,
           Msg::Critical);
    return nullptr;
}

SendOutcome sendTextBlock(QString& fileName, bool fromWindow, int& lineIndex, const QString& loggedAs) {
    SendHost& host = sendHost();
    SendSession session(host);
    if (!session.owner())
        return SendOutcome::NotSent;
    beginSend();

    Job job;
    job.fromWindow = fromWindow;
    if (fromWindow) {
        job.control = host.activeEditor();
        if (!job.control) {
            msgBox(QStringLiteral("There Is No Editor Window To Send"), Msg::Ok, Msg::Exclamation);
            return SendOutcome::NotSent;
        }
        auto text = std::make_unique<QBuffer>();
        text->setData(job.control->bytes());
        text->open(QIODevice::ReadOnly);
        // The other routes send files: an edited window goes as it stands.
        if (job.control->isModified()) {
            const QString temp = ProgramPaths::programFolder() + gCurrentMachineSection + QStringLiteral(".tmp");
            QString error;
            if (!writeFileSafely(temp, text->data(), &error)) {
                msgBox(error, Msg::Ok, Msg::Critical);
                return SendOutcome::NotSent;
            }
            fileName = temp;
            session.windowFile = host.activeWindowFile();
        }
        job.source = std::move(text);
    } else if (!(job.source = openProgramFile(fileName))) {
        return SendOutcome::NotSent;
    }
    SendOutcome routed = SendOutcome::NotSent;
    if (sentByAnotherRoute(session, fileName, fromWindow, loggedAs, &routed))
        return routed;

    const QString path = fileName.isEmpty() ? host.activeWindowFile() : fileName;
    job.fileName = fileName;
    job.logPath = path;
    job.loggedAs = loggedAs;
    job.shownName = getFileNameFromPath(session.shownPath(path));
    job.startLine = qMax(0, lineIndex);
    TextSend send(session, std::move(job));
    const SendOutcome outcome = send.run();
    lineIndex = int(send.lineIndex());
    return outcome;
}

SendOutcome sendFileNoWindow(const QString& fileName) {
    SendSession session(sendHost());
    if (!session.owner())
        return SendOutcome::NotSent;
    beginSend();

    const int mode = machineInt("DripFeedPacketSize");
    if (chkNeedToSendTCPIP(fileName, mode != 0 ? QStringLiteral("SB") : QStringLiteral("S")))
        return SendOutcome::Sent;
    if (machineValue("Kelbrook") == QLatin1String("1")) {
        // The pre-send hook has nothing to run: say so rather than send nothing in silence.
        msgBox(QStringLiteral("Pre-Send Processing (Kelbrook=1) Is Switched On For This Machine, But None Is Installed") +
                   QLatin1Char('\n') + QStringLiteral("\"%1\" Has Not Been Sent").arg(fileName),
               Msg::Ok, Msg::Exclamation);
        return SendOutcome::NotSent;
    }
    SendOutcome routed = SendOutcome::NotSent;
    if (sentByAnotherRoute(session, fileName, false, QString(), &routed))
        return routed;

    Job job;
    if (!(job.source = openProgramFile(fileName)))
        return SendOutcome::NotSent;
    job.fileName = fileName;
    job.logPath = fileName;
    job.shownName = getFileNameFromPath(fileName);
    job.disk = true;
    return TextSend(session, std::move(job)).run();
}

SendOutcome sendBinaryFile(const QString& fileName, int chunkSize) {
    SendSession session(sendHost());
    if (!session.owner())
        return SendOutcome::NotSent;
    beginSend();
    return sendBinary(session, QStringLiteral("BINARY") + fileName, chunkSize, false);
}

PortResult sendHeaderTrailer(const QString& which, const QString& fileName, bool fromWindow) {
    const bool header = which == QLatin1String("HeaderSend");
    QByteArray sample;
    if (fromWindow) {
        if (EditControl* control = sendHost().activeEditor())
            sample = SendLines::percentSample(control->bytes(), header);
    } else {
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly))
            sample = SendLines::percentSample(file, header);
    }
    if (header)
        writeTressick(fileName);
    return sendHeaderTrailerFor(which, sample);
}

std::optional<SendRoute> fileSendRoute(SendRoute textRoute) {
    const int handshaking = machineInt("Handshaking");
    const int mode = machineInt("DripFeedPacketSize");
    if (handshaking == 4)
        return SendRoute::XModem;
    if (handshaking == 5)
        return std::nullopt;
    if (mode == 1)
        return SendRoute::ExecutiveTape;
    if (mode == 3)
        return SendRoute::Turbo;
    if (mode == 2 || mode > 3)
        return SendRoute::DripFeed;
    return textRoute;
}

bool headerTrailerHasBytes(const QString& which, const QByteArray& program) {
    const bool header = which == QLatin1String("HeaderSend");
    return headerTrailerPiecesHaveBytes(header, SendLines::percentSample(program, header));
}

bool headerTrailerIsSet(const QString& which, const QByteArray& program) {
    const bool header = which == QLatin1String("HeaderSend");
    return !headerTrailerPieces(header, SendLines::percentSample(program, header)).flatten().isEmpty();
}

PortResult sendHeaderTrailer(const QString& which, const QByteArray& program, bool* handedWhole) {
    return sendHeaderTrailerFor(
        which, SendLines::percentSample(program, which == QLatin1String("HeaderSend")), handedWhole);
}

void checkNeedToWait() {
    const int seconds = afterSendChoice();
    if (seconds >= 31)
        return;
    // A send that shows no progress window counts down unseen.
    frmCancelSend* frm = frmCancelSend::instance();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const double elapsed = clock.elapsed() / 1000.0;
        if (elapsed > seconds || gCancelSend)
            break;
        if (frm)
            frm->updateIndicator(true,
                                 QStringLiteral("Closing Com Port In %1s").arg(seconds - elapsed, 0, 'f', 1));
        waitYielding(500);
    }
}

int& afterSendPromptPauseMs() {
    static int pause = 500;
    return pause;
}

void checkNeedToWarnAfterSend(const QString& fileName) {
    const int n = afterSendChoice();
    if (n == 31 && !gCancelSend) {
        const QString text = QStringLiteral("The File \"%1\" Has Been Sent").arg(fileName) + QLatin1Char('\n') +
                             QStringLiteral("The Com Port Is Still Open") + QLatin1Char('\n') +
                             QStringLiteral("Press OK To End Transmission");
        // The send is over; only the port waits for OK.
        statusbar(QStringLiteral("File Sent - Press OK To End Transmission"));
        // The box comes half a second after the progress window has gone,
        // the events of that time handled. Where nobody sees a box (no
        // screen) the message is only printed: nothing waits for it.
        if (sendHost().windowsSeen())
            waitOutsideSend(afterSendPromptPauseMs());
        sendHost().promptAfterSend(text);
    }
    gTurboSending = false;
}

void notifyAfterSend() {
    if (gCancelSend && lastSendActivity == -1) {
        const QString waited = timedOutWaitingFor();
        msgBox(QStringLiteral("Transfer Automatically Timed Out After %1s of Inactivity")
                       .arg(sendTimeOutSeconds) +
                   (waited.isEmpty() ? QString() : QLatin1Char('\n') + waited),
               Msg::Ok, Msg::Information);
    }
    lastSendActivity = 0;
    gPortState = PortIdle;
    sendHost().refreshRecentMenu(QStringLiteral("send"));
}

void writeTressick(const QString& fileName) {
    const QString target = readIni(kSettings, QStringLiteral("TressickFile"), QString());
    QString error;
    if (!target.isEmpty() && !copyFileSafely(fileName, target, &error))
        msgBox(error);
}

void writeTressick(const std::function<bool(QIODevice& out, QString* error)>& write) {
    const QString target = readIni(kSettings, QStringLiteral("TressickFile"), QString());
    QString error;
    if (!target.isEmpty() && !writeFileSafely(target, write, &error))
        msgBox(error);
}
