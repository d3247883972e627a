#pragma once

#include <QString>

class QPlainTextEdit;
class QWidget;

// What the receive and the terminal view need of the main window. The main
// window implements it; tests give a stand-in.
class ReceiveHost {
public:
    virtual ~ReceiveHost() = default;

    // The receive button: its caption tells a running receive ("Stop !")
    // from an idle one (gReceiveCaption).
    virtual QString receiveButtonText() const = 0;
    virtual void setReceiveButton(const QString& caption, const QString& toolTip) = 0;

    // The terminal text box: display only, never typed into.
    virtual QPlainTextEdit* terminalBox() const = 0;

    // Receiving: the terminal in place of the editor, the editor tab of the
    // tool-bar strip and the machine selector off, every tool-bar button but
    // the receive button off, the menus locked. False: all back to idle.
    virtual void showReceiveScreen(bool receiving) = 0;

    // The debug window open (button 5 and mnuOpenDebug read "Close Debug",
    // the terminal in place of the editor, the other buttons and menus off),
    // or closed again.
    virtual void showDebugScreen(bool open) = 0;
    // The checked entry of the debug menu (0 to 4), -1 when none is.
    virtual int checkedDebugMode() const = 0;

    // The XModem receive panel's place, and the window locked while it runs.
    virtual QWidget* panelArea() const { return nullptr; }
    virtual void lockForTransfer(bool) {}

    // A receive started by "Receive Binary".
    virtual bool binaryReceive() const = 0;
    virtual void setReceivedByteCount(qint64 count) = 0;
};
