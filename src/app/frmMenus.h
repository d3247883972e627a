#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QAction;
class QMenu;
class frmTerminal;

// The pop-up menus of the editor windows (position 0), the terminal view
// (1) and the terminal view while a receive to disk runs (2). Each is built
// afresh when it is shown, with the main menu's captions and the states of
// the moment, and its items run the main window's own procedures.
class frmMenus : public QObject {
    Q_OBJECT
public:
    explicit frmMenus(frmTerminal& window);

    // The menu for a position; the caller owns it. Items carry their names.
    QMenu* buildMenu(int position);
    void showEditorPopupMenu(int position, const QPoint& globalPos);

    void mnuReload_Click();
    void mnuSaveWindow_Click();
    void mnuCharSend_Click(int index);

private:
    QAction* item(QMenu* menu, const QString& name, const QString& caption, std::function<void()> run);
    QMenu* buildEditorMenu();
    QMenu* buildTerminalMenu();
    frmTerminal& window_;
};
