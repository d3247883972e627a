// The receive side of the main window's doors into the transfer engine.
#include "TransferActions.h"

#include "NotAvailable.h"

void TransferActions::receiveFileToDisk(bool, const QString&) {
    commandNotAvailable(QStringLiteral("Receiving from the CNC"));
}

void TransferActions::openTerminalWindow() { commandNotAvailable(QStringLiteral("The debug window")); }
