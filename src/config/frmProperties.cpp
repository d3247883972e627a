#include "frmProperties.h"

#include "ClickLabel.h"
#include "CodeList.h"
#include "DialogParts.h"
#include "DialogSize.h"
#include "EditorFiles.h"
#include "ExampleSettings.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "Language.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "NetworkHandoff.h"
#include "PortList.h"
#include "ProgramPaths.h"
#include "PropertiesRules.h"
#include "SettingsGlobals.h"
#include "TransferGlobals.h"
#include "frmAltChars.h"
#include "frmDefaultDir.h"
#include "frmExampleSettings.h"
#include "frmExtensions.h"
#include "frmGetPortTypes.h"
#include "frmTip.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>

#include <memory>
#include <vector>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kRed = QStringLiteral("background-color: rgb(255, 0, 0);");
constexpr int kCustomPosition[2] = {5, 6}; // "{Custom}" on the send and the receive list
const char* const kCustomKey[2] = {"CustomEOBSend", "CustomEOBReceive"};
constexpr int kXModem = 4;
const QString kPassive = QStringLiteral("134217728");
const QString kActive = QStringLiteral("268435456");

QStringList numbers(int from, int to, int step = 1) {
    QStringList out;
    for (int n = from; n <= to; n += step)
        out << QString::number(n);
    return out;
}

// Control characters by name: few fonts draw them, and boxes tell nothing.
QString stripEntry(int code) { return QStringLiteral("%1 <%2>").arg(code).arg(CodeList::controlName(code)); }

// A caption without its mnemonic marks and trailing colon, for messages.
QString plainCaption(QString text) {
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

} // namespace

frmProperties::frmProperties(QWidget* parent, const QString& machineName)
    : QDialog(parent), section_(gCurrentMachineSection), machineName_(machineName) {
    buildForm();
    bindControls();
    connectHandlers();
    SSTab1->setTabVisible(6, fileExists(NetworkHandoff::ftpHelperPath()));
    gDialogResult = QStringLiteral("~");
    LoadPropertySettings();
    new DialogParts::HelpKey(this);
    keepDialogSize(this);
    applyLanguage(this);
    settleDialogSize(this);
}

bool frmProperties::editCurrentMachine(QWidget* parent, const QString& machineName,
                                       const std::function<void(const QString&, const QString&)>& onSaved) {
    frmProperties dialog(parent, machineName);
    if (onSaved)
        connect(&dialog, &frmProperties::recordSaved, parent ? static_cast<QObject*>(parent) : &dialog,
                onSaved);
    return dialog.exec() == QDialog::Accepted;
}

