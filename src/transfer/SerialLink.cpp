#include "SerialLink.h"

#include "PortRelease.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int kSliceMs = 20;

// Qt reports a write the line cannot take yet as an error; it is none.
// Both the error it noted and errno must say so: Qt may word another
// failure with a stale errno.
bool wouldBlock(int cause, const QString& text) {
    return (cause == EAGAIN || cause == EWOULDBLOCK) && text == QString::fromLocal8Bit(std::strerror(cause));
}

constexpr qint64 kUnclaimedLimit = 1 << 20;
} // namespace

SerialLink::SerialLink(QObject* parent) : QObject(parent) {
    wake_.setSingleShot(true);
    connect(&port_, &QSerialPort::readyRead, this, &SerialLink::deliver);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::onError);
}

SerialLink::~SerialLink() {
    if (port_.isOpen()) {
        discardOutput();
        closeDevice(false);
    }
}

void SerialLink::setBufferSizes(int inBytes, int outBytes) {
    inBufferSize_ = inBytes;
    outBufferSize_ = outBytes;
}

bool SerialLink::open(const QString& device, const PortSettings& settings) {
    if (port_.isOpen() && !faulted_ && device == device_ && settings == settings_)
        return true;
    if (port_.isOpen())
        close(CloseMode::Drain);
    faulted_ = false;
    abandoned_ = false;
    error_.clear();
    unclaimed_.clear(); // nothing from an earlier opening is kept
    device_ = device;
    settings_ = settings;

    port_.setPortName(device);
    port_.setBaudRate(settings.baud);
    port_.setParity(settings.parity);
    port_.setDataBits(settings.dataBits);
    port_.setStopBits(settings.stopBits);
    const bool hardware = settings.flow == FlowMode::RtsCts || settings.flow == FlowMode::Both;
    port_.setFlowControl(hardware ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    // What the next opening should find, should this program have to end
    // with the port open and the GUI thread held.
    PortRelease::FoundSettings found(device);
    const bool opened = port_.open(QIODevice::ReadWrite);
    found.release();
    if (!opened) {
        const QString who = comName_.isEmpty() ? device : QStringLiteral("%1 (%2)").arg(comName_, device);
        error_ = QStringLiteral("Can't Open %1").arg(who) + QLatin1Char('\n') + openFailure();
        port_.clearError();
        Q_EMIT stateChanged();
        return false;
    }
    // Qt's own software flow control also lets any byte restart output; the
    // machine's XON alone must do that.
    applySoftwareFlow(settings.flow == FlowMode::XonXoff || settings.flow == FlowMode::Both);
    if (!hardware)
        port_.setRequestToSend(settings.rts);
    port_.setDataTerminalReady(settings.dtr);
    port_.clearError();
    struct stat st {};
    pseudoTerminal_ = ::fstat(int(port_.handle()), &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
                      major(st.st_rdev) <= 143;
    PortRelease::noteOpened(int(port_.handle()), device, found.settings(), closeBoundMs(settings));
    lastReceive_.start();
    Q_EMIT stateChanged();
    return true;
}

// Qt says "locking" or "busy" for a port another holder has open; a device
// we may read and write can only be refused for that.
QString SerialLink::openFailure() const {
    const QFileInfo file(device_);
    if (port_.error() != QSerialPort::PermissionError)
        return port_.errorString();
    if (file.isReadable() && file.isWritable())
        return QStringLiteral("The Port Is In Use, By This Program's Window Or Another Program");
    return port_.errorString() + QLatin1Char('\n') + devicePermissionAdvice(device_);
}

QString devicePermissionAdvice(const QString& device) {
    // A stable name (/dev/serial/by-id/...) is a link: the device's own group counts.
    const QFileInfo real(QFileInfo(device).canonicalFilePath());
    // Joining a group that may not read and write the device would not help.
    constexpr QFileDevice::Permissions groupMay = QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    if ((real.permissions() & groupMay) != groupMay) {
        const QString owner = real.owner();
        const QString who =
            owner.isEmpty() ? QStringLiteral("Its Owner") : QStringLiteral("Its Owner \"%1\"").arg(owner);
        return QStringLiteral("Only %1 May Open %2 (Ask Your Administrator)").arg(who, device);
    }
    const QString group = real.group();
    if (group.isEmpty())
        return QStringLiteral("Your User May Not Use %1").arg(device);
    return QStringLiteral("%1 Belongs To The Group \"%2\": Your User Must Be A Member Of It "
                          "(Ask Your Administrator, Then Log In Again)")
        .arg(device, group);
}

void SerialLink::close(CloseMode mode) {
    if (!port_.isOpen())
        return;
    deliver();
    // At the end of a send the cancel flag is already set; only a cancel
    // during the drain itself may cut it short. A flush after a complete
    // drain would do harm: on a pseudo-terminal it empties the other side's
    // unread input.
    if (mode != CloseMode::Drain || abandoned_ || faulted_ || drain(!cancelled()) != PortResult::Ok)
        discardOutput();
    closeDevice(true);
    Q_EMIT stateChanged();
}

SerialLink::LineCalls SerialLink::lineCalls() {
    LineCalls calls = lineCalls_;
    if (!calls.transmitterEmpty)
        calls.transmitterEmpty = [this]() -> std::optional<bool> {
            unsigned int status = 0;
            if (!port_.isOpen() || ::ioctl(port_.handle(), TIOCSERGETLSR, &status) != 0)
                return std::nullopt;
            return lineStatusSaysEmpty(status);
        };
    if (!calls.closeDevice)
        calls.closeDevice = [this] { port_.close(); };
    if (!calls.transmitted)
        calls.transmitted = [this]() -> std::optional<quint32> {
            serial_icounter_struct counts{};
            if (!port_.isOpen() || ::ioctl(port_.handle(), TIOCGICOUNT, &counts) != 0)
                return std::nullopt;
            return quint32(counts.tx);
        };
    return calls;
}

int SerialLink::transmitterMs(const PortSettings& s) {
    if (s.baud <= 0)
        return 0;
    const int bits = 1 + int(s.dataBits) + (s.parity == QSerialPort::NoParity ? 0 : 1) +
                     (s.stopBits == QSerialPort::OneStop ? 1 : 2);
    return int((qint64(16 + 1) * bits * 1000 + s.baud - 1) / s.baud);
}

int SerialLink::closeBoundMs(const PortSettings& s) {
    return 2 * transmitterMs(s) + kSliceMs;
}

int SerialLink::xoffBoundMs(const PortSettings& s) {
    return kHeldAfterMs + 2 * transmitterMs(s);
}

bool SerialLink::lineStatusSaysEmpty(unsigned int status) {
    return (status & TIOCSER_TEMT) != 0;
}

bool SerialLink::transmitterEmpty() {
    if (pendingOutput() > 0)
        return false;
    const std::optional<bool> empty = lineCalls().transmitterEmpty();
    return !empty || *empty;
}

void SerialLink::closeDevice(bool yield) {
    // The queue is empty by now (drained or discarded); the UART may still
    // be sending (under hardware flow control some hold their FIFO, hence
    // the bound).
    QElapsedTimer waited;
    waited.start();
    const int bound = closeBoundMs(settings_);
    while (port_.isOpen() && !transmitterEmpty() && waited.elapsed() < bound) {
        const int ms = int(qBound<qint64>(1, bound - waited.elapsed(), qint64(5)));
        if (yield)
            pump(ms);
        else
            ::poll(nullptr, 0, ms);
    }
    if (port_.isOpen()) {
        PortRelease::noteClosing(int(port_.handle()));
        lineCalls().closeDevice();
    }
}

void SerialLink::onError(QSerialPort::SerialPortError error) {
    const int cause = errno;
    if (error == QSerialPort::NoError)
        return;
    // A read that finds the line hung up (the other end of a pseudo-terminal
    // closed) returns nothing, and Qt words that with whatever errno was
    // left, a would-block one too.
    if ((error == QSerialPort::ReadError || error == QSerialPort::ResourceError) && port_.isOpen()) {
        pollfd line{int(port_.handle()), 0, 0};
        if (::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            fault(QSerialPort::ResourceError, port_.errorString());
            return;
        }
    }
    if (wouldBlock(cause, port_.errorString())) {
        // A full or held line (XOFF, CTS, a machine that reads slowly): Qt
        // keeps the bytes and writes them once the line takes them again.
        port_.clearError();
        return;
    }
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::WriteError:
    case QSerialPort::ReadError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
        break;
    default:
        // Time-outs of Qt's own waits and lines a device cannot report are not faults.
        return;
    }
    fault(error, port_.errorString());
}

void SerialLink::fault(QSerialPort::SerialPortError error, const QString& reason) {
    if (!port_.isOpen() || faulted_)
        return; // one error per failure, not a burst
    faulted_ = true;
    // Qt words a vanished device (a read that finds the line closed) with
    // whatever the last system error was.
    const QString why = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
                            ? QStringLiteral("The Device Was Disconnected Or Stopped Working")
                            : reason;
    error_ = QStringLiteral("Port Error On %1").arg(comName_.isEmpty() ? device_ : comName_) + QLatin1Char('\n') + why;
    // The device is gone: keep the notifiers from firing on a dead handle.
    if (error == QSerialPort::ResourceError) {
        dropped_ += pendingOutput();
        PortRelease::noteClosing(int(port_.handle()));
        port_.close();
    }
    Q_EMIT stateChanged();
}

void SerialLink::pump(int ms) {
    // No event loop of its own per wait: the one running is asked for the
    // next events, and the timer makes sure there is one within `ms`.
    if (!wake_.isActive() || wake_.remainingTime() > ms)
        wake_.start(ms);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    sinceEvents_.start();
}

PortResult SerialLink::abandon(PortResult why) {
    if (why == PortResult::TimedOut)
        lastHold_ = holdNow();
    if (why == PortResult::Cancelled || why == PortResult::TimedOut || why == PortResult::PortError) {
        abandoned_ = true;
        givenUp_ = true;
        discardOutput();
    }
    return why;
}

qint64 SerialLink::pendingOutput() const {
    if (!port_.isOpen())
        return 0;
    int kernel = 0;
    if (::ioctl(port_.handle(), TIOCOUTQ, &kernel) != 0)
        kernel = 0;
    return port_.bytesToWrite() + kernel;
}

void SerialLink::discardOutput() {
    if (!port_.isOpen())
        return;
    // A pseudo-terminal's queue is not counted by TIOCOUTQ: a flush would
    // drop, unseen, bytes already counted as gone (and the restart line
    // would name a line the machine never got). What it holds goes on.
    if (pseudoTerminal_ && port_.bytesToWrite() == 0)
        return;
    // The transmitter goes on taking bytes from the queue until the flush:
    // where the port counts them, those are gone, not dropped. The queue is
    // read between two looks at the count that agree, so none slips between.
    const auto transmitted = lineCalls().transmitted;
    std::optional<quint32> before = transmitted();
    qint64 pending = pendingOutput();
    std::optional<quint32> looked = transmitted();
    for (int tries = 0; before && looked && *before != *looked && tries < 3; ++tries) {
        before = looked;
        pending = pendingOutput();
        looked = transmitted();
    }
    port_.clear(QSerialPort::Output); // Qt's buffer and the kernel's queue
    const std::optional<quint32> after =
        before && looked && *before == *looked ? transmitted() : std::nullopt;
    dropped_ += pending - (after ? qBound<qint64>(0, quint32(*after - *looked), pending) : 0);
}

qsizetype SerialLink::writeDirect(const char* data, qsizetype size) {
    const ssize_t n = ::write(port_.handle(), data, size_t(size));
    if (n >= 0) {
        handed_ += n;
        return n;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0; // the line is full or held: no fault
    fault(QSerialPort::ResourceError, QString::fromLocal8Bit(std::strerror(errno)));
    return -1;
}

bool SerialLink::handOver(const QByteArray& data) {
    // Straight to the kernel while Qt holds nothing; the rest through Qt, after it.
    qsizetype direct = 0;
    if (port_.bytesToWrite() == 0 && (direct = writeDirect(data.constData(), data.size())) < 0)
        return false;
    if (direct == data.size())
        return true;
    const qint64 n = port_.write(data.constData() + direct, data.size() - direct);
    if (n > 0)
        handed_ += n;
    return n == data.size() - direct;
}

void SerialLink::yieldNow() {
    QCoreApplication::processEvents();
    sinceEvents_.start();
}

void SerialLink::queue(const QByteArray& data) {
    if (port_.isOpen() && !faulted_ && !data.isEmpty() && handOver(data))
        port_.flush();
}

PortResult SerialLink::write(const QByteArray& data, bool cancelEnds) {
    if (!port_.isOpen())
        return faulted_ ? PortResult::PortError : PortResult::NotOpen;
    if (faulted_)
        return PortResult::PortError;
    if (cancelEnds && cancelled())
        return abandon(PortResult::Cancelled);
    abandoned_ = false;
    if (charDelayMs_ <= 0)
        return writeAndWait(data, cancelEnds);
    for (int i = 0; i < data.size(); ++i) {
        PortResult r = writeAndWait(data.mid(i, 1), cancelEnds);
        if (r == PortResult::Ok)
            r = waitMs(charDelayMs_, cancelEnds);
        if (r != PortResult::Ok)
            return r;
    }
    return PortResult::Ok;
}

PortResult SerialLink::writeAndWait(const QByteArray& data, bool cancelEnds) {
    givenUp_ = false;
    const auto holdEnds = qScopeGuard([this] { setHolding(Hold::Unknown); });
    // What Qt still holds (handed over without waiting) goes first.
    if (port_.bytesToWrite() > 0) {
        const PortResult r = waitUntilSent([this] { return port_.bytesToWrite(); }, cancelEnds);
        if (r != PortResult::Ok)
            return r;
    }
    // Then straight to the kernel, as much as it takes at a time, waiting
    // for room in poll() as cat would; Qt's event loop still runs every
    // slice, so keys, buttons and input stay live.
    const char* p = data.constData();
    qsizetype left = data.size();
    QElapsedTimer idle;
    idle.start();
    if (!sinceEvents_.isValid())
        sinceEvents_.start();
    while (left > 0) {
        if (cancelEnds && cancelled())
            return abandon(PortResult::Cancelled);
        const qsizetype n = writeDirect(p, left);
        if (n < 0)
            return abandon(PortResult::PortError);
        if (n > 0) {
            p += n;
            left -= n;
            idle.restart();
            setHolding(Hold::Unknown);
        } else {
            // The hold is told before a time-out gives it up, however late this slice comes.
            const qint64 still = idle.elapsed();
            stoodStill(still);
            if (timeoutMs_ > 0 && still >= timeoutMs_)
                return abandon(PortResult::TimedOut);
            pollfd room{port_.handle(), POLLOUT, 0};
            ::poll(&room, 1, int(qBound<qint64>(1, kSliceMs - sinceEvents_.elapsed(), qint64(kSliceMs))));
        }
        if (sinceEvents_.elapsed() >= kSliceMs) {
            yieldNow();
            if (faulted_ || !port_.isOpen())
                return abandon(PortResult::PortError);
        }
    }
    return faulted_ ? abandon(PortResult::PortError) : PortResult::Ok;
}

int SerialLink::sliceFor(qint64 pendingBytes) const {
    // Qt's own writes wake the wait; the kernel's queue drains without a
    // signal, so wait about as long as the line needs for it, not a whole slice.
    if (port_.bytesToWrite() > 0 || settings_.baud <= 0)
        return kSliceMs;
    const qint64 ms = pendingBytes * 11 * 1000 / settings_.baud + 1;
    return int(qBound<qint64>(1, ms, qint64(kSliceMs)));
}

PortResult SerialLink::waitUntilSent(const std::function<qint64()>& pending, bool cancelEnds) {
    givenUp_ = false;
    const auto holdEnds = qScopeGuard([this] { setHolding(Hold::Unknown); });
    QElapsedTimer idle;
    idle.start();
    qint64 left = pending();
    while (left > 0) {
        if (faulted_ || !port_.isOpen())
            return abandon(PortResult::PortError);
        if (cancelEnds && cancelled())
            return abandon(PortResult::Cancelled);
        const qint64 still = idle.elapsed();
        stoodStill(still);
        if (timeoutMs_ > 0 && still >= timeoutMs_)
            return abandon(PortResult::TimedOut);
        pump(sliceFor(left));
        if (!port_.isOpen())
            return abandon(PortResult::PortError);
        const qint64 now = pending();
        if (now < left) {
            idle.restart(); // progress: the time-out counts from here
            setHolding(Hold::Unknown);
        }
        left = now;
    }
    return faulted_ ? abandon(PortResult::PortError) : PortResult::Ok;
}

PortResult SerialLink::waitMs(int ms, bool cancelEnds) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (cancelEnds && cancelled())
            return abandon(PortResult::Cancelled);
        if (faulted_)
            return abandon(PortResult::PortError);
        pump(int(qMin<qint64>(kSliceMs, ms - t.elapsed())));
    }
    return PortResult::Ok;
}

