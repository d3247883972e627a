#pragma once

#include "XModem.h"

#include <QFrame>
#include <QString>

#include <functional>

class PercentBar;
class QLabel;
class QPushButton;

// The main window as the XModem panels use it.
struct XModemWindow {
    QWidget* area = nullptr;               // the panels are centred in it; none: they stay hidden
    std::function<void(bool locked)> lock; // menus, tool bars, machine selector and editor off, or back on
};

// "XModem Status" of a running XModem transfer: picXmodemSendContainer
// (status, bytes sent, file name, time, file size) or
// picXmodemReceiveContainer (status, bytes received, file name, time), with
// a progress bar and a Cancel button. Its captions are translated from
// [Language-<its name>] as a dialog's are.
class XModemPanel : public QFrame {
    Q_OBJECT
public:
    XModemPanel(bool send, QWidget* parent);

    bool isSendPanel() const { return send_; }
    // The value beside a caption: send panel 0 to 4, receive panel 9 to 6.
    QLabel* lblXmodemSendMSG(int i) const;
    QLabel* header() const { return header_; }
    QPushButton* cancelButton() const { return cancel_; }
    PercentBar* picture() const { return picture_; }
    void showStatus(const QString& text);

private:
    bool send_;
    QLabel* header_ = nullptr;
    QPushButton* cancel_ = nullptr;
    PercentBar* picture_ = nullptr;
};

// The panel of the XModem transfer that runs, or nullptr.
XModemPanel* xmodemPanel();

// The XModem send: the send panel shows `shownName`, the port carries the
// file `fileName` (already whole blocks: see formatXmodemCopy). Opens the
// port with the XModem framing first, locks the window and waits, yielding,
// until the transfer has ended; Esc or the panel's Cancel stop it. Every
// end hides the panel, says how it ended (a message unless it completed) and
// returns the window to idle. `loggedAs` names a temporary file's content in
// the transfer log (a merge's files).
XModem::Outcome runXmodemSend(const QString& fileName, const QString& shownName, bool fromWindow,
                              const XModemWindow& window, const QString& loggedAs = QString());

// The XModem receive into gReceiveTempFile for the program `target`: locks
// the window, arms the receive panel and returns. When the transfer completes
// the pad of its last block is cut and, the window being back to idle,
// `received` is called with the program's length. Any other end says how it
// ended. False when the port could not be opened (after its message).
bool startXModemReceive(const QString& target, const XModemWindow& window,
                        std::function<void(qint64 bytes)> received);
bool xmodemReceiveRunning();

// Back to idle after an XModem transfer: the port closed, the comm state idle,
// the window unlocked.
void xmodemEnabledStatusBackOn();

// The panels' Cancel buttons: CAN to the other side, the transfer stopped and
// what was still queued for the port dropped. Nothing while the port is shut.
void cmdXModemSendCancel_Click();
void cmdXModemReceiveCancel_Click();
