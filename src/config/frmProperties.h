#pragma once

#include <QDialog>
#include <QHash>
#include <QMap>
#include <QString>
#include <QVector>

#include <functional>

class ClickLabel;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;

// "CommPort Properties": the settings record of one machine (the current one
// when the dialog is made). Nothing reaches the settings file before OK (a
// device picked for a port included), except an example installed from
// "Examples" and extensions saved from their own dialog; OK checks every
// field first and then writes the whole record in one write, so a refused OK
// writes nothing.
//
// The main window opens it with editCurrentMachine() (or builds it, connects
// recordSaved and calls exec() itself) and, on recordSaved, refreshes its
// machine lists, status label and port tool tip, and the send-mode menus.
class frmProperties : public QDialog {
    Q_OBJECT
public:
    // `machineName`: the name the main window lists for the machine; empty
    // takes the stored Alias.
    explicit frmProperties(QWidget* parent = nullptr, const QString& machineName = QString());

    // Shows the dialog modally for the current machine, once the caller has
    // passed the settings password (checkLogin); true when OK saved the record.
    // `onSaved` runs on every recordSaved.
    static bool
    editCurrentMachine(QWidget* parent, const QString& machineName,
                       const std::function<void(const QString& section, const QString& alias)>& onSaved = {});

    QString section() const { return section_; }

    // Fills every list afresh and sets every control from the record.
    void LoadPropertySettings();
    // Checks, then writes the record; false (dialog left open on the refused
    // field, or with a message when the file cannot be written and
    // `sayWhenNotSaved`) when it did not.
    bool click_OK(bool sayWhenNotSaved = true);
    // The settings write probe, the XModem advice and the USB warning (the
    // dialog hidden while each shows), then click_OK. The advice's Update
    // only sets 8 data bits, no parity, 1 stop bit and leaves the dialog open.
    void cmdOK_Click();
    void cmdCancel_Click();
    void setCaptionChkStrip();

Q_SIGNALS:
    // The machine's record was written (OK, or an installed example). The
    // shared flow values are already reloaded; `alias` is the stored name.
    void recordSaved(const QString& section, const QString& alias);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Bind { List, Check, Text, Number };
    struct Binding {
        QString key;
        QWidget* widget;
        Bind kind;
    };

    // Layout (frmPropertiesLayout.cpp).
    void buildForm();
    QWidget* buildComPortTab();
    QWidget* buildSendTab();
    QWidget* buildReceiveTab();
    QWidget* buildFoldersTab();
    QWidget* buildRemoveTab();
    QWidget* buildWirelessTab();
    QWidget* buildFtpTab();
    ClickLabel* addRow(QGridLayout* grid, const QString& labelName, const QString& caption, QWidget* field,
                       QWidget* extra = nullptr);
    QComboBox* makeCombo(const QString& name);
    QCheckBox* makeCheck(const QString& name);
    QLineEdit* makeEdit(const QString& name);
    QGroupBox* makeFrame(const QString& name, const QString& title);
    QTabWidget* makeTabs(const QString& name);
    // A code-list field with its picker button cmdAltChars(pickerIndex).
    QLineEdit* codeListRow(QGridLayout* grid, int labelIndex, const QString& caption, const QString& name,
                           int pickerIndex);
    template <typename Field>
    Field* row(QGridLayout* grid, const QString& labelName, const QString& caption, Field* field) {
        addRow(grid, labelName, caption, field);
        return field;
    }
    void bindControls();
    void connectHandlers();

    // Loading and saving.
    void fillLists();
    void applyValue(const Binding& b, const QString& value);
    QString storedForm(const Binding& b) const;
    bool validate();
    void refuse(QWidget* field, const QString& message);
    void reveal(QWidget* field);
    QString captionOf(QWidget* field) const;
    void recordWritten();
    void whileHidden(const std::function<void()>& warn);
    // The device a port would use: one picked in this dialog, else [Ports] or the default.
    QString deviceOfPort(int commPort) const;
    void showPortDevice(); // the port list's tool tip names its device

