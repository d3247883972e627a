#include "frmTerminal.h"

#include "EditorManager.h"

#include "DialogActions.h"
#include "EditorActions.h"
#include "EditorGlobals.h"
#include "FileStuff.h"
#include "Help.h"
#include "IniStorage.h"
#include "Login.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PercentBar.h"
#include "QueuedCommand.h"
#include "SettingsGlobals.h"
#include "TransferActions.h"
#include "TransferGlobals.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {
const char* const kTopMenus[] = {"mnuFileHeader", "mnuEditheader",     "mnuWizard",     "mnuSendHeader", "mnuReceiveHeader",
                                 "mnuAnalyzeHeader", "mnuToolsheader", "mnuSettings", "mnuAboutHeader"};
const char* const kChunkCaptions[] = {"In 32 Byte Chunks",   "In 64 Byte Chunks",   "In 128 Byte Chunks",
                                      "In 256 Byte Chunks",  "In 512 Byte Chunks",  "In 1024 Byte Chunks",
                                      "In 2048 Byte Chunks", "In 4096 Byte Chunks", "In 8192 Byte Chunks"};
const char* const kDebugCaptions[] = {"Debug Characters 0-31", "Show All Characters As Is", "Show End-Of-Blocks",
                                      "Show With Best EOB", "Debug All Characters"};
const char* const kToolCaptions[] = {"&Resequence File",  "&Desequence File",    "&Insert Spaces",
                                     "&Remove Spaces",    "&Remove Blank Lines", "&Trim Lines"};

// Items that have no command: they keep their captions but stay greyed, and
// no locking or unlocking of the menus enables them. (DNC Wizard, a top-level
// entry without a command, is greyed only while the other menus are.)
const char* const kNoAction[] = {"mnuFindFile",     "mnuSync",         "mnuWildcard",        "mnuSendRepeat",
                                 "mnuFindFile2",    "mnuScheduler",    "mnuTransform",       "mnuReseqOptions",
                                 "mnuReformatOptions", "mnuSysInfo",   "mnuChangePassword"};

QString arrayName(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }
} // namespace

QAction* frmTerminal::addItem(QMenu* menu, const QString& name, const QString& caption, const QString& shortcut) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    if (!shortcut.isEmpty())
        item->setShortcut(QKeySequence(shortcut));
    items_.insert(name, item);
    return item;
}

QMenu* frmTerminal::addMenu(QMenu* parent, const QString& name, const QString& caption) {
    QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    items_.insert(name, menu->menuAction());
    return menu;
}

