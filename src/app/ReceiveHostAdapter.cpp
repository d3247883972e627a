#include "ReceiveHostAdapter.h"

#include "EditControl.h"
#include "EditorManager.h"
#include "ReceiveEngine.h"
#include "SendHostAdapter.h"
#include "frmTerminal.h"

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {
constexpr int kReceiveButton = 2;
constexpr int kDebugButton = 5;
constexpr int kEditorToolTab = 1;
} // namespace

QString ReceiveHostAdapter::receiveButtonText() const { return window_.btnToolBar(kReceiveButton)->text(); }

void ReceiveHostAdapter::setReceiveButton(const QString& caption, const QString& toolTip) {
    QPushButton* button = window_.btnToolBar(kReceiveButton);
    button->setText(caption);
    button->setToolTip(toolTip);
}

QPlainTextEdit* ReceiveHostAdapter::terminalBox() const { return window_.textboxTerm(); }

void ReceiveHostAdapter::showTerminal(bool shown) {
    QPlainTextEdit* box = window_.textboxTerm();
    box->setReadOnly(true);
    box->setVisible(shown);
    if (shown) {
        box->raise();
        box->setFocus();
    }
}

void ReceiveHostAdapter::sendWindowFollowsEditor() {
    const EditControl* active = window_.editorManager() ? window_.editorManager()->activeEditor() : nullptr;
    window_.setSendWindowEnabled(active && active->textLength() > 0);
}

void ReceiveHostAdapter::showReceiveScreen(bool receiving) {
    if (EditorManager* editors = window_.editorManager())
        editors->hideAllTextBoxes(receiving, receiving);
    window_.SSTab1()->setVisible(!receiving);
    window_.SSTab2()->setTabEnabled(kEditorToolTab, !receiving);
    window_.cmbCNCVisible()->setVisible(!receiving);
    showTerminal(receiving);
    for (int i = 0; i < 7; ++i)
        if (QPushButton* button = window_.btnToolBar(i))
            button->setEnabled(!receiving || i == kReceiveButton);
    if (receiving) {
        window_.receivingMenuStatus(false);
        return;
    }
    sendWindowFollowsEditor();
    window_.disableMenus(false);
    window_.receivingMenuStatus(true);
}

void ReceiveHostAdapter::showDebugScreen(bool open) {
    QPushButton* button = window_.btnToolBar(kDebugButton);
    button->setText(open ? QStringLiteral("Close Debug") : QStringLiteral("Open Debug"));
    button->setToolTip(open ? QStringLiteral("Close Debug Window : F7") : QStringLiteral("Open Debug Window : F7"));
    if (QAction* item = window_.menuItem(QStringLiteral("mnuOpenDebug")))
        item->setText(open ? QStringLiteral("Close Debug") : QStringLiteral("Open Debug"));
    window_.cmbCNCVisible()->setVisible(!open);
    window_.SSTab1()->setVisible(!open);
    window_.resetMainButtons(!open);
    showTerminal(open);
    if (open) {
        window_.setSendWindowEnabled(false);
        window_.disableMenus(true);
        return;
    }
    sendWindowFollowsEditor();
    window_.disableMenus(false);
    for (int i = 0; i < 2; ++i)
        window_.cmdFlow(i)->hide();
    window_.SSTab2()->setTabEnabled(kEditorToolTab, true);
    // The debug window had the keyboard; hidden, it would leave it to the next control.
    window_.focusActiveEditor();
}

int ReceiveHostAdapter::checkedDebugMode() const {
    for (int i = 0; i < 5; ++i) {
        const QAction* item = window_.menuItem(QStringLiteral("mnuDebug(%1)").arg(i));
        if (item && item->isChecked())
            return i;
    }
    return -1;
}

bool ReceiveHostAdapter::binaryReceive() const { return window_.binaryReceive; }

void ReceiveHostAdapter::setReceivedByteCount(qint64 count) { window_.receivedByteCount = count; }

QWidget* ReceiveHostAdapter::panelArea() const { return window_.centralWidget(); }

void ReceiveHostAdapter::lockForTransfer(bool locked) { lockWindowForTransfer(window_, locked); }

ReceiveEngine& attachReceiveSide(frmTerminal& window) {
    if (auto* engine = window.findChild<ReceiveEngine*>(QString(), Qt::FindDirectChildrenOnly))
        return *engine;
    return *new ReceiveEngine(std::make_unique<ReceiveHostAdapter>(window), &window);
}
