#pragma once

#include <QString>

// Where the program keeps its files, and the names it gives them.
namespace ProgramPaths {

// "Feedline": window captions, message box titles, log and password file names.
QString appTitle();

// Program folder with a trailing "/": FEEDLINE_HOME when set, else the
// executable's folder when it is writable, else the user's data folder.
QString programFolder();

// Full path of "feedline-settings.ini" in the program folder.
QString settingsFileName();

// The administrator's settings-password file: FEEDLINE_PASSWORD_FILE, else
// "/etc/Feedlinesettings.ini".
QString passwordFileName();

// Forget the cached folder, so a changed FEEDLINE_HOME takes effect (tests).
void reset();

} // namespace ProgramPaths
