#pragma once

#include <QString>

// Why the settings file cannot be written, or an empty text when it can.
// Looks without changing the file: the file's own write permission and a
// trial replacement file in its folder.
QString settingsWriteProblem(const QString& iniPath);

// Tells the user that the last write of the settings file failed.
void reportSettingsWriteFailure();
