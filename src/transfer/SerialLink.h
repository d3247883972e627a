#pragma once

#include "EiaCode.h"
#include "PortConfig.h"
#include "PortStatus.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// Why the user may not open `device`: the group that owns it (usually
// "dialout"), to which the user must belong, or, when that group may not
// read and write it either, that only its owner may.
QString devicePermissionAdvice(const QString& device);

// How a write or a wait on the port ended.
enum class PortResult {
    Ok,        // done: the bytes have left Qt's buffer, or the wait is over
    Cancelled, // the cancel flag was set; what was still queued is discarded
    TimedOut,  // no output progress for the time-out; what was queued is discarded
    PortError, // the port failed (device gone, write error); see errorString()
    NotOpen    // the port is not open
};

// One serial port: opening with a settings string, raw byte output that waits
// in short yielding slices, flow-control waits, and input delivered in order
// to one receiver. Every wait runs the event loop, so the GUI stays live and
// the cancel flag can change while it waits; nothing sleeps.
class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(QObject* parent = nullptr);
    ~SerialLink() override;

    // ---- opening and closing
    // Opens the device with these settings. Already open with the same device
    // and settings (and no fault since): nothing happens. Anything different:
    // pending output is drained, the port closed and opened again. False with
    // errorString() naming the device and the system's reason.
    bool open(const QString& device, const PortSettings& settings);
    bool isOpen() const { return port_.isOpen(); }
    QString device() const { return device_; }
    PortSettings settings() const { return settings_; }

    enum class CloseMode { Drain, Discard };
    // Drain: every byte handed over leaves (Qt's buffer and the kernel's
    // output queue empty) before the port closes, bounded by the time-out; a
    // cancel that arrives during the drain cuts it short. Output of a write
    // that was cancelled or timed out is never drained. Received bytes still
    // buffered go to the receiver first. Either way the device closes only
    // once its transmitter is empty (see LineCalls).
    void close(CloseMode mode = CloseMode::Drain);

    // The calls that ask the line itself. Closing gives the device back the
    // line settings it had before it was opened, and a UART takes them at
    // once: bytes still in its transmit FIFO and shift register would leave
    // at the wrong speed and framing. So the close asks the transmitter
    // first and waits (closeBoundMs() at most) until it is empty. An empty
    // member is the port's own call; a test puts a stand-in port's in its place.
    struct LineCalls {
        // Whether the transmitter is empty; nullopt where the port cannot
        // tell (a pseudo-terminal, many USB adapters): an empty queue is then the answer.
        std::function<std::optional<bool>()> transmitterEmpty;
        // Closes the device, which changes its line settings.
        std::function<void()> closeDevice;
        // The port's own count of bytes its transmitter took (it wraps);
        // nullopt where it keeps none (a pseudo-terminal, a relay). Bytes
        // the transmitter took leave whatever is discarded after: the count
        // tells them from those a discard dropped, and a port that has it
        // is a real line, which only XOFF or CTS can stop.
        std::function<std::optional<quint32>()> transmitted;
    };
    void setLineCalls(LineCalls calls) { lineCalls_ = std::move(calls); }
    // The calls in use, the port's own where none is set.
    LineCalls lineCalls();

    // The port's numbers, as functions of its settings. A character's
    // time on the line counts the start bit, the data bits, the parity bit
    // and the stop bits (one and a half as two).
    // The transmit FIFO (16 bytes) and the shift register emptying, in ms, rounded up.
    static int transmitterMs(const PortSettings& s);
    // How long a close waits at most for the transmitter to empty.
    static int closeBoundMs(const PortSettings& s);
    // How long output stands still under XOFF before it is a hold, on a
    // real line: a FIFO refill after a standstill takes that long at most.
    static int xoffBoundMs(const PortSettings& s);
    // The transmitter-empty bit of the line status TIOCSERGETLSR gives.
    static bool lineStatusSaysEmpty(unsigned int status);

    // The last open failure or port error; empty when there is none.
    QString errorString() const { return error_; }
    // A port error (device gone, write or read failure) since the last open.
    bool faulted() const { return faulted_; }

    // What the lights show besides the lines: the port's name ("Com5") and
    // the machine's buffer sizes.
    void setDisplayName(const QString& comName) { comName_ = comName; }
    QString displayName() const { return comName_; }
    void setBufferSizes(int inBytes, int outBytes);

    // ---- limits of every write and wait
    // Writes and waits end when *flag becomes true (nullptr: never).
    void setCancelFlag(const bool* flag) { cancelFlag_ = flag; }
    // No output progress for this long ends a write as TimedOut; 0 or less: no limit.
    void setTimeoutSeconds(int seconds) { timeoutMs_ = seconds > 0 ? qint64(seconds) * 1000 : 0; }
    int timeoutSeconds() const { return int(timeoutMs_ / 1000); }
    // Above 0: bytes go out one at a time with this pause after each.
    void setCharacterDelay(int ms) { charDelayMs_ = qMax(0, ms); }

    // ---- output
    // Writes raw bytes and returns once they have left Qt's buffer. With
    // cancelEnds false a set cancel flag does not stop it (writes outside a
    // send, where the flag is left set from the last one).
    PortResult write(const QByteArray& data, bool cancelEnds = true);
    // Hands bytes over without waiting: what the line takes at once goes
    // now, the event loop writes the rest.
    void queue(const QByteArray& data);
    // Bytes not yet on the line: Qt's buffer and the kernel's output queue.
    qint64 pendingOutput() const;
    // Waits until pendingOutput() is 0. With cancelEnds false a set cancel
    // flag does not end the wait (the time-out and port errors still do).
    PortResult drain(bool cancelEnds = true);
    // Drops everything not yet sent, in Qt and in the kernel.
    void discardOutput();
    // Bytes handed over since the link was made, and those of them dropped
    // unsent (discarded, or lost with the device). The bytes that left the
    // PC are handedCount() - droppedCount() - pendingOutput(); as output
    // goes in order, they are the first ones handed over.
    qint64 handedCount() const { return handed_; }
    qint64 droppedCount() const { return dropped_; }

    // ---- flow control
    // Waits while the machine holds CTS low, until the time-out or a cancel.
    // Lines that cannot be read count as CTS on.
    PortResult waitForCts();
    // What holds the output: CTS low, or the machine's XOFF (as the kernel
    // keeps it, a stall while it is armed, on a real line); a standstill
    // under XON/XOFF where a slow reader looks the same (a pseudo-terminal,
    // a relay) is told as no more than that.
    enum class Hold { Unknown, Cts, Xoff, Standstill };
    // What held the output when a write or wait last timed out.
    Hold lastHold() const { return lastHold_; }
    // What holds a write, a drain or a wait for CTS that has stood still
    // kHeldAfterMs with CTS low, or under XON/XOFF longer than the port's
    // speed explains (xoffHeldAfterMs()); Unknown while it moves, once the
    // machine lets it go on or it has ended, or when nothing known holds
    // it. Shorter holds are not told.
    static constexpr int kHeldAfterMs = 500;
    // Where a reader may take its time, standstills come with reading: a
    // pseudo-terminal's pair frees room in lumps, about 800 ms apart for a
    // reader taking 480 bytes every 100 ms.
    static constexpr int kUntoldStandstillMs = 2500;
    // The kernel keeps XOFF to itself: only a standstill tells it, and a
    // line stands still while the UART sends a FIFO's worth
    // (xoffBoundMs()); where tellsXoff() is false, kUntoldStandstillMs at least.
    int xoffHeldAfterMs();
    // Whether a standstill under XON/XOFF can only be the machine's XOFF:
    // the port counts what its transmitter takes (see LineCalls), and has
    // counted some.
    bool tellsXoff();
    Hold holding() const { return holding_; }
    // Whether the write or wait the last hold held was given up (a cancel,
    // a time-out, a port error) rather than let go on by the machine.
    bool holdGivenUp() const { return givenUp_; }
    // Where the modem lines are read: the port, or a stand-in for lines a
    // pseudo-terminal does not have. It returns false when they cannot be read.
    using LineSource = std::function<bool(QSerialPort::PinoutSignals* out)>;
    void setLineSource(LineSource source) { lineSource_ = std::move(source); }
    // The kernel's XON/XOFF handling (IXON). It swallows bytes 17 and 19, so
    // the wait for a machine's XON turns it off for its duration.
    bool softwareFlowArmed() const;
    void setSoftwareFlowArmed(bool armed);

    // ---- input
    using Sink = std::function<void(const QByteArray&)>;
    // Received bytes go to `sink` in order, converted through `conversion`
    // when given (the table is copied). While the sink runs (a modal box
    // inside it included) or while input is held, new bytes wait in the
    // port's buffer and follow when it returns: nothing is dropped or
    // reordered. Bytes that arrived while no sink was set (up to 1 MiB) are
    // delivered first.
    void setReceiveSink(Sink sink, const EiaTable* conversion = nullptr);
    void clearReceiveSink();
    bool hasReceiveSink() const { return bool(sink_); }
    void holdReceive(bool hold);
    // Drops received bytes not yet delivered (the kernel's too).
    void discardInput();
    QByteArray takeUnclaimedInput();
    qint64 receivedCount() const { return received_; }
    // Milliseconds since the last byte arrived (since opening when none did).
    qint64 msSinceLastReceive() const { return lastReceive_.isValid() ? lastReceive_.elapsed() : 0; }

    // ---- lights
    PortLines lines();

    // Runs the event loop for at most `ms`, returning early when anything
    // happens (the port writes, reads or fails; a key; a timer).
    void pump(int ms);

