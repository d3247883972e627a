#include "frmTerminal.h"

#include "CompletionList.h"
#include "DialogActions.h"
#include "EditControl.h"
#include "EditorActions.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "ProgramPaths.h"
#include "ProgramQuit.h"
#include "ReceiveHostAdapter.h"
#include "RecentFilesMenu.h"
#include "frmFind.h"
#include "frmMenus.h"
#include "StatusLine.h"
#include "TransferActions.h"
#include "TransferGlobals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

frmTerminal::frmTerminal(QWidget* parent)
    : QMainWindow(parent), transfers_(std::make_unique<TransferActions>(*this)),
      editor_(std::make_unique<EditorActions>(*this)), dialogs_(std::make_unique<DialogActions>(*this)) {
    setObjectName(QStringLiteral("frmTerminal"));
    setWindowTitle(ProgramPaths::appTitle());
    buildCentralArea();
    buildToolBars();
    buildStatusStrip();
    buildMenus();
    connectMenuCommands();
    connectEditor();
    watchPort();
    setStatusbarWriter([this](const QString& message) {
        if (QLabel* status = lblStat(0))
            status->setText(QStringLiteral("  ") + message);
    });
    installKeyPreview();
    attachReceiveSide(*this);
    setQuitProgramHandler([this] { return quitProgram(); });
    resize(px(9900), px(7500));
}

frmTerminal::~frmTerminal() {
    setStatusbarWriter(nullptr);
    setQuitProgramHandler(nullptr);
    // Leaving the program always closes the port, keep-alive or not.
    ::closeComPort(CloseWhen::Always);
    // The receive's temporary file is made at every start; unused, it would pile up.
    const QFileInfo temp(receiveTempFile_);
    if (!receiveTempFile_.isEmpty() && temp.isFile() && temp.size() == 0)
        QFile::remove(receiveTempFile_);
}

void frmTerminal::setTransferActions(std::unique_ptr<TransferActions> actions) {
    if (actions)
        transfers_ = std::move(actions);
}

void frmTerminal::setEditorActions(std::unique_ptr<EditorActions> actions) {
    if (actions)
        editor_ = std::move(actions);
}

void frmTerminal::setDialogActions(std::unique_ptr<DialogActions> actions) {
    if (actions)
        dialogs_ = std::move(actions);
}

int frmTerminal::screenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1024;
}

void frmTerminal::connectEditor() {
    recentMenus_ = new RecentFilesMenu(this, this);
    new CompletionList(editorManager_, client_);
    connect(editorManager_, &EditorManager::captionChanged, this, &QWidget::setWindowTitle);
    connect(editorManager_, &EditorManager::sendWindowEnabledChanged, this, &frmTerminal::setSendWindowEnabled);
    connect(editorManager_, &EditorManager::positionTextChanged, this, [this](const QString& text) {
        // Caret moves must not yield: this is not the status writer's statusbar().
        if (QLabel* status = lblStat(0))
            status->setText(QStringLiteral("  ") + text);
    });
    connect(editorManager_, &EditorManager::menusDisabled, this, &frmTerminal::disableMenus);
    connect(editorManager_, &EditorManager::editorAreaShown, this, [this] { textboxTerm_->setVisible(false); });
    new frmMenus(*this);
}

void frmTerminal::focusActiveEditor() {
    // The control, not its tab page: a page with the focus takes no typing.
    if (EditControl* editor = editorManager_->activeEditor())
        editor->setFocus();
}

// Slow dialogs show the hourglass until they are up.
void frmTerminal::hourglassUntilShown() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QTimer::singleShot(0, qApp, [] { QApplication::restoreOverrideCursor(); });
}

bool frmTerminal::quitProgram() {
    const QScopedValueRollback<bool> asked(quitting_, true);
    if (!close())
        return false;
    // Also leaves the loops of a transfer or a dialog that may be running.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    return true;
}

void frmTerminal::closeEvent(QCloseEvent* event) {
    const bool transferRunning = gPortState != PortIdle || gSending;
    // While a transfer runs only Quit closes the window, and it asks first.
    if (transferRunning &&
        (!quitting_ || msgBox(QStringLiteral("A Transfer Is Still Running.\nStop It And Quit The Program ?"),
                              Msg::YesNo, Msg::Question, QString(), 1) != Msg::AnswerYes)) {
        event->ignore();
        return;
    }
    if (!editorManager_->askToSaveAll()) {
        event->ignore();
        return;
    }
    if (transferRunning) {
        // The running loop sees these at its next yield and cleans up.
        gCancelSend = true;
        gCancelBatch = true;
        gCancelOperation = true;
    }
    // The find box stores its place as it closes; it would not close itself.
    for (frmFind* box : findChildren<frmFind*>())
        box->close();
    QMainWindow::closeEvent(event);
}

bool frmTerminal::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        resizeMyForm();
    } else if (event->type() == QEvent::Resize && SSTab2_->indexOf(qobject_cast<QWidget*>(watched)) >= 0) {
        layoutToolButtons();
    } else if (watched == static_cast<QObject*>(btnToolBar_.value(0)) &&
               (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (gPortState == PortIdle)
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    } else if (watched == static_cast<QObject*>(btnToolBar_.value(0)) && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        btnToolBar_OLEDragDrop(0, drop->mimeData());
        return true;
    } else if (event->type() == QEvent::MouseButtonRelease && lblStat_.contains(qobject_cast<QLabel*>(watched))) {
        lblStat_Click(int(lblStat_.indexOf(qobject_cast<QLabel*>(watched))));
    } else if (event->type() == QEvent::MouseButtonDblClick && LEDBreakout_.contains(qobject_cast<QLabel*>(watched))) {
        LEDBreakout_DblClick(int(LEDBreakout_.indexOf(qobject_cast<QLabel*>(watched))));
    }
    return QMainWindow::eventFilter(watched, event);
}