PortResult SerialLink::drain(bool cancelEnds) {
    if (!port_.isOpen())
        return faulted_ ? PortResult::PortError : PortResult::NotOpen;
    return waitUntilSent([this] { return pendingOutput(); }, cancelEnds);
}

bool SerialLink::readLines(QSerialPort::PinoutSignals* out) {
    if (!port_.isOpen())
        return false;
    if (lineSource_)
        return lineSource_(out);
    *out = port_.pinoutSignals();
    const bool ok = port_.error() == QSerialPort::NoError;
    port_.clearError();
    return ok;
}

PortResult SerialLink::waitForCts() {
    if (!port_.isOpen())
        return faulted_ ? PortResult::PortError : PortResult::NotOpen;
    givenUp_ = false;
    const auto holdEnds = qScopeGuard([this] { setHolding(Hold::Unknown); });
    const auto giveUp = [this](PortResult why) {
        givenUp_ = true;
        return why;
    };
    QElapsedTimer t;
    t.start();
    for (;;) {
        QSerialPort::PinoutSignals lines;
        if (!readLines(&lines) || (lines & QSerialPort::ClearToSendSignal))
            return faulted_ ? giveUp(PortResult::PortError) : PortResult::Ok;
        if (cancelled())
            return giveUp(PortResult::Cancelled);
        const qint64 waited = t.elapsed();
        if (waited >= kHeldAfterMs)
            setHolding(Hold::Cts);
        // A machine that is off or unplugged never raises it.
        if (timeoutMs_ > 0 && waited >= timeoutMs_) {
            lastHold_ = Hold::Cts;
            return giveUp(PortResult::TimedOut);
        }
        pump(kSliceMs);
        if (!port_.isOpen())
            return giveUp(PortResult::PortError);
    }
}

