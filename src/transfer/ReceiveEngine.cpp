#include "ReceiveEngine.h"

#include "EditControl.h"
#include "EditorFiles.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "EditorText.h"
#include "EiaCode.h"
#include "FileDialogs.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "NetworkHandoff.h"
#include "PortLayer.h"
#include "ReceiveSave.h"
#include "SettingsGlobals.h"
#include "StatusLine.h"
#include "TerminalEcho.h"
#include "TerminalView.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "XModemPanels.h"
#include "frmFanucSplitFiles.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

bool gEchoReceive = true;

namespace {

constexpr int kForever = 26;
const char* const kIdleTip = "Receive A File From Your CNC Machine : F4";

class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyGuard() { flag_ = false; }

private:
    bool& flag_;
};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

void yield() { QCoreApplication::processEvents(); }

bool eiaTableLoads() {
    EiaTable table;
    return loadEiaTable(table, QStringLiteral("Eia2Ascii"), eiaTableFile());
}

} // namespace

ReceiveEngine::ReceiveEngine(std::unique_ptr<ReceiveHost> host, QObject* parent)
    : QObject(parent), host_(std::move(host)) {
    terminal_ = new TerminalView(host_->terminalBox(), this);
    // What the sends echo shows in the same view.
    setTerminalEcho([view = terminal_](const QByteArray& bytes) { view->appendToTerminal(bytes); });
    tick_.setInterval(75);
    connect(&tick_, &QTimer::timeout, this, &ReceiveEngine::onTick);
}

ReceiveEngine::~ReceiveEngine() {
    setTerminalEcho(nullptr);
    if (receiving_ || terminalOpen_) {
        endPortReceive();
        temp_.close();
        closeComPort();
        gPortState = PortIdle;
    }
    removeTempFile();
}

// Nothing in it is wanted any more: saved, discarded, or never written.
void ReceiveEngine::removeTempFile() {
    temp_.close();
    if (!gReceiveTempFile.isEmpty())
        QFile::remove(gReceiveTempFile);
}

// The user has been told the data is in this file: the next receive takes
// another one.
void ReceiveEngine::keepTempFile() {
    temp_.close();
    gReceiveTempFile.clear();
}

void ReceiveEngine::receiveFileToDisk(bool receiveAll, const QString& fileName) {
    // A question or a save is under way; the press must not start another.
    if (busy_ || inSink_)
        return;
    if (receiving_) {
        BusyGuard guard(busy_);
        if (forever_)
            endDecision();
        else
            stopProcedure();
        return;
    }
    if (gSending || terminalOpen_)
        return;

    if (MachineRecord::currentInt(QStringLiteral("Handshaking")) == 4) {
        // XModem machines: the destination is chosen, then the XModem receive panel takes over.
        target_ = destinationFor(fileName, QStringLiteral("Receive CNC File"));
        if (!target_.isEmpty() && !xmodemReceiveRunning())
            startXModemReceive(target_, {host_->panelArea(), [this](bool locked) { host_->lockForTransfer(locked); }},
                               [this](qint64 bytes) { saveAfterXModem(bytes); });
        return;
    }
    if (!chkCanWIni())
        return;
    gEchoReceive = MachineRecord::currentInt(QStringLiteral("EchoReceive")) == 1;
    start(receiveAll, fileName);
}

QString ReceiveEngine::destinationFor(const QString& given, const QString& title) {
    if (!given.isEmpty() && !notValidDrive(given))
        return given;
    if (!given.isEmpty())
        msgBox(QStringLiteral("Can't Access The Drive Of File ") + given + QLatin1Char('\n') +
                   QStringLiteral("Please Select A File"),
               Msg::Ok, Msg::Critical);
    const QStringList chosen = splitChosenFiles(OpenCNCFile(QStringLiteral("ReceiveDirectory"), title));
    return chosen.isEmpty() ? QString() : chosen.first();
}

