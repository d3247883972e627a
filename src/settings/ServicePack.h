#pragma once

#include <QString>
#include <QStringList>

// The start-up check for the runtime files the editor windows need. Here
// those are the edit-control library the program was built with, looked for
// in the folder it was found in at build time.

QString runtimeFolder();    // with a trailing "/"
QStringList runtimeFiles(); // file names within runtimeFolder()

// Where the library can be had; passed to the warning window's Download button.
QString runtimeDownloadAddress();

bool runtimeFilesMissing();
bool runtimeFilesMissing(const QString& folder, const QStringList& files);

// The warning's text, lines separated by CR LF.
QString runtimeWarningText(const QString& folder, const QString& address);

// While [Settings] CheckServicePack reads "0" and a runtime file is missing,
// shows the warning window modally; start-up goes on when it closes.
void checkServicePack();
void checkServicePack(const QString& folder, const QStringList& files);
