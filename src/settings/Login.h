#pragma once

#include <QString>

#include <functional>

// The settings-password gate in front of the settings dialogs and caption
// editing: true when no password is set or the user typed it. Nothing is
// remembered between calls: every call reads the password file again.
bool checkLogin();

// The administrator's password file: gPasswordIniPath once the main window has
// set it, else ProgramPaths::passwordFileName().
QString passwordFilePath();

// [Main] Password of the password file, still encoded; empty when none is set.
QString storedPassword();

// Each stored character is its password character raised by 5. A character
// below code 5 has no decoded form: the result is then empty and *ok false.
QString decodePassword(const QString& stored, bool* ok = nullptr);

// True when `typed` is the stored password, without regard to letter case.
bool passwordAccepted(const QString& typed);

// The editor installs this: it hides the find window when it is loaded, so the
// window does not stand over the password prompt or the dialog that follows.
void setHideFindWindowHook(std::function<void()> hook);
