#include "SendEntries.h"

#include "EditControl.h"
#include "FileDialogs.h"
#include "FileStuff.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "SendEngine.h"
#include "SendHost.h"
#include "SendLines.h"
#include "StatusLine.h"
#include "TransferGlobals.h"

#include <QBuffer>
#include <QCoreApplication>

namespace {

// A send that did not end by itself stops the files still to go.
bool endsBatch(SendOutcome outcome) {
    return outcome == SendOutcome::Cancelled || outcome == SendOutcome::TimedOut ||
           outcome == SendOutcome::PortFailed;
}

bool isActiveWindowFile(const QString& path) {
    SendHost& host = sendHost();
    return host.activeEditor() && !path.isEmpty() && host.activeWindowFile() == path;
}

} // namespace

void sendFromDisk(bool noWindow) {
    if (sendInProgress())
        return;
    SendHost& host = sendHost();
    const QString chosen =
        host.chooseFile(QStringLiteral("Send CNC File To ") + host.machineAlias(), QStringLiteral("SendDirectory"));
    const QStringList paths = splitChosenFiles(chosen);
    if (paths.isEmpty())
        return;
    host.lockForTransfer(true);
    if (paths.size() > 1) {
        gCancelBatch = false;
        for (qsizetype i = 0; i < paths.size() && !gCancelBatch; ++i) {
            QString file = paths[i];
            int line = 0;
            const SendOutcome outcome = noWindow ? sendFileNoWindow(file) : sendTextBlock(file, false, line);
            if (endsBatch(outcome))
                gCancelBatch = true;
            // A cancel that stopped nothing of this file still stops the
            // files after it: "Ready" alone would say the batch went whole.
            const qsizetype left = paths.size() - 1 - i;
            if (gCancelBatch && outcome == SendOutcome::Sent && left > 0)
                statusbar(QStringLiteral("Ready - %1 Was Sent, ").arg(getFileNameFromPath(paths[i])) +
                          (left == 1 ? QStringLiteral("The File After It Was Not")
                                     : QStringLiteral("The %1 Files After It Were Not").arg(left)));
        }
    } else {
        QString file = paths.first();
        int line = 0;
        if (!noWindow)
            sendTextBlock(file, false, line);
        else if (isActiveWindowFile(file))
            sendTextBlock(file, true, line);
        else
            sendFileNoWindow(file);
    }
    host.lockForTransfer(false);
}

void sendFromWindow() {
    if (sendInProgress())
        return;
    SendHost& host = sendHost();
    QCoreApplication::processEvents();
    if (EditControl* control = host.activeEditor())
        control->setFocus();
    QString file = host.activeWindowFile();
    int line = 0;
    sendTextBlock(file, true, line);
}

void safeRestart() {
    if (sendInProgress())
        return;
    SendHost& host = sendHost();
    const QStringList chosen = splitChosenFiles(
        host.chooseFile(QStringLiteral("Send After Toolbreak To ") + host.machineAlias(), QStringLiteral("SendDirectory")));
    if (chosen.isEmpty())
        return;
    QString file = chosen.first();
    const bool fromWindow = isActiveWindowFile(file);
    std::unique_ptr<QIODevice> program;
    if (fromWindow) {
        auto text = std::make_unique<QBuffer>();
        text->setData(host.activeEditor()->bytes());
        text->open(QIODevice::ReadOnly);
        program = std::move(text);
    } else if (!(program = openProgramFile(file))) {
        return;
    }
    // The operator names the line: a guess could skip what the machine has
    // not yet cut, so the prompt starts empty. Lines are numbered as the
    // editor shows them, where the operator reads them.
    int start = 0;
    const qint64 lines = SendLines::editorLineOfLastBlock(*program);
    if (lines > 0) {
        bool ok = false;
        const QString answer =
            inputBox(QStringLiteral("Restart From Which Line Of\n%1 ?\n(1 To %2)").arg(file).arg(lines),
                     QStringLiteral("Send After Toolbreak"), QString(), &ok)
                .trimmed();
        if (!ok)
            return;
        bool number = false;
        const qint64 line = answer.toLongLong(&number);
        if (!number || line < 1 || line > lines) {
            msgBox(QStringLiteral("\"%1\" Is Not A Line Number From 1 To %2").arg(answer).arg(lines), Msg::Ok,
                   Msg::Exclamation);
            return;
        }
        program->seek(0);
        start = int(SendLines::blockOfEditorLine(*program, line) - 1);
    }
    program.reset();
    sendTextBlock(file, fromWindow, start);
}

void sendRepeat(int count, const QString& fileName) {
    if (sendInProgress())
        return;
    SendHost& host = sendHost();
    host.lockForTransfer(true);
    gCancelBatch = false;
    const int keepAlive = gKeepAlive;
    gKeepAlive = 1;
    for (int i = 1; i <= count && !gCancelBatch; ++i)
        if (endsBatch(sendFileNoWindow(fileName)))
            gCancelBatch = true;
    gKeepAlive = keepAlive;
    closeComPort();
    host.lockForTransfer(false);
}
