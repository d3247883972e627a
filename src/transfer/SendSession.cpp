#include "SendSession.h"

#include "TransferGlobals.h"

namespace {
bool gRunning = false;
}

SendSession::SendSession(SendHost& host) : host_(host), owner_(!gRunning) {
    gRunning = true;
}

SendSession::~SendSession() {
    if (!owner_)
        return;
    gRunning = false;
    gPortState = PortIdle;
}

int SendSession::layout() const {
    if (gDNCStatus < 0 || gDNCStatus >= 3)
        return -1;
    return fromDisk_ && gDNCStatus == 2 ? 3 : gDNCStatus;
}

bool sendInProgress() {
    return gRunning;
}
