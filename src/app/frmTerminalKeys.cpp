#include "frmTerminal.h"

#include "EditorGlobals.h"
#include "TransferActions.h"
#include "TransferGlobals.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>

namespace {
// Shows the main window each key before the control that has the focus. A
// key that control passes on to its parents is not taken again.
class KeyPreview : public QObject {
public:
    explicit KeyPreview(frmTerminal* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        QWidget* first = QApplication::focusWidget();
        if (!first || first->window() != window_)
            first = window_;
        if (watched != first)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        return window_->Form_KeyDown(key->key(), key->modifiers());
    }

private:
    frmTerminal* window_;
};
} // namespace

void frmTerminal::installKeyPreview() { qApp->installEventFilter(new KeyPreview(this)); }

bool frmTerminal::Form_KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        // A USB adapter's driver is not interrupted in mid-send; the progress
        // window's Cancel stops such a send.
        if (gPortState == PortSending && transfers_->transferPortIsUSB())
            return false;
        gCancelSend = true;
        gCancelOperation = true;
        QCoreApplication::processEvents();
        return false;
    case Qt::Key_F:
    case Qt::Key_H:
        if (!ctrl)
            return false;
        // The same command as the Edit menu's, and locked with it.
        if (QAction* item = menuItem(key == Qt::Key_F ? QStringLiteral("mnuFind(0)") : QStringLiteral("mnuFind(1)")))
            item->trigger();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (!ctrl)
            return false;
        const int highest = int(gWindows.size()) - 1;
        int next = -1;
        if (gActiveWindow < highest) {
            for (int i = gActiveWindow + 1; i <= highest && i < SSTab1_->count(); ++i) {
                if (SSTab1_->isTabVisible(i)) {
                    next = i;
                    break;
                }
            }
        }
        if (next < 0)
            next = findFirstVisibleTab();
        if (next >= 0 && next < SSTab1_->count())
            SSTab1_->setCurrentIndex(next);
        return true;
    }
    case Qt::Key_F1:
        showHelpPage();
        return true;
    default:
        return false;
    }
}

void frmTerminal::Command1_Click() {
    gCancelOperation = true;
    QCoreApplication::processEvents();
}