Q_SIGNALS:
    // Every chunk as read from the port, before conversion.
    void rawDataArrived(const QByteArray& bytes);
    // Opened, closed or failed: the lights may change.
    void stateChanged();
    // holding() changed.
    void holdingChanged(SerialLink::Hold hold);

private:
    void onError(QSerialPort::SerialPortError error);
    void fault(QSerialPort::SerialPortError error, const QString& reason);
    void deliver();
    bool cancelled() const { return cancelFlag_ && *cancelFlag_; }
    PortResult abandon(PortResult why);
    PortResult writeAndWait(const QByteArray& data, bool cancelEnds);
    bool handOver(const QByteArray& data);
    qsizetype writeDirect(const char* data, qsizetype size); // what the kernel took; -1: the port failed
    void yieldNow();
    QString openFailure() const;
    // Waits while pending() > 0, yielding; no fall in it for the time-out ends it.
    PortResult waitUntilSent(const std::function<qint64()>& pending, bool cancelEnds);
    PortResult waitMs(int ms, bool cancelEnds);
    int sliceFor(qint64 pendingBytes) const;
    void applySoftwareFlow(bool on);
    bool readLines(QSerialPort::PinoutSignals* out);
    Hold holdNow();
    // A write or wait has made no progress for `ms`.
    void stoodStill(qint64 ms);
    void setHolding(Hold hold);
    bool transmitterEmpty();
    // Closes the device once its transmitter is empty, or a FIFO's worth has had time to go.
    void closeDevice(bool yield);

    QSerialPort port_;
    QTimer wake_; // ends a pump that nothing else ends
    QElapsedTimer sinceEvents_; // the event loop last ran
    QString device_;
    QString comName_;
    PortSettings settings_;
    QString error_;
    bool faulted_ = false;
    bool abandoned_ = false; // the last write was cancelled or timed out
    bool pseudoTerminal_ = false;
    Hold lastHold_ = Hold::Unknown;
    Hold holding_ = Hold::Unknown;
    bool givenUp_ = false; // the last write or wait was given up
    LineSource lineSource_;
    LineCalls lineCalls_;
    const bool* cancelFlag_ = nullptr;
    qint64 timeoutMs_ = 0;
    int charDelayMs_ = 0;
    int inBufferSize_ = 0;
    int outBufferSize_ = 0;
    qint64 handed_ = 0;
    qint64 dropped_ = 0;

    Sink sink_;
    std::optional<EiaTable> conversion_;
    QByteArray unclaimed_;
    bool delivering_ = false;
    bool held_ = false;
    qint64 received_ = 0;
    QElapsedTimer lastReceive_;
};
