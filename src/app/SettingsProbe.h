#pragma once

#include <QString>

// Why the settings file cannot be written, or an empty text when it can.
// Looks without changing the file: the file's own write permission and a
// trial replacement file in its folder.
QString settingsWriteProblem(const QString& iniPath);

// Tells the user that the last write of the settings file failed.
void reportSettingsWriteFailure();

// Why a send may not go out on the machine section `section` of the
// settings file as it stands, before anything is written into it: the file
// is missing (or a link to nothing), no file, unreadable, blank, holds no
// [Settings] section this program can read, or no such machine section.
// An empty text when it may.
QString sendSettingsProblem(const QString& iniPath, const QString& section);