void frmProperties::bindControls() {
    using B = Bind;
    bindings_ = {
        {QStringLiteral("iBaudrate"), cboSpeed, B::List},
        {QStringLiteral("iParity"), cboParity, B::List},
        {QStringLiteral("iDataLength"), cboDataBits, B::List},
        {QStringLiteral("iStopBits"), cboStopBits, B::List},
        {QStringLiteral("CommPort"), cboPort, B::List},
        {QStringLiteral("CharacterSet"), cmbCharacterSet, B::List},
        {QStringLiteral("EOBSend"), cmbEOB[0], B::List},
        {QStringLiteral("EOBReceive"), cmbEOB[1], B::List},
        {QStringLiteral("LineDelay"), cmbDelay[0], B::List},
        {QStringLiteral("CharacterDelay"), cmbDelay[1], B::List},
        {QStringLiteral("HeaderSend"), txtHeader[0], B::Text},
        {QStringLiteral("TrailerSend"), txtTrailer[0], B::Text},
        {QStringLiteral("ReceiveHeaderSend"), txtHeader[1], B::Text},
        {QStringLiteral("ReceiveTrailerSend"), txtTrailer[1], B::Text},
        {QStringLiteral("HeaderReceive"), cmbStrip[0], B::List},
        {QStringLiteral("TrailerReceive"), cmbStrip[1], B::List},
        {QStringLiteral("WaitForXON"), cmbXON, B::List},
        {QStringLiteral("RemoteDeviceOnline"), chkRemoteDevice, B::Check},
        {QStringLiteral("SendDirectory"), txtDirs[0], B::Text},
        {QStringLiteral("ReceiveDirectory"), txtDirs[1], B::Text},
        {QStringLiteral("DTREnable"), chkDTREnable, B::Check},
        {QStringLiteral("RTSEnable"), chkRTSEnable, B::Check},
        {QStringLiteral("Discard"), cmbDiscardType, B::List},
        {QStringLiteral("StripSpaces"), chkStripSpaces, B::Check},
        {QStringLiteral("DefaultToDirectories"), chkDefaultDirectories, B::Check},
        {QStringLiteral("DripFeedPacketSize"), cmbDripfeedPacket, B::List},
        {QStringLiteral("WaitAfterReceive"), cmbWaitReceive, B::List},
        {QStringLiteral("FlowMethod"), cmbFlowMethod, B::List},
        {QStringLiteral("WaitAfterSending"), cmbWaitClosePort, B::List},
        {QStringLiteral("StripBlankLines"), chkBlankLines, B::Check},
        {QStringLiteral("RefreshRate"), cmbRefreshRate, B::List},
        {QStringLiteral("ChangeOnFly"), chkFly, B::Check},
        {QStringLiteral("EchoReceive"), chkEcho, B::Check},
        {QStringLiteral("PunchToTape"), chkPunch, B::Check},
        {QStringLiteral("IgnoreUntil"), txtIgnore, B::Text},
        {QStringLiteral("BeforeMan"), txtLeader[0], B::Number},
        {QStringLiteral("AfterMan"), txtLeader[1], B::Number},
        {QStringLiteral("AfterTape"), txtLeader[2], B::Number},
        {QStringLiteral("IgnoreBlock"), txtIgnoreBlock, B::Text},
        {QStringLiteral("SendTimeOut"), txtTimeOut, B::Text},
        {QStringLiteral("InBufferSize"), cmbBufferSize[0], B::List},
        {QStringLiteral("OutBufferSize"), cmbBufferSize[1], B::List},
        {QStringLiteral("KeepAlive"), chkKeepAlive, B::Check},
        {QStringLiteral("AuditTrail"), chkAudit, B::Check},
        {QStringLiteral("ReceiveChunk"), cmbLargeFiles, B::List},
        {QStringLiteral("FanucSaveAll"), chkUseFanucSaveAll, B::Check},
        {QStringLiteral("FanucBefore"), cmbWordBefore, B::List},
        {QStringLiteral("FanucAfter"), cmbWordAfter, B::List},
        {QStringLiteral("FanucStripPercent"), chkStripPercent, B::Check},
        {QStringLiteral("FanucPutBackPercent"), chkPutBackPercentsFanuc, B::Check},
        {QStringLiteral("FanucStripBlankLines"), chkStripBlankLines, B::Check},
        {QStringLiteral("FanucLaunch"), cmbOpenFanuc, B::List},
        {QStringLiteral("FanucUseComment"), chkProgramNumberType, B::Check},
        {QStringLiteral("PrefixO"), chkPrefixO, B::Check},
        {QStringLiteral("HeaderReceiveInc"), chkStrip[0], B::Check},
        {QStringLiteral("TrailerReceiveInc"), chkStrip[1], B::Check},
        {QStringLiteral("IP"), txtIP, B::Text},
        {QStringLiteral("IPVsend"), chkOverideVirtual[0], B::Check},
        {QStringLiteral("IPVreceive"), chkOverideVirtual[1], B::Check},
        {QStringLiteral("IPWait"), cmbIPWaitTime, B::List},
        {QStringLiteral("remotePort"), editRemotePort, B::Text},
        {QStringLiteral("renameFanucFiles"), chkRenameDetected, B::Check},
        {QStringLiteral("OpenEdAfterReceive"), chkOpenUpAfterReceive, B::Check},
        {QStringLiteral("IgnoreBlockType"), cmbIgnoreBlocks, B::List},
        {QStringLiteral("DoubleSpaceN"), chkDoubleSpaceAfterN, B::Check},
        {QStringLiteral("ftp"), txtFTP[0], B::Text},
        {QStringLiteral("username"), txtFTP[1], B::Text},
        {QStringLiteral("password"), txtFTP[2], B::Text},
        {QStringLiteral("port"), txtFTP[3], B::Text},
        {QStringLiteral("initialfolder"), txtFTP[4], B::Text},
    };
    for (int i = 0; i < 8; ++i)
        bindings_.append({QStringLiteral("RemoveUnwantedStrings%1").arg(i + 1), txtRemoveString[i], B::Text});
}

