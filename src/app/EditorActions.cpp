#include "EditorActions.h"

#include "CompareFiles.h"
#include "EditControl.h"
#include "frmDefaultDir.h"
#include "frmFanucSplitFiles.h"
#include "frmFind.h"
#include "frmMerge.h"

#include "EditorGlobals.h"
#include "EditorManager.h"
#include "EditorText.h"
#include "FileDialogs.h"
#include "Printing.h"
#include "RecentFilesMenu.h"
#include "SettingsGlobals.h"
#include "frmTerminal.h"

namespace {
EditorManager& editorsOf(const frmTerminal& window) { return *window.editorManager(); }
} // namespace

void EditorActions::openFileInNewWindow(const QString& path) { editorsOf(window_).openFileInNewWindow(path); }
void EditorActions::openFileIntoWindow() { editorsOf(window_).openFileIntoWindow(); }
void EditorActions::fileAlreadyOpen(const QString& path) { editorsOf(window_).fileAlreadyOpen(path); }
void EditorActions::saveWindowToFile() { editorsOf(window_).saveWindowToFile(); }
void EditorActions::saveAs() { editorsOf(window_).mnuSaveAsProc(); }
void EditorActions::closeMyFile() { editorsOf(window_).closeMyFile(); }
void EditorActions::showFindBox(int mode) {
    EditControl* ed = editorsOf(window_).activeEditor();
    frmFind::showFindBox(&window_, window_.editorManager(), ed ? ed->selectedText() : QString(), mode);
}
void EditorActions::compareFiles() { mnuCompare_Click(); }
void EditorActions::hideFindBox() { hideFindForm(); }
void EditorActions::printWindow(bool colour) { ::printWindow(colour); }
void EditorActions::printerSetup() { ::printerSetup(); }
void EditorActions::cut() { editorsOf(window_).mnuCutProc(); }
void EditorActions::copy() { editorsOf(window_).mnuCopyProc(); }
void EditorActions::paste() { editorsOf(window_).mnuPasteProc(); }
void EditorActions::undo() { editorsOf(window_).mnuUndoProc(); }
void EditorActions::redo() { editorsOf(window_).mnuRedoProc(); }
void EditorActions::selectAll() { editorsOf(window_).mnuSelectAllProc(); }

void EditorActions::setMenus() { editorsOf(window_).setMenus(&window_); }

void EditorActions::refreshRecentMenu(const QString& kind) {
    if (RecentFilesMenu* menus = window_.recentMenus())
        menus->refreshRecentMenu(kind);
}

void EditorActions::refreshRecentOpen() { refreshRecentMenu(QStringLiteral("open")); }

void EditorActions::clearRecentOpenList() {
    if (RecentFilesMenu* menus = window_.recentMenus())
        menus->clearRecentOpenList();
}

void EditorActions::splitFile() {
    setSplitFolderPicker([this](const QString& start) {
        gDialogResult = start;
        frmDefaultDir(&window_).exec();
        return gDialogResult;
    });
    mnuSplitFile(&window_);
}
QString EditorActions::showMerge() {
    frmMerge dialog(&window_);
    dialog.exec();
    return dialog.mergedName();
}

QString EditorActions::OpenCNCFile(const QString& title, const QString& purpose) {
    return ::OpenCNCFile(purpose, title);
}

bool EditorActions::notValidDrive(const QString& path) { return ::notValidDrive(path); }

QString EditorActions::activeWindowFile() { return activeWindowFileName(); }

QString EditorActions::positionText(int index) { return editorsOf(window_).positionText(index); }
