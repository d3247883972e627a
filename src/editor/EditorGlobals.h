#pragma once

#include <QString>
#include <QVector>

#include <functional>

// Shared values of the editor windows and text tools.

// One record per editor tab, indexed like the tabs and their edit controls.
struct EditorWindow {
    bool closed = false;
    bool modified = false;
    QString fileName;       // full path, or a caption name ("Untitled2", "Merge1", "Compare1")
    bool isMerge = false;   // opened from the merge file: saving asks for a name
    bool isCompare = false; // opened from the compare file
};
extern QVector<EditorWindow> gWindows;
extern int gActiveWindow;

// Open windows among 1 .. last (window 0 is not counted).
int countOpenWindows();
// gWindows[gActiveWindow].fileName; empty when there is no such record.
QString activeWindowFileName();

extern bool gCancelOperation; // stop request of the text tools (Esc, the tools' Cancel)
extern bool gBusyEditing;     // a text tool is changing the text
extern bool gPastePending;    // Ctrl+V was pressed in an editor
extern bool gFindFormLoaded;  // the find window is loaded
extern bool gFindFormActive;
// Hides the find window while it is loaded; it stays loaded and keeps its
// contents. The find window installs the hider.
void hideFindForm();
void setFindFormHider(std::function<void()> hider);
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
