#pragma once

#include <QString>

class frmTerminal;

// The main window's doors into the transfer engine: every tool-bar button,
// menu item, key and command-line run that starts, stops or shows a transfer
// comes through here.
class TransferActions {
public:
    explicit TransferActions(frmTerminal& window) : window_(window) {}
    virtual ~TransferActions() = default;

    virtual void sendFromDisk(bool noWindow);
    virtual void sendFromWindow();
    // Starts a receive to disk, or ends the one that runs.
    virtual void receiveFileToDisk(bool saveAll, const QString& fileName);
    // Opens or closes the debug (terminal) window.
    virtual void openTerminalWindow();
    // Sends one file without a window; true when the whole file went out.
    virtual bool sendFileNoWindow(const QString& path);
    // The text send engine for one file, from disk or from the active editor
    // window; `loggedAs` names what a temporary file holds.
    virtual void sendTextBlock(const QString& path, bool fromWindow, const QString& loggedAs = QString());
    virtual void safeRestart();
    virtual void sendBinary(const QString& path, int chunkSize);
    virtual void ftpSend(int index); // 0 the active window, 1 chosen files
    virtual void ftpReceive();
    virtual void viewLog();
    // Opens or closes the current machine's port as its keep-alive setting says.
    virtual void openPortSilent();
    virtual void closeComPort();
    // The current machine's port settings, e.g. "9600,E,7,2".
    virtual QString portSettings();
    // True when the port of the running transfer is a USB serial adapter's.
    virtual bool transferPortIsUSB();

protected:
    frmTerminal& window_;
};