void ReceiveEngine::start(bool receiveAll, const QString& fileName) {
    BusyGuard guard(busy_);
    gPortState = PortReceiving;
    byteCount_ = 0;
    host_->setReceivedByteCount(0);
    const int wait = MachineRecord::currentInt(QStringLiteral("WaitAfterReceive"));
    forever_ = wait == kForever;
    idleMs_ = qMax(5, wait + 5) * 1000;
    binary_ = host_->binaryReceive();

    // A machine served by the network helper is handed over before any file
    // is made: there is no destination left to receive into.
    QString destination;
    receiveAll_ = receiveAll;
    if (!receiveAll) {
        destination = destinationFor(fileName, QStringLiteral("Receive CNC File"));
        if (!destination.isEmpty() && chkNeedToSendTCPIP(destination, QStringLiteral("R")))
            destination.clear();
        gSplitBusy = false;
    } else if (!chkNeedToSendTCPIP(QStringLiteral("DUMMY"), QStringLiteral("RF"))) {
        destination = getTempFileName(QStringLiteral("dnc")).trimmed();
        QFile::remove(destination);
        gSplitBusy = true;
    }
    if (destination.isEmpty()) {
        cancelProcedure();
        return;
    }
    const QFileInfo info(destination);
    if (info.exists() && (!info.isFile() || !info.isWritable())) {
        msgBox(QStringLiteral("'") + destination + QStringLiteral("' Is Read-Only") + QLatin1Char('\n') +
                   QStringLiteral("Can't Receive To That File"),
               Msg::Ok, Msg::Information);
        cancelProcedure();
        return;
    }
    gCharacterSet = MachineRecord::currentInt(QStringLiteral("CharacterSet"));
    if (gCharacterSet == 1 && !eiaTableLoads()) {
        cancelProcedure();
        return;
    }
    target_ = destination;

    host_->showReceiveScreen(true);
    terminal_->clear();
    terminal_->setBinaryTransfer(binary_);
    statusbar(QStringLiteral("Ready To Receive File..."));
    // The menus (F4's among them) are off while receiving and Esc leaves it
    // alone: the button stops it (or the terminal's pop-up).
    host_->setReceiveButton(QStringLiteral("Stop !"),
                            QStringLiteral("Click To Stop Receiving A File From Your CNC Machine"));

    if (gReceiveTempFile.isEmpty())
        gReceiveTempFile = getTempFileName(QStringLiteral("dnc")).trimmed();
    writeFailure_.clear();
    temp_.setFileName(gReceiveTempFile);
    if (QFileInfo::exists(gReceiveTempFile) && !temp_.remove()) {
        msgBox(temp_.errorString());
        cancelProcedure();
        return;
    }
    // Unbuffered: what has arrived is on disk, whatever happens next.
    if (!temp_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        msgBox(temp_.errorString());
        cancelProcedure();
        return;
    }
    yield();

    if (!openPort() || !beginPortReceive([this](const QByteArray& data) { onData(data); })) {
        cancelProcedure();
        return;
    }
    receiving_ = true;
    sinceData_.invalidate();
    tick_.start();
}

void ReceiveEngine::onData(const QByteArray& data) {
    inSink_ = true;
    NotShowData(data);
    byteCount_ += data.size();
    host_->setReceivedByteCount(byteCount_);
    sinceData_.start();
    if (gEchoReceive)
        terminal_->appendToTerminal(data);
    inSink_ = false;
}

void ReceiveEngine::NotShowData(const QByteArray& data) {
    if (!temp_.isOpen() || !writeFailure_.isEmpty())
        return;
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 n = temp_.write(data.constData() + done, data.size() - done);
        if (n <= 0) {
            // A full disk stays full: asking again per chunk only loses
            // more, and a program with a hole must never be saved.
            writeFailure_ = temp_.errorString();
            QTimer::singleShot(0, this, &ReceiveEngine::endAfterWriteFailure);
            return;
        }
        done += n;
    }
}

void ReceiveEngine::endAfterWriteFailure() {
    if (!receiving_ || busy_)
        return;
    BusyGuard guard(busy_);
    // A program with a hole is no program: it is not kept either.
    endCutOff(QStringLiteral("Can't Write The Received Program To Disk") + QLatin1Char('\n') + writeFailure_,
              false);
}

// A receive cut off part way (the disk, or the port: an adaptor pulled)
// is never saved over anything, logged or opened. The data that came is
// kept when `keepData` and there is any, and the user told where.
void ReceiveEngine::endCutOff(const QString& why, bool keepData) {
    tick_.stop();
    endPortReceive();
    closeComPort();
    QString text = why + QLatin1Char('\n') + QStringLiteral("The Receive Was Stopped And Nothing Was Saved");
    if (fileExists(target_))
        text += QLatin1Char('\n') + target_ + QStringLiteral(" Was Not Changed");
    if (keepData && byteCount_ > 0) {
        text += QLatin1Char('\n') + QStringLiteral("The %1 Bytes Received Are Kept In ").arg(byteCount_) +
                gReceiveTempFile;
        keepTempFile();
    } else {
        removeTempFile();
    }
    msgBox(text, Msg::Ok, Msg::Critical);
    statusbar(QStringLiteral("Receive Failed.."));
    backToIdle(false);
}

void ReceiveEngine::onTick() {
    if (!receiving_ || busy_ || inSink_ || !writeFailure_.isEmpty())
        return;
    BusyGuard guard(busy_);
    if (portFault()) {
        endCutOff(lastPortError(), true);
        return;
    }
    // The wait after receiving counts from the last byte: an armed receive
    // waits for the machine as long as the operator needs.
    if (!forever_ && sinceData_.isValid() && sinceData_.elapsed() >= idleMs_)
        endDecision();
}

void ReceiveEngine::endDecision() {
    tick_.stop();
    if (byteCount_ == 0) {
        stopProcedure();
        return;
    }
    if (forever_ && msgBox(QStringLiteral("Do You Want To Save File To Disk ?"), Msg::YesNo, Msg::Question) !=
                        Msg::AnswerYes) {
        stopProcedure();
        return;
    }
    saveFileAfterReceive();
}

