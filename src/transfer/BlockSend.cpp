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
#include "SendHost.h"
#include "SendLines.h"
#include "SendRoutes.h"
#include "SendSteps.h"
#include "StatusLine.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "frmCancelSend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>

namespace {

enum class Mode { ExecutiveTape, DripFeed, Binary, Turbo };

constexpr qint64 kPieceSize = 64 * 1024;

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
    BlockSend(const QString& fileName, int blockSize, Mode mode)
        : fileName_(fileName), blockSize_(qMax(1, blockSize)), mode_(mode), host_(sendHost()) {}
    SendOutcome run();

private:
    bool start();
    void sendBlocks();
    bool sendBlock(const QByteArray& block);
    void showPercent(int pct, bool force);
    void showEcho(const QByteArray& block);
    void finish(bool afterSendWait);
    bool fail(PortResult result);
    void indicator(bool on, const QString& text) {
        if (frm_)
            frm_->updateIndicator(on, text);
    }
    bool prepared() const { return mode_ == Mode::DripFeed || mode_ == Mode::Turbo; }

    const QString fileName_;
    const int blockSize_;
    const Mode mode_;
    SendHost& host_;
    QFile file_;
    frmCancelSend* frm_ = nullptr;
    SendOutcome outcome_ = SendOutcome::Sent;
    bool failed_ = false;
    bool shifted_ = false;
    bool eia_ = false;
    int lineDelay_ = 0;
    QString savedCaption_;
    QString captionPrefix_;
    QByteArray sample_;

    qint64 blockNumber_ = 0;
    qint64 fileBytesRead_ = 0;
    qint64 producedBytes_ = 0; // prepared from them
    int lastPercent_ = 0;
    QElapsedTimer shownAt_;
    QElapsedTimer percentShownAt_;
    QString caption_;
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
    outcome_ = portFailure(result, frm_, 4000, fileName_);
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
    gMinimizeOnSend = readIniInt(QStringLiteral("Settings"), QStringLiteral("MinimizeOnSend"), 0);
    lineDelay_ = mode_ == Mode::ExecutiveTape || mode_ == Mode::Turbo ? 0 : machineInt("LineDelay");
    QCoreApplication::processEvents();
    const bool portOpen = openPort();
    gCancelSend = false;
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

    shiftStatusDisplay();
    shifted_ = true;
    frm_ = loadProgressWindow(host_, getFileNameFromPath(fileName_), QString());
    const bool shown = gDNCStatus < 4;
    if (!waitForOperator(frm_, shown)) {
        outcome_ = SendOutcome::Cancelled;
        finish(false);
        return false;
    }
    if (gMinimizeOnSend > 0) {
        host_.minimize();
        if (shown)
            frm_->hide();
    }
    frm_->cmdOverride()->setText(QStringLiteral(">> Continue"));
    writeLogFile(fileName_);

    sendTimeOutSeconds = machineInt("SendTimeOut");
    // The machine is ready before anything goes, the header included.
    if (!fail(waitForMachine(frm_))) {
        finish(false);
        return false;
    }

    statusbar(QStringLiteral("Sending File"));
    if (mode_ != Mode::ExecutiveTape) {
        indicator(true, QStringLiteral("Sending Header"));
        if (!fail(sendHeaderTrailer(QStringLiteral("HeaderSend"), fileName_, sample_))) {
            finish(true);
            return false;
        }
    }
    showCancelSend(QString(), mode_ == Mode::Turbo ? 60000 : 1000);
    const QString caption = QStringLiteral("Sending File") + modeText(mode_);
    if (mode_ != Mode::Turbo)
        frm_->setWindowTitle(caption);
    if (QGroupBox* frame = frm_->Frame1(frm_->layout()))
        frame->setTitle(caption);
    if (mode_ == Mode::Turbo) {
        gTurboSending = true;
        frm_->Text1()->setPlainText(QStringLiteral("Data Will Not Be Shown\nTime And Status Updated Every Minute\n"
                                                   "This Will Improve Transfer Speed..."));
    }
    indicator(true, QStringLiteral("Sending File"));
    return true;
}

void BlockSend::sendBlocks() {
    const qint64 total = file_.size();
    SendLines::Rules rules;
    rules.stripSpaces = machineInt("StripSpaces") != 0;
    rules.ignoreBlock = machineValue("IgnoreBlock").toLatin1();
    rules.stripBlankLines = machineInt("StripBlankLines") != 0;
    BlockPrep prep(eobForSend(machineValue("EOBSend")), rules);

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
        // Progress counts the file's bytes: those read, less the share still waiting to go.
        const double waiting = double(pending.size() - used) / double(producedBytes_);
        showPercent(SendLines::percentOf(qint64(double(fileBytesRead_) * (1.0 - waiting)), total), false);
    }
    if (!failed_ && gCancelSend)
        outcome_ = SendOutcome::Cancelled;

    if (!failed_ && !gCancelSend && mode_ != Mode::ExecutiveTape) {
        indicator(true, QStringLiteral("Sending Any Trailer"));
        if (fail(sendHeaderTrailer(QStringLiteral("TrailerSend"), fileName_, sample_))) {
            lastSendActivity = secondsSinceMidnight();
            if (lineDelay_ > 0)
                fail(waitYielding(lineDelay_));
        }
    }
    // Everything handed over leaves while Esc still works.
    if (!failed_ && !gCancelSend)
        fail(drainPort());
    if (!failed_ && gCancelSend)
        outcome_ = SendOutcome::Cancelled;
    if (outcome_ == SendOutcome::Sent)
        showPercent(100, true);
    finish(true);
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
    if (gDNCStatus == 3)
        showEcho(block);
    if (!fail(sendToPort(block)))
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
            UpdateStatus(picture, pct);
    statusbar(QStringLiteral("Sending File %1% [Esc=Cancel]").arg(pct));
}

// The echo box shows the block going out a few times a second: more often
// nobody could read it, and a fast port would spend its time drawing.
void BlockSend::showEcho(const QByteArray& block) {
    if (!frm_ || (shownAt_.isValid() && shownAt_.elapsed() < 100))
        return;
    shownAt_.start();
    frm_->appendEcho(block);
}

void BlockSend::finish(bool afterSendWait) {
    file_.close();
    endSend(host_, {outcome_, afterSendWait, fileName_, savedCaption_, captionPrefix_, shifted_, nullptr});
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

SendOutcome sendBinary(const QString& fileName, int blockSize, bool executiveTape) {
    const bool binary = fileName.startsWith(QLatin1String("BINARY"));
    const QString file = binary ? fileName.mid(6) : fileName;
    if (refused())
        return SendOutcome::NotSent;
    if (chkNeedToSendTCPIP(file, QStringLiteral("SB")))
        return SendOutcome::Sent;
    if (!executiveTape)
        offerToSaveWindow(file);
    const Mode mode = executiveTape ? Mode::ExecutiveTape : binary ? Mode::Binary : Mode::DripFeed;
    return BlockSend(file, blockSize, mode).run();
}

SendOutcome sendBinaryTurbo(const QString& fileName, int blockSize) {
    if (refused())
        return SendOutcome::NotSent;
    if (chkNeedToSendTCPIP(fileName, QStringLiteral("SB")))
        return SendOutcome::Sent;
    offerToSaveWindow(fileName);
    return BlockSend(fileName, blockSize, Mode::Turbo).run();
}