void frmTerminal::buildMenus() {
    auto recent = [this](QMenu* menu, const char* name) {
        for (int n = 1; n <= 4; ++n)
            addItem(menu, arrayName(name, n), QStringLiteral("RecentFile%1").arg(n))->setVisible(n == 1);
    };
    // A top-level entry that is a command of its own rather than a menu.
    auto addTopItem = [this](const QString& name, const QString& caption) {
        QAction* item = menuBar()->addAction(caption);
        item->setObjectName(name);
        items_.insert(name, item);
    };

    QMenu* file = addMenu(nullptr, QStringLiteral("mnuFileHeader"), QStringLiteral("&File"));
    addItem(file, QStringLiteral("mnuNew"), QStringLiteral("&Create A New File"), QStringLiteral("Ctrl+N"));
    addItem(file, QStringLiteral("mnuOpen"), QStringLiteral("&Open File"), QStringLiteral("F9"));
    addItem(file, QStringLiteral("mnuSave"), QStringLiteral("&Save File"), QStringLiteral("Ctrl+S"));
    addItem(file, QStringLiteral("mnuSaveAs"), QStringLiteral("Save &As"));
    addItem(file, QStringLiteral("mnuClose"), QStringLiteral("&Close File"));
    file->addSeparator();
    addItem(file, QStringLiteral("mnuFindFile"), QStringLiteral("&Find File"));
    addItem(file, QStringLiteral("mnuMerge"), QStringLiteral("&Merge Several Files Into One"));
    addItem(file, QStringLiteral("mnuFC"), QStringLiteral("File Compa&re"));
    addItem(file, QStringLiteral("mnuSync"), QStringLiteral("S&ynchronize Send/Receive Files"));
    file->addSeparator();
    addItem(file, QStringLiteral("mnuPrint(0)"), QStringLiteral("&Print In B&&W"), QStringLiteral("Ctrl+P"));
    addItem(file, QStringLiteral("mnuPrint(1)"), QStringLiteral("&Print In Color"));
    addItem(file, QStringLiteral("mnuPrinterSetup"), QStringLiteral("Printer &Setup"));
    file->addSeparator();
    addItem(file, QStringLiteral("mnuRecentlyOpenHeader"), QStringLiteral("Recently Opened Files"))->setVisible(false);
    recent(file, "mnuRecentFile");
    addItem(file, QStringLiteral("mnuClear"), QStringLiteral("&Clear Recently Opened Files List"));
    file->addSeparator();
    addItem(file, QStringLiteral("mnuQuitProgram"), QStringLiteral("Quit Program"), QStringLiteral("F8"));

    QMenu* edit = addMenu(nullptr, QStringLiteral("mnuEditheader"), QStringLiteral("&Edit"));
    addItem(edit, QStringLiteral("mnuCut"), QStringLiteral("&Cut"), QStringLiteral("Ctrl+X"));
    addItem(edit, QStringLiteral("mnuCopy"), QStringLiteral("&Copy"), QStringLiteral("Ctrl+C"));
    addItem(edit, QStringLiteral("mnuPaste"), QStringLiteral("&Paste"), QStringLiteral("Ctrl+V"));
    addItem(edit, QStringLiteral("mnuUndo"), QStringLiteral("&Undo"), QStringLiteral("Ctrl+Z"));
    addItem(edit, QStringLiteral("mnuRedo"), QStringLiteral("&Redo"));
    edit->addSeparator();
    addItem(edit, QStringLiteral("mnuFind(0)"), QStringLiteral("&Find"), QStringLiteral("Ctrl+F"));
    addItem(edit, QStringLiteral("mnuFind(1)"), QStringLiteral("&Replace"), QStringLiteral("Ctrl+H"));
    addItem(edit, QStringLiteral("mnuWildcard"), QStringLiteral("&Pattern Match"), QStringLiteral("Ctrl+W"));
    addItem(edit, QStringLiteral("mnuSelectall"), QStringLiteral("Select All"), QStringLiteral("Ctrl+A"));
    addItem(edit, QStringLiteral("mnuCapitalise2"), QStringLiteral("&Use Capital Letters"))->setCheckable(true);

    addTopItem(QStringLiteral("mnuWizard"), QStringLiteral("DNC Wi&zard"));

    QMenu* send = addMenu(nullptr, QStringLiteral("mnuSendHeader"), QStringLiteral("&Sending To CNC"));
    addItem(send, QStringLiteral("mnuSendAFile1"), QStringLiteral("&Send To CNC"), QStringLiteral("F2"));
    addItem(send, QStringLiteral("mnuSendWindow1"), QStringLiteral("&Send Whats In The Editor Window To CNC"),
            QStringLiteral("F3"));
    recent(addMenu(send, QStringLiteral("mnuLastFile"), QStringLiteral("Recently Sent Files")), "mnuRecentSentFile");
    addItem(send, QStringLiteral("mnuSendRepeat"), QStringLiteral("Send With Repeat Count"), QStringLiteral("Ctrl+R"));
    addItem(send, QStringLiteral("mnuFindFile2"), QStringLiteral("&Find File And Send To CNC"));
    addItem(send, QStringLiteral("mnuRestart"), QStringLiteral("Restart After Toolbrea&k"), QStringLiteral("Ctrl+T"));
    QMenu* binary = addMenu(send, QStringLiteral("mnuBinaryHeader"), QStringLiteral("Send Binary"));
    for (int i = 0; i < 9; ++i)
        addItem(binary, arrayName("mnuBinaryChunk", i), QString::fromLatin1(kChunkCaptions[i]))->setCheckable(true);
    addItem(send, QStringLiteral("mnuScheduler"), QStringLiteral("&Queue Files"), QStringLiteral("Ctrl+Q"));
    QMenu* ftp = addMenu(send, QStringLiteral("mnuFTP"), QStringLiteral("Send Using FTP"));
    addItem(ftp, QStringLiteral("mnuFTPSub(0)"), QStringLiteral("Window"), QStringLiteral("Shift+F2"));
    addItem(ftp, QStringLiteral("mnuFTPSub(1)"), QStringLiteral("Select Files"), QStringLiteral("Shift+F3"));
    send->addSeparator();
    addItem(send, QStringLiteral("mnuSwapCNC1"), QStringLiteral("&Change To A Different CNC"), QStringLiteral("F5"));
    addItem(send, QStringLiteral("mnuCNCProperties1"), QStringLiteral("&Change CNC Properties"), QStringLiteral("F6"));
    addItem(send, QStringLiteral("mnuHide1"), QStringLiteral("&Hide Or Reveal Available CNC"));
    addItem(send, QStringLiteral("mnuCopyDNC"), QStringLiteral("&Copy DNC settings to another CNC"));
    addItem(send, QStringLiteral("mnuLog1"), QStringLiteral("View DNC Transfer Log"));

    QMenu* receive = addMenu(nullptr, QStringLiteral("mnuReceiveHeader"), QStringLiteral("&Receiving From CNC"));
    addItem(receive, QStringLiteral("mnuReceive1"), QStringLiteral("&Receive A File To Disk"), QStringLiteral("F4"));
    recent(addMenu(receive, QStringLiteral("mnuRecentReceiveFileHeader"), QStringLiteral("Recently Received Files")),
           "mnuRecentReceiveFile");
    addItem(receive, QStringLiteral("mnuReceiveAll"), QStringLiteral("&Receive All From CNC"));
    addItem(receive, QStringLiteral("mnuReceiveBinary"), QStringLiteral("Receive Binary"));
    addItem(receive, QStringLiteral("mnuFTPReceive"), QStringLiteral("Receive Using FTP"), QStringLiteral("Shift+F4"));
    receive->addSeparator();
    addItem(receive, QStringLiteral("mnuSwapCNC2"), QStringLiteral("&Change To A Different CNC"));
    addItem(receive, QStringLiteral("mnuCNCProperties2"), QStringLiteral("&Change CNC Properties"));
    addItem(receive, QStringLiteral("mnuHide2"), QStringLiteral("&Hide Or Reveal Available CNC"));
    addItem(receive, QStringLiteral("mnuCopyDNC2"), QStringLiteral("&Copy DNC settings to another CNC"));
    addItem(receive, QStringLiteral("mnuLog2"), QStringLiteral("View DNC Transfer Log"));

    QMenu* debug = addMenu(nullptr, QStringLiteral("mnuAnalyzeHeader"), QStringLiteral("&Debug Window"));
    addItem(debug, QStringLiteral("mnuOpenDebug"), QStringLiteral("&Open Debug"), QStringLiteral("F7"));
    addItem(debug, QStringLiteral("mnuClearTerminal"), QStringLiteral("Clear Debug"))->setEnabled(false);
    debug->addSeparator();
    for (int i = 0; i < 5; ++i) {
        QAction* view = addItem(debug, arrayName("mnuDebug", i), QString::fromLatin1(kDebugCaptions[i]));
        view->setCheckable(true);
        view->setEnabled(false);
    }

    QMenu* tools = addMenu(nullptr, QStringLiteral("mnuToolsheader"), QStringLiteral("&Tools"));
    for (int i = 0; i < 6; ++i)
        addItem(tools, arrayName("mnuTools", i), QString::fromLatin1(kToolCaptions[i]));
    tools->addSeparator();
    addItem(tools, QStringLiteral("mnuTransform"), QStringLiteral("&Axis Transformation"));
    addItem(tools, QStringLiteral("mnuReformat"), QStringLiteral("&Reformat NC Code"));
    addItem(tools, QStringLiteral("mnuSplit"), QStringLiteral("Split &Files"));
    addItem(tools, QStringLiteral("mnuCapitalise"), QStringLiteral("Capitalize"));
    addItem(tools, QStringLiteral("mnuReverse"), QStringLiteral("Re&verse Capitals"));
    addItem(tools, QStringLiteral("mnuOffsets"), QStringLiteral("Change Offsets"))->setVisible(false);
    tools->addSeparator();
    addItem(tools, QStringLiteral("mnuReseqOptions"), QStringLiteral("Re&sequencing Options"));
    addItem(tools, QStringLiteral("mnuReformatOptions"), QStringLiteral("Reformat Options"));
    addItem(tools, QStringLiteral("mnuIntelli"), QStringLiteral("IntelliCode"));

    QMenu* settings = addMenu(nullptr, QStringLiteral("mnuSettings"), QStringLiteral("&Settings"));
    addItem(settings, QStringLiteral("mnuSystemSettings"), QStringLiteral("S&ystem Settings"));
    addItem(settings, QStringLiteral("mnuLanguage"), QStringLiteral("Language Setup"));
    addItem(settings, QStringLiteral("mnuSysInfo"), QStringLiteral("Comm Logging"));
    addItem(settings, QStringLiteral("mnuChangePassword"), QStringLiteral("Change Password"));

    addTopItem(QStringLiteral("mnuAboutHeader"), QStringLiteral("&Help"));

    for (const char* name : kNoAction)
        items_.value(QLatin1String(name))->setEnabled(false);
}

