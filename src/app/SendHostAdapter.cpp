#include "SendHostAdapter.h"

#include "EditorActions.h"
#include "EditorManager.h"
#include "MachineRecord.h"
#include "TransferActions.h"
#include "frmCancelSend.h"
#include "frmTerminal.h"

#include <QComboBox>
#include <QEvent>
#include <QPlainTextEdit>

namespace {
// The progress window follows the main window when it is minimised and restored.
class WindowStateWatch : public QObject {
public:
    explicit WindowStateWatch(frmTerminal& window) : QObject(&window), window_(window) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::WindowStateChange)
            frmCancelSend::setFocusToTransferBox(window_.isMinimized());
        return false;
    }

private:
    frmTerminal& window_;
};
} // namespace

SendHostAdapter::SendHostAdapter(frmTerminal& window)
    : window_(window), stateWatch_(new WindowStateWatch(window)), scope_(this) {}

SendHostAdapter::~SendHostAdapter() { delete stateWatch_; }

void lockWindowForTransfer(frmTerminal& window, bool locked) {
    window.lockForTransfer(locked);
    if (QPlainTextEdit* terminal = window.textboxTerm()) {
        if (locked)
            terminal->clear();
        terminal->setEnabled(!locked);
    }
}

void SendHostAdapter::lockForTransfer(bool locked) { lockWindowForTransfer(window_, locked); }

QString SendHostAdapter::machineAlias() { return window_.cmbCNC()->currentText(); }

QWidget* SendHostAdapter::mainWindow() { return &window_; }

QString SendHostAdapter::caption() { return window_.windowTitle(); }

void SendHostAdapter::setCaption(const QString& caption) { window_.setWindowTitle(caption); }

bool SendHostAdapter::isMinimized() { return window_.isMinimized(); }

void SendHostAdapter::minimize() { window_.showMinimized(); }

void SendHostAdapter::showNormal() { window_.showNormal(); }

void SendHostAdapter::refreshRecentMenu(const QString& kind) { window_.editor().refreshRecentMenu(kind); }

EditControl* SendHostAdapter::activeEditor() {
    EditorManager* editors = window_.editorManager();
    return editors ? editors->activeEditor() : nullptr;
}

QString SendHostAdapter::activeWindowFile() { return window_.editor().activeWindowFile(); }

QString SendHostAdapter::chooseFile(const QString& title, const QString& purpose) {
    return window_.editor().OpenCNCFile(title, purpose);
}

bool SendHostAdapter::selectMachineByAlias(const QString& alias) {
    const int n = MachineRecord::machineWithAlias(alias);
    if (n == 0)
        return false;
    if (n - 1 != window_.cmbCNC()->currentIndex())
        window_.selectMachine(n - 1);
    return true;
}

void SendHostAdapter::showSelectCNC() { window_.showSelectCNC(); }

void SendHostAdapter::receiveFileToDisk(bool saveAll, const QString& fileName) {
    window_.binaryReceive = false;
    window_.transfers().receiveFileToDisk(saveAll, fileName);
}
