#include "TransferActions.h"

#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "NetworkHandoff.h"
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

void TransferActions::sendTextBlock(const QString& path, bool fromWindow, const QString& loggedAs) {
    SendHostAdapter host(window_);
    QString file = path;
    int line = 0;
    ::sendTextBlock(file, fromWindow, line, loggedAs);
}

void TransferActions::safeRestart() {
    SendHostAdapter host(window_);
    ::safeRestart();
}

void TransferActions::sendBinary(const QString& path, int chunkSize) {
    SendHostAdapter host(window_);
    ::sendBinaryFile(path.startsWith(QLatin1String("BINARY")) ? path.mid(6) : path, chunkSize);
}

namespace {
// Starts the FTP helper for an upload ("U") or download ("D") of `file` ("!":
// the helper asks). Every way it can fail is said.
void runFtpHelper(const QString& direction, const QString& file) {
    const NetworkHandoff::HelperCommand command =
        NetworkHandoff::buildFtpCommand(QStringLiteral("FTP"), direction, file);
    if (command.isEmpty()) {
        const QString helper = NetworkHandoff::ftpHelperPath();
        if (!fileExists(helper))
            msgBox(QStringLiteral("The FTP Program ") + helper + QStringLiteral(" Was Not Found"), Msg::Ok, Msg::Critical);
        else
            msgBox(QStringLiteral("Can't Hand ") + file + QStringLiteral(" To The FTP Program") +
                       (fileExists(file) ? QString() : QStringLiteral("\nThe File Does Not Exist")),
                   Msg::Ok, Msg::Critical);
        return;
    }
    if (!NetworkHandoff::startHelper(command))
        msgBox(QStringLiteral("Failed To Shell FTP Program"));
}
} // namespace

void TransferActions::ftpSend(int index) {
    QString file = QStringLiteral("!");
    if (index == 0) {
        EditorManager* editors = window_.editorManager();
        const EditControl* active = editors->activeEditor();
        if (active && active->isModified() &&
            msgBox(QStringLiteral("The Data Has Changed In File\n") + activeWindowFileName() +
                       QStringLiteral("\nSave Changes Before Sending ?"),
                   Msg::YesNo, Msg::Question) == Msg::AnswerYes)
            editors->saveWindowToFile();
        // On No the file goes as it stands on disk.
        file = activeWindowFileName();
    }
    runFtpHelper(QStringLiteral("U"), file);
}

void TransferActions::ftpReceive() { runFtpHelper(QStringLiteral("D"), QStringLiteral("!")); }

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