bool frmTerminal::hasNoAction(const QString& name) {
    for (const char* n : kNoAction)
        if (name == QLatin1String(n))
            return true;
    return false;
}

void frmTerminal::onCommand(const QString& name, std::function<void()> handler) {
    QAction* item = items_.value(name);
    if (!item)
        return;
    connect(item, &QAction::triggered, this, [this, item, handler = std::move(handler)] {
        runQueued(this, [this, item, handler] {
            if (commandAllowed(item)) {
                handler();
            } else if (item->isCheckable()) {
                item->setChecked(!item->isChecked()); // a refused command leaves its tick alone
            }
        });
    });
}

bool frmTerminal::commandAllowed(const QAction* item) const {
    if (!item || !item->isEnabled() || !isEnabled())
        return false;
    for (QObject* o = item->parent(); o; o = o->parent()) {
        if (auto* menu = qobject_cast<QMenu*>(o)) {
            if (!menu->isEnabled() || !menu->menuAction()->isEnabled())
                return false;
        } else if (auto* bar = qobject_cast<QMenuBar*>(o)) {
            return bar->isEnabled();
        }
    }
    return true;
}

void frmTerminal::connectMenuCommands() {
    auto menuOf = [this](const char* name) { return items_.value(QLatin1String(name))->menu(); };
    connect(menuOf("mnuFileHeader"), &QMenu::aboutToShow, this, [this] { editor_->setMenus(); });
    connect(menuOf("mnuEditheader"), &QMenu::aboutToShow, this, [this] { editor_->setMenus(); });
    connect(menuOf("mnuSendHeader"), &QMenu::aboutToShow, this, &frmTerminal::setSendheaderMenus);
    connect(menuOf("mnuFTP"), &QMenu::aboutToShow, this,
            [this] { menuItem(QStringLiteral("mnuFTPSub(0)"))->setEnabled(btnToolBar_[1]->isEnabled()); });

    auto on = [this](const char* name, std::function<void()> handler) {
        onCommand(QLatin1String(name), std::move(handler));
    };
    on("mnuNew", [this] { editor_->openFileInNewWindow(QString()); });
    on("mnuOpen", [this] { editor_->openFileIntoWindow(); });
    on("mnuSave", [this] { editor_->saveWindowToFile(); });
    on("mnuSaveAs", [this] { editor_->saveAs(); });
    on("mnuClose", [this] { mnuClose_Click(); });
    on("mnuMerge", [this] { mnuMerge_Click(); });
    on("mnuFC", [this] { editor_->compareFiles(); });
    on("mnuPrint(0)", [this] { editor_->printWindow(false); });
    on("mnuPrint(1)", [this] { editor_->printWindow(true); });
    on("mnuPrinterSetup", [this] {
        QCoreApplication::processEvents();
        editor_->printerSetup();
    });
    for (int n = 1; n <= 4; ++n) {
        onCommand(arrayName("mnuRecentFile", n), [this, n] { mnuRecentFile_Click(n); });
        onCommand(arrayName("mnuRecentSentFile", n), [this, n] { mnuRecentSentFile_Click(n); });
        onCommand(arrayName("mnuRecentReceiveFile", n), [this, n] { mnuRecentReceiveFile_Click(n); });
    }
    on("mnuClear", [this] { mnuClear_Click(); });
    on("mnuQuitProgram", [this] { quitProgram(); });

    on("mnuCut", [this] { editor_->cut(); });
    on("mnuCopy", [this] { editor_->copy(); });
    on("mnuPaste", [this] { mnuPaste_Click(); });
    on("mnuUndo", [this] { editor_->undo(); });
    on("mnuRedo", [this] { editor_->redo(); });
    on("mnuFind(0)", [this] { editor_->showFindBox(0); });
    on("mnuFind(1)", [this] { editor_->showFindBox(1); });
    on("mnuSelectall", [this] { editor_->selectAll(); });
    on("mnuCapitalise2", [this] { UpdateCapitaliseText(menuItem(QStringLiteral("mnuCapitalise2"))->isChecked()); });

    on("mnuSendAFile1", [this] {
        binaryReceive = false;
        transfers_->sendFromDisk(true);
    });
    on("mnuSendWindow1", [this] {
        binaryReceive = false;
        transfers_->sendFromWindow();
    });
    on("mnuRestart", [this] { transfers_->safeRestart(); });
    for (int i = 0; i < 9; ++i)
        onCommand(arrayName("mnuBinaryChunk", i), [this, i] { mnuBinaryChunk_Click(i); });
    on("mnuFTPSub(0)", [this] { transfers_->ftpSend(0); });
    on("mnuFTPSub(1)", [this] { transfers_->ftpSend(1); });
    for (const char* name : {"mnuSwapCNC1", "mnuSwapCNC2"})
        on(name, [this] { showSelectCNC(); });
    for (const char* name : {"mnuCNCProperties1", "mnuCNCProperties2"})
        on(name, [this] { showPropertiesChecked(); });
    for (const char* name : {"mnuHide1", "mnuHide2"})
        on(name, [this] {
            if (checkLogin())
                showVisibleCNC(false);
        });
    for (const char* name : {"mnuCopyDNC", "mnuCopyDNC2"})
        on(name, [this] {
            if (checkLogin())
                dialogs_->showCopyDNC();
        });
    for (const char* name : {"mnuLog1", "mnuLog2"})
        on(name, [this] { transfers_->viewLog(); });

    on("mnuReceive1", [this] {
        binaryReceive = false;
        transfers_->receiveFileToDisk(false, QString());
    });
    on("mnuReceiveAll", [this] {
        binaryReceive = false;
        transfers_->receiveFileToDisk(true, QString());
    });
    on("mnuReceiveBinary", [this] {
        binaryReceive = true;
        transfers_->receiveFileToDisk(false, QString());
    });
    on("mnuFTPReceive", [this] { transfers_->ftpReceive(); });

    on("mnuOpenDebug", [this] { transfers_->openTerminalWindow(); });
    on("mnuClearTerminal", [this] {
        textboxTerm_->clear();
        receivedByteCount = 0;
    });
    for (int i = 0; i < 5; ++i)
        onCommand(arrayName("mnuDebug", i), [this, i] { mnuDebug_Click(i); });

    for (int i = 0; i < 6; ++i)
        onCommand(arrayName("mnuTools", i), [this, i] { editor_->clickToolsMenu(i); });
    on("mnuReformat", [this] { editor_->reformatNCText(); });
    on("mnuSplit", [this] { editor_->splitFile(); });
    on("mnuCapitalise", [this] { editor_->capitalise(); });
    on("mnuReverse", [this] { editor_->reverseCapitals(); });
    on("mnuIntelli", [this] { editor_->showIntelli(); });

    on("mnuSystemSettings", [this] {
        if (!checkLogin())
            return;
        hourglassUntilShown();
        dialogs_->showSystemSettings();
    });
    on("mnuLanguage", [this] {
        if (checkLogin())
            dialogs_->showButtonSetup();
    });
    on("mnuAboutHeader", [this] { showHelpPage(); });
}

