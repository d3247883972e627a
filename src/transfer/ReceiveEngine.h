#pragma once

#include "ReceiveHost.h"
#include "TransferGlobals.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class TerminalView;

extern bool gEchoReceive; // received data is shown in the terminal view

// Receiving a program from the current machine to disk, and the debug
// window. One per main window; everything runs in the event loop.
//
// A receive: the receive button arms it (destination, temporary file, port),
// the port hands every received byte to the temporary file gReceiveTempFile,
// and it ends
//   - by idle time-out (WaitAfterReceive 0 to 25: 5 to 30 seconds after the
//     last byte): the program is saved;
//   - {Forever} (26): only by the button; with data received it asks
//     "Do You Want To Save File To Disk ?";
//   - otherwise by the button: nothing is saved, and what arrived is kept
//     in the temporary file, the user told where;
//   - by a failed write to disk or a port error: nothing is saved, the data
//     of a port error is kept.
// Saving filters the data into the destination through a temporary file and
// a rename, after a dated audit copy of the file it replaces; a failed audit
// copy leaves the destination alone. Every end returns the comm state to idle.
// The temporary file goes at every end, except when the user is told that
// the data is kept in it: that file is then never touched again.
class ReceiveEngine : public QObject {
    Q_OBJECT
public:
    explicit ReceiveEngine(std::unique_ptr<ReceiveHost> host, QObject* parent = nullptr);
    ~ReceiveEngine() override;

    // The toggle of the receive button and menus: starts a receive, or ends
    // the one that runs. `receiveAll`: the destination is a fresh "dnc"
    // temporary file; `fileName`: receive into it without the file dialog.
    void receiveFileToDisk(bool receiveAll, const QString& fileName = QString());
    // Opens the debug window (the terminal view with what the port receives,
    // shown in the debug menu's mode), or closes it.
    void openTerminalWindow();
    // Appends received data to the open temporary file. The first write that
    // fails ends the receive: one message with the reason, nothing saved.
    void NotShowData(const QByteArray& data);

    bool isReceiving() const { return receiving_; }
    bool isTerminalOpen() const { return terminalOpen_; }
    qint64 receivedByteCount() const { return byteCount_; }
    // How long after the last byte this receive ends by itself ({Forever}: never).
    int receiveIdleSeconds() const { return idleMs_ / 1000; }
    QString receiveTarget() const { return target_; }
    TerminalView& terminal() const { return *terminal_; }
    ReceiveHost& host() const { return *host_; }

Q_SIGNALS:
    // A receive ended: saved, or stopped, cancelled or failed.
    void receiveEnded(bool saved);

private:
    void start(bool receiveAll, const QString& fileName);
    QString destinationFor(const QString& given, const QString& title);
    void onData(const QByteArray& data);
    void onTick();
    void endDecision();
    void stopProcedure();
    void cancelProcedure();
    void saveFileAfterReceive();
    // An XModem receive left `bytes` of program in gReceiveTempFile.
    void saveAfterXModem(qint64 bytes);
    void openReceivedInEditor();
    void backToIdle(bool saved);
    void endAfterWriteFailure();
    void endCutOff(const QString& why, bool keepData);
    void removeTempFile();
    void keepTempFile();
    void closeTerminal();

    std::unique_ptr<ReceiveHost> host_;
    TerminalView* terminal_ = nullptr;
    QTimer tick_;
    QFile temp_;
    QString target_;
    QElapsedTimer sinceData_; // invalid until the first byte
    qint64 byteCount_ = 0;
    int idleMs_ = 5000;
    bool forever_ = false;
    bool binary_ = false;
    bool xmodem_ = false; // the program came by XModem: no after-receive trailer
    bool receiveAll_ = false; // each program of the data goes to a file of its own
    bool receiving_ = false;
    bool terminalOpen_ = false;
    bool busy_ = false;   // a start, question or save is under way
    bool inSink_ = false; // received data is being written
    QString writeFailure_; // why the received data could not be written
};