    // Handlers.
    void lstFlowControl_Click();
    void chkRemoteDevice_Click();
    void chkPunch_Click();
    void cmbStrip_Click(int index);
    void cmbEOB_Click(int index);
    void setEOBToolTip(int index);
    void cmdAltChars_Click(int index);
    void cmdCustomEOB_Click(int index);
    void cmdDir_Click(int index);
    void cmdExt_Click(int index);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click(int index);
    void Command5_Click();
    void Label7_Click(int index);
    void lblCaption_Click(int index);
    void SSTab1_Click(int tab);
    void SSTab2_Click(int tab);
    void SSTab3_Click(int tab);

    QString section_;
    QString machineName_;
    QVector<Binding> bindings_;
    QHash<QWidget*, QLabel*> labelOf_;
    QString customEOB_[2]; // held until OK
    QString loadedCustomEOB_[2];
    QString xmodemPad_;         // empty: unchanged
    QMap<int, QString> pickedPorts_; // port -> device picked for it, stored in [Ports] on OK
    QWidget* marked_ = nullptr; // the field the last refused OK marked

    QLineEdit* Text1;
    QPushButton* Command2;
    QTabWidget* SSTab1;
    QTabWidget* SSTab2;
    QTabWidget* SSTab3;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdLanguageSelect;

    // Com Port
    QComboBox* cboPort;
    QPushButton* Command1;
    QCheckBox* chkKeepAlive;
    QComboBox* cboSpeed;
    QComboBox* cboDataBits;
    QComboBox* cboParity;
    QComboBox* cboStopBits;
    QCheckBox* chkDTREnable;
    QCheckBox* chkRTSEnable;
    QComboBox* cmbCharacterSet;
    QListWidget* lstFlowControl;
    QComboBox* cmbFlowMethod;
    QPushButton* Command3;

    // Send
    QLineEdit* txtHeader[2];
    QLineEdit* txtTrailer[2];
    QPushButton* cmdAltChars[4];
    QComboBox* cmbEOB[2];
    QPushButton* cmdCustomEOB[2];
    QComboBox* cmbDripfeedPacket;
    QComboBox* cmbIgnoreBlocks;
    QLineEdit* txtIgnoreBlock;
    QCheckBox* chkStripSpaces;
    QCheckBox* chkBlankLines;
    QComboBox* cmbBufferSize[2];
    QComboBox* cmbDelay[2];
    QComboBox* cmbXON;
    QCheckBox* chkRemoteDevice;
    QComboBox* cmbWaitClosePort;
    QLineEdit* txtTimeOut;
    QCheckBox* chkPunch;
    QWidget* Frame11;
    QLineEdit* txtIgnore;
    QLineEdit* txtLeader[3];
    QCheckBox* chkDoubleSpaceAfterN;

    // Receive
    QComboBox* cmbStrip[2];
    QCheckBox* chkStrip[2];
    ClickLabel* lblStrip[2]; // lblCaption(2), lblCaption(3)
    QComboBox* cmbDiscardType;
    QComboBox* cmbWaitReceive;
    QComboBox* cmbRefreshRate;
    QCheckBox* chkAudit;
    QCheckBox* chkFly;
    QCheckBox* chkEcho;
    QComboBox* cmbLargeFiles;
    QCheckBox* chkOpenUpAfterReceive;
    QComboBox* cmbWordBefore;
    QComboBox* cmbWordAfter;
    QCheckBox* chkRenameDetected;
    QCheckBox* chkProgramNumberType;
    QCheckBox* chkStripPercent;
    QCheckBox* chkPutBackPercentsFanuc;
    QCheckBox* chkStripBlankLines;
    QCheckBox* chkPrefixO;
    QComboBox* cmbOpenFanuc;
    QCheckBox* chkUseFanucSaveAll;

    // Folders
    QLineEdit* txtDirs[2];
    QPushButton* cmdDir[2];
    QLineEdit* txtExt[2];
    QPushButton* cmdExt[2];
    QCheckBox* chkDefaultDirectories;
    QRadioButton* optBrowse[2];

    // Remove, Wireless, Ftp
    QLineEdit* txtRemoveString[8];
    QLineEdit* txtIP;
    QLineEdit* editRemotePort;
    QCheckBox* chkOverideVirtual[2];
    QPushButton* Command4[3];
    QComboBox* cmbIPWaitTime;
    QCheckBox* chkPassive;
    QLineEdit* txtFTP[5];
    QPushButton* Command5;
};