void frmTerminal::showPropertiesChecked() {
    if (!checkLogin())
        return;
    hourglassUntilShown();
    QCoreApplication::processEvents();
    dialogs_->showProperties();
}

void frmTerminal::showHelpPage() { showHelpOrSay(objectName() + QStringLiteral(".htm")); }

void frmTerminal::mnuMerge_Click() {
    gDialogResult.clear();
    editor_->hideFindBox();
    const QString merged = editor_->showMerge();
    if (gDialogResult.isEmpty())
        return;
    transfers_->sendTextBlock(gDialogResult, false, merged);
}

void frmTerminal::mnuClear_Click() { editor_->clearRecentOpenList(); }

// The file a recent-file entry names: its data when the list filler set one,
// else its caption. Empty for an "(Empty)" slot.
QString frmTerminal::recentPath(const QString& name) const {
    const QAction* item = menuItem(name);
    if (!item)
        return QString();
    const QVariant data = item->data();
    const QString path = data.isValid() ? data.toString() : item->text();
    return path == QLatin1String("(Empty)") ? QString() : path;
}

void frmTerminal::mnuRecentFile_Click(int n) {
    const QString path = recentPath(arrayName("mnuRecentFile", n));
    if (path.isEmpty())
        return;
    if (!fileExists(path)) {
        msgBox(path + QStringLiteral(" Does Not Exist"), Msg::Ok, Msg::Critical);
        return;
    }
    editor_->fileAlreadyOpen(path);
    editor_->refreshRecentOpen();
}

