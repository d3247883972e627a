#include "EditorActions.h"

#include "EditorGlobals.h"
#include "NotAvailable.h"

#include <QDir>
#include <QFileInfo>

namespace {
void editorNotAvailable() { commandNotAvailable(QStringLiteral("The editor")); }
} // namespace

void EditorActions::openFileInNewWindow(const QString&) { editorNotAvailable(); }
void EditorActions::openFileIntoWindow() { editorNotAvailable(); }
void EditorActions::fileAlreadyOpen(const QString&) { editorNotAvailable(); }
void EditorActions::saveWindowToFile() { editorNotAvailable(); }
void EditorActions::saveAs() { editorNotAvailable(); }
void EditorActions::closeMyFile() { editorNotAvailable(); }
void EditorActions::showFindBox(int) { editorNotAvailable(); }
void EditorActions::hideFindBox() {}
void EditorActions::printWindow(bool) { commandNotAvailable(QStringLiteral("Printing")); }
void EditorActions::printerSetup() { commandNotAvailable(QStringLiteral("Printing")); }
void EditorActions::cut() { editorNotAvailable(); }
void EditorActions::copy() { editorNotAvailable(); }
void EditorActions::paste() { editorNotAvailable(); }
void EditorActions::undo() { editorNotAvailable(); }
void EditorActions::redo() { editorNotAvailable(); }
void EditorActions::selectAll() { editorNotAvailable(); }
void EditorActions::setMenus() {}
void EditorActions::refreshRecentMenu(const QString&) {}
void EditorActions::refreshRecentOpen() {}
void EditorActions::clearRecentOpenList() { editorNotAvailable(); }
void EditorActions::clickToolsMenu(int) { commandNotAvailable(QStringLiteral("The NC text tools")); }
void EditorActions::reformatNCText() { commandNotAvailable(QStringLiteral("Reformatting NC code")); }
void EditorActions::splitFile() { commandNotAvailable(QStringLiteral("Splitting files")); }
void EditorActions::capitalise() { editorNotAvailable(); }
void EditorActions::reverseCapitals() { editorNotAvailable(); }
void EditorActions::showMerge() { commandNotAvailable(QStringLiteral("Merging files")); }
void EditorActions::showIntelli() { commandNotAvailable(QStringLiteral("IntelliCode")); }

QString EditorActions::OpenCNCFile(const QString&, const QString&) {
    editorNotAvailable();
    return QString();
}

bool EditorActions::notValidDrive(const QString& path) {
    const QFileInfo info(path);
    return !info.isAbsolute() || !info.absoluteDir().exists();
}

QString EditorActions::activeWindowFile() {
    return gActiveWindow >= 0 && gActiveWindow < gWindows.size() ? gWindows[gActiveWindow].fileName : QString();
}

QString EditorActions::positionText(int) { return QStringLiteral("Ready"); }
