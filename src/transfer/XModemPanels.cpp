#include "XModemPanels.h"

#include "DateStuff.h"
#include "EditorGlobals.h"
#include "FileStuff.h"
#include "Language.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PercentBar.h"
#include "PortLayer.h"
#include "StatusLine.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "XModemCopy.h"
#include "XModemTransfer.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The transfer the panels show; one at a time.
struct Run {
    QPointer<XModemPanel> panel;
    QPointer<XModemTransfer> transfer;
    XModemWindow window;
    QDateTime started;
    std::function<void(qint64)> received;
    bool busyPointer = false; // a Cancel waits for the transfer to stop
};
Run& current() {
    static Run run;
    return run;
}

constexpr int kStatus[2] = {9, 0}; // receive, send
constexpr int kBytes[2] = {8, 1};
constexpr int kName[2] = {7, 2};
constexpr int kTime[2] = {6, 3};
constexpr int kFileSize = 4;

XModemPanel* panelIn(QWidget* area, bool send) {
    const QString name = send ? QStringLiteral("picXmodemSendContainer") : QStringLiteral("picXmodemReceiveContainer");
    if (area)
        if (auto* existing = area->findChild<XModemPanel*>(name))
            return existing;
    return new XModemPanel(send, area);
}

// A name longer than the field shows its first 30 characters.
QString shortName(const QString& path) {
    const QString name = getFileNameFromPath(path);
    return name.size() > 30 ? name.left(30) + QStringLiteral("...") : name;
}

void showProgress() {
    Run& run = current();
    if (!run.panel || !run.transfer)
        return;
    const XModem::Progress p = run.transfer->progress();
    const int side = run.panel->isSendPanel() ? 1 : 0;
    run.panel->showStatus(p.status);
    run.panel->lblXmodemSendMSG(kBytes[side])->setText(QString::number(p.bytes));
    run.panel->lblXmodemSendMSG(kTime[side])->setText(formatElapsed(run.started, QDateTime::currentDateTime()));
    if (p.total > 0)
        UpdateStatus(run.panel->picture(), double(p.bytes) * 100.0 / double(p.total), true);
}

// Locks the window and brings up the panel of a transfer about to start.
XModemPanel* arm(bool send, const XModemWindow& window, const QString& shownName) {
    Run& run = current();
    run.window = window;
    run.started = QDateTime::currentDateTime();
    if (run.window.lock)
        run.window.lock(true);
    run.panel = panelIn(window.area, send);
    XModemPanel* panel = run.panel;
    const int side = send ? 1 : 0;
    panel->showStatus(QStringLiteral("Initializing..."));
    panel->lblXmodemSendMSG(kBytes[side])->setText(QStringLiteral("0"));
    panel->lblXmodemSendMSG(kName[side])->setText(send ? getFileNameFromPath(shownName) : shortName(shownName));
    panel->lblXmodemSendMSG(kTime[side])->setText(QStringLiteral("00:00:00:00"));
    if (send)
        panel->lblXmodemSendMSG(kFileSize)->setText(QStringLiteral("0"));
    panel->picture()->clear();
    panel->cancelButton()->setEnabled(false);
    if (window.area) {
        panel->move(qMax(0, (window.area->width() - panel->width()) / 2),
                    qMax(0, (window.area->height() - panel->height()) / 2));
        panel->raise();
        panel->show();
    }
    QCoreApplication::processEvents();
    return panel;
}

// The panel hidden; one that stood alone (no window to hold it) goes.
void putAwayPanel() {
    Run& run = current();
    if (!run.panel)
        return;
    run.panel->hide();
    if (!run.panel->parent())
        delete run.panel.data();
}

bool takeOff(XModemTransfer* transfer) {
    Run& run = current();
    if (!transfer) {
        putAwayPanel();
        xmodemEnabledStatusBackOn();
        return false;
    }
    run.transfer = transfer;
    QObject::connect(transfer, &XModemTransfer::progressChanged, transfer, [] { showProgress(); });
    run.panel->cancelButton()->setEnabled(true);
    run.panel->cancelButton()->setFocus();
    return true;
}

