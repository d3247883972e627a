#pragma once

#include <QString>

class frmTerminal;

// The main window's doors into the editor windows and their tools: the file
// and edit commands of the tool bar and menus, the recent-file menus and the
// text tools.
class EditorActions {
public:
    explicit EditorActions(frmTerminal& window) : window_(window) {}
    virtual ~EditorActions() = default;

    virtual void openFileInNewWindow(const QString& path); // empty: a new empty window
    virtual void openFileIntoWindow();
    virtual void fileAlreadyOpen(const QString& path);
    virtual void saveWindowToFile();
    virtual void saveAs();
    virtual void closeMyFile();
    virtual void showFindBox(int mode); // 0 find, 1 replace; seeded with the selection
    virtual void compareFiles(); // the active window's file against one the user picks
    virtual void hideFindBox();
    virtual void printWindow(bool colour);
    virtual void printerSetup();
    virtual void cut();
    virtual void copy();
    virtual void paste();
    virtual void undo();
    virtual void redo();
    virtual void selectAll();
    // Before the File or Edit menu opens: Undo, Redo, Cut, Copy, Paste from the active window.
    virtual void setMenus();
    virtual void refreshRecentMenu(const QString& kind); // "send", "receive" or "open"
    virtual void refreshRecentOpen();
    // Asks "Sure You Want To Clear List..?" and empties the opened-files list.
    virtual void clearRecentOpenList();
    virtual void clickToolsMenu(int index);
    virtual void reformatNCText();
    virtual void splitFile();
    virtual void capitalise();
    virtual void reverseCapitals();
    // Leaves the merged file's path in gDialogResult, empty when cancelled;
    // returns the name of what Merge To DNC joined.
    virtual QString showMerge();
    virtual void showIntelli();
    // The end-of-block analyser on what the terminal view received.
    virtual void analyseEndOfBlock();
    // The open-file dialog for a purpose key such as "SendDirectory"; empty when cancelled.
    virtual QString OpenCNCFile(const QString& title, const QString& purpose);
    // True when the folder of `path` cannot be reached.
    virtual bool notValidDrive(const QString& path);
    // The active editor window's file; one without a file gives its caption
    // name ("Untitled2"), which matches no path.
    virtual QString activeWindowFile();
    // "Block x of y Pos z" for editor window `index`, "Ready" when it holds no text.
    virtual QString positionText(int index);

protected:
    frmTerminal& window_;
};
