#pragma once

#include <QString>
#include <QStringList>

// Shared values of the settings layer.
extern QString gDialogResult;     // how modal dialogs hand back their answer
extern QString gMsgResult;        // scratch value for passing answers; nobody reads it back
extern QStringList gSplitResult;  // filled by splitToArray: item 0 empty, items 1..count
extern int gUseLanguageSupport;   // caption translation on when above 0
extern QString gVersionSuffix;    // " [Ver a.b.c.99e]", set once at start-up
extern QString gPasswordIniPath;  // the administrator's settings-password file
extern QString gReceiveCaption;   // the receive button's idle caption
extern bool gForceDateFormats;    // the program uses its fixed date formats, not the user's
