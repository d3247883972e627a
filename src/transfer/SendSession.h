#pragma once

#include <QMetaObject>
#include <QString>

class SendHost;

// One send, from the entry that starts it to its end: who it runs for (the
// main window's host, or the command line's without any window), the
// progress layout it shows, and what it read as it began. Every send entry
// makes one and hands it to the route that sends. While it lives no other
// send starts; once it ends the comm state is idle. Keys, buttons and other
// windows still reach the running send only through the shared flags
// (gCancelSend, gOverride, gPortState).
class SendSession {
public:
    explicit SendSession(SendHost& host);
    ~SendSession();
    SendSession(const SendSession&) = delete;
    SendSession& operator=(const SendSession&) = delete;

    // False when another send was running: this one is refused.
    bool owner() const { return owner_; }
    SendHost& host() const { return host_; }

    // The sends from disk (and the block routes) show "Large %" with the
    // sent lines echoed, and "None" as nothing at all; the others show the
    // DNCStatus layout, "None" as nothing.
    void showAsFromDisk() { fromDisk_ = true; }
    // The progress window's layout (0 every field, 1 a thin bar, 2 a large
    // percentage, 3 the same with the echo); -1 when none is shown, and
    // then none is built.
    int layout() const;
    bool windowShown() const { return layout() >= 0; }

    // [Settings] MinimizeOnSend, read as the send begins: 1 minimises the
    // main window and restores it after, 2 leaves it minimised.
    int minimizeOnSend = 0;
    // An edited window goes as the machine's temporary copy: the window's
    // file, which the progress window and every message name; empty for any
    // other send.
    QString windowFile;
    QString shownPath(const QString& sent) const { return windowFile.isEmpty() ? sent : windowFile; }

private:
    SendHost& host_;
    bool owner_;
    bool fromDisk_ = false;
    // While the machine holds the send, the status line says what it waits for.
    QMetaObject::Connection holdShown_;
    QString heldSaid_;
    QString saidBeforeHold_;
};
