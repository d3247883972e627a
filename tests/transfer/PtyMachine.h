#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// A pseudo-terminal pair with the test as the machine: the program's port
// opens the slave, the test reads and writes the master. A thread reads the
// master all the time (as a machine would) unless told to stop.
class PtyMachine {
public:
    PtyMachine();
    ~PtyMachine();
    PtyMachine(const PtyMachine&) = delete;
    PtyMachine& operator=(const PtyMachine&) = delete;

    QString slavePath() const { return slavePath_; }
    // A descriptor of our own on the slave, to look at its termios.
    int slaveFd() const { return keeper_; }
    // What a program that had the slave open left holding it, in words
    // ("exclusive use", a lock file); empty where the next opening finds it
    // as the first found it.
    QString leftHeld() const;

    void send(const QByteArray& bytes); // from the machine to the PC
    QByteArray received() const;        // everything the PC sent so far
    qint64 receivedCount() const;
    void clearReceived();
    // Waits, running the event loop, until `count` bytes have come; false on time-out.
    bool waitForCount(qint64 count, int timeoutMs) const;
    // Waits, running the event loop, until the machine has read all that
    // reached its end so far (no fixed pause: a loaded machine reads late).
    // Only while it reads, and while nothing holds the PC's output.
    bool waitUntilRead(int timeoutMs = 20000);
    // false: the machine stops reading, so the pty fills and holds the PC's output.
    void setReading(bool reading) { reading_ = reading; }
    // The machine reads at most `bytes` every `everyMs` milliseconds; 0: as fast as it can.
    void setPace(int bytes, int everyMs) {
        paceMs_ = everyMs;
        paceBytes_ = bytes;
    }
    // The machine vanishes: its end of the pair closes.
    void hangUp();
    // Runs in the reading thread after every read (about every 10 ms when
    // nothing comes) with the count received so far: a machine that answers
    // at once, as flow control does. Set before the transfer starts.
    void setReaction(std::function<void(qint64 received)> reaction);

private:
    void readLoop();

    int master_ = -1;
    int keeper_ = -1;
    QString slavePath_;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> reading_{true};
    std::atomic<int> paceBytes_{0};
    std::atomic<int> paceMs_{0};
    int marks_ = 0; // written by waitUntilRead
    mutable std::mutex mutex_;
    QByteArray data_;
    std::function<void(qint64)> reaction_;
};

// Two pty pairs joined master to master: the program opens one slave, a peer
// program (rx, sx) runs on the other.
class PtyBridge {
public:
    PtyBridge();
    ~PtyBridge();
    QString ourSide() const { return a_.slave; }
    QString peerSide() const { return b_.slave; }
    // The peer empties its input after each of its writes, its first
    // invitation included (rx): our answers wait for that from the start.
    void peerEmptiesInputAfterWrites() { knownPurger_ = true; }
    // Our side's device vanishes (an adaptor pulled); the peer's stays.
    void hangUpOurSide();

private:
    struct End {
        int master = -1;
        int keeper = -1;
        QString slave;
    };
    static End openEnd();
    void loop();

    End a_, b_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> knownPurger_{false};
};

// Runs the event loop for `ms` milliseconds.
void pumpEvents(int ms);
// Runs the event loop until `done` holds; false when `timeoutMs` pass first.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000);
// `size` bytes of every value, the same for the same size and seed.
QByteArray randomBytes(int size, quint32 seed = 0);
