#pragma once

#include "PortStatus.h"
#include "ReceiveLeftovers.h"
#include "frmVisibleCNC.h"

#include <QHash>
#include <QMainWindow>
#include <QVector>

#include <functional>
#include <memory>

class DialogActions;
class EditorActions;
class EditorManager;
class RecentFilesMenu;
class PercentBar;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMimeData;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TransferActions;
namespace StartupLoad {
struct Loaded;
}

// The main window: machine selector, the two tool bars, the editor tabs, the
// terminal view, the status strip with its breakout lights. It shows state
// and passes commands on; the transfers, the editor and the settings dialogs
// are reached through the three action classes.
//
// The code is split by role: frmTerminal.cpp (construction, closing),
// frmTerminalLoad.cpp (loading), frmTerminalMachines.cpp (machine list),
// frmTerminalStatus.cpp (status strip), frmTerminalMenus.cpp (menus and
// locking), frmTerminalToolBars.cpp (tool bars, file drop, layout),
// frmTerminalKeys.cpp (keyboard commands).
class frmTerminal : public QMainWindow {
    Q_OBJECT
public:
    explicit frmTerminal(QWidget* parent = nullptr);
    ~frmTerminal() override;

    // Loading: shared values, migrations, the machine list, the first-run
    // set-up, display settings. False when the program must end instead.
    // A `hidden` start (the command line) waits on no window.
    bool Form_Load(bool hidden = false);

    // Call points into the other subsystems; replaceable so that the
    // subsystems (and tests) can take them over.
    TransferActions& transfers() const { return *transfers_; }
    EditorActions& editor() const { return *editor_; }
    DialogActions& dialogs() const { return *dialogs_; }
    void setTransferActions(std::unique_ptr<TransferActions> actions);
    void setEditorActions(std::unique_ptr<EditorActions> actions);
    void setDialogActions(std::unique_ptr<DialogActions> actions);

    // Controls the other parts of the program work with.
    QComboBox* cmbCNC() const { return cmbCNC_; }
    QComboBox* cmbCNCVisible() const { return cmbCNCVisible_; }
    QTabWidget* SSTab1() const { return SSTab1_; }
    QTabWidget* SSTab2() const { return SSTab2_; }
    QPlainTextEdit* textboxTerm() const { return textboxTerm_; }
    QPushButton* btnToolBar(int index) const { return btnToolBar_.value(index); }
    QPushButton* btnToolBar2(int index) const { return btnToolBar2_.value(index); }
    QLabel* lblStat(int index) const { return lblStat_.value(index); }
    QLabel* LEDBreakout(int index) const { return LEDBreakout_.value(index); }
    QWidget* xPercent() const { return xPercent_; }
    // The XON and XOFF buttons near the bottom right; their click does nothing.
    QPushButton* cmdFlow(int index) const { return cmdFlow_.value(index); }
    PercentBar* toolsPicture() const { return toolsPicture_; }
    QWidget* statusStrip() const { return picStatus_; }
    // A menu item or menu by its name, e.g. "mnuSendAFile1" or "mnuDebug(2)".
    QAction* menuItem(const QString& name) const { return items_.value(name); }
    EditorManager* editorManager() const { return editorManager_; }
    RecentFilesMenu* recentMenus() const { return recentMenus_; }

    // Values of the running transfers that belong to the main window.
    bool binaryReceive = false; // true only for a receive started by "Receive Binary"
    QString sendFileName;
    qint64 receivedByteCount = 0;

    // Machine list.
    void loadMachineList(const MachineList& machines);
    void seedVisibleCNC();
    // Makes the selected machine current; its port is opened as its keep-alive
    // says, or with `takePort` false only the port held so far is closed.
    void clickCNC_COMBO(bool takePort = true);
    void selectMachine(int position, bool takePort = true); // entry of cmbCNC; makes it current
    void selectVisibleMachine(int row);   // entry of cmbCNCVisible; makes it current
    MachineList machineList() const;
    void applyVisibility(const QVector<bool>& ticked);
    void showSelectCNC();
    void showVisibleCNC(bool firstRun);
    // On the program's first run, asks once which machines to show. A hidden
    // load leaves it to the start that shows the window.
    void firstRunVisibility();
    int findFirstVisibleTab() const;
    // After the machine settings dialog saved the current machine.
    void afterMachineSettingsSaved();

    // Status strip.
    void statusbar(const QString& message);
    void UpdateStatus(QWidget* picture, double percent, bool keepEnds = false);
    void UpdatePos(int windowIndex);
    void lblStat_Click(int index);
    void LEDBreakout_DblClick(int index);

