// The receive side of the main window's doors into the transfer engine.
#include "TransferActions.h"

#include "ReceiveEngine.h"
#include "ReceiveHostAdapter.h"

void TransferActions::receiveFileToDisk(bool saveAll, const QString& fileName) {
    attachReceiveSide(window_).receiveFileToDisk(saveAll, fileName);
}

void TransferActions::openTerminalWindow() { attachReceiveSide(window_).openTerminalWindow(); }