// CTS low under hardware flow control, else the kernel's XON/XOFF when it
// is armed: on a real line (it drains at its speed unless one of them
// holds it) an XOFF, elsewhere (a reader may take its time) a standstill.
SerialLink::Hold SerialLink::holdNow() {
    QSerialPort::PinoutSignals lines;
    const bool hardware = settings_.flow == FlowMode::RtsCts || settings_.flow == FlowMode::Both;
    if (hardware && readLines(&lines) && !(lines & QSerialPort::ClearToSendSignal))
        return Hold::Cts;
    if (!softwareFlowArmed())
        return Hold::Unknown;
    return tellsXoff() ? Hold::Xoff : Hold::Standstill;
}

int SerialLink::xoffHeldAfterMs() {
    const int bound = xoffBoundMs(settings_);
    return tellsXoff() ? bound : qMax(bound, kUntoldStandstillMs);
}

bool SerialLink::tellsXoff() {
    // Some drivers answer the call and count nothing (a USB modem's, whose
    // device may take its time): a count still at 0 tells nothing.
    const std::optional<quint32> count = lineCalls().transmitted();
    return count && *count != 0;
}

void SerialLink::stoodStill(qint64 ms) {
    if (ms < kHeldAfterMs || holding_ != Hold::Unknown)
        return;
    // CTS low is read from the line; XOFF only inferred from the standstill.
    const Hold hold = holdNow();
    if ((hold != Hold::Xoff && hold != Hold::Standstill) || ms >= xoffHeldAfterMs())
        setHolding(hold);
}

