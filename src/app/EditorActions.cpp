#include "EditorActions.h"

#include "EditorGlobals.h"
#include "EditorManager.h"
#include "EditorText.h"
#include "FileDialogs.h"
#include "RecentFilesMenu.h"
#include "frmTerminal.h"
#include "NotAvailable.h"

namespace {
void editorNotAvailable() { commandNotAvailable(QStringLiteral("The editor")); }

// Without an editor (some tests build the window alone) the commands say so.
template <typename Call>
void withEditor(Call call) {
    if (EditorManager* ed = EditorManager::instance())
        call(*ed);
    else
        editorNotAvailable();
}
} // namespace

void EditorActions::openFileInNewWindow(const QString& path) { withEditor([&](EditorManager& ed) { ed.openFileInNewWindow(path); }); }
void EditorActions::openFileIntoWindow() { withEditor([&](EditorManager& ed) { ed.openFileIntoWindow(); }); }
void EditorActions::fileAlreadyOpen(const QString& path) { withEditor([&](EditorManager& ed) { ed.fileAlreadyOpen(path); }); }
void EditorActions::saveWindowToFile() { withEditor([&](EditorManager& ed) { ed.saveWindowToFile(); }); }
void EditorActions::saveAs() { withEditor([&](EditorManager& ed) { ed.mnuSaveAsProc(); }); }
void EditorActions::closeMyFile() { withEditor([&](EditorManager& ed) { ed.closeMyFile(); }); }
void EditorActions::showFindBox(int) { commandNotAvailable(QStringLiteral("Find and replace")); }
void EditorActions::hideFindBox() { hideFindForm(); }
void EditorActions::printWindow(bool) { commandNotAvailable(QStringLiteral("Printing")); }
void EditorActions::printerSetup() { commandNotAvailable(QStringLiteral("Printing")); }
void EditorActions::cut() { withEditor([&](EditorManager& ed) { ed.mnuCutProc(); }); }
void EditorActions::copy() { withEditor([&](EditorManager& ed) { ed.mnuCopyProc(); }); }
void EditorActions::paste() { withEditor([&](EditorManager& ed) { ed.mnuPasteProc(); }); }
void EditorActions::undo() { withEditor([&](EditorManager& ed) { ed.mnuUndoProc(); }); }
void EditorActions::redo() { withEditor([&](EditorManager& ed) { ed.mnuRedoProc(); }); }
void EditorActions::selectAll() { withEditor([&](EditorManager& ed) { ed.mnuSelectAllProc(); }); }

void EditorActions::setMenus() {
    if (EditorManager* ed = EditorManager::instance())
        ed->setMenus(&window_);
}

void EditorActions::refreshRecentMenu(const QString& kind) {
    if (RecentFilesMenu* menus = window_.recentMenus())
        menus->refreshRecentMenu(kind);
}

void EditorActions::refreshRecentOpen() { refreshRecentMenu(QStringLiteral("open")); }

void EditorActions::clearRecentOpenList() {
    if (RecentFilesMenu* menus = window_.recentMenus())
        menus->clearRecentOpenList();
}

void EditorActions::clickToolsMenu(int) { commandNotAvailable(QStringLiteral("The NC text tools")); }
void EditorActions::reformatNCText() { commandNotAvailable(QStringLiteral("Reformatting NC code")); }
void EditorActions::splitFile() { commandNotAvailable(QStringLiteral("Splitting files")); }
void EditorActions::capitalise() { commandNotAvailable(QStringLiteral("Capitalising the text")); }
void EditorActions::reverseCapitals() { commandNotAvailable(QStringLiteral("Reversing the text case")); }
void EditorActions::showMerge() { commandNotAvailable(QStringLiteral("Merging files")); }
void EditorActions::showIntelli() { commandNotAvailable(QStringLiteral("IntelliCode")); }

QString EditorActions::OpenCNCFile(const QString& title, const QString& purpose) {
    return ::OpenCNCFile(purpose, title);
}

bool EditorActions::notValidDrive(const QString& path) { return ::notValidDrive(path); }

QString EditorActions::activeWindowFile() { return activeWindowFileName(); }

QString EditorActions::positionText(int index) {
    EditorManager* ed = EditorManager::instance();
    return ed ? ed->positionText(index) : QStringLiteral("Ready");
}
