#include "TransferActions.h"

#include "MachineRecord.h"
#include "NotAvailable.h"
#include "PortConfig.h"
#include "PortLayer.h"
#include "PortList.h"
#include "SendEngine.h"
#include "SendEntries.h"
#include "SendHostAdapter.h"
#include "frmLogFile.h"
#include "frmTerminal.h"

void TransferActions::sendFromDisk(bool noWindow) {
    SendHostAdapter host(window_);
    ::sendFromDisk(noWindow);
}

void TransferActions::sendFromWindow() {
    SendHostAdapter host(window_);
    ::sendFromWindow();
}

bool TransferActions::sendFileNoWindow(const QString& path) {
    SendHostAdapter host(window_);
    return ::sendFileNoWindow(path) == SendOutcome::Sent;
}

void TransferActions::sendTextBlock(const QString& path, bool fromWindow) {
    SendHostAdapter host(window_);
    QString file = path;
    int line = 0;
    ::sendTextBlock(file, fromWindow, line);
}

void TransferActions::safeRestart() {
    SendHostAdapter host(window_);
    ::safeRestart();
}

void TransferActions::sendBinary(const QString&, int) { commandNotAvailable(QStringLiteral("Binary sending")); }

void TransferActions::ftpSend(int) { commandNotAvailable(QStringLiteral("Sending by FTP")); }

void TransferActions::ftpReceive() { commandNotAvailable(QStringLiteral("Receiving by FTP")); }

void TransferActions::viewLog() {
    SendHostAdapter host(window_);
    frmLogFile viewer(&window_);
    viewer.exec();
}

void TransferActions::openPortSilent() { ::openPortSilent(); }

// Called when another machine is chosen: that machine's port must not stay open.
void TransferActions::closeComPort() { ::closeComPort(CloseWhen::Always); }

QString TransferActions::portSettings() { return makeSettingsQuiet(); }

bool TransferActions::transferPortIsUSB() {
    if (comPort().isOpen())
        return isComUSB(portName());
    return isComUSB(PortList::comName(MachineRecord::currentInt(QStringLiteral("CommPort"))));
}
