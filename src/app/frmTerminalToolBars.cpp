#include "frmTerminal.h"

#include "DialogActions.h"
#include "EditorActions.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileStuff.h"
#include "Login.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PercentBar.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"
#include "TransferActions.h"
#include "TransferGlobals.h"
#include "frmFind.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {
struct ButtonText {
    const char* caption;
    const char* tip;
};

const ButtonText kDncBar[] = {
    {"Send", "Send A File From Disk To Your CNC Machine: F2"},
    {"Window", "Send A File From The Editor Window To Your CNC Machine : F3"},
    {"Receive", "Receive A File From Your CNC Machine : F4"},
    {"Select CNC", "Select CNC machine : F5"},
    {"CNC Settings", "Set CNC Properties : F6"},
    {"Open Debug", "Open CNC Debug Window : F7"},
    {"Quit", "Quit Program : F8"},
};

const ButtonText kEditorBar[] = {
    {"New", "Create A New File"},        {"Open", "Open Existing File F9"},
    {"Save", "Save File"},               {"Close", "Close File"},
    {"Find", "Find In  File"},           {"Print In B&&W", "Print In Black & White"},
    {"Quit", "Quit Program : F8"},
};
} // namespace

void frmTerminal::buildCentralArea() {
    client_ = new QWidget(this);
    setCentralWidget(client_);
    client_->installEventFilter(this);

    ssSpacerTop_ = new QWidget(client_);
    ssSpacerTop_->setObjectName(QStringLiteral("ssSpacerTop"));
    picMenuBar_ = new QWidget(client_);
    picMenuBar_->setObjectName(QStringLiteral("picMenuBar"));
    SSTab2_ = new QTabWidget(picMenuBar_);
    SSTab2_->setObjectName(QStringLiteral("SSTab2"));
    // Both page tabs must show in the narrow column, without scroll arrows.
    SSTab2_->setUsesScrollButtons(false);
    SSTab2_->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 5px; border: 1px solid palette(mid); border-bottom: none;"
        " border-top-left-radius: 3px; border-top-right-radius: 3px; background: palette(button); }"
        " QTabBar::tab:selected { background: palette(window); }"));

    editorManager_ = new EditorManager(this);
    SSTab1_ = editorManager_->tabWidget();
    SSTab1_->setParent(client_);
    SSTab1_->setVisible(true);

    textboxTerm_ = new QPlainTextEdit(client_);
    textboxTerm_->setObjectName(QStringLiteral("textboxTerm"));
    textboxTerm_->setReadOnly(true);
    textboxTerm_->setVisible(false);

    // The tools-progress box, shown while a text tool runs.
    auto* box = new QGroupBox(client_);
    box->setObjectName(QStringLiteral("xPercent"));
    auto* running = new QLabel(QStringLiteral(" Working..."), box);
    running->setObjectName(QStringLiteral("lblToolsRunning"));
    toolsPicture_ = new PercentBar(box);
    toolsPicture_->setFixedSize(292, 20);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), box);
    cancel->setObjectName(QStringLiteral("Command1"));
    connect(cancel, &QPushButton::clicked, this, &frmTerminal::Command1_Click);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(running);
    boxLayout->addWidget(toolsPicture_);
    boxLayout->addWidget(cancel, 0, Qt::AlignHCenter);
    box->adjustSize();
    box->setVisible(false);
    xPercent_ = box;

    // The flow buttons of the design; a click does nothing.
    for (const char* caption : {"XON", "XOFF"}) {
        auto* flow = new QPushButton(QLatin1String(caption), client_);
        flow->setObjectName(QStringLiteral("cmdFlow(%1)").arg(cmdFlow_.size()));
        flow->resize(px(1080), px(315));
        cmdFlow_ << flow;
    }

    // The full machine list is kept out of sight; the status strip shows the visible machines.
    auto* hidden = new QGroupBox(QStringLiteral("Hidden Controls"), this);
    hidden->setObjectName(QStringLiteral("Frame1"));
    hidden->setVisible(false);
    cmbCNC_ = new QComboBox(hidden);
    cmbCNC_->setObjectName(QStringLiteral("cmbCNC"));
    connect(cmbCNC_, &QComboBox::currentIndexChanged, this, [this] { clickCNC_COMBO(); });
}