// Every end of a transfer: the panel hidden, the outcome told, the window idle.
XModem::Outcome finish() {
    Run& run = current();
    const XModem::Outcome outcome = run.transfer ? run.transfer->outcome() : XModem::Outcome::PortError;
    QString text = run.transfer ? run.transfer->progress().status : XModem::outcomeText(outcome);
    if (outcome == XModem::Outcome::PortError)
        text += QLatin1Char('\n') + lastPortError();
    showProgress();
    if (run.panel)
        run.panel->showStatus(text);
    putAwayPanel();
    // The transfer repeats its CANs shortly after, for a peer that emptied its
    // input just as the first ones came: the port stays open for them.
    if (outcome == XModem::Outcome::Cancelled)
        waitOutsideSend(600);
    resetXModemTransfer();
    run.transfer = nullptr;
    if (run.busyPointer) {
        run.busyPointer = false;
        QApplication::restoreOverrideCursor();
    }
    xmodemEnabledStatusBackOn();
    if (outcome == XModem::Outcome::Completed)
        statusbar(text);
    else if (outcome == XModem::Outcome::Cancelled)
        msgBox(text, Msg::Ok, Msg::Information);
    else
        msgBox(text, Msg::Ok, Msg::Critical);
    return outcome;
}

void cancelRun() {
    if (!comPort().isOpen() || !current().transfer)
        return;
    if (!current().busyPointer) {
        current().busyPointer = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    if (current().panel) {
        current().panel->cancelButton()->setEnabled(false);
        current().panel->showStatus(QStringLiteral("Cancelling Transfer..."));
    }
    // Blocks still queued would reach the other side before the CANs.
    comPort().discardOutput();
    cancelXModemTransfer();
}

} // namespace

