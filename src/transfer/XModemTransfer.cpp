#include "XModemTransfer.h"

#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "SerialLink.h"
#include "XModemCopy.h"

#include <QPointer>

#include <limits>

XModemTransfer::XModemTransfer(SerialLink& link, QObject* parent) : QObject(parent), link_(link) {
    ticker_.setInterval(100);
    connect(&ticker_, &QTimer::timeout, this, &XModemTransfer::onTick);
}

XModemTransfer::~XModemTransfer() {
    if (running_) {
        cancel();
    }
}

bool XModemTransfer::begin() {
    if (!link_.isOpen()) {
        error_ = QStringLiteral("The Port Is Not Open");
        return false;
    }
    // Input since the port opened is kept: the other side may have invited already.
    link_.setReceiveSink([this](const QByteArray& bytes) { onData(bytes); });
    clock_.start();
    lastData_.start();
    running_ = true;
    portFailed_ = false;
    silent_ = false;
    endpoint_->start(0);
    ticker_.start();
    flushAndCheck();
    return true;
}

bool XModemTransfer::startSend(const QString& fileName, char pad, const XModem::Timing& timing) {
    if (running_)
        return false;
    file_.close();
    file_.setFileName(fileName);
    if (!file_.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("Can't Read %1").arg(fileName) + QLatin1Char('\n') + file_.errorString();
        return false;
    }
    endpoint_ = std::make_unique<XModem::Sender>(&file_, pad, timing);
    if (!begin()) {
        file_.close();
        return false;
    }
    return true;
}

bool XModemTransfer::startReceive(const QString& fileName, const XModem::Timing& timing) {
    if (running_)
        return false;
    file_.close();
    file_.setFileName(fileName);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error_ = QStringLiteral("Can't Write %1").arg(fileName) + QLatin1Char('\n') + file_.errorString();
        return false;
    }
    endpoint_ = std::make_unique<XModem::Receiver>(&file_, timing);
    if (!begin()) {
        file_.close();
        return false;
    }
    return true;
}

void XModemTransfer::cancel() {
    if (!running_)
        return;
    endpoint_->cancel();
    flushAndCheck();
}

XModem::Outcome XModemTransfer::outcome() const {
    if (portFailed_)
        return XModem::Outcome::PortError;
    if (silent_)
        return XModem::Outcome::NoPeer;
    return endpoint_ ? endpoint_->outcome() : XModem::Outcome::Running;
}

XModem::Progress XModemTransfer::progress() const {
    XModem::Progress p;
    if (endpoint_)
        p = endpoint_->progress();
    if (portFailed_ || silent_)
        p.status = XModem::outcomeText(outcome());
    return p;
}

void XModemTransfer::onData(const QByteArray& bytes) {
    if (!running_)
        return;
    lastData_.start();
    endpoint_->feed(bytes, clock_.elapsed());
    flushAndCheck();
}

void XModemTransfer::onTick() {
    if (!running_)
        return;
    if (!link_.isOpen() || link_.faulted())
        portFailed_ = true;
    // The other side went quiet for good (unplugged, its program ended). Once
    // every block is acknowledged the sender's end-of-transfer rules decide.
    const bool allAcknowledged =
        dynamic_cast<XModem::Sender*>(endpoint_.get()) && endpoint_->progress().bytes >= endpoint_->progress().total;
    if (silenceLimitMs_ > 0 && lastData_.elapsed() >= silenceLimitMs_ && !portFailed_ && !allAcknowledged) {
        silent_ = true;
        endpoint_->cancel();
    }
    endpoint_->tick(clock_.elapsed());
    flushAndCheck();
    if (running_)
        Q_EMIT progressChanged();
}

void XModemTransfer::flushAndCheck() {
    link_.queue(endpoint_->takeOutput());
    const bool done = portFailed_ || endpoint_->finished();
    if (!done)
        return;
    ticker_.stop();
    link_.clearReceiveSink();
    file_.close();
    if (endpoint_->outcome() == XModem::Outcome::Cancelled) {
        // The other side may have emptied its input just as the CANs came
        // (some do after every ACK): say it once more when it listens again.
        QTimer::singleShot(500, this, [this, openings = machinePortOpenings()] {
            // Unless another transfer, of any kind, has begun on the port.
            if (!link_.hasReceiveSink() && openings == machinePortOpenings())
                link_.queue(QByteArray(5, XModem::CAN));
        });
    }
    elapsedAtEnd_ = clock_.elapsed();
    running_ = false;
    Q_EMIT progressChanged();
    Q_EMIT finished(outcome());
}

XModem::Outcome XModemTransfer::waitUntilFinished() {
    while (running_)
        link_.pump(50);
    return outcome();
}

namespace {

QPointer<XModemTransfer>& current() {
    static QPointer<XModemTransfer> transfer;
    return transfer;
}

XModem::Timing machineTiming() {
    XModem::Timing t;
    const int seconds = MachineRecord::currentInt(QStringLiteral("SendTimeOut"));
    // The settings dialog takes up to 999999999 s, beyond an int of milliseconds.
    if (seconds > 0)
        t.startTimeoutMs = int(qMin<qint64>(qint64(seconds) * 1000, std::numeric_limits<int>::max()));
    else
        t.startTimeoutMs = std::numeric_limits<int>::max();
    return t;
}

XModemTransfer* startTransfer(const QString& fileName, bool send) {
    if (current() && current()->isRunning())
        return nullptr;
    resetXModemTransfer();
    if (!openPortX())
        return nullptr;
    auto* transfer = new XModemTransfer(comPort());
    const int seconds = MachineRecord::currentInt(QStringLiteral("SendTimeOut"));
    transfer->setSilenceLimitMs(seconds > 0 ? qint64(seconds) * 1000 : 0);
    bool ok = false;
    if (send) {
        const int pad = xmodemPadCode(MachineRecord::current(QStringLiteral("XModemPad")));
        ok = transfer->startSend(fileName, char(pad), machineTiming());
    } else {
        ok = transfer->startReceive(fileName, machineTiming());
    }
    if (!ok) {
        msgBox(transfer->errorString(), Msg::Ok, Msg::Critical);
        delete transfer;
        return nullptr;
    }
    current() = transfer;
    return transfer;
}

} // namespace

XModemTransfer* startXModemSendTransfer(const QString& fileName) {
    return startTransfer(fileName, true);
}
XModemTransfer* startXModemReceiveTransfer(const QString& fileName) {
    return startTransfer(fileName, false);
}

int xmodemTransfersRunning() {
    return current() && current()->isRunning() ? 1 : 0;
}

void cancelXModemTransfer() {
    if (current())
        current()->cancel();
}

void resetXModemTransfer() {
    // Later: this may run inside a slot of the transfer's own signals.
    if (current() && !current()->isRunning()) {
        current()->deleteLater();
        current() = nullptr;
    }
}