void frmTerminal::mnuRecentSentFile_Click(int n) {
    QCoreApplication::processEvents();
    const QString path = recentPath(arrayName("mnuRecentSentFile", n));
    // An empty slot of the list names no file.
    if (path.isEmpty())
        return;
    if (editor_->notValidDrive(path)) {
        msgBox(QStringLiteral("Can't Access The Drive Of File ") + path, Msg::Ok, Msg::Critical);
        return;
    }
    if (!fileExists(path)) {
        msgBox(path + QStringLiteral(" Does Not Exist"), Msg::Ok, Msg::Critical);
        return;
    }
    if (editor_->activeWindowFile() == path)
        transfers_->sendTextBlock(path, true);
    else
        transfers_->sendFileNoWindow(path);
}

void frmTerminal::mnuRecentReceiveFile_Click(int n) {
    binaryReceive = false;
    const QString path = recentPath(arrayName("mnuRecentReceiveFile", n));
    if (!path.isEmpty())
        transfers_->receiveFileToDisk(false, path);
}

void frmTerminal::mnuBinaryChunk_Click(int index) {
    const int chunk = 32 << index;
    writeIni(gCurrentMachineSection, QStringLiteral("BinaryChunk"), index);
    setSendheaderMenus();
    sendFileName = editor_->OpenCNCFile(QStringLiteral("Send Binary File To ") + cmbCNC_->currentText(),
                                        QStringLiteral("SendDirectory"));
    if (!sendFileName.isEmpty())
        transfers_->sendBinary(QStringLiteral("BINARY") + sendFileName, chunk);
}