XModemPanel::XModemPanel(bool send, QWidget* parent) : QFrame(parent), send_(send) {
    setObjectName(send ? QStringLiteral("picXmodemSendContainer") : QStringLiteral("picXmodemReceiveContainer"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    header_ = new QLabel(send ? QStringLiteral("XModem Send") : QStringLiteral("XModem Receive"), this);
    header_->setObjectName(send ? QStringLiteral("lblXmodemSendHeader") : QStringLiteral("lblXmodemReceiveHeader"));
    header_->setAutoFillBackground(true);
    column->addWidget(header_);
    auto* frame = new QGroupBox(QStringLiteral("XModem Status"), this);
    frame->setObjectName(QStringLiteral("fraXModemStatus"));
    auto* grid = new QGridLayout(frame);
    const QVector<std::pair<int, const char*>> rows =
        send ? QVector<std::pair<int, const char*>>{{0, "Transfer Status :"}, {1, "Bytes Sent :"}, {2, "Filename :"},
                                                    {3, "Time :"}, {4, "Filesize :"}}
             : QVector<std::pair<int, const char*>>{{9, "Transfer Status :"}, {8, "Bytes Received :"},
                                                    {7, "Filename :"}, {6, "Time :"}};
    for (int r = 0; r < rows.size(); ++r) {
        auto* caption = new QLabel(QString::fromLatin1(rows[r].second), frame);
        caption->setObjectName(QStringLiteral("lblXMODEM(%1)").arg(rows[r].first));
        auto* value = new QLabel(frame);
        value->setObjectName(QStringLiteral("lblXmodemSendMSG(%1)").arg(rows[r].first));
        value->setMinimumWidth(220);
        grid->addWidget(caption, r, 0);
        grid->addWidget(value, r, 1);
    }
    picture_ = new PercentBar(frame);
    picture_->setMinimumHeight(22);
    grid->addWidget(picture_, int(rows.size()), 0, 1, 2);
    column->addWidget(frame);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(send ? QStringLiteral("cmdXModemSendCancel") : QStringLiteral("cmdXModemReceiveCancel"));
    cancel_->setEnabled(false);
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, send ? cmdXModemSendCancel_Click : cmdXModemReceiveCancel_Click);
    applyLanguage(this);
    adjustSize();
    hide();
}

QLabel* XModemPanel::lblXmodemSendMSG(int i) const {
    return findChild<QLabel*>(QStringLiteral("lblXmodemSendMSG(%1)").arg(i));
}

void XModemPanel::showStatus(const QString& text) {
    if (QLabel* status = lblXmodemSendMSG(send_ ? kStatus[1] : kStatus[0]))
        status->setText(text);
}

XModemPanel* xmodemPanel() { return current().transfer ? current().panel.data() : nullptr; }

XModem::Outcome runXmodemSend(const QString& fileName, const QString& shownName, bool fromWindow,
                              const XModemWindow& window, const QString& loggedAs) {
    // Nothing is locked, logged or shown for a port that does not open.
    if (!openPortForSend(SendRoute::XModem))
        return XModem::Outcome::PortError;
    gPortState = PortSending;
    gSending = true;
    clearCancelAsSendBegins();
    gCancelOperation = false;
    XModemPanel* panel = arm(true, window, shownName);
    QPalette colours = panel->header()->palette();
    colours.setColor(QPalette::Window, fromWindow ? Qt::yellow : Qt::green);
    panel->header()->setPalette(colours);
    writeLogFile(shownName, loggedAs);

    panel->showStatus(QStringLiteral("Formatting File..."));
    QCoreApplication::processEvents();
    const XModemCopy copy = formatXmodemCopy(QFileInfo(fileName).size(), MachineRecord::current(QStringLiteral("HeaderSend")),
                                             MachineRecord::current(QStringLiteral("TrailerSend")),
                                             MachineRecord::current(QStringLiteral("XModemPad")));
    QString sent = fileName;
    if (copy.needed) {
        sent = getTempFileName(QStringLiteral("dnc")).trimmed();
        QString error;
        // A large program takes a while: the window keeps repainting.
        const auto progress = [panel](int percent) {
            panel->showStatus(QStringLiteral("Formatting File %1%..").arg(percent));
            QCoreApplication::processEvents();
        };
        if (sent.isEmpty() || !writeXmodemCopy(fileName, copy, sent, &error, progress)) {
            QFile::remove(sent);
            putAwayPanel();
            xmodemEnabledStatusBackOn();
            msgBox(sent.isEmpty() ? QStringLiteral("Can't Create A Temporary File In The Program Folder") : error,
                   Msg::Ok, Msg::Critical);
            return XModem::Outcome::FileError;
        }
    }
    panel->lblXmodemSendMSG(kFileSize)->setText(QString::number(QFileInfo(sent).size()));

    XModem::Outcome outcome = XModem::Outcome::PortError;
    if (takeOff(startXModemSendTransfer(sent))) {
        XModemTransfer* transfer = current().transfer;
        while (transfer->isRunning()) {
            if (gCancelSend)
                cancelRun();
            comPort().pump(50);
        }
        outcome = finish();
    }
    if (sent != fileName)
        QFile::remove(sent);
    return outcome;
}

bool startXModemReceive(const QString& target, const XModemWindow& window, std::function<void(qint64)> received) {
    if (current().transfer)
        return false;
    if (!openPortX())
        return false;
    gPortState = PortTerminal;
    gCancelSend = false;
    arm(false, window, target);
    current().received = std::move(received);
    if (gReceiveTempFile.isEmpty())
        gReceiveTempFile = getTempFileName(QStringLiteral("dnc")).trimmed();
    QFile::remove(gReceiveTempFile);
    // The sender waits for our invitation: anything older (the CANs that ended
    // a transfer before) would end this one at once.
    comPort().discardInput();
    if (!takeOff(startXModemReceiveTransfer(gReceiveTempFile)))
        return false;
    XModemTransfer* transfer = current().transfer;
    // Esc cancels as the Cancel button does.
    QObject::connect(transfer, &XModemTransfer::progressChanged, transfer, [] {
        if (gCancelSend)
            cancelRun();
    });
    // Out of the port's delivery, where the transfer ends, before any message.
    QObject::connect(transfer, &XModemTransfer::finished, transfer, [] {
        const auto received = std::move(current().received);
        current().received = nullptr;
        // Nothing of a receive that did not complete is kept.
        if (finish() != XModem::Outcome::Completed) {
            QFile::remove(gReceiveTempFile);
            return;
        }
        QString error;
        if (!trimXmodemPad(gReceiveTempFile, &error)) {
            msgBox(error + QLatin1Char('\n') + QStringLiteral("The Received Data Is Kept In ") + gReceiveTempFile,
                   Msg::Ok, Msg::Critical);
            gReceiveTempFile.clear(); // never taken again
            return;
        }
        if (received)
            received(QFileInfo(gReceiveTempFile).size());
    }, Qt::QueuedConnection);
    return true;
}

bool xmodemReceiveRunning() {
    return current().transfer && current().panel && !current().panel->isSendPanel();
}

void xmodemEnabledStatusBackOn() {
    closeComPort();
    gSending = false;
    gCancelSend = true;
    gPortState = PortIdle;
    Run& run = current();
    if (run.window.lock)
        run.window.lock(false);
    run.window = XModemWindow();
    QCoreApplication::processEvents();
}

void cmdXModemSendCancel_Click() { cancelRun(); }

void cmdXModemReceiveCancel_Click() { cancelRun(); }
