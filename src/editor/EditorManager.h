#pragma once

#include "EditorFiles.h"

#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QVector>

class EditControl;
class QTabWidget;
class QWidget;

// What the Edit and File menus may offer for the active window.
struct EditActions {
    bool undo = false;
    bool redo = false;
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool save = false;
};
Q_DECLARE_METATYPE(EditActions)

// Owns the editor windows: the tab widget SSTab1 whose tab i holds the edit
// control txtTerm(i) of record gWindows[i]. Indexes never move: a closed
// window keeps its record and its hidden tab. gActiveWindow always names an
// open window. Every message goes through msgBox and every chooser through
// fileDialog, so the whole editor runs without a user.
class EditorManager : public QObject {
    Q_OBJECT
public:
    // Creates SSTab1 with window 0 ("Untitled1") and resets gWindows.
    explicit EditorManager(QObject* parent = nullptr);
    ~EditorManager() override;

    static EditorManager* instance(); // the one that exists, or nullptr

    QTabWidget* tabWidget() const; // embed this in the main window
    EditControl* editor(int index) const; // nullptr for an unloaded window
    EditControl* activeEditor() const;
    QString tabCaption(int index) const;

    // Reads [Settings] FontName, FontSize, FontBold and lockeditor and the
    // colour values (gMainTextForeColor, gMainTextBackColor, gColourizeBlocks,
    // gBlockColours) onto every window. Call after loading those values and
    // after the system settings change them.
    void applyDisplaySettings();
    void setCapitalising(bool on); // mnuCapitalise2's check mark
    bool capitalising() const { return capitalising_; }
    bool editorLocked() const; // window 0 is read-only

    // Windows and files.
    int openFileInNewWindow(const QString& path = QString()); // the new index, or -1
    int addEditorTab();
    void fileAlreadyOpen(const QString& path);
    void openFileIntoWindow();
    void selectWindow(int index); // the tab switch
    void hideAllTextBoxes(bool hide, bool lock);
    void setCaption(int index);
    bool loadFileIntoWindow(bool stop, const QString& path);
    // A file this program has just written: the window that shows it takes
    // the new text, after a question naming `what` when it holds unsaved
    // edits (No opens the file beside them); without a window the file opens
    // in a new one.
    void openWrittenFile(const QString& path, const QString& what);
    // Only a window showing `path` without unsaved edits takes its new text.
    void reloadWrittenFile(const QString& path);
    // Window `index` reads its own file again, as it now is on disk (no
    // undo history, unchanged). False with the reason when it cannot be read.
    bool reloadOwnFile(int index, QString* error);

    // Saving and closing the active window. True when done.
    bool saveWindowToFile();
    bool mnuSaveAsProc();
    bool closeMyFile();
    // The save question for window `index` when it has unsaved changes (a
    // merge window always); Yes saves it. False on Cancel, or when Yes did
    // not save (the window keeps its text).
    bool askToSave(int index);
    // askToSave for every open window that needs it, in tab order;
    // false at the first Cancel. Whatever was saved before it stays saved.
    bool askToSaveAll();

    // Editing commands on the active window.
    void mnuCutProc();
    void mnuCopyProc();
    void mnuPasteProc();
    void mnuUndoProc();
    void mnuRedoProc();
    void mnuSelectAllProc();

    EditActions editActions() const;
    // Sets mnuUndo, mnuRedo, mnuCut, mnuCopy and mnuPaste (found by object
    // name below `form`) as the File or Edit menu opens.
    void setMenus(QWidget* form) const;
    // "Block x of y Pos z", or "Ready" for an empty window.
    QString positionText(int index) const;

Q_SIGNALS:
    void captionChanged(const QString& caption);       // the main window's caption
    void sendWindowEnabledChanged(bool enabled);       // btnToolBar(1) and mnuSendWindow1
    void editActionsChanged(const EditActions& actions);
    void positionTextChanged(const QString& text);     // for the status line
    void activeWindowChanged(int index);
    void menusDisabled(bool disable);                  // disableMenus around a save
    void editorAreaShown();                            // files were opened: hide the terminal view
    void popupMenuRequested(int index, const QPoint& globalPos);
    void completionListRequested(const QString& wordFile, const QString& seed);
    void completionListHidden();

private:
    EditControl* createEditor(int index);
    void onCurrentChanged(int index);
    void onKeyDown(int index, int keyCode);
    void onCaretMoved(int index, int line);
    void runCommand(int command);
    void undoRedo(bool undo);
    void emitEditActions();
    void setTabCaption(int index, const QString& caption);
    QString nextFreeName(const QString& word) const;
    bool writeWindow(int index, const QString& path);
    // Writes the window over its own file. A file written by someone else
    // since the window read or wrote it is replaced only when the user says so.
    bool writeOwnFile(int index);
    void stampFromText(int index); // the window holds what its file holds
    // Save As for the window: writes, then the window takes the new name.
    bool saveAsAndAdopt(int index, const QString& proposal, bool addExtension, bool addToRecent);
    void adoptFile(int index, const QString& path);
    void closeWindow(int index);
    void resetWindowZero();
    int indexOf(const EditControl* control) const;

    QPointer<QTabWidget> tabs_;
    QVector<QPointer<EditControl>> editors_;
    QVector<FileStamp> stamps_; // per window: its file as the window last read or wrote it
    bool capitalising_ = false;
    bool opening_ = false;
    QString fontName_;
    int fontSize_ = 0;
    bool fontBold_ = false;
    bool locked_ = false;
};
