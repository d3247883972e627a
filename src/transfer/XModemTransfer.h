#pragma once

#include "XModem.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <memory>

class SerialLink;

// Runs one XModem sender or receiver over a port: the port's received bytes
// and a 100 ms tick feed the state machine, its output is queued to the port.
// Everything happens in the event loop; start returns at once.
class XModemTransfer : public QObject {
    Q_OBJECT
public:
    explicit XModemTransfer(SerialLink& link, QObject* parent = nullptr);
    ~XModemTransfer() override;

    // False (errorString() says why) when the file cannot be opened or the
    // port is not open.
    bool startSend(const QString& fileName, char pad, const XModem::Timing& timing = XModem::Timing());
    bool startReceive(const QString& fileName, const XModem::Timing& timing = XModem::Timing());
    // Stops at once: CAN CAN goes to the other side.
    void cancel();
    // Nothing heard from the other side for this long ends the transfer as
    // NoPeer; 0: no limit.
    void setSilenceLimitMs(qint64 ms) { silenceLimitMs_ = ms; }

    bool isRunning() const { return running_; }
    XModem::Outcome outcome() const;
    XModem::Progress progress() const;
    qint64 elapsedMs() const { return clock_.isValid() ? (running_ ? clock_.elapsed() : elapsedAtEnd_) : 0; }
    QString errorString() const { return error_; }
    // Yields until the transfer has ended.
    XModem::Outcome waitUntilFinished();

Q_SIGNALS:
    void progressChanged();
    void finished(XModem::Outcome outcome);

private:
    bool begin();
    void onData(const QByteArray& bytes);
    void onTick();
    void flushAndCheck();

    SerialLink& link_;
    QFile file_;
    std::unique_ptr<XModem::Endpoint> endpoint_;
    QTimer ticker_;
    QElapsedTimer clock_;
    QElapsedTimer lastData_;
    qint64 silenceLimitMs_ = 0;
    bool silent_ = false;
    qint64 elapsedAtEnd_ = 0;
    bool running_ = false;
    bool portFailed_ = false;
    QString error_;
};

// The XModem panels' transfer, one at a time, on comPort(). Start opens the
// port with openPortX(); the first wait for the other side, and any later
// silence of it, is bounded by the machine's SendTimeOut, and the last block
// is padded with XModemPad (32 when that is not a byte). Null, after a
// message, when the port or file fails.
XModemTransfer* startXModemSendTransfer(const QString& fileName);
XModemTransfer* startXModemReceiveTransfer(const QString& fileName);
// What the panels' Cancel buttons use: transfers still running (0 or 1), a
// cancel request, and the reset once the transfer has stopped.
int xmodemTransfersRunning();
void cancelXModemTransfer();
void resetXModemTransfer();
