#pragma once

#include "ReceiveHost.h"

class ReceiveEngine;
class frmTerminal;

// The main window as the receive sees it.
class ReceiveHostAdapter : public ReceiveHost {
public:
    explicit ReceiveHostAdapter(frmTerminal& window) : window_(window) {}

    QString receiveButtonText() const override;
    void setReceiveButton(const QString& caption, const QString& toolTip) override;
    QPlainTextEdit* terminalBox() const override;
    void showReceiveScreen(bool receiving) override;
    void showDebugScreen(bool open) override;
    int checkedDebugMode() const override;
    bool binaryReceive() const override;
    void setReceivedByteCount(qint64 count) override;
    QWidget* panelArea() const override;
    void lockForTransfer(bool locked) override;

private:
    void showTerminal(bool shown);
    void sendWindowFollowsEditor();

    frmTerminal& window_;
};

// The window's receive engine, made on first use; it also puts the terminal
// view behind what the sends echo, so the window attaches it as it is built.
ReceiveEngine& attachReceiveSide(frmTerminal& window);