void SerialLink::setHolding(Hold hold) {
    if (hold == holding_)
        return;
    holding_ = hold;
    Q_EMIT holdingChanged(hold);
}

void SerialLink::applySoftwareFlow(bool on) {
    termios tio;
    if (!port_.isOpen() || ::tcgetattr(port_.handle(), &tio) != 0)
        return;
    if (on) {
        tio.c_iflag |= IXON | IXOFF;
        tio.c_iflag &= ~tcflag_t(IXANY);
    } else {
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    }
    ::tcsetattr(port_.handle(), TCSANOW, &tio);
}

bool SerialLink::softwareFlowArmed() const {
    termios tio;
    if (!port_.isOpen() || ::tcgetattr(port_.handle(), &tio) != 0)
        return false;
    return (tio.c_iflag & IXON) != 0;
}

void SerialLink::setSoftwareFlowArmed(bool armed) {
    termios tio;
    if (!port_.isOpen() || ::tcgetattr(port_.handle(), &tio) != 0)
        return;
    // Only output holding changes; our own XOFF when the input fills stays.
    if (armed)
        tio.c_iflag |= IXON;
    else
        tio.c_iflag &= ~tcflag_t(IXON);
    ::tcsetattr(port_.handle(), TCSANOW, &tio);
}

void SerialLink::setReceiveSink(Sink sink, const EiaTable* conversion) {
    sink_ = std::move(sink);
    if (conversion)
        conversion_ = *conversion;
    else
        conversion_.reset();
    if (!unclaimed_.isEmpty())
        QTimer::singleShot(0, this, &SerialLink::deliver);
}