void frmTerminal::buildToolBars() {
    auto makeBar = [this](const QString& name, const ButtonText* texts, QVector<QPushButton*>& buttons) {
        auto* page = new QWidget;
        page->installEventFilter(this);
        for (int i = 0; i < 7; ++i) {
            auto* b = new QPushButton(QString::fromLatin1(texts[i].caption), page);
            b->setObjectName(QStringLiteral("%1(%2)").arg(name).arg(i));
            b->setToolTip(QString::fromLatin1(texts[i].tip));
            buttons << b;
        }
        return page;
    };
    SSTab2_->addTab(makeBar(QStringLiteral("btnToolBar"), kDncBar, btnToolBar_), QStringLiteral("DNC"));
    SSTab2_->addTab(makeBar(QStringLiteral("btnToolBar2"), kEditorBar, btnToolBar2_), QStringLiteral("Editor"));
    for (int i = 0; i < 7; ++i) {
        connect(btnToolBar_[i], &QPushButton::clicked, this, [this, i] { btnToolBar_Click(i); });
        connect(btnToolBar2_[i], &QPushButton::clicked, this, [this, i] { btnToolBar2_Click(i); });
    }
    btnToolBar_[0]->setAcceptDrops(true);
    btnToolBar_[0]->installEventFilter(this);
}

void frmTerminal::btnToolBar_Click(int index) {
    if (index < 0 || index > 6)
        return;
    QCoreApplication::processEvents();
    switch (index) {
    case 0:
        binaryReceive = false;
        transfers_->sendFromDisk(true);
        break;
    case 1:
        binaryReceive = false;
        transfers_->sendFromWindow();
        break;
    case 2:
        // A press while a receive runs stops it; only a new receive is not binary.
        // The comm state tells them apart: the captions may be renamed alike.
        if (gPortState != PortReceiving)
            binaryReceive = false;
        transfers_->receiveFileToDisk(MachineRecord::currentInt(QStringLiteral("FanucSaveAll")) == 1, QString());
        break;
    case 3:
        showSelectCNC();
        break;
    case 4:
        if (!checkLogin())
            return;
        hourglassUntilShown();
        dialogs_->showProperties();
        break;
    case 5:
        transfers_->openTerminalWindow();
        // The debug window has taken the focus.
        if (btnToolBar_[5]->text() == QLatin1String("Close Debug"))
            return;
        break;
    case 6:
        quitProgram();
        return;
    }
    focusActiveEditor();
}

void frmTerminal::btnToolBar2_Click(int index) {
    switch (index) {
    case 0: editor_->openFileInNewWindow(QString()); break;
    case 1: editor_->openFileIntoWindow(); break;
    case 2: editor_->saveWindowToFile(); break;
    case 3: mnuClose_Click(); break;
    case 4: editor_->showFindBox(0); break;
    case 5: editor_->printWindow(false); break;
    case 6: quitProgram(); break;
    default: break;
    }
}

void frmTerminal::mnuClose_Click() {
    editor_->closeMyFile();
    if (gActiveWindow >= 0 && gActiveWindow < gWindows.size() && gWindows[gActiveWindow].closed)
        setWindowTitle(ProgramPaths::appTitle());
}

void frmTerminal::btnToolBar_OLEDragDrop(int index, const QMimeData* data) {
    // Only the Send button takes a file, and only while nothing is transferred.
    if (index != 0 || gPortState != PortIdle || !data)
        return;
    if (!data->hasUrls() && !data->hasText()) {
        msgBox(QStringLiteral("Don't Think This Is A Valid Filetype Bud !"), Msg::Ok, Msg::Information);
        return;
    }
    if (!data->hasUrls())
        return;
    const QList<QUrl> urls = data->urls();
    if (urls.size() > 1) {
        msgBox(QStringLiteral("You Can't Drag And Send More Than One File At A Time"), Msg::Ok, Msg::Information);
        return;
    }
    const QString file = urls.value(0).toLocalFile();
    if (!fileExists(file))
        return;
    binaryReceive = false;
    transfers_->sendFileNoWindow(file);
}

void frmTerminal::setIconLocation() { setIconLocation(screenWidth()); }

void frmTerminal::setIconLocation(int screenWidthPixels) {
    const bool large = screenWidthPixels > 640;
    btnToolBar_[6]->setVisible(large);
    btnToolBar2_[6]->setVisible(large);
    buttonWidthTwips_ = large ? 1450 : 1330;
    buttonHeightTwips_ = large ? 900 : 850;
    // Sized once, here: a small screen's later narrowing of the buttons leaves it.
    panelWidthTwips_ = buttonWidthTwips_ + 200;
    resizeMyForm();
}

