#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// XModem with 128-byte blocks, checksum or CRC-16. The sender and receiver
// are state machines without I/O of their own: feed them the bytes that
// arrive and a clock tick now and then, and send what takeOutput() returns.
// XModemTransfer drives them over a port.
namespace XModem {

constexpr char SOH = 0x01;
constexpr char EOT = 0x04;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr char CAN = 0x18;
constexpr char CRC_REQUEST = 'C';
constexpr int kBlockSize = 128;

quint16 crc16(const QByteArray& data);   // CRC-16/XMODEM: polynomial 0x1021, start 0
quint8 checksum(const QByteArray& data); // sum of the bytes, modulo 256

enum class Outcome {
    Running,
    Completed,
    Cancelled,     // by us
    PeerCancelled, // the other side sent CAN CAN
    NoPeer,        // nobody answered within the start time-out
    TooManyErrors, // a block failed every retry
    OutOfSequence, // the sender skipped a block
    FileError,     // the file could not be read or written
    PortError      // the port failed during the transfer
};
QString outcomeText(Outcome outcome);

struct Timing {
    int startTimeoutMs = 600 * 1000; // the first wait for the other side
    // The sender lets the receiver settle after its first 'C' or NAK: some
    // receivers empty their input right after inviting.
    int firstBlockDelayMs = 100;
    // The receiver NAKs a silent line sooner than the sender repeats a block,
    // so after a lost ACK the NAK drives the repeat.
    int ackTimeoutMs = 15 * 1000;   // sender: for the ACK of a block
    int blockTimeoutMs = 10 * 1000; // receiver: for the next block
    int eotTimeoutMs = 3000;        // sender: for the ACK of the end of transfer
    int eotTries = 3;               // EOTs sent before the sender stops waiting
    int charTimeoutMs = 1000;       // a gap inside a block; the quiet time before a NAK
    int inviteIntervalMs = 3000;    // the receiver repeats its 'C' or NAK
    int crcInvites = 3;             // 'C's before falling back to checksum
    int maxRetries = 10;            // per block
};

struct Progress {
    qint64 bytes = 0; // in whole blocks acknowledged (sender) or written (receiver)
    qint64 total = 0; // sender: the bytes it will send; receiver: 0, not known
    int blocks = 0;
    int errors = 0; // retries so far
    bool crc = false;
    QString status;
};

// What the sender and the receiver share: fed bytes and ticks, they leave
// their answers in takeOutput() and end with an outcome.
class Endpoint {
public:
    virtual ~Endpoint() = default;
    virtual void start(qint64 nowMs) = 0;
    virtual void feed(const QByteArray& bytes, qint64 nowMs) = 0;
    virtual void tick(qint64 nowMs) = 0;
    void cancel(); // CAN CAN to the other side
    QByteArray takeOutput();
    Outcome outcome() const { return outcome_; }
    bool finished() const { return outcome_ != Outcome::Running; }
    const Progress& progress() const { return progress_; }

protected:
    explicit Endpoint(const Timing& timing) : timing_(timing) {}
    void end(Outcome outcome, bool sendCancel);

    Timing timing_;
    Outcome outcome_ = Outcome::Running;
    Progress progress_;
    QByteArray out_;
};

class Sender : public Endpoint {
public:
    // Sends `source` from its start; a last block that is short is filled
    // with `pad`. The device stays the caller's.
    Sender(QIODevice* source, char pad, const Timing& timing = Timing());
    void start(qint64 nowMs) override;
    void feed(const QByteArray& bytes, qint64 nowMs) override;
    void tick(qint64 nowMs) override;

private:
    enum class State { Idle, WaitStart, WaitAck, WaitEotAck };
    void sendBlock(qint64 nowMs);
    void sendEot(qint64 nowMs);
    void sendFirst(qint64 nowMs);
    void retry(qint64 nowMs);

    QIODevice* source_;
    char pad_;
    State state_ = State::Idle;
    qint64 size_ = 0;
    qint64 blockCount_ = 0;
    qint64 nextBlock_ = 0; // 0-based index of the block being sent
    QByteArray frame_;
    qint64 startedAt_ = 0;
    qint64 sentAt_ = 0;
    qint64 answerAt_ = -1; // when the settled first answer goes
    int retries_ = 0;
    int eotSent_ = 0;
    bool lastWasCan_ = false;
};

class Receiver : public Endpoint {
public:
    // Writes every data block to `sink` (128 bytes each, padding included).
    explicit Receiver(QIODevice* sink, const Timing& timing = Timing());
    void start(qint64 nowMs) override;
    void feed(const QByteArray& bytes, qint64 nowMs) override;
    void tick(qint64 nowMs) override;

private:
    enum class State { Idle, Inviting, WaitBlock, Purge };
    void process(qint64 nowMs);
    void reject(qint64 nowMs); // a bad block: purge the line, then NAK
    int frameSize() const { return 3 + kBlockSize + (progress_.crc ? 2 : 1); }

    QIODevice* sink_;
    State state_ = State::Idle;
    QByteArray in_;
    quint8 expected_ = 1;
    int invites_ = 0;
    int retries_ = 0;
    qint64 startedAt_ = 0;
    qint64 lastInvite_ = 0;
    qint64 lastByteAt_ = 0;
    qint64 lastActivity_ = 0;
};

} // namespace XModem