void SerialLink::clearReceiveSink() {
    sink_ = nullptr;
    conversion_.reset();
}

void SerialLink::holdReceive(bool hold) {
    held_ = hold;
    if (!hold)
        deliver();
}

void SerialLink::discardInput() {
    unclaimed_.clear();
    if (port_.isOpen()) {
        port_.readAll();
        port_.clear(QSerialPort::Input);
    }
}

QByteArray SerialLink::takeUnclaimedInput() {
    QByteArray out;
    out.swap(unclaimed_);
    return out;
}

void SerialLink::deliver() {
    if (delivering_ || held_)
        return;
    for (;;) {
        QByteArray raw;
        if (sink_ && !unclaimed_.isEmpty()) {
            raw.swap(unclaimed_);
        } else {
            if (!port_.isOpen())
                return;
            raw = port_.readAll();
            if (raw.isEmpty())
                return;
            received_ += raw.size();
            lastReceive_.start();
            Q_EMIT rawDataArrived(raw);
        }
        const Sink sink = sink_;
        if (!sink) {
            // Kept for the next receiver; the start of a program matters most.
            unclaimed_.append(raw.left(int(qMax<qint64>(0, kUnclaimedLimit - unclaimed_.size()))));
            continue;
        }
        delivering_ = true;
        sink(conversion_ ? conversion_->convert(raw) : raw);
        delivering_ = false;
        if (held_)
            return;
    }
}

PortLines SerialLink::lines() {
    PortLines l;
    l.open = port_.isOpen();
    l.portName = comName_;
    l.device = device_;
    l.settings = settings_.toString();
    l.inBufferSize = inBufferSize_;
    l.outBufferSize = outBufferSize_;
    l.error = error_;
    QSerialPort::PinoutSignals s;
    if (l.open && readLines(&s)) {
        l.known = true;
        l.cts = s & QSerialPort::ClearToSendSignal;
        l.rts = s & QSerialPort::RequestToSendSignal;
        l.dsr = s & QSerialPort::DataSetReadySignal;
        l.dtr = s & QSerialPort::DataTerminalReadySignal;
        l.cd = s & QSerialPort::DataCarrierDetectSignal;
        l.ri = s & QSerialPort::RingIndicatorSignal;
    }
    return l;
}