void frmTerminal::layoutForScreen(int screenWidthPixels) {
    setIconLocation(screenWidthPixels);
    if (screenWidthPixels > 640) {
        for (QLabel* light : LEDBreakout_)
            light->setVisible(gShowBreakoutLights > 0);
    } else {
        buttonWidthTwips_ -= 20;
        toolTabWidthTwips_ = buttonWidthTwips_ + 90;
    }
    resizeMyForm();
}

void frmTerminal::layoutToolButtons() {
    const int w = px(buttonWidthTwips_);
    const int h = px(buttonHeightTwips_);
    for (const QVector<QPushButton*>* bar : {&btnToolBar_, &btnToolBar2_}) {
        QWidget* page = bar->first()->parentWidget();
        const int left = qMax(0, (page->width() - w) / 2);
        // Each place is rounded once, so the column does not drift down by
        // a rounded pitch per button.
        for (int i = 0; i < bar->size(); ++i)
            bar->at(i)->setGeometry(left, px(60) + px(i * (buttonHeightTwips_ + 10)), w, h);
    }
}

void frmTerminal::resizeMyForm() {
    if (!client_ || !picStatus_)
        return;
    const int width = client_->width();
    const int height = client_->height();
    const int spacer = px(100);
    const int status = px(375);
    ssSpacerTop_->setGeometry(0, 0, width, spacer);
    picStatus_->setGeometry(0, height - status, width, status);
    picMenuBar_->setGeometry(0, spacer, px(panelWidthTwips_), qMax(0, height - spacer - status));

    // The editor area right of the tool-bar column, above the status strip.
    const int left = px(buttonWidthTwips_ + 210);
    const int top = spacer + px(70);
    const int areaWidth = width - px(buttonWidthTwips_) - px(300);
    const int areaHeight = height - status - spacer - px(170);
    if (areaWidth > 0 && areaHeight > 0) {
        SSTab1_->setGeometry(left, top, areaWidth, areaHeight);
        textboxTerm_->setGeometry(left, top, areaWidth, qMax(1, areaHeight - px(300)));
        SSTab2_->setGeometry(px(45), px(70), px(toolTabWidthTwips_), areaHeight);
    }
    layoutToolButtons();

    auto centre = [this](QWidget* panel) {
        if (panel)
            panel->move(qMax(0, (client_->width() - panel->width()) / 2), qMax(0, (client_->height() - panel->height()) / 2));
    };
    layoutFlowButtons();
    centre(xPercent_);
    keepOnScreen(0);
    findBoxFollowsWindow();
    centre(client_->findChild<QWidget*>(QStringLiteral("picXmodemSendContainer")));
    centre(client_->findChild<QWidget*>(QStringLiteral("picXmodemReceiveContainer")));
}

// Side by side near the bottom right corner of the window, in front.
void frmTerminal::layoutFlowButtons() {
    const QRect outer = frameGeometry();
    const QPoint inside = geometry().topLeft() - outer.topLeft() + client_->pos(); // the client area within the frame
    const int width = cmdFlow_[0]->width();
    const int left = outer.width() - 2 * width - px(200) - inside.x();
    const int top = outer.height() - px(1400) - inside.y();
    for (int i = 0; i < cmdFlow_.size(); ++i) {
        cmdFlow_[i]->move(left + i * width, top);
        cmdFlow_[i]->raise();
    }
}

// A window left above or left of the screens is put back at their edge; a
// platform that does not let programs place windows leaves it where it is.
void frmTerminal::keepOnScreen(int topAllowance) {
    const QScreen* s = screen();
    const QRect desktop = s ? s->virtualGeometry() : QRect();
    const QPoint at = pos();
    const QPoint wanted(at.x() < desktop.left() ? desktop.left() : at.x(),
                        at.y() < desktop.top() - topAllowance ? desktop.top() : at.y());
    if (wanted != at)
        move(wanted);
}

void frmTerminal::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    keepOnScreen(px(100));
}

void frmTerminal::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        findBoxFollowsWindow();
}

// The find box goes with the window when it is minimised and comes back with it.
void frmTerminal::findBoxFollowsWindow() {
    frmFind* box = frmFind::instance();
    if (!box || !gFindFormActive)
        return;
    if (isMinimized()) {
        if (box->isVisible()) {
            box->hide();
            findBoxHiddenByMinimise_ = true;
        }
    } else if (findBoxHiddenByMinimise_) {
        findBoxHiddenByMinimise_ = false;
        box->show();
    }
}
