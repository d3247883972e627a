// The controls of the machine settings dialog and where they sit.
#include "frmProperties.h"

#include "ClickLabel.h"
#include "DialogParts.h"
#include "Language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString arrayName(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QPushButton* makeDots(QWidget* parent, const QString& name, const QString& tip = {}) {
    QPushButton* b = DialogParts::button(parent, name, QStringLiteral("..."), tip);
    b->setFixedWidth(28);
    return b;
}

QWidget* page(QGroupBox* a, QGroupBox* b = nullptr, QGroupBox* c = nullptr) {
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    for (QGroupBox* g : {a, b, c})
        if (g)
            v->addWidget(g);
    v->addStretch(1);
    return w;
}

QGridLayout* gridOf(QGroupBox* frame) {
    auto* g = new QGridLayout(frame);
    g->setColumnStretch(1, 1);
    return g;
}

} // namespace

QComboBox* frmProperties::makeCombo(const QString& name) {
    auto* c = new QComboBox(this);
    c->setObjectName(name);
    c->setMaxVisibleItems(20);
    return c;
}

QCheckBox* frmProperties::makeCheck(const QString& name) {
    auto* c = new QCheckBox(this);
    c->setObjectName(name);
    return c;
}

QLineEdit* frmProperties::makeEdit(const QString& name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    return e;
}

QLineEdit* frmProperties::codeListRow(QGridLayout* grid, int labelIndex, const QString& caption,
                                      const QString& name, int pickerIndex) {
    QLineEdit* e = makeEdit(name);
    cmdAltChars[pickerIndex] = makeDots(this, arrayName("cmdAltChars", pickerIndex));
    addRow(grid, arrayName("lblCaption", labelIndex), caption, e, cmdAltChars[pickerIndex]);
    return e;
}

QTabWidget* frmProperties::makeTabs(const QString& name) {
    auto* t = new QTabWidget(this);
    t->setObjectName(name);
    return t;
}

QGroupBox* frmProperties::makeFrame(const QString& name, const QString& title) {
    auto* g = new QGroupBox(title, this);
    g->setObjectName(name);
    return g;
}

ClickLabel* frmProperties::addRow(QGridLayout* grid, const QString& labelName, const QString& caption,
                                  QWidget* field, QWidget* extra) {
    const int row = grid->rowCount();
    auto* label = new ClickLabel(caption, this);
    label->setObjectName(labelName);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    if (extra) {
        auto* box = new QHBoxLayout;
        box->addWidget(field, 1);
        box->addWidget(extra);
        grid->addLayout(box, row, 1);
    } else {
        grid->addWidget(field, row, 1, Qt::AlignLeft);
        if (!qobject_cast<QCheckBox*>(field))
            field->setMinimumWidth(160);
    }
    labelOf_.insert(field, label);
    return label;
}