void frmProperties::connectHandlers() {
    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
    connect(lstFlowControl, &QListWidget::currentRowChanged, this, &frmProperties::lstFlowControl_Click);
    connect(chkRemoteDevice, &QCheckBox::toggled, this, &frmProperties::chkRemoteDevice_Click);
    connect(chkPunch, &QCheckBox::toggled, this, &frmProperties::chkPunch_Click);
    for (int i = 0; i < 2; ++i) {
        connect(cmbStrip[i], QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                [this, i] { cmbStrip_Click(i); });
        connect(chkStrip[i], &QCheckBox::toggled, this, &frmProperties::setCaptionChkStrip);
        connect(cmbEOB[i], QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                [this, i] { cmbEOB_Click(i); });
        connect(cmdCustomEOB[i], &QPushButton::clicked, this, [this, i] { cmdCustomEOB_Click(i); });
        connect(cmdDir[i], &QPushButton::clicked, this, [this, i] { cmdDir_Click(i); });
        connect(cmdExt[i], &QPushButton::clicked, this, [this, i] { cmdExt_Click(i); });
        txtDirs[i]->installEventFilter(this);
    }
    for (int i = 0; i < 4; ++i)
        connect(cmdAltChars[i], &QPushButton::clicked, this, [this, i] { cmdAltChars_Click(i); });
    for (int i = 0; i < 3; ++i)
        connect(Command4[i], &QPushButton::clicked, this, [this, i] { Command4_Click(i); });
    connect(Command1, &QPushButton::clicked, this, &frmProperties::Command1_Click);
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::showPortDevice);
    connect(Command2, &QPushButton::clicked, this, &frmProperties::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmProperties::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &frmProperties::Command5_Click);
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmProperties::SSTab1_Click);
    connect(SSTab2, &QTabWidget::currentChanged, this, &frmProperties::SSTab2_Click);
    connect(SSTab3, &QTabWidget::currentChanged, this, &frmProperties::SSTab3_Click);
    for (ClickLabel* label : findChildren<ClickLabel*>()) {
        const QString name = label->objectName();
        const int open = name.indexOf(QLatin1Char('('));
        if (open < 0)
            continue;
        const int index = name.mid(open + 1).chopped(1).toInt();
        if (name.startsWith(QLatin1String("Label7(")))
            connect(label, &ClickLabel::clicked, this, [this, index] { Label7_Click(index); });
        else if (name.startsWith(QLatin1String("lblCaption(")))
            connect(label, &ClickLabel::clicked, this, [this, index] { lblCaption_Click(index); });
    }
}

