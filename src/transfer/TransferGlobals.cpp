#include "TransferGlobals.h"

#include "MachineRecord.h"

#include <atomic>
#include <utility>

int gPortState = PortIdle;
bool gCancelSend = false;
bool gOverride = false;
bool gSending = false;
bool gCancelBatch = false;
bool gSendTimedOut = false;
bool gTurboSending = false;
int gTurboPercent = 0;
int gHandshaking = 1;
int gFlowMethod = 1;
int gCharacterSet = 0;
int gKeepAlive = 1;
int gWaitForXONMode = 0;
int gDNCStatus = 2;
int gDebugMode = 1;
bool gBestEob = false;
QString gReceiveTempFile;
bool gSplitBusy = false;
QDateTime gSendStartTime;
const int gXonChar = 17;
const int gXoffChar = 19;

namespace {
std::function<void()>& sendBeginsHook() {
    static std::function<void()> hook;
    return hook;
}
std::atomic<bool> gWholeLeft{false};
std::atomic<bool> gRecordStored{false};
static_assert(std::atomic<bool>::is_always_lock_free);
} // namespace

void noteWholeProgramLeft() { gWholeLeft = true; }
void noteRestartRecordStored() { gRecordStored = true; }
bool wholeProgramLeft() { return gWholeLeft; }
bool restartRecordStored() { return gRecordStored; }

void clearCancelAsSendBegins() {
    gCancelSend = false;
    gWholeLeft = false;
    gRecordStored = false;
    if (sendBeginsHook())
        sendBeginsHook()();
}

std::function<void()> setSendBeginsHook(std::function<void()> hook) {
    return std::exchange(sendBeginsHook(), std::move(hook));
}

void loadMachineFlowValues() {
    gHandshaking = MachineRecord::currentInt(QStringLiteral("Handshaking"));
    gFlowMethod = MachineRecord::currentInt(QStringLiteral("FlowMethod"));
    gCharacterSet = MachineRecord::currentInt(QStringLiteral("CharacterSet"));
}

void loadCurrentMachineValues() {
    gKeepAlive = MachineRecord::currentInt(QStringLiteral("KeepAlive"));
    loadMachineFlowValues();
}