// Nothing is saved; what arrived stays in its temporary file, and the
// user is told where (the next start names it again).
void ReceiveEngine::stopProcedure() {
    gPortState = PortReceiveStopped;
    if (byteCount_ == 0) {
        statusbar(QStringLiteral("Stop Pressed.."));
    } else {
        statusbar(QStringLiteral("Stop Pressed - The %1 Bytes Received Are Kept In ").arg(byteCount_) +
                  QDir::toNativeSeparators(gReceiveTempFile));
        keepTempFile();
    }
    cancelProcedure();
}

void ReceiveEngine::cancelProcedure() {
    tick_.stop();
    endPortReceive();
    closeComPort();
    removeTempFile();
    backToIdle(false);
}

void ReceiveEngine::backToIdle(bool saved) {
    host_->setReceiveButton(gReceiveCaption, QString::fromLatin1(kIdleTip));
    host_->showReceiveScreen(false);
    terminal_->setBinaryTransfer(false);
    receiving_ = false;
    // Idle again, so the main window can close.
    gPortState = PortIdle;
    Q_EMIT receiveEnded(saved);
}

void ReceiveEngine::saveFileAfterReceive() {
    tick_.stop();
    yield();
    endPortReceive();
    temp_.close();
    if (!binary_ && !xmodem_)
        ReceiveSave::sendAfterReceiveTrailer();
    closeComPort();

    const QString kept = QStringLiteral("The Received Data Is Kept In ") + gReceiveTempFile;
    QString why;
    if (ReceiveSave::AuditTrailFileName(target_, nullptr, &why) == ReceiveSave::AuditResult::Failed) {
        msgBox(QStringLiteral("Can't Copy ") + target_ + QStringLiteral(" To The Audit Trail") + QLatin1Char('\n') +
                   why + QLatin1Char('\n') + QStringLiteral("The File Was Not Replaced") + QLatin1Char('\n') + kept,
               Msg::Ok, Msg::Exclamation);
        keepTempFile();
        backToIdle(false);
        return;
    }

    bool written = false;
    {
        WaitCursor hourglass;
        written = ReceiveSave::writeReceivedFile(gReceiveTempFile, target_, binary_, &why);
    }
    if (!written) {
        gMsgResult = QString::number(msgBox(QStringLiteral("Error Writing Saved File To Disk") + QLatin1Char('\n') +
                                                QStringLiteral("Error Code:") + why + QLatin1Char('\n') + kept,
                                            Msg::Ok, Msg::Exclamation));
        keepTempFile();
        backToIdle(false);
        return;
    }
    // Logged as received only once it is saved.
    writeLogFile(target_);
    removeTempFile();

    QString status = QStringLiteral("File Received...[") + QString::number(byteCount_) + QStringLiteral(" Bytes]");
    // Its own mark, not gSplitBusy: a split run from the menu may be waiting
    // on a question meanwhile.
    if (receiveAll_ && !binary_ && !xmodem_) {
        // A receive-all: each program goes to a file of its own, logged as received.
        const SplitOutcome split = splitFileUp(target_, false);
        for (const QString& file : split.written)
            writeLogFile(file);
        if (!split.summary.isEmpty())
            status += QStringLiteral(" - ") + split.summary;
    } else if (!binary_ && anyFileExists(target_) &&
               MachineRecord::current(QStringLiteral("OpenEdAfterReceive")).trimmed() == QLatin1String("1")) {
        openReceivedInEditor();
    }
    backToIdle(true);
    statusbar(status);
}

void ReceiveEngine::saveAfterXModem(qint64 bytes) {
    BusyGuard guard(busy_);
    byteCount_ = bytes;
    host_->setReceivedByteCount(bytes);
    binary_ = host_->binaryReceive();
    xmodem_ = true;
    saveFileAfterReceive();
    xmodem_ = false;
}

void ReceiveEngine::openReceivedInEditor() {
    if (EditorManager* editors = EditorManager::instance())
        editors->openWrittenFile(target_, QStringLiteral("Received Program"));
}

void ReceiveEngine::openTerminalWindow() {
    if (busy_ || receiving_ || gSending)
        return;
    BusyGuard guard(busy_);
    WaitCursor hourglass;
    gEchoReceive = true;
    hideFindForm();
    const int mode = host_->checkedDebugMode();
    if (mode >= 0)
        gDebugMode = mode;
    if (terminalOpen_) {
        closeTerminal();
        return;
    }
    terminalOpen_ = true;
    gPortState = PortTerminal;
    gCharacterSet = MachineRecord::currentInt(QStringLiteral("CharacterSet"));
    if (gCharacterSet == 1 && !eiaTableLoads()) {
        closeTerminal();
        return;
    }
    host_->showDebugScreen(true);
    terminal_->clear();
    gBestEob = false;
    // What the machine sends is shown, never stored.
    if (!openPort() || !beginPortReceive([this](const QByteArray& data) { terminal_->appendToTerminal(data); }))
        closeTerminal();
}

void ReceiveEngine::closeTerminal() {
    host_->showDebugScreen(false);
    endPortReceive();
    yield();
    closeComPort();
    yield();
    statusbar(QStringLiteral("Ready"));
    terminalOpen_ = false;
    gPortState = PortIdle;
}