void frmProperties::buildForm() {
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("CommPort Properties"));
    setModal(true);

    QGroupBox* frame6 = makeFrame(QStringLiteral("Frame6"), QStringLiteral("CNC Name"));
    Text1 = makeEdit(QStringLiteral("Text1"));
    Command2 = DialogParts::button(this, QStringLiteral("Command2"), QStringLiteral("Examples"),
                                   QStringLiteral("Example CNC Settings"));
    auto* nameRow = new QHBoxLayout(frame6);
    nameRow->addWidget(Text1, 1);
    nameRow->addWidget(Command2);

    SSTab1 = makeTabs(QStringLiteral("SSTab1"));
    SSTab1->addTab(buildComPortTab(), QStringLiteral("Com Port"));
    SSTab1->addTab(buildSendTab(), QStringLiteral("Send"));
    SSTab1->addTab(buildReceiveTab(), QStringLiteral("Receive"));
    SSTab1->addTab(buildFoldersTab(), QStringLiteral("Folders"));
    SSTab1->addTab(buildRemoveTab(), QStringLiteral("Remove"));
    SSTab1->addTab(buildWirelessTab(), QStringLiteral("Wireless"));
    SSTab1->addTab(buildFtpTab(), QStringLiteral("Ftp"));
    SSTab1->setProperty(kTabTagProperty, QStringLiteral("Com Port,Send,Receive,Folders,Remove,Wireless,Ftp"));

    cmdOK = DialogParts::button(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = DialogParts::button(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    cmdLanguageSelect = DialogParts::languageButton(this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdLanguageSelect);

    auto* main = new QVBoxLayout(this);
    main->addWidget(frame6);
    main->addWidget(SSTab1, 1);
    main->addLayout(buttons);
}

QWidget* frmProperties::buildComPortTab() {
    QGroupBox* port = makeFrame(QStringLiteral("Frame1"), QStringLiteral("&Port"));
    QGridLayout* g = gridOf(port);
    cboPort = makeCombo(QStringLiteral("cboPort"));
    Command1 =
        makeDots(this, QStringLiteral("Command1"), QStringLiteral("Detect com ports on your computer..."));
    addRow(g, arrayName("Label7", 1), QStringLiteral("Port :"), cboPort, Command1);
    chkKeepAlive = row(g, arrayName("Label7", 13), QStringLiteral("Keep Port Alive :"),
                       makeCheck(QStringLiteral("chkKeepAlive")));

    QGroupBox* baud = makeFrame(QStringLiteral("Frame2"), QStringLiteral("&Baudrate"));
    cboSpeed = makeCombo(QStringLiteral("cboSpeed"));
    (new QVBoxLayout(baud))->addWidget(cboSpeed);

    QGroupBox* protocols = makeFrame(QStringLiteral("fraConnection"), QStringLiteral("Pro&tocols"));
    g = gridOf(protocols);
    cboDataBits = row(g, arrayName("lblCaption", 4), QStringLiteral("Data Bits :"),
                      makeCombo(QStringLiteral("cboDataBits")));
    cboParity = row(g, arrayName("lblCaption", 5), QStringLiteral("Parity :"),
                    makeCombo(QStringLiteral("cboParity")));
    cboStopBits = row(g, arrayName("lblCaption", 6), QStringLiteral("Stop Bits :"),
                      makeCombo(QStringLiteral("cboStopBits")));
    chkDTREnable = row(g, arrayName("Label7", 7), QStringLiteral("Enable DTR :"),
                       makeCheck(QStringLiteral("chkDTREnable")));
    chkRTSEnable = row(g, arrayName("Label7", 8), QStringLiteral("Enable RTS :"),
                       makeCheck(QStringLiteral("chkRTSEnable")));

    QGroupBox* charset = makeFrame(QStringLiteral("Frame3"), QStringLiteral("&Character Set"));
    cmbCharacterSet = makeCombo(QStringLiteral("cmbCharacterSet"));
    (new QVBoxLayout(charset))->addWidget(cmbCharacterSet);

    QGroupBox* flow = makeFrame(QStringLiteral("Frame5"), QStringLiteral("&Flow Control"));
    g = gridOf(flow);
    lstFlowControl = new QListWidget(this);
    lstFlowControl->setObjectName(QStringLiteral("lstFlowControl"));
    lstFlowControl->setMaximumHeight(110);
    g->addWidget(lstFlowControl, 0, 0, 1, 2);
    cmbFlowMethod = row(g, QStringLiteral("Label6"), QStringLiteral("Method Used"),
                        makeCombo(QStringLiteral("cmbFlowMethod")));
    Command3 = DialogParts::button(this, QStringLiteral("Command3"), QStringLiteral("Pad"),
                                   QStringLiteral("Last Block Padout Character..."));
    g->addWidget(Command3, g->rowCount(), 1, Qt::AlignLeft);

    auto* w = new QWidget;
    auto* grid = new QGridLayout(w);
    grid->addWidget(port, 0, 0);
    grid->addWidget(baud, 1, 0);
    grid->addWidget(charset, 2, 0);
    grid->addWidget(protocols, 0, 1);
    grid->addWidget(flow, 1, 1, 2, 1);
    grid->setRowStretch(3, 1);
    return w;
}

QWidget* frmProperties::buildSendTab() {
    SSTab2 = makeTabs(QStringLiteral("SSTab2"));

    QGroupBox* format = makeFrame(QStringLiteral("Frame7"), QStringLiteral("Data Format"));
    QGridLayout* g = gridOf(format);
    txtHeader[0] = codeListRow(g, 7, QStringLiteral("Send Before File :"), arrayName("txtHeader", 0), 0);
    txtTrailer[0] = codeListRow(g, 8, QStringLiteral("Send After File :"), arrayName("txtTrailer", 0), 1);
    const QString eobTip = QStringLiteral("Click To Set or View Current Custom EOB");
    cmbEOB[0] = makeCombo(arrayName("cmbEOB", 0));
    cmdCustomEOB[0] = makeDots(this, arrayName("cmdCustomEOB", 0), eobTip);
    addRow(g, arrayName("lblCaption", 9), QStringLiteral("End of Block :"), cmbEOB[0], cmdCustomEOB[0]);
    cmbDripfeedPacket = row(g, arrayName("lblCaption", 10), QStringLiteral("Data Transfer Mode :"),
                            makeCombo(QStringLiteral("cmbDripfeedPacket")));

    QGroupBox* ignore = makeFrame(QStringLiteral("Frame8"), QStringLiteral("Ignore Data"));
    g = gridOf(ignore);
    cmbIgnoreBlocks = makeCombo(QStringLiteral("cmbIgnoreBlocks"));
    txtIgnoreBlock = makeEdit(QStringLiteral("txtIgnoreBlock"));
    auto* arrows = new QLabel(QStringLiteral(">>"), this);
    arrows->setObjectName(QStringLiteral("Label3"));
    auto* ignoreRow = new QHBoxLayout;
    ignoreRow->addWidget(cmbIgnoreBlocks);
    ignoreRow->addWidget(arrows);
    ignoreRow->addWidget(txtIgnoreBlock, 1);
    g->addLayout(ignoreRow, 0, 0, 1, 2);
    chkStripSpaces = row(g, arrayName("Label7", 2), QStringLiteral("Don't Send Any Spaces In NC File :"),
                         makeCheck(QStringLiteral("chkStripSpaces")));
    chkBlankLines = row(g, arrayName("Label7", 9), QStringLiteral("Don't Send Any Blank Lines In NC File :"),
                        makeCheck(QStringLiteral("chkBlankLines")));

    QGroupBox* outBuffer = makeFrame(QStringLiteral("Frame9"), QStringLiteral("Buffer Size In Bytes"));
    g = gridOf(outBuffer);
    cmbBufferSize[1] = row(g, arrayName("lblCaption", 11), QStringLiteral("Output Buffer Size:"),
                           makeCombo(arrayName("cmbBufferSize", 1)));
    SSTab2->addTab(page(format, ignore, outBuffer), QStringLiteral("Configs"));

    QGroupBox* delay = makeFrame(QStringLiteral("Frame10"), QStringLiteral("Delay Transfer"));
    g = gridOf(delay);
    cmbDelay[0] = row(g, arrayName("lblCaption", 12), QStringLiteral("Data Packet Delay (ms) :"),
                      makeCombo(arrayName("cmbDelay", 0)));
    cmbDelay[1] = row(g, arrayName("lblCaption", 13), QStringLiteral("Char Delay (ms) :"),
                      makeCombo(arrayName("cmbDelay", 1)));
    QGroupBox* general = makeFrame(QStringLiteral("Frame12"), QStringLiteral("General Delays"));
    g = gridOf(general);
    cmbXON = row(g, arrayName("lblCaption", 14), QStringLiteral("Wait For Character Before Sending to CNC :"),
                 makeCombo(QStringLiteral("cmbXON")));
    chkRemoteDevice = row(g, arrayName("Label7", 0), QStringLiteral("CNC Needs To See Remote Device :"),
                          makeCheck(QStringLiteral("chkRemoteDevice")));
    cmbWaitClosePort = row(g, arrayName("lblCaption", 15), QStringLiteral("Wait For After Sending :"),
                           makeCombo(QStringLiteral("cmbWaitClosePort")));
    txtTimeOut = row(g, arrayName("lblCaption", 16), QStringLiteral("Abort After This Inactivity (secs) :"),
                     makeEdit(QStringLiteral("txtTimeOut")));
    SSTab2->addTab(page(delay, general), QStringLiteral("Delays"));

    auto* punchPage = new QWidget;
    auto* pv = new QVBoxLayout(punchPage);
    auto* punchGrid = new QGridLayout;
    punchGrid->setColumnStretch(1, 1);
    chkPunch = row(punchGrid, arrayName("Label7", 12), QStringLiteral("Punch Man Readables :"),
                   makeCheck(QStringLiteral("chkPunch")));
    pv->addLayout(punchGrid);
    Frame11 = new QWidget(this);
    Frame11->setObjectName(QStringLiteral("Frame11"));
    auto* f11 = new QVBoxLayout(Frame11);
    f11->setContentsMargins(0, 0, 0, 0);
    QGroupBox* until =
        makeFrame(QStringLiteral("Frame13"), QStringLiteral("&Assume Man Readable Until This Character"));
    txtIgnore = makeEdit(QStringLiteral("txtIgnore"));
    (new QVBoxLayout(until))->addWidget(txtIgnore);
    QGroupBox* spacing = makeFrame(QStringLiteral("Frame14"), QStringLiteral("Paper Tape &Spacing"));
    g = gridOf(spacing);
    const char* leaders[3] = {
        "&Before Man Readable Nulls :", "A&fter Man Readable Nulls :", "A&fter End Of Tape Nulls :"};
    for (int i = 0; i < 3; ++i) {
        txtLeader[i] = row(g, arrayName("lblCaption", 17 + i), QString::fromLatin1(leaders[i]),
                           makeEdit(arrayName("txtLeader", i)));
    }
    f11->addWidget(until);
    f11->addWidget(spacing);
    pv->addWidget(Frame11);
    pv->addStretch(1);
    SSTab2->addTab(punchPage, QStringLiteral("Punch Paper Tape"));

    QGroupBox* special = makeFrame(QStringLiteral("Frame15"), QStringLiteral("Special Parameters"));
    g = gridOf(special);
    chkDoubleSpaceAfterN =
        row(g, arrayName("lblCaption", 26), QStringLiteral("Double Space After Block Number :"),
            makeCheck(QStringLiteral("chkDoubleSpaceAfterN")));
    SSTab2->addTab(page(special), QStringLiteral("Special"));
    SSTab2->setProperty(kTabTagProperty, QStringLiteral("Configs,Delays,Punch Paper Tape,Special"));
    return SSTab2;
}

QWidget* frmProperties::buildReceiveTab() {
    SSTab3 = makeTabs(QStringLiteral("SSTab3"));

    QGroupBox* receive = makeFrame(QStringLiteral("Frame18"), QStringLiteral("Receive"));
    QGridLayout* g = gridOf(receive);
    QFont terminal(QStringLiteral("Terminal"), 9);
    terminal.setStyleHint(QFont::Monospace);
    for (int i = 0; i < 2; ++i) {
        cmbStrip[i] = makeCombo(arrayName("cmbStrip", i));
        cmbStrip[i]->setFont(terminal);
        chkStrip[i] = makeCheck(arrayName("chkStrip", i));
        lblStrip[i] = addRow(g, arrayName("lblCaption", 2 + i),
                             i == 0 ? QStringLiteral("Strip Everything Before Character :")
                                    : QStringLiteral("Strip Everything After Character :"),
                             cmbStrip[i], chkStrip[i]);
    }
    cmbDiscardType = row(g, arrayName("lblCaption", 20), QStringLiteral("Discard Characters :"),
                         makeCombo(QStringLiteral("cmbDiscardType")));
    cmbEOB[1] = makeCombo(arrayName("cmbEOB", 1));
    cmdCustomEOB[1] = makeDots(this, arrayName("cmdCustomEOB", 1),
                               QStringLiteral("Click To Set or View Current Custom EOB"));
    addRow(g, arrayName("lblCaption", 21), QStringLiteral("End of Block :"), cmbEOB[1], cmdCustomEOB[1]);
    txtHeader[1] =
        codeListRow(g, 22, QStringLiteral("Send Before Receiving :"), arrayName("txtHeader", 1), 2);
    txtTrailer[1] =
        codeListRow(g, 23, QStringLiteral("Send After Receiving :"), arrayName("txtTrailer", 1), 3);
    QGroupBox* inBuffer = makeFrame(QStringLiteral("Frame19"), QStringLiteral("Buffer Size In Bytes"));
    g = gridOf(inBuffer);
    cmbBufferSize[0] = row(g, arrayName("lblCaption", 24), QStringLiteral("Input Buffer Size :"),
                           makeCombo(arrayName("cmbBufferSize", 0)));
    SSTab3->addTab(page(receive, inBuffer), QStringLiteral("Configs"));

    QGroupBox* misc = makeFrame(QStringLiteral("Frame16"), QStringLiteral("Misc"));
    g = gridOf(misc);
    cmbWaitReceive = row(g, arrayName("lblCaption", 25), QStringLiteral("Wait After Receiving File (s) :"),
                         makeCombo(QStringLiteral("cmbWaitReceive")));
    cmbRefreshRate = row(g, arrayName("lblCaption", 28), QStringLiteral("Refresh Buffer Every (ms) :"),
                         makeCombo(QStringLiteral("cmbRefreshRate")));
    chkAudit = row(g, arrayName("Label7", 16), QStringLiteral("Audit Trail Files :"),
                   makeCheck(QStringLiteral("chkAudit")));
    chkFly = row(g, arrayName("Label7", 3), QStringLiteral("Show Data Being Received With Best EOB :"),
                 makeCheck(QStringLiteral("chkFly")));
    chkEcho = row(g, arrayName("Label7", 17), QStringLiteral("Echo Data To Screen :"),
                  makeCheck(QStringLiteral("chkEcho")));
    cmbLargeFiles = row(g, arrayName("Label7", 18), QStringLiteral("Receiving Very Large Files :"),
                        makeCombo(QStringLiteral("cmbLargeFiles")));
    chkOpenUpAfterReceive =
        row(g, arrayName("Label7", 23), QStringLiteral("Open Into Editor After Receiving :"),
            makeCheck(QStringLiteral("chkOpenUpAfterReceive")));
    SSTab3->addTab(page(misc), QStringLiteral("Misc"));

    QGroupBox* saveAll = makeFrame(QStringLiteral("Frame17"), QStringLiteral("Parameters"));
    g = gridOf(saveAll);
    cmbWordBefore = row(g, arrayName("lblCaption", 29), QStringLiteral("Before  Program # Type :"),
                        makeCombo(QStringLiteral("cmbWordBefore")));
    cmbWordAfter = row(g, arrayName("lblCaption", 30), QStringLiteral("After Program # Type :"),
                       makeCombo(QStringLiteral("cmbWordAfter")));
    chkRenameDetected = row(g, arrayName("Label7", 22), QStringLiteral("Rename Detected Files"),
                            makeCheck(QStringLiteral("chkRenameDetected")));
    chkProgramNumberType = row(g, arrayName("Label7", 20), QStringLiteral("Use Comment As Program # :"),
                               makeCheck(QStringLiteral("chkProgramNumberType")));
    chkStripPercent = row(g, arrayName("Label7", 10), QStringLiteral("Strip Out Master Program % Symbols :"),
                          makeCheck(QStringLiteral("chkStripPercent")));
    chkPutBackPercentsFanuc =
        row(g, arrayName("Label7", 21), QStringLiteral("Put Program % Symbols Into Each Split File :"),
            makeCheck(QStringLiteral("chkPutBackPercentsFanuc")));
    chkStripBlankLines = row(g, arrayName("Label7", 11), QStringLiteral("Strip Out Blank Lines :"),
                             makeCheck(QStringLiteral("chkStripBlankLines")));
    chkPrefixO = row(g, arrayName("Label7", 24), QStringLiteral("Prefix Filename With O :"),
                     makeCheck(QStringLiteral("chkPrefixO")));
    cmbOpenFanuc = row(g, arrayName("lblCaption", 31), QStringLiteral("After Receiving Files :"),
                       makeCombo(QStringLiteral("cmbOpenFanuc")));
    chkUseFanucSaveAll =
        row(g, arrayName("Label7", 19), QStringLiteral("Always Default To CNC Save-All When Receiving :"),
            makeCheck(QStringLiteral("chkUseFanucSaveAll")));
    SSTab3->addTab(page(saveAll), QStringLiteral("CNC Save-All"));
    SSTab3->setProperty(kTabTagProperty, QStringLiteral("Configs,Misc,CNC Save-All"));
    return SSTab3;
}

QWidget* frmProperties::buildFoldersTab() {
    QGroupBox* frames[2];
    for (int i = 0; i < 2; ++i) {
        frames[i] =
            makeFrame(arrayName("Frame4", i), i == 0 ? QStringLiteral("Send") : QStringLiteral("Receive"));
        QGridLayout* g = gridOf(frames[i]);
        txtDirs[i] = makeEdit(arrayName("txtDirs", i));
        cmdDir[i] = DialogParts::button(this, arrayName("cmdDir", i), QStringLiteral("Folders"),
                                        QStringLiteral("Click to Select Folder"));
        addRow(g, arrayName("Label2", 2 + i), QStringLiteral("Look In..."), txtDirs[i], cmdDir[i]);
        txtExt[i] = makeEdit(arrayName("txtExt", i));
        // Only the extension dialog stores extensions; typing here would be lost.
        txtExt[i]->setReadOnly(true);
        cmdExt[i] = DialogParts::button(this, arrayName("cmdExt", i), QStringLiteral("Extensions"),
                                        QStringLiteral("Click to Setup File Extensions"));
        addRow(g, arrayName("Label2", 4 + i), QStringLiteral("Ext."), txtExt[i], cmdExt[i]);
    }
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    v->addWidget(frames[0]);
    v->addWidget(frames[1]);
    auto* g = new QGridLayout;
    g->setColumnStretch(1, 1);
    chkDefaultDirectories =
        row(g, arrayName("Label7", 4), QStringLiteral("Always Default To Send && Receive Folders :"),
            makeCheck(QStringLiteral("chkDefaultDirectories")));
    optBrowse[0] = new QRadioButton(this);
    optBrowse[0]->setObjectName(arrayName("optBrowse", 0));
    addRow(g, arrayName("Label7", 5), QStringLiteral("Browse Standard Dialog :"), optBrowse[0]);
    optBrowse[1] = new QRadioButton(this);
    optBrowse[1]->setObjectName(arrayName("optBrowse", 1));
    addRow(g, arrayName("Label7", 6), QStringLiteral("Browse Extended Shell Folders And Networks :"),
           optBrowse[1]);
    v->addLayout(g);
    v->addStretch(1);
    return w;
}

QWidget* frmProperties::buildRemoveTab() {
    QGroupBox* frame = makeFrame(QStringLiteral("Frame20"), QStringLiteral("Remove Text From Received Data"));
    auto* v = new QVBoxLayout(frame);
    auto* label = new QLabel(
        QStringLiteral(
            "Remove text from received data. Example you may need to remove the &&HE: from a Fanuc file"),
        this);
    label->setObjectName(QStringLiteral("Label4"));
    label->setWordWrap(true);
    v->addWidget(label);
    for (int i = 0; i < 8; ++i) {
        txtRemoveString[i] = makeEdit(arrayName("txtRemoveString", i));
        v->addWidget(txtRemoveString[i]);
    }
    label->setBuddy(txtRemoveString[0]);
    return page(frame);
}

QWidget* frmProperties::buildWirelessTab() {
    QGroupBox* frame = makeFrame(QStringLiteral("Frame21"), QString());
    QGridLayout* g = gridOf(frame);
    txtIP = row(g, arrayName("lblCaption", 32), QStringLiteral("IP Address :"),
                makeEdit(QStringLiteral("txtIP")));
    editRemotePort = row(g, arrayName("lblCaption", 33), QStringLiteral("Port :"),
                         makeEdit(QStringLiteral("editRemotePort")));
    chkOverideVirtual[0] = row(g, arrayName("Label7", 14), QStringLiteral("Send Direct To IP :"),
                               makeCheck(arrayName("chkOverideVirtual", 0)));
    chkOverideVirtual[1] = row(g, arrayName("Label7", 15), QStringLiteral("Receive Direct From IP :"),
                               makeCheck(arrayName("chkOverideVirtual", 1)));
    cmbIPWaitTime = row(g, arrayName("lblCaption", 34), QStringLiteral("Buffer Clear Time :"),
                        makeCombo(QStringLiteral("cmbIPWaitTime")));
    auto* tools = new QHBoxLayout;
    const char* names[3] = {"PING", "TELNET", "MONITOR"};
    for (int i = 0; i < 3; ++i) {
        Command4[i] = DialogParts::button(this, arrayName("Command4", i), QString::fromLatin1(names[i]));
        tools->addWidget(Command4[i]);
    }
    tools->addStretch(1);
    g->addLayout(tools, g->rowCount(), 0, 1, 2);
    return page(frame);
}

QWidget* frmProperties::buildFtpTab() {
    QGroupBox* frame = makeFrame(QStringLiteral("Frame22"), QString());
    QGridLayout* g = gridOf(frame);
    chkPassive = row(g, arrayName("lblCaption", 27), QStringLiteral("Passive Transfer :"),
                     makeCheck(QStringLiteral("chkPassive")));
    const char* captions[5] = {
        "Server Address :", "Username :", "Password :", "Port Number :", "Remote Start Folder :"};
    for (int i = 0; i < 5; ++i) {
        txtFTP[i] = row(g, arrayName("lblCaption", 35 + i), QString::fromLatin1(captions[i]),
                        makeEdit(arrayName("txtFTP", i)));
    }
    txtFTP[2]->setEchoMode(QLineEdit::Password);
    txtFTP[2]->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42 }"));
    Command5 = DialogParts::button(this, QStringLiteral("Command5"), QStringLiteral("Logon To CNC Server"));
    g->addWidget(Command5, g->rowCount(), 1, Qt::AlignLeft);
    return page(frame);
}
