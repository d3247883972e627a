#pragma once

class frmTerminal;

// The main window's doors into the settings dialogs that other parts of the
// program own. The settings password has been asked before these run.
class DialogActions {
public:
    explicit DialogActions(frmTerminal& window) : window_(window) {}
    virtual ~DialogActions() = default;

    virtual void showProperties();     // the machine settings dialog
    virtual void showSystemSettings();
    virtual void showCopyDNC();
    virtual void showButtonSetup();    // the tool-bar and menu caption editor

protected:
    frmTerminal& window_;
};
