#pragma once

#include <QString>
#include <QVector>

// Shared values of the editor windows and text tools.

// One record per editor tab, indexed like the tabs and their edit controls.
struct EditorWindow {
    bool closed = false;
    bool modified = false;
    QString fileName;
};
extern QVector<EditorWindow> gWindows;
extern int gActiveWindow;

extern bool gCancelOperation; // stop request of the text tools (Esc, the tools' Cancel)
extern bool gBusyEditing;     // a text tool is changing the text
extern bool gPastePending;    // Ctrl+V was pressed in an editor
extern bool gFindFormLoaded;  // the find window is loaded
extern bool gFindFormActive;
extern bool gPrinting;
extern bool gPrintHeaderPending;

// Display values loaded by the main window at start-up.
extern unsigned int gBlockColours[27]; // 1..26: colour per first letter A..Z (0 unused); red in the lowest byte
extern bool gColourizeBlocks;
extern int gPadLeftMargin;
extern unsigned int gMainTextBackColor;
extern unsigned int gMainTextForeColor;
extern unsigned int gMainTerminalBackColor;
extern unsigned int gMainTerminalForeColor;
extern int gShowCNCStatus;
extern int gShowBreakoutLights;
extern QString gIntelliFile;
