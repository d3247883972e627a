#pragma once

#include <QString>

class EditControl;
class QWidget;

// The main window as the send routines and the log viewer see it. The
// routines never include the main window; the application installs an
// adapter. Without one, these defaults serve (tests, a hidden run): nothing
// to lock, the machine's alias from its record, machines found by alias in
// the settings file, the editor windows through the editor's manager.
class SendHost {
public:
    virtual ~SendHost() = default;

    // Menus, tool bars, machine selector, editor tabs and the terminal box
    // disabled for a transfer (true) or back to idle.
    virtual void lockForTransfer(bool locked);
    // The machine selector's text: the current machine's alias.
    virtual QString machineAlias();

    virtual QWidget* mainWindow() { return nullptr; }
    // False where nobody sees a window (a run without a screen): nothing
    // waits for a click on the progress window.
    virtual bool windowsSeen() { return true; }
    // How long a send from disk goes on before its progress window is
    // built, where nothing may hold it before its first block: one over by
    // then shows none, unless something is left to show. 0: at once.
    virtual int progressWindowDelayMs() { return 0; }
    // The machine holds the send (`held` says what it waits for) or, with
    // `held` empty, lets it go on. Where nobody sees the progress window
    // that says so (windowsSeen() false), a line on standard error does.
    virtual void showHold(const QString& held);
    // The "{Prompt Me}" message after a send: the port stays open until it
    // returns. A box through the message seam.
    virtual void promptAfterSend(const QString& text);
    virtual QString caption() { return caption_; }
    virtual void setCaption(const QString& caption) { caption_ = caption; }
    virtual bool isMinimized() { return false; }
    virtual void minimize() {}
    virtual void showNormal() {}

    // The recent-file menu of a kind ("send", "receive") is rebuilt.
    virtual void refreshRecentMenu(const QString& kind);

    // The active editor window's control, and the file it holds.
    virtual EditControl* activeEditor();
    virtual QString activeWindowFile();

    // The open-file dialog of the senders; empty when cancelled; several
    // files come back as folder, NUL, names.
    virtual QString chooseFile(const QString& title, const QString& purpose);

    // Makes the machine whose alias this is (without regard to case) the
    // current one. False when no machine has that alias.
    virtual bool selectMachineByAlias(const QString& alias);
    // The machine-selection dialog, modal.
    virtual void showSelectCNC() {}
    // Receives into this file (the log viewer's repeat of a receive).
    virtual void receiveFileToDisk(bool saveAll, const QString& fileName);

private:
    QString caption_;
};

// The host the send routines use: the installed one, else the defaults.
SendHost& sendHost();
// Installs `host` while it lives; the one before comes back afterwards.
class SendHostScope {
public:
    explicit SendHostScope(SendHost* host);
    ~SendHostScope();
    SendHostScope(const SendHostScope&) = delete;
    SendHostScope& operator=(const SendHostScope&) = delete;

private:
    SendHost* previous_;
};
