#include "SendSession.h"

#include "PortLayer.h"
#include "SendHost.h"
#include "StatusLine.h"
#include "TransferGlobals.h"

namespace {
bool gRunning = false;
}

SendSession::SendSession(SendHost& host) : host_(host), owner_(!gRunning) {
    gRunning = true;
    if (!owner_)
        return;
    // Once the send goes on the line says again what it said before, unless
    // the send has said something else meanwhile.
    holdShown_ = QObject::connect(&comPort(), &SerialLink::holdingChanged, [this](SerialLink::Hold hold) {
        const QString held = heldText(hold);
        if (!held.isEmpty()) {
            if (heldSaid_.isEmpty())
                saidBeforeHold_ = lastStatusText();
            heldSaid_ = held;
            statusbar(held);
            host_.showHold(held);
        } else if (!heldSaid_.isEmpty()) {
            if (lastStatusText() == heldSaid_)
                statusbar(saidBeforeHold_);
            heldSaid_.clear();
            // A hold that ends in a cancel or a time-out lets nothing go on.
            if (!comPort().holdGivenUp())
                host_.showHold(QString());
        }
    });
}

SendSession::~SendSession() {
    if (!owner_)
        return;
    QObject::disconnect(holdShown_);
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