    // Menu and button state.
    void disableMenus(bool disable);
    void receivingMenuStatus(bool enable);
    void disableDuringSeq(bool busy);
    void resetMainButtons(bool enable);
    void setSendheaderMenus();
    // The whole window locked for a transfer, or back to idle.
    void lockForTransfer(bool locked);
    // The keyboard to the active editor window, after a command or a window
    // that had it.
    void focusActiveEditor();
    // A command runs only while its item and every menu above it are enabled.
    bool commandAllowed(const QAction* item) const;
    void UpdateCapitaliseText(bool on);

    // Tool bars.
    void btnToolBar_Click(int index);
    void btnToolBar2_Click(int index);
    void btnToolBar_OLEDragDrop(int index, const QMimeData* data);

    // Layout.
    void setIconLocation();
    void setIconLocation(int screenWidthPixels);
    // The tool-bar sizes and breakout lights for a screen this wide (small at 640 and less).
    void layoutForScreen(int screenWidthPixels);
    void resizeMyForm();
    static int screenWidth();
    // 15 twips to the pixel; a stored size of any length does not overflow.
    static int px(int twips) { return int((qint64(twips) * 2 + 15) / 30); }

    // Keyboard commands; true when the key was used.
    bool Form_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The tools-progress box's Cancel.
    void Command1_Click();
    // Close File: closes the active window; the caption is the bare title after the last.
    void mnuClose_Click();

    // Quit (F8, both Quit buttons, the menu, and ::quitProgram for the rest of
    // the program): the window's close path, which asks about a running
    // transfer and the save question for each modified editor window. False
    // when the user kept the program running.
    bool quitProgram();

public Q_SLOTS:
    void showPortLines(const PortLines& lines);
    // The "Window" button and its menu item follow whether there is text to send.
    void setSendWindowEnabled(bool enabled);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCentralArea();
    void connectEditor();
    void watchPort();
    void buildToolBars();
    void buildStatusStrip();
    void buildMenus();
    void connectMenuCommands();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption, const QString& shortcut = QString());
    QMenu* addMenu(QMenu* parent, const QString& name, const QString& caption);
    void onCommand(const QString& name, std::function<void()> handler);
    void setTopMenusEnabled(bool enabled, bool includeDebug, bool includeHelp);
    static bool hasNoAction(const QString& name); // an item greyed for good
    void layoutToolButtons();
    void layoutFlowButtons();
    void keepOnScreen(int topAllowance);
    void findBoxFollowsWindow();
    void installKeyPreview();
    void hourglassUntilShown();
    void showMachineName(const QString& alias);
    void keepMachinePort();

    // Loading steps.
    void tidyReceiveLeftovers();
    void loadFont(const StartupLoad::Loaded& loaded);
    void loadColours();
    void loadWindowSize();
    void applyScreenSize();
    void translateMenuBarItems();

    // Menu rules.
    void mnuSaveAs_Click();
    void mnuMerge_Click();
    void mnuClear_Click();
    QString recentPath(const QString& name) const;
    void mnuRecentFile_Click(int n);
    void mnuRecentSentFile_Click(int n);
    void mnuRecentReceiveFile_Click(int n);
    void mnuBinaryChunk_Click(int index);
    void mnuDebug_Click(int index);
    void mnuPaste_Click();
    void showPropertiesChecked();
    void showHelpPage();

    std::unique_ptr<TransferActions> transfers_;
    std::unique_ptr<EditorActions> editor_;
    std::unique_ptr<DialogActions> dialogs_;

    EditorManager* editorManager_ = nullptr;
    RecentFilesMenu* recentMenus_ = nullptr;
    QWidget* client_ = nullptr;
    QWidget* ssSpacerTop_ = nullptr;
    QWidget* picMenuBar_ = nullptr;
    QTabWidget* SSTab2_ = nullptr;
    QTabWidget* SSTab1_ = nullptr;
    QPlainTextEdit* textboxTerm_ = nullptr;
    QWidget* picStatus_ = nullptr;
    QComboBox* cmbCNC_ = nullptr;
    QComboBox* cmbCNCVisible_ = nullptr;
    QWidget* xPercent_ = nullptr;
    PercentBar* toolsPicture_ = nullptr;
    QVector<QPushButton*> btnToolBar_;
    QVector<QPushButton*> btnToolBar2_;
    QVector<QPushButton*> cmdFlow_;
    QVector<QLabel*> lblStat_;
    QVector<QLabel*> LEDBreakout_;
    QHash<QString, QAction*> items_;
    QStringList topMenus_;

    int buttonWidthTwips_ = 1450;
    int buttonHeightTwips_ = 900;
    int panelWidthTwips_ = 1650; // the tool-bar panel picMenuBar
    int toolTabWidthTwips_ = 1545;
    bool quitting_ = false;
    QString receiveTempFile_;
    QStringList namedSettings_; // impossible settings already named this run
    ReceiveLeftovers::RunLock runLock_;
    bool findBoxHiddenByMinimise_ = false;
    bool firstRunChoicePending_ = false;
    bool breakLightsOn_ = false; // BRK, FRM and PAR as the port last set them
};