void frmTerminal::mnuDebug_Click(int index) {
    for (int i = 0; i < 5; ++i)
        menuItem(arrayName("mnuDebug", i))->setChecked(i == index);
    gDebugMode = index;
}

void frmTerminal::mnuPaste_Click() {
    // The editor has pasted already when Ctrl+V reached it.
    if (gPastePending) {
        gPastePending = false;
        return;
    }
    editor_->paste();
}

void frmTerminal::UpdateCapitaliseText(bool on) {
    writeIni(QStringLiteral("Settings"), QStringLiteral("Capitalise"), on ? QStringLiteral("True") : QStringLiteral("False"));
    menuItem(QStringLiteral("mnuCapitalise2"))->setChecked(on);
    editorManager_->setCapitalising(on);
}

void frmTerminal::setSendheaderMenus() {
    const int chosen = MachineRecord::currentInt(QStringLiteral("BinaryChunk"));
    for (int i = 0; i < 9; ++i)
        menuItem(arrayName("mnuBinaryChunk", i))->setChecked(i == chosen);
    QCoreApplication::processEvents();
}

void frmTerminal::setTopMenusEnabled(bool enabled, bool includeDebug, bool includeHelp) {
    for (const char* name : kTopMenus) {
        const QString n = QLatin1String(name);
        if ((n == QLatin1String("mnuAnalyzeHeader") && !includeDebug) || (n == QLatin1String("mnuAboutHeader") && !includeHelp))
            continue;
        QAction* item = items_.value(n);
        item->setEnabled(enabled && !hasNoAction(n));
        if (QMenu* menu = item->menu())
            menu->setEnabled(enabled);
    }
}

