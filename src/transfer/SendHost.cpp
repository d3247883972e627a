#include "SendHost.h"

#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileDialogs.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"
#include "TransferGlobals.h"

#include <cstdio>

namespace {
SendHost*& installedHost() {
    static SendHost* host = nullptr;
    return host;
}
} // namespace

void SendHost::lockForTransfer(bool) {}

QString SendHost::machineAlias() { return MachineRecord::current(QStringLiteral("Alias")); }

void SendHost::showHold(const QString& held) {
    if (windowsSeen())
        return;
    // As the progress window shows it once the send goes on.
    const QString said = held.isEmpty() ? QStringLiteral("Sending File") : held;
    std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramPaths::appTitle()), qPrintable(said));
}
void SendHost::promptAfterSend(const QString& text) { msgBox(text, Msg::Ok, Msg::Information); }

void SendHost::refreshRecentMenu(const QString&) {}

EditControl* SendHost::activeEditor() {
    EditorManager* editors = EditorManager::instance();
    return editors ? editors->activeEditor() : nullptr;
}

QString SendHost::activeWindowFile() { return activeWindowFileName(); }

QString SendHost::chooseFile(const QString& title, const QString& purpose) { return OpenCNCFile(purpose, title); }

bool SendHost::selectMachineByAlias(const QString& alias) {
    const int n = MachineRecord::machineWithAlias(alias);
    if (n == 0)
        return false;
    gCurrentMachineSection = MachineRecord::sectionName(n);
    loadCurrentMachineValues();
    return true;
}

void SendHost::receiveFileToDisk(bool, const QString& fileName) {
    msgBox(QStringLiteral("Can't Receive \"%1\" Here").arg(fileName), Msg::Ok, Msg::Exclamation);
}

SendHost& sendHost() {
    static SendHost defaults;
    SendHost* host = installedHost();
    return host ? *host : defaults;
}

SendHostScope::SendHostScope(SendHost* host) : previous_(installedHost()) { installedHost() = host; }

SendHostScope::~SendHostScope() { installedHost() = previous_; }