void frmProperties::fillLists() {
    for (QComboBox* box : findChildren<QComboBox*>())
        box->clear();
    lstFlowControl->clear();

    for (int i = 0; i < PortList::kPortCount; ++i)
        cboPort->addItem(PortList::comName(i));
    cboSpeed->addItems(gBaudRates);
    cmbFlowMethod->addItems({QStringLiteral("Poll Buffer"), QStringLiteral("Interrupt")});
    for (QComboBox* box : cmbBufferSize)
        box->addItems(numbers(1024, 20480, 1024));
    cboDataBits->addItems(
        {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")});
    cboParity->addItems({QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd"),
                         QStringLiteral("Mark"), QStringLiteral("Space")});
    cboStopBits->addItems({QStringLiteral("1"), QStringLiteral("2")});
    cmbCharacterSet->addItems({QStringLiteral("ASCII / ISO"), QStringLiteral("EIA")});
    const QStringList ends = {QStringLiteral("CR\\LF"), QStringLiteral("LF\\CR\\CR"), QStringLiteral("LF"),
                              QStringLiteral("CR"), QStringLiteral("LF\\CR")};
    cmbEOB[0]->addItems(ends + QStringList{QStringLiteral("{Custom}")});
    cmbEOB[1]->addItems(QStringList{QStringLiteral("{Auto}")} + ends +
                        QStringList{QStringLiteral("{Custom}")});
    cmbWaitClosePort->addItems(numbers(1, 30) << QStringLiteral("{Prompt Me}"));
    cmbDelay[0]->addItems(numbers(0, 500));
    cmbIPWaitTime->addItems(numbers(0, 500));
    cmbDelay[1]->addItems(numbers(0, 25));
    cmbDripfeedPacket->addItems({QStringLiteral("{Block Send}"), QStringLiteral("{Executive Tape}"),
                                 QStringLiteral("{Drip Feed}"), QStringLiteral("{Turbo Drip Feed}")});
    for (int n = 1; n <= 1024; ++n)
        cmbDripfeedPacket->addItem(QStringLiteral("Drip in %1 byte chunks").arg(n));
    for (QComboBox* box : cmbStrip) {
        box->addItem(QStringLiteral("{None}"));
        for (int code = 0; code <= 127; ++code)
            box->addItem(stripEntry(code));
    }
    lstFlowControl->addItems({QStringLiteral("None"), QStringLiteral("Xon/Xoff"), QStringLiteral("Rts/Cts"),
                              QStringLiteral("Both"), QStringLiteral("Haas Xmodem"),
                              QStringLiteral("Heidenhain Blockwise")});
    cmbXON->addItems({QStringLiteral("{None}"), QStringLiteral("{XON}"), QStringLiteral("{Any}")});
    cmbDiscardType->addItems(
        {QStringLiteral("All Nulls"), QStringLiteral("Characters 0 to 31"), QStringLiteral("{None}")});
    cmbWaitReceive->addItems(numbers(5, 30) << QStringLiteral("{Forever}"));
    cmbRefreshRate->addItems(numbers(10, 200, 10));
    cmbLargeFiles->addItems({QStringLiteral("{Auto}"), QStringLiteral("{Split}")});
    cmbWordBefore->addItems({QStringLiteral(":"), QStringLiteral("O"), QStringLiteral("$"),
                             QStringLiteral("0 BEGIN PGM"), QStringLiteral("PGM,")});
    cmbWordAfter->addItems({QStringLiteral("{Nothing}"), QStringLiteral("(Bracket Comment)"),
                            QStringLiteral("MM"), QStringLiteral("INCH"), QStringLiteral(".MIN%"),
                            QStringLiteral(",")});
    cmbOpenFanuc->addItems({QStringLiteral("Confirmation List"), QStringLiteral("Do Nothing"),
                            QStringLiteral("Open First File")});
    for (int n = 2; n <= 10; ++n)
        cmbOpenFanuc->addItem(QStringLiteral("Open First %1 Files").arg(n));
    cmbIgnoreBlocks->addItems(
        {QStringLiteral("Ignore All Of Block Containing"), QStringLiteral("Ignore Rest Of Block After")});
}

void frmProperties::applyValue(const Binding& b, const QString& value) {
    switch (b.kind) {
    case Bind::List: {
        auto* box = static_cast<QComboBox*>(b.widget);
        const int pos = PropertiesRules::listPosition(value);
        // A position outside the list leaves it without a choice; OK then asks for one.
        box->setCurrentIndex(pos >= 0 && pos < box->count() ? pos : -1);
        break;
    }
    case Bind::Check: {
        const int v = PropertiesRules::listPosition(value);
        if (v == 0 || v == 1)
            static_cast<QCheckBox*>(b.widget)->setChecked(v == 1);
        break;
    }
    case Bind::Text:
    case Bind::Number:
        static_cast<QLineEdit*>(b.widget)->setText(value);
        break;
    }
}

QString frmProperties::storedForm(const Binding& b) const {
    switch (b.kind) {
    case Bind::List:
        return QString::number(static_cast<QComboBox*>(b.widget)->currentIndex());
    case Bind::Check:
        return static_cast<QCheckBox*>(b.widget)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case Bind::Text:
        return static_cast<QLineEdit*>(b.widget)->text();
    case Bind::Number:
        return PropertiesRules::numberForm(static_cast<QLineEdit*>(b.widget)->text());
    }
    return QString();
}

void frmProperties::LoadPropertySettings() {
    {
        // Handlers run once afterwards, on the loaded values.
        std::vector<std::unique_ptr<QSignalBlocker>> quiet;
        for (QWidget* w : findChildren<QWidget*>())
            quiet.push_back(std::make_unique<QSignalBlocker>(w));

        fillLists();
        for (const Binding& b : bindings_)
            applyValue(b, MachineRecord::value(section_, b.key));
        const int handshaking = MachineRecord::intValue(section_, QStringLiteral("Handshaking"));
        lstFlowControl->setCurrentRow(handshaking >= 0 && handshaking < lstFlowControl->count() ? handshaking
                                                                                                : -1);
        chkPassive->setChecked(leadingNumber(MachineRecord::value(section_, QStringLiteral("ftpPassive"))) ==
                               kPassive.toDouble());
        Text1->setText(machineName_.isEmpty() ? MachineRecord::value(section_, QStringLiteral("Alias"))
                                              : machineName_);
        for (int i = 0; i < 2; ++i) {
            txtDirs[i]->setToolTip(txtDirs[i]->text());
            txtExt[i]->setText(MachineRecord::value(section_, i == 0 ? QStringLiteral("SendExtension1")
                                                                     : QStringLiteral("ReceiveExtension1")));
            customEOB_[i] = loadedCustomEOB_[i] =
                MachineRecord::value(section_, QString::fromLatin1(kCustomKey[i]));
        }
        // Restored, so that OK keeps the stored browse style.
        optBrowse[readIni(kSettings, QStringLiteral("shellDialogType"), QStringLiteral("0")) ==
                  QLatin1String("1")]
            ->setChecked(true);
        xmodemPad_.clear();
        if (marked_)
            marked_->setStyleSheet(QString());
        marked_ = nullptr;
    }
    lstFlowControl_Click();
    chkPunch_Click();
    for (int i = 0; i < 2; ++i) {
        cmbStrip_Click(i);
        cmbEOB_Click(i);
    }
    setCaptionChkStrip();
}

QString frmProperties::captionOf(QWidget* field) const {
    if (QLabel* label = labelOf_.value(field))
        return plainCaption(label->text());
    for (QWidget* w = field->parentWidget(); w && w != this; w = w->parentWidget())
        if (auto* frame = qobject_cast<QGroupBox*>(w))
            return plainCaption(frame->title());
    return field->objectName();
}

void frmProperties::reveal(QWidget* field) {
    for (QWidget* w = field; w && w != this; w = w->parentWidget())
        if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget()))
            if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
                tabs->setCurrentWidget(w);
}

