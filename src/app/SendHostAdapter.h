#pragma once

#include "SendHost.h"

#include <QObject>

class frmTerminal;

// The window locked for a transfer, its terminal box emptied; or back to idle.
void lockWindowForTransfer(frmTerminal& window, bool locked);

// The main window as the send routines and the log viewer see it. Installed
// for the length of one command (SendHostScope), it also shows and hides the
// progress window as the main window is restored and minimised.
class SendHostAdapter : public SendHost {
public:
    explicit SendHostAdapter(frmTerminal& window);
    ~SendHostAdapter() override;

    void lockForTransfer(bool locked) override;
    QString machineAlias() override;
    QWidget* mainWindow() override;
    QString caption() override;
    void setCaption(const QString& caption) override;
    bool isMinimized() override;
    void minimize() override;
    void showNormal() override;
    void refreshRecentMenu(const QString& kind) override;
    EditControl* activeEditor() override;
    QString activeWindowFile() override;
    QString chooseFile(const QString& title, const QString& purpose) override;
    bool selectMachineByAlias(const QString& alias) override;
    void showSelectCNC() override;
    void receiveFileToDisk(bool saveAll, const QString& fileName) override;

private:
    frmTerminal& window_;
    QObject* stateWatch_;
    SendHostScope scope_;
};
