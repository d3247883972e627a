#pragma once

#include "ReceiveHost.h"
#include "SettingsGlobals.h"

#include <QPlainTextEdit>

// A stand-in main window for a receive: records what the receive asked of it.
class FakeHost : public ReceiveHost {
public:
    QString receiveButtonText() const override { return button; }
    void setReceiveButton(const QString& caption, const QString& toolTip) override {
        button = caption;
        tip = toolTip;
    }
    QPlainTextEdit* terminalBox() const override { return const_cast<QPlainTextEdit*>(&box); }
    void showReceiveScreen(bool receiving) override {
        receiveScreen = receiving;
        if (receiving)
            ++receiveScreensShown;
    }
    void showDebugScreen(bool open) override { debugScreen = open; }
    int checkedDebugMode() const override { return debugMode; }
    bool binaryReceive() const override { return binary; }
    void setReceivedByteCount(qint64 count) override { shownCount = count; }
    void lockForTransfer(bool locked) override { locks += locked ? 1 : -1; }

    QPlainTextEdit box;
    QString button = gReceiveCaption;
    QString tip;
    bool receiveScreen = false;
    int receiveScreensShown = 0;
    bool debugScreen = false;
    int debugMode = 1;
    bool binary = false;
    qint64 shownCount = 0;
    int locks = 0;
};
