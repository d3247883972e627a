#include "TransferActions.h"

#include "MachineRecord.h"
#include "NotAvailable.h"
#include "PortList.h"

void TransferActions::sendFromDisk(bool) { commandNotAvailable(QStringLiteral("Sending a file to the CNC")); }

void TransferActions::sendFromWindow() { commandNotAvailable(QStringLiteral("Sending the editor window to the CNC")); }

bool TransferActions::sendFileNoWindow(const QString&) {
    commandNotAvailable(QStringLiteral("Sending a file to the CNC"));
    return false;
}

void TransferActions::sendTextBlock(const QString&, bool) {
    commandNotAvailable(QStringLiteral("Sending a file to the CNC"));
}

void TransferActions::safeRestart() { commandNotAvailable(QStringLiteral("Restart after tool break")); }

void TransferActions::sendBinary(const QString&, int) { commandNotAvailable(QStringLiteral("Binary sending")); }

void TransferActions::ftpSend(int) { commandNotAvailable(QStringLiteral("Sending by FTP")); }

void TransferActions::ftpReceive() { commandNotAvailable(QStringLiteral("Receiving by FTP")); }

void TransferActions::viewLog() { commandNotAvailable(QStringLiteral("The DNC transfer log")); }

void TransferActions::openPortSilent() {}

void TransferActions::closeComPort() {}

QString TransferActions::portSettings() { return QString(); }

bool TransferActions::transferPortIsUSB() {
    return isComUSB(PortList::comName(MachineRecord::currentInt(QStringLiteral("CommPort"))));
}