void frmProperties::refuse(QWidget* field, const QString& message) {
    reveal(field);
    field->setStyleSheet(kRed);
    marked_ = field;
    field->setFocus();
    msgBox(message);
}

bool frmProperties::validate() {
    if (marked_)
        marked_->setStyleSheet(QString());
    marked_ = nullptr;
    const std::pair<QLineEdit*, const char*> codeLists[4] = {{txtHeader[0], "Send Before"},
                                                             {txtTrailer[0], "Send After"},
                                                             {txtHeader[1], "Send Before Receiving"},
                                                             {txtTrailer[1], "Send After Receiving"}};
    for (const auto& [field, words] : codeLists)
        if (!PropertiesRules::codeListAcceptable(field->text())) {
            refuse(field,
                   QString::fromLatin1(words) + QStringLiteral(" File - Invalid String Configuration"));
            return false;
        }
    if (!PropertiesRules::timeOutAcceptable(txtTimeOut->text())) {
        refuse(txtTimeOut,
               captionOf(txtTimeOut) + QStringLiteral(" - Enter A Whole Number Of Seconds, 1 Or More"));
        return false;
    }
    for (const Binding& b : bindings_)
        if (b.kind == Bind::List && static_cast<QComboBox*>(b.widget)->currentIndex() < 0) {
            refuse(b.widget, captionOf(b.widget) + QStringLiteral(" - Choose An Entry From The List"));
            return false;
        }
    if (lstFlowControl->currentRow() < 0) {
        refuse(lstFlowControl,
               captionOf(lstFlowControl) + QStringLiteral(" - Choose An Entry From The List"));
        return false;
    }
    return true;
}

bool frmProperties::click_OK(bool sayWhenNotSaved) {
    if (!validate())
        return false;
    MachineRecord::Values values;
    values.append({QStringLiteral("Alias"), Text1->text()});
    values.append({QStringLiteral("Handshaking"), QString::number(lstFlowControl->currentRow())});
    values.append({QStringLiteral("ftpPassive"), chkPassive->isChecked() ? kPassive : kActive});
    for (const Binding& b : bindings_)
        values.append({b.key, storedForm(b)});
    MachineRecord::Values extras;
    for (int i = 0; i < 2; ++i)
        if (customEOB_[i] != loadedCustomEOB_[i])
            extras.append({QString::fromLatin1(kCustomKey[i]), customEOB_[i]});
    if (!xmodemPad_.isEmpty())
        extras.append({QStringLiteral("XModemPad"), xmodemPad_});

    bool written = false;
    {
        IniBatch batch;
        MachineRecord::save(section_, values);
        if (!extras.isEmpty())
            writeIniValues(section_, extras);
        for (int i = 0; i < 2; ++i)
            if (optBrowse[i]->isChecked()) {
                writeIni(kSettings, QStringLiteral("shellDialogType"), i);
                break;
            }
        for (auto it = pickedPorts_.cbegin(); it != pickedPorts_.cend(); ++it)
            writeIni(QStringLiteral("Ports"), PortList::comName(it.key()), it.value());
        written = batch.commit();
    }
    if (!written) {
        if (sayWhenNotSaved)
            msgBox(settingsNotSavedText(lastIniError()), Msg::Ok, Msg::Critical);
        return false;
    }
    for (int i = 0; i < 2; ++i)
        loadedCustomEOB_[i] = customEOB_[i];
    xmodemPad_.clear();
    pickedPorts_.clear();
    recordWritten();
    accept();
    return true;
}

