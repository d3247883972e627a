#pragma once

#include <QString>

// Why the settings file cannot be written, or an empty text when it can.
// Looks without changing the file: the file's own write permission and a
// trial replacement file in its folder.
QString settingsWriteProblem(const QString& iniPath);

// The message for a settings file that cannot be written; at start the
// program ends after it.
QString settingsWriteMessage(const QString& iniPath, const QString& reason, bool atStart);

// Tells the user that the last write of the settings file failed.
void reportSettingsWriteFailure();