void frmTerminal::disableMenus(bool disable) {
    setTopMenusEnabled(!disable, false, false);
    // The debug window can always be closed again.
    const bool debug = !disable || gPortState == PortTerminal;
    items_.value(QStringLiteral("mnuAnalyzeHeader"))->setEnabled(debug);
    items_.value(QStringLiteral("mnuAnalyzeHeader"))->menu()->setEnabled(debug);
    menuItem(QStringLiteral("mnuClearTerminal"))->setEnabled(disable);
    for (int i = 0; i < 5; ++i)
        menuItem(arrayName("mnuDebug", i))->setEnabled(disable);
}

void frmTerminal::receivingMenuStatus(bool enable) { setTopMenusEnabled(enable, true, true); }

void frmTerminal::disableDuringSeq(bool busy) {
    setTopMenusEnabled(!busy, true, true);
    SSTab2_->setEnabled(!busy);
    cmbCNCVisible_->setEnabled(!busy);
    if (QWidget* page = SSTab1_->currentWidget())
        page->setEnabled(!busy);
    toolsPicture_->clear();
    xPercent_->raise();
    resizeMyForm();
    xPercent_->setVisible(busy);
    // Disabling the text and hiding the box took the keyboard from it.
    if (!busy)
        focusActiveEditor();
}

void frmTerminal::resetMainButtons(bool enable) {
    for (int i = 0; i < btnToolBar_.size(); ++i)
        if (i != 5)
            btnToolBar_[i]->setEnabled(enable);
}

void frmTerminal::setSendWindowEnabled(bool enabled) {
    btnToolBar_[1]->setEnabled(enabled);
    menuItem(QStringLiteral("mnuSendWindow1"))->setEnabled(enabled);
}

void frmTerminal::lockForTransfer(bool locked) {
    SSTab1_->setEnabled(!locked);
    disableMenus(locked);
    picMenuBar_->setEnabled(!locked);
    cmbCNCVisible_->setEnabled(!locked);
}