void frmProperties::recordWritten() {
    if (section_.compare(gCurrentMachineSection, Qt::CaseInsensitive) == 0)
        loadCurrentMachineValues();
    Q_EMIT recordSaved(section_, MachineRecord::value(section_, QStringLiteral("Alias")));
}

void frmProperties::whileHidden(const std::function<void()>& warn) {
    // QDialog::hide would also end a running exec(): hide the window only.
    const bool shown = isVisible();
    if (shown)
        QWidget::setVisible(false);
    warn();
    if (shown) {
        QWidget::setVisible(true);
        raise();
        activateWindow();
    }
}

void frmProperties::cmdOK_Click() {
    // A file that cannot be written is said once, by the warning tip (which
    // the user may switch off); the save below then fails without a box.
    const bool tipShows =
        readIni(kSettings, QStringLiteral("WarnIniSettings"), QStringLiteral("0")) == QLatin1String("0");
    const bool writable = chkCanWIni();

    const bool lineIs8N1 = cboDataBits->currentText() == QLatin1String("8") &&
                           cboParity->currentText() == QLatin1String("None") &&
                           cboStopBits->currentText() == QLatin1String("1");
    if (lstFlowControl->currentRow() == kXModem && !lineIs8N1 &&
        readIni(kSettings, QStringLiteral("XModemWarn"), QStringLiteral("0")) == QLatin1String("0")) {
        bool updated = false;
        whileHidden([this, &updated] {
            frmTip tip(this);
            tip.setWindowTitle(QStringLiteral("XModem Protocol"));
            tip.setMessage(
                QStringLiteral("The XModem Protocol Requires 8 Databits, NONE parity and 1 Stop Bit.\n\n"
                               "Press Update To Change Your Current Settings.\n"));
            tip.setMarker(QStringLiteral("XModem"));
            tip.command1()->setText(QStringLiteral("Update"));
            tip.command1()->setVisible(true);
            connect(&tip, &frmTip::command1Clicked, this, [this, &updated] {
                cboDataBits->setCurrentIndex(3);
                cboParity->setCurrentIndex(0);
                cboStopBits->setCurrentIndex(0);
                updated = true;
            });
            tip.exec();
        });
        // Update changes the line in the dialog only: the user sees it and
        // still decides between OK and Cancel.
        if (updated)
            return;
    }
    if (readIni(kSettings, QStringLiteral("AskUSB"), QStringLiteral("0")) == QLatin1String("0") &&
        PortList::isUsbDevice(deviceOfPort(cboPort->currentIndex()))) {
        whileHidden([] {
            msgBox(QStringLiteral(
                       "We have detected that this is a USB port\n"
                       "If you have problems communicating with your existing USB to RS232 cable\n"
                       "we recommend Keyspan, these really work and can save hours of wasted effort!\n\n"
                       "Click one of the links below for more info"),
                   Msg::Ok, Msg::Exclamation);
        });
    }
    click_OK(writable || !tipShows);
}

void frmProperties::cmdCancel_Click() {
    reject();
}

bool frmProperties::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick)
        for (int i = 0; i < 2; ++i)
            if (watched == txtDirs[i]) {
                cmdDir_Click(i);
                return true;
            }
    return QDialog::eventFilter(watched, event);
}

void frmProperties::lstFlowControl_Click() {
    Command3->setVisible(lstFlowControl->currentRow() == kXModem);
}

void frmProperties::chkRemoteDevice_Click() {
    if (chkRemoteDevice->isChecked()) {
        chkDTREnable->setChecked(true);
        chkRTSEnable->setChecked(true);
    }
}

void frmProperties::chkPunch_Click() {
    Frame11->setVisible(chkPunch->isChecked());
}

void frmProperties::cmbStrip_Click(int index) {
    chkStrip[index]->setEnabled(cmbStrip[index]->currentIndex() >= 1);
}

void frmProperties::setCaptionChkStrip() {
    lblStrip[0]->setText(chkStrip[0]->isChecked() ? QStringLiteral("Strip Everything Before (Keeping) :")
                                                  : QStringLiteral("Strip Everything Before :"));
    lblStrip[1]->setText(chkStrip[1]->isChecked() ? QStringLiteral("Strip Everything After (Keeping) :")
                                                  : QStringLiteral("Strip Everything After :"));
}

