#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The start-up check for the runtime files the editor windows need. Here
// those are the edit-control library the program was built with, looked for
// where the system's loader finds it: the file it loaded into this process,
// or the one it would load.

QString runtimeFolder();    // with a trailing "/"
QStringList runtimeFiles(); // file names within runtimeFolder()

// Where the library can be had; passed to the warning window's Download button.
QString runtimeDownloadAddress();

bool runtimeFilesMissing();
bool runtimeFilesMissing(const QString& folder, const QStringList& files);

// The warning's text, lines separated by CR LF.
QString runtimeWarningText(const QString& folder, const QString& address);

// While [Settings] CheckServicePack reads "0" and a runtime file is missing,
// warns: through the message seam, or in the warning window once one is
// installed; start-up goes on when it is answered.
void checkServicePack();
void checkServicePack(const QString& folder, const QStringList& files);

// The warning window (frmTip, with its Download button and "Don't Warn Me
// Again"), for a start that shows windows.
void installRuntimeWarningTip();
