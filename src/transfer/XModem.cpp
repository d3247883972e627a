#include "XModem.h"

#include <QIODevice>

namespace XModem {

namespace {
// Enough CANs that one lost on the line still leaves two in a row.
const QByteArray kCancelSequence(5, CAN);
} // namespace

quint16 crc16(const QByteArray& data) {
    quint16 crc = 0;
    for (const char c : data) {
        crc ^= quint16(quint8(c)) << 8;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

quint8 checksum(const QByteArray& data) {
    quint8 sum = 0;
    for (const char c : data)
        sum = quint8(sum + quint8(c));
    return sum;
}

QString outcomeText(Outcome outcome) {
    switch (outcome) {
    case Outcome::Running:
        return QStringLiteral("Transferring...");
    case Outcome::Completed:
        return QStringLiteral("Transfer Complete");
    case Outcome::Cancelled:
        return QStringLiteral("Send Cancelled");
    case Outcome::PeerCancelled:
        return QStringLiteral("Cancelled By The CNC");
    case Outcome::NoPeer:
        return QStringLiteral("No Response From CNC");
    case Outcome::TooManyErrors:
        return QStringLiteral("Too Many Errors - Transfer Stopped");
    case Outcome::OutOfSequence:
        return QStringLiteral("Blocks Out Of Sequence - Transfer Stopped");
    case Outcome::FileError:
        return QStringLiteral("File Error - Transfer Stopped");
    case Outcome::PortError:
        return QStringLiteral("Port Error - Transfer Stopped");
    }
    return QString();
}

// ---------------------------------------------------------------- Endpoint

void Endpoint::cancel() {
    if (!finished())
        end(Outcome::Cancelled, true);
}

void Endpoint::end(Outcome outcome, bool sendCancel) {
    if (sendCancel)
        out_.append(kCancelSequence);
    outcome_ = outcome;
    progress_.status = outcomeText(outcome);
}

QByteArray Endpoint::takeOutput() {
    QByteArray out;
    out.swap(out_);
    return out;
}

// ---------------------------------------------------------------- Sender

Sender::Sender(QIODevice* source, char pad, const Timing& timing)
    : Endpoint(timing), source_(source), pad_(pad) {}

void Sender::start(qint64 nowMs) {
    size_ = source_ ? source_->size() : 0;
    blockCount_ = (size_ + kBlockSize - 1) / kBlockSize;
    progress_.total = blockCount_ * kBlockSize;
    progress_.status = QStringLiteral("Waiting For Receiver...");
    state_ = State::WaitStart;
    startedAt_ = nowMs;
}

void Sender::sendBlock(qint64 nowMs) {
    QByteArray data(kBlockSize, pad_);
    if (!source_ || !source_->seek(nextBlock_ * kBlockSize)) {
        end(Outcome::FileError, true);
        return;
    }
    const qint64 got = source_->read(data.data(), kBlockSize);
    if (got <= 0) {
        end(Outcome::FileError, true);
        return;
    }
    if (got < kBlockSize)
        data.replace(int(got), kBlockSize - int(got), QByteArray(kBlockSize - int(got), pad_));
    const quint8 number = quint8((nextBlock_ + 1) & 0xff);
    frame_ = QByteArray(1, SOH);
    frame_.append(char(number));
    frame_.append(char(0xff - number));
    frame_.append(data);
    if (progress_.crc) {
        const quint16 crc = crc16(data);
        frame_.append(char(crc >> 8));
        frame_.append(char(crc & 0xff));
    } else {
        frame_.append(char(checksum(data)));
    }
    out_.append(frame_);
    sentAt_ = nowMs;
    state_ = State::WaitAck;
    progress_.status = QStringLiteral("Sending Block %1").arg(nextBlock_ + 1);
}

void Sender::sendEot(qint64 nowMs) {
    ++eotSent_;
    out_.append(EOT);
    sentAt_ = nowMs;
    state_ = State::WaitEotAck;
    progress_.status = QStringLiteral("Ending Transfer...");
}

void Sender::retry(qint64 nowMs) {
    ++progress_.errors;
    if (++retries_ > timing_.maxRetries) {
        end(Outcome::TooManyErrors, true);
        return;
    }
    if (state_ == State::WaitAck) {
        out_.append(frame_);
        sentAt_ = nowMs;
    } else {
        sendEot(nowMs);
    }
}

void Sender::feed(const QByteArray& bytes, qint64 nowMs) {
    for (const char c : bytes) {
        if (finished() || state_ == State::Idle)
            return;
        if (c == CAN) {
            if (lastWasCan_) {
                end(Outcome::PeerCancelled, false);
                return;
            }
            lastWasCan_ = true;
            continue;
        }
        lastWasCan_ = false;
        switch (state_) {
        case State::WaitStart:
            if ((c == CRC_REQUEST || c == NAK) && answerAt_ < 0) {
                progress_.crc = c == CRC_REQUEST;
                answerAt_ = nowMs + timing_.firstBlockDelayMs;
                if (timing_.firstBlockDelayMs <= 0)
                    sendFirst(nowMs);
            }
            break;
        case State::WaitAck:
            // Still invited long after the first block went: it was lost.
            if (c == CRC_REQUEST && nextBlock_ == 0 && nowMs - sentAt_ >= timing_.charTimeoutMs) {
                retry(nowMs);
            } else if (c == ACK) {
                retries_ = 0;
                ++nextBlock_;
                progress_.blocks = int(nextBlock_);
                progress_.bytes = nextBlock_ * kBlockSize;
                if (nextBlock_ < blockCount_)
                    sendBlock(nowMs);
                else
                    sendEot(nowMs);
            } else if (c == NAK) {
                retry(nowMs);
            }
            break;
        case State::WaitEotAck:
            if (c == ACK)
                end(Outcome::Completed, false);
            else if (c == NAK ||
                     (c == CRC_REQUEST && blockCount_ == 0 && nowMs - sentAt_ >= timing_.charTimeoutMs))
                retry(nowMs);
            break;
        default:
            break;
        }
    }
}

void Sender::sendFirst(qint64 nowMs) {
    if (blockCount_ > 0)
        sendBlock(nowMs);
    else
        sendEot(nowMs);
}

void Sender::tick(qint64 nowMs) {
    if (finished())
        return;
    switch (state_) {
    case State::WaitStart:
        if (answerAt_ >= 0 && nowMs >= answerAt_)
            sendFirst(nowMs);
        else if (answerAt_ < 0 && nowMs - startedAt_ >= timing_.startTimeoutMs)
            end(Outcome::NoPeer, true);
        break;
    case State::WaitAck:
        if (nowMs - sentAt_ >= timing_.ackTimeoutMs)
            retry(nowMs);
        break;
    case State::WaitEotAck:
        if (nowMs - sentAt_ < timing_.eotTimeoutMs)
            break;
        // Every block was acknowledged, so the data is there. A receiver that
        // ends at once may never answer the EOT (or its ACK is flushed away).
        if (eotSent_ >= timing_.eotTries)
            end(Outcome::Completed, false);
        else
            sendEot(nowMs);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- Receiver

Receiver::Receiver(QIODevice* sink, const Timing& timing) : Endpoint(timing), sink_(sink) {}

void Receiver::start(qint64 nowMs) {
    progress_.crc = true;
    progress_.status = QStringLiteral("Waiting For Sender...");
    state_ = State::Inviting;
    startedAt_ = lastInvite_ = lastActivity_ = nowMs;
    invites_ = 1;
    out_.append(CRC_REQUEST);
}

void Receiver::feed(const QByteArray& bytes, qint64 nowMs) {
    if (finished() || state_ == State::Idle || bytes.isEmpty())
        return;
    lastByteAt_ = nowMs;
    if (state_ == State::Purge)
        return; // the rest of a bad block; the NAK follows a quiet line
    in_.append(bytes);
    process(nowMs);
}

void Receiver::process(qint64 nowMs) {
    while (!finished() && !in_.isEmpty() && (state_ == State::Inviting || state_ == State::WaitBlock)) {
        const char first = in_.at(0);
        if (first == CAN) {
            if (in_.size() < 2)
                return;
            if (in_.at(1) == CAN) {
                end(Outcome::PeerCancelled, false);
                return;
            }
            in_.remove(0, 1);
            continue;
        }
        if (first == EOT) {
            out_.append(ACK);
            end(Outcome::Completed, false);
            return;
        }
        if (first != SOH) {
            in_.remove(0, 1); // line noise between blocks
            continue;
        }
        if (in_.size() < frameSize())
            return;
        const QByteArray frame = in_.left(frameSize());
        in_.remove(0, frameSize());
        const quint8 number = quint8(frame.at(1));
        const QByteArray data = frame.mid(3, kBlockSize);
        bool good = quint8(frame.at(2)) == quint8(0xff - number);
        if (good && progress_.crc) {
            const quint16 crc = crc16(data);
            good = quint8(frame.at(3 + kBlockSize)) == quint8(crc >> 8) &&
                   quint8(frame.at(4 + kBlockSize)) == quint8(crc & 0xff);
        } else if (good) {
            good = quint8(frame.at(3 + kBlockSize)) == checksum(data);
        }
        if (!good) {
            reject(nowMs);
            return;
        }
        state_ = State::WaitBlock;
        lastActivity_ = nowMs;
        if (number == expected_) {
            if (!sink_ || sink_->write(data) != data.size()) {
                end(Outcome::FileError, true);
                return;
            }
            ++expected_;
            retries_ = 0;
            ++progress_.blocks;
            progress_.bytes += kBlockSize;
            progress_.status = QStringLiteral("Receiving Block %1").arg(progress_.blocks);
            out_.append(ACK);
        } else if (number == quint8(expected_ - 1)) {
            out_.append(ACK); // our ACK was lost: the sender repeated the block
        } else {
            end(Outcome::OutOfSequence, true);
            return;
        }
    }
}

void Receiver::reject(qint64 nowMs) {
    ++progress_.errors;
    if (++retries_ > timing_.maxRetries) {
        end(Outcome::TooManyErrors, true);
        return;
    }
    in_.clear();
    state_ = State::Purge;
    lastByteAt_ = nowMs;
}

void Receiver::tick(qint64 nowMs) {
    if (finished())
        return;
    switch (state_) {
    case State::Inviting:
        if (!in_.isEmpty() && nowMs - lastByteAt_ >= timing_.charTimeoutMs) {
            reject(nowMs); // a first block that stopped half way
        } else if (nowMs - startedAt_ >= timing_.startTimeoutMs) {
            end(Outcome::NoPeer, true);
        } else if (nowMs - lastInvite_ >= timing_.inviteIntervalMs) {
            if (progress_.crc && invites_ >= timing_.crcInvites)
                progress_.crc = false; // an old sender: fall back to checksum
            out_.append(progress_.crc ? CRC_REQUEST : NAK);
            ++invites_;
            lastInvite_ = nowMs;
        }
        break;
    case State::WaitBlock:
        if (!in_.isEmpty() && nowMs - lastByteAt_ >= timing_.charTimeoutMs) {
            reject(nowMs);
        } else if (in_.isEmpty() && nowMs - lastActivity_ >= timing_.blockTimeoutMs) {
            ++progress_.errors;
            if (++retries_ > timing_.maxRetries) {
                end(Outcome::TooManyErrors, true);
            } else {
                out_.append(NAK);
                lastActivity_ = nowMs;
            }
        }
        break;
    case State::Purge:
        if (nowMs - lastByteAt_ >= timing_.charTimeoutMs) {
            out_.append(NAK);
            lastActivity_ = nowMs;
            state_ = State::WaitBlock; // a block came, so the sender has started
        }
        break;
    default:
        break;
    }
}

} // namespace XModem