void frmProperties::cmbEOB_Click(int index) {
    cmdCustomEOB[index]->setVisible(cmbEOB[index]->currentIndex() == kCustomPosition[index]);
    setEOBToolTip(index);
}

void frmProperties::setEOBToolTip(int index) {
    if (cmbEOB[index]->currentIndex() == kCustomPosition[index])
        cmbEOB[index]->setToolTip(QStringLiteral("Custom EOB Set To ASCIIs - \"") + customEOB_[index] +
                                  QStringLiteral("\""));
    else
        cmbEOB[index]->setToolTip(cmbEOB[index]->currentText());
}

void frmProperties::cmdAltChars_Click(int index) {
    QLineEdit* const fields[4] = {txtHeader[0], txtTrailer[0], txtHeader[1], txtTrailer[1]};
    frmAltChars picker(this);
    picker.setCodeList(fields[index]->text());
    picker.exec();
    if (gDialogResult != QLatin1String("~"))
        fields[index]->setText(gDialogResult);
}

void frmProperties::cmdCustomEOB_Click(int index) {
    frmAltChars picker(this);
    picker.setCodeList(customEOB_[index]);
    picker.exec();
    if (gDialogResult == QLatin1String("~"))
        return;
    // The send and receive routines would throw a bad list away; refuse it here.
    if (!PropertiesRules::codeListAcceptable(gDialogResult)) {
        msgBox(QStringLiteral("Custom End Of Block - Invalid String Configuration"));
        return;
    }
    customEOB_[index] = gDialogResult;
    setEOBToolTip(index);
}

void frmProperties::cmdDir_Click(int index) {
    gDialogResult = txtDirs[index]->text();
    frmDefaultDir picker(this);
    picker.setWindowTitle(QStringLiteral("Default Directory"));
    picker.exec();
    if (gDialogResult.isEmpty())
        return;
    txtDirs[index]->setText(gDialogResult);
    txtDirs[index]->setToolTip(gDialogResult);
}

void frmProperties::cmdExt_Click(int index) {
    const QString prefix = index == 0 ? QStringLiteral("SendExtension") : QStringLiteral("ReceiveExtension");
    gDialogResult = prefix;
    frmExtensions dialog(this, prefix);
    dialog.setWindowTitle(index == 0 ? QStringLiteral("Setup Send File Extensions")
                                     : QStringLiteral("Setup Receive File Extensions"));
    if (dialog.exec() == QDialog::Accepted)
        txtExt[index]->setText(MachineRecord::value(section_, prefix + QStringLiteral("1")));
}

void frmProperties::Command1_Click() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    frmGetPortTypes ports(cboPort, [this](int port) { return deviceOfPort(port); }, this);
    QApplication::restoreOverrideCursor();
    if (ports.exec() != QDialog::Accepted || ports.chosenDevice().isEmpty())
        return;
    pickedPorts_.insert(cboPort->currentIndex(), ports.chosenDevice());
    showPortDevice();
}

QString frmProperties::deviceOfPort(int commPort) const {
    return pickedPorts_.value(commPort, PortList::deviceFor(commPort));
}

void frmProperties::showPortDevice() {
    cboPort->setToolTip(deviceOfPort(cboPort->currentIndex()));
}

void frmProperties::Command2_Click() {
    const QString file = ExampleSettings::filePath();
    if (!fileExists(file)) {
        msgBox(QStringLiteral("The Configuration File ") + file + QStringLiteral(" Is Missing"), Msg::Ok,
               Msg::Exclamation);
        return;
    }
    frmExampleSettings examples(Text1->text(), this);
    connect(&examples, &frmExampleSettings::imported, this, [this](const QString& name) {
        LoadPropertySettings();
        Text1->setText(name);
        recordWritten();
    });
    examples.exec();
}

void frmProperties::Command3_Click() {
    const QString current =
        xmodemPad_.isEmpty() ? MachineRecord::value(section_, QStringLiteral("XModemPad")) : xmodemPad_;
    bool ok = false;
    const QString answer = inputBox(QStringLiteral("Last Block Padout Character (0 to 255) :"),
                                    QStringLiteral("Pad"), current, &ok);
    if (!ok)
        return;
    const int code = PropertiesRules::listPosition(answer);
    if (code < 0 || code > 255) {
        msgBox(QStringLiteral("The Pad Character Must Be A Code From 0 To 255"));
        return;
    }
    xmodemPad_ = QString::number(code);
}

