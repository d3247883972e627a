#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The current machine's lists of the four most recent files of each kind:
// "send", "receive" and "open" (exact lower case; any other kind does
// nothing). Entry 1 is the newest; a path stands in a list at most once.

namespace RecentFiles {

constexpr int kEntries = 4;

// "RecentSentFile", "RecentReceiveFile" or "RecentFile"; empty for an unknown kind.
QString keyPrefix(const QString& kind);

// "mnuRecentSentFile", "mnuRecentReceiveFile" or "mnuRecentFile": the menu
// entries of that kind are this name followed by "(1)" .. "(4)".
QString menuPrefix(const QString& kind);

// The four stored entries of the current machine, "" where there is none.
QStringList entries(const QString& kind);

// Puts the path first; an entry equal to it moves up instead of standing
// twice, and the oldest drops off a full list. False when the settings file
// could not be written (or the kind is unknown).
bool add(const QString& path, const QString& kind);

// Empties the four entries of that kind.
bool clear(const QString& kind);

} // namespace RecentFiles

// Tells the menus that a list of the current machine changed.
class RecentFilesNotifier : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void listChanged(const QString& kind);
};
RecentFilesNotifier* recentFilesNotifier();

void addRecentFile(const QString& path, const QString& kind);
void addRecentOpen(const QString& path);
