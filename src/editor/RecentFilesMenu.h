#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QWidget;

// Fills the main window's recent-file menu entries from the current
// machine's lists. The entries are found by object name below `host`:
//   open:    mnuRecentFile(1..4), mnuRecentlyOpenHeader, mnuClear
//   send:    mnuRecentSentFile(1..4)
//   receive: mnuRecentReceiveFile(1..4)
// An entry's caption shows the path ("&" doubled so it is not taken for a
// mnemonic); its data holds the path itself: read it with pathOf().
// Every change of a list refreshes its entries.
class RecentFilesMenu : public QObject {
    Q_OBJECT
public:
    explicit RecentFilesMenu(QWidget* host, QObject* parent = nullptr);

    // The file an entry names; empty for an "(Empty)" entry.
    static QString pathOf(const QAction* entry);

public Q_SLOTS:
    // Entry 1 is always shown; an entry with a path is shown and enabled; an
    // empty one reads "(Empty)", is disabled and keeps its visibility.
    void refreshRecentMenu(const QString& kind);
    void refreshAll(); // after another machine was chosen
    // After "Sure You Want To Clear List..?" is answered Yes: empties the
    // opened-files list and hides its entries. False when answered No.
    bool clearRecentOpenList();

private:
    QAction* entry(const QString& name) const;
    QPointer<QWidget> host_;
};