void frmProperties::Command4_Click(int index) {
    const char* const commands[3] = {"PING", "TELNET", "MONITOR"};
    const QString address = index < 2 ? txtIP->text() : QString();
    const QString line = emptyStub(address, QString::fromLatin1(commands[index]));
    QStringList parts = QProcess::splitCommand(line);
    if (!parts.isEmpty()) {
        const QString program = parts.takeFirst();
        QProcess::startDetached(program, parts);
    }
}

void frmProperties::Command5_Click() {
    if (!fileExists(NetworkHandoff::ftpHelperPath()))
        return;
    // The helper reads a copy holding the dialog's values: the live file
    // keeps the stored ones until OK.
    const MachineRecord::Values ftp = {
        {QStringLiteral("ftpPassive"), chkPassive->isChecked() ? kPassive : kActive},
        {QStringLiteral("ftp"), txtFTP[0]->text()},
        {QStringLiteral("username"), txtFTP[1]->text()},
        {QStringLiteral("password"), txtFTP[2]->text()},
        {QStringLiteral("port"), txtFTP[3]->text()},
        {QStringLiteral("initialfolder"), txtFTP[4]->text()},
    };
    const QString copy = NetworkHandoff::writeSettingsCopy(section_, ftp);
    const NetworkHandoff::HelperCommand command =
        copy.isEmpty()
            ? NetworkHandoff::HelperCommand{}
            : NetworkHandoff::buildFtpCommand(QStringLiteral("FTP"), QStringLiteral("U"), QStringLiteral("!"),
                                              MachineRecord::machineNumber(section_), copy);
    if (!NetworkHandoff::startHelper(command))
        msgBox(QStringLiteral("Failed To Shell FTP Program"));
}

void frmProperties::Label7_Click(int index) {
    QCheckBox* target = nullptr;
    switch (index) {
    case 0:
        target = chkRemoteDevice;
        break;
    case 2:
        target = chkStripSpaces;
        break;
    case 3:
        target = chkFly;
        break;
    case 4:
        target = chkDefaultDirectories;
        break;
    case 5:
        optBrowse[0]->setChecked(true);
        return;
    case 6:
        optBrowse[1]->setChecked(true);
        return;
    case 7:
        target = chkDTREnable;
        break;
    case 8:
        target = chkRTSEnable;
        break;
    case 9:
        target = chkBlankLines;
        break;
    case 10:
        target = chkStripPercent;
        break;
    case 11:
        target = chkStripBlankLines;
        break;
    case 12:
        target = chkPunch;
        break;
    case 13:
        target = chkKeepAlive;
        break;
    case 16:
        target = chkAudit;
        break;
    case 17:
        target = chkEcho;
        break;
    case 19:
        target = chkUseFanucSaveAll;
        break;
    case 20:
        target = chkProgramNumberType;
        break;
    case 21:
        target = chkPutBackPercentsFanuc;
        break;
    case 22:
        target = chkRenameDetected;
        break;
    case 23:
        target = chkOpenUpAfterReceive;
        break;
    case 24:
        target = chkPrefixO;
        break;
    default:
        return;
    }
    toggleCheck(target);
}

void frmProperties::lblCaption_Click(int index) {
    switch (index) {
    case 2:
        toggleCheck(chkStrip[0]);
        break;
    case 3:
        toggleCheck(chkStrip[1]);
        break;
    case 26:
        toggleCheck(chkDoubleSpaceAfterN);
        break;
    case 27:
        toggleCheck(chkPassive);
        break;
    default:
        break;
    }
}

void frmProperties::SSTab1_Click(int tab) {
    QWidget* const first[7] = {cboPort, txtHeader[0], cmbStrip[0], txtDirs[0], txtRemoveString[0],
                               txtIP,   chkPassive};
    if (tab >= 0 && tab < 7)
        first[tab]->setFocus();
}

void frmProperties::SSTab2_Click(int tab) {
    QWidget* const first[4] = {txtHeader[0], cmbDelay[0], chkPunch, chkDoubleSpaceAfterN};
    if (tab >= 0 && tab < 4)
        first[tab]->setFocus();
}

void frmProperties::SSTab3_Click(int tab) {
    QWidget* const first[3] = {cmbStrip[0], cmbWaitReceive, cmbWordBefore};
    if (tab >= 0 && tab < 3)
        first[tab]->setFocus();
}
