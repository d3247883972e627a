#include "IniStorage.h"
#include "MachineRecord.h"
#include "ModalDriver.h"
#include "ProgramPaths.h"
#include "PortFakes.h"
#include "ScriptedMessages.h"
#include "TransferGlobals.h"
#include "frmAltChars.h"
#include "frmDefaultDir.h"
#include "frmExampleSettings.h"
#include "frmGetPortTypes.h"
#include "frmProperties.h"
#include "frmTip.h"

#include "ClickLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// Every key of the record, each with a value that is not its default, and
// the control that shows it (if one does).
const struct {
    const char* key;
    const char* value;
    const char* control;
} kRecord[] = {
    {"Alias", "Big Mill", "Text1"},
    {"iBaudrate", "9", "cboSpeed"},
    {"iParity", "2", "cboParity"},
    {"iDataLength", "3", "cboDataBits"},
    {"iStopBits", "0", "cboStopBits"},
    {"CommPort", "4", "cboPort"},
    {"Handshaking", "2", "lstFlowControl"},
    {"CharacterSet", "1", "cmbCharacterSet"},
    {"EOBSend", "3", "cmbEOB(0)"},
    {"EOBReceive", "4", "cmbEOB(1)"},
    {"LineDelay", "25", "cmbDelay(0)"},
    {"CharacterDelay", "7", "cmbDelay(1)"},
    {"HeaderSend", "#3,0,!250!,18", "txtHeader(0)"},
    {"TrailerSend", "20", "txtTrailer(0)"},
    {"ReceiveHeaderSend", "17", "txtHeader(1)"},
    {"ReceiveTrailerSend", "19", "txtTrailer(1)"},
    {"HeaderReceive", "38", "cmbStrip(0)"},
    {"TrailerReceive", "38", "cmbStrip(1)"},
    {"HeaderReceiveInc", "1", "chkStrip(0)"},
    {"TrailerReceiveInc", "1", "chkStrip(1)"},
    {"WaitForXON", "1", "cmbXON"},
    {"RemoteDeviceOnline", "1", "chkRemoteDevice"},
    {"SendDirectory", "/cnc/send", "txtDirs(0)"},
    {"ReceiveDirectory", "/cnc/receive", "txtDirs(1)"},
    {"DefaultToDirectories", "0", "chkDefaultDirectories"},
    {"DTREnable", "0", "chkDTREnable"},
    {"RTSEnable", "0", "chkRTSEnable"},
    {"Discard", "2", "cmbDiscardType"},
    {"StripSpaces", "1", "chkStripSpaces"},
    {"StripBlankLines", "1", "chkBlankLines"},
    {"DripFeedPacketSize", "1027", "cmbDripfeedPacket"},
    {"WaitAfterReceive", "26", "cmbWaitReceive"},
    {"FlowMethod", "0", "cmbFlowMethod"},
    {"WaitAfterSending", "30", "cmbWaitClosePort"},
    {"RemoveUnwantedStrings1", "&HE:", "txtRemoveString(0)"},
    {"RemoveUnwantedStrings2", "r2", nullptr},
    {"RemoveUnwantedStrings3", "r3", nullptr},
    {"RemoveUnwantedStrings4", "r4", nullptr},
    {"RemoveUnwantedStrings5", "r5", nullptr},
    {"RemoveUnwantedStrings6", "r6", nullptr},
    {"RemoveUnwantedStrings7", "r7", nullptr},
    {"RemoveUnwantedStrings8", "r8", "txtRemoveString(7)"},
    {"RefreshRate", "19", "cmbRefreshRate"},
    {"ChangeOnFly", "0", "chkFly"},
    {"EchoReceive", "0", "chkEcho"},
    {"PunchToTape", "1", "chkPunch"},
    {"IgnoreUntil", "O", "txtIgnore"},
    {"BeforeMan", "12", "txtLeader(0)"},
    {"AfterMan", "5", "txtLeader(1)"},
    {"AfterTape", "40", "txtLeader(2)"},
    {"IgnoreBlock", "/", "txtIgnoreBlock"},
    {"IgnoreBlockType", "1", "cmbIgnoreBlocks"},
    {"SendTimeOut", "90", "txtTimeOut"},
    {"InBufferSize", "19", "cmbBufferSize(0)"},
    {"OutBufferSize", "0", "cmbBufferSize(1)"},
    {"KeepAlive", "0", "chkKeepAlive"},
    {"AuditTrail", "1", "chkAudit"},
    {"ReceiveChunk", "1", "cmbLargeFiles"},
    {"FanucSaveAll", "1", "chkUseFanucSaveAll"},
    {"FanucBefore", "4", "cmbWordBefore"},
    {"FanucAfter", "5", "cmbWordAfter"},
    {"FanucStripPercent", "0", "chkStripPercent"},
    {"FanucPutBackPercent", "1", "chkPutBackPercentsFanuc"},
    {"FanucStripBlankLines", "0", "chkStripBlankLines"},
    {"FanucLaunch", "11", "cmbOpenFanuc"},
    {"FanucUseComment", "1", "chkProgramNumberType"},
    {"PrefixO", "1", "chkPrefixO"},
    {"IP", "10.0.0.7", "txtIP"},
    {"IPVsend", "1", "chkOverideVirtual(0)"},
    {"IPVreceive", "1", "chkOverideVirtual(1)"},
    {"IPWait", "500", "cmbIPWaitTime"},
    {"remotePort", "5000", "editRemotePort"},
    {"renameFanucFiles", "1", "chkRenameDetected"},
    {"OpenEdAfterReceive", "0", "chkOpenUpAfterReceive"},
    {"DoubleSpaceN", "1", "chkDoubleSpaceAfterN"},
    {"ftpPassive", "268435456", nullptr},
    {"ftp", "ftp.shop.local", "txtFTP(0)"},
    {"username", "op", "txtFTP(1)"},
    {"password", "se=cr;et", "txtFTP(2)"},
    {"port", "2121", "txtFTP(3)"},
    {"initialfolder", "/nc", "txtFTP(4)"},
};

QByteArray handWrittenRecord() {
    QByteArray ini = "[Settings]\nDNCStatus=2\n[Machine3]\n";
    for (const auto& r : kRecord)
        ini += QByteArray(r.key) + "=" + r.value + "\n";
    return ini + "[Machine4]\nAlias=Other\n";
}

// What a control shows, in the stored form of its key.
QString shown(QWidget* w) {
    if (auto* box = qobject_cast<QComboBox*>(w))
        return QString::number(box->currentIndex());
    if (auto* list = qobject_cast<QListWidget*>(w))
        return QString::number(list->currentRow());
    if (auto* check = qobject_cast<QCheckBox*>(w))
        return check->isChecked() ? "1" : "0";
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    return "<unknown control>";
}

} // namespace

class PropertiesDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedMessages> msgs;

    template <typename T> static T* child(QObject* dialog, const char* name) {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QString stored(const char* key) { return readIni("Machine3", key, "<none>"); }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        msgs = std::make_unique<ScriptedMessages>();
        gCurrentMachineSection = "Machine3";
    }
    void cleanup() {
        msgs.reset();
        home.reset();
    }

    void everyControlShowsTheStoredValueAndOkWritesExactlyTheRecord() {
        home->writeIni(handWrittenRecord());
        frmProperties dialog;
        for (const auto& r : kRecord) {
            if (!r.control)
                continue;
            auto* w = child<QWidget>(&dialog, r.control);
            QVERIFY2(w, r.control);
            QCOMPARE(shown(w), stored(r.key));
        }
        QVERIFY(!child<QCheckBox>(&dialog, "chkPassive")->isChecked());
        QVERIFY(!child<QWidget>(&dialog, "Frame11")->isHidden());

        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        QVERIFY(dialog.click_OK());
        QCOMPARE(saved.count(), 1);
        QStringList expected;
        for (const auto& r : kRecord) {
            expected << QString::fromLatin1(r.key).toLower();
            QCOMPARE(stored(r.key), QString::fromLatin1(r.value)); // unchanged by the round trip
        }
        QStringList keys = iniSectionKeys("Machine3", gIniPath);
        for (QString& k : keys)
            k = k.toLower();
        keys.sort();
        expected.sort();
        QCOMPARE(keys, expected);
        QCOMPARE(iniSectionKeys("Machine4", gIniPath), QStringList{"Alias"});
        QCOMPARE(readIni("Settings", "shellDialogType", "x"), QString("0"));
    }

    void anEmptySectionLoadsAndSavesTheWholeRecordOfDefaults() {
        frmProperties dialog(nullptr, "Machine3");
        QCOMPARE(child<QComboBox>(&dialog, "cboSpeed")->currentText(), QString("4800"));
        QCOMPARE(child<QListWidget>(&dialog, "lstFlowControl")->currentItem()->text(), QString("Xon/Xoff"));
        QString folder = ProgramPaths::programFolder();
        folder.chop(1);
        QCOMPARE(child<QLineEdit>(&dialog, "txtDirs(1)")->text(), folder);
        QVERIFY(child<QCheckBox>(&dialog, "chkPassive")->isChecked());
        QVERIFY(child<QWidget>(&dialog, "Frame11")->isHidden());

        QVERIFY(dialog.click_OK());
        QCOMPARE(iniSectionKeys("Machine3", gIniPath).size(), 81);
        QCOMPARE(stored("Alias"), QString("Machine3"));
        QCOMPARE(stored("ftpPassive"), QString("134217728"));
        QCOMPARE(stored("SendTimeOut"), QString("600"));
        QCOMPARE(stored("CustomEOBSend"), QString("<none>")); // not part of the record
    }

    void badCodeListsAreRefusedAndNothingIsWritten_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("message");
        const QString before = "Send Before File - Invalid String Configuration";
        for (const char* bad : {"13,,10", "300", "#", "!abc"})
            QTest::newRow(bad) << "txtHeader(0)" << bad << 1 << before;
        QTest::newRow("trailer") << "txtTrailer(0)"
                                 << "13,10," << 1 << "Send After File - Invalid String Configuration";
        QTest::newRow("before receiving")
            << "txtHeader(1)"
            << "#" << 2 << "Send Before Receiving File - Invalid String Configuration";
        QTest::newRow("after receiving")
            << "txtTrailer(1)"
            << "!abc" << 2 << "Send After Receiving File - Invalid String Configuration";
    }
    void badCodeListsAreRefusedAndNothingIsWritten() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, tab);
        QFETCH(QString, message);
        home->writeIni(handWrittenRecord());
        const QByteArray before = home->readIniBytes();
        frmProperties dialog;
        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        child<QLineEdit>(&dialog, "Text1")->setText("Renamed");
        child<QComboBox>(&dialog, "cboSpeed")->setCurrentIndex(2);
        auto* edit = child<QLineEdit>(&dialog, field.toLatin1());
        edit->setText(text);

        QVERIFY(!dialog.click_OK());
        QVERIFY(msgs->sawText(message));
        QCOMPARE(home->readIniBytes(), before);
        QCOMPARE(saved.count(), 0);
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(child<QTabWidget>(&dialog, "SSTab1")->currentIndex(), tab);
        QVERIFY(edit->styleSheet().contains("255, 0, 0"));

        // Corrected, the same dialog saves and the mark goes.
        edit->setText("13,10");
        QVERIFY(dialog.click_OK());
        QVERIFY(edit->styleSheet().isEmpty());
        QCOMPARE(stored("Alias"), QString("Renamed"));
    }

    void otherBadFieldsAreRefused() {
        home->writeIni("[Machine3]\nCommPort=200\nHandshaking=abc\n");
        const QByteArray before = home->readIniBytes();
        frmProperties dialog;
        QCOMPARE(child<QComboBox>(&dialog, "cboPort")->currentIndex(), -1);
        QCOMPARE(child<QListWidget>(&dialog, "lstFlowControl")->currentRow(), 0); // "abc" reads as None
        QVERIFY(!dialog.click_OK());
        QVERIFY(msgs->sawText("Port - Choose An Entry From The List"));
        QCOMPARE(child<QTabWidget>(&dialog, "SSTab1")->currentIndex(), 0);

        child<QComboBox>(&dialog, "cboPort")->setCurrentIndex(127);
        child<QLineEdit>(&dialog, "txtTimeOut")->setText("ten");
        QVERIFY(!dialog.click_OK());
        QVERIFY(
            msgs->sawText("Abort After This Inactivity (secs) - Enter A Whole Number Of Seconds, 1 Or More"));
        QCOMPARE(home->readIniBytes(), before);

        child<QLineEdit>(&dialog, "txtTimeOut")->setText("30");
        child<QLineEdit>(&dialog, "txtLeader(0)")->setText("12abc");
        child<QLineEdit>(&dialog, "txtLeader(1)")->setText("");
        QVERIFY(dialog.click_OK());
        QCOMPARE(stored("CommPort"), QString("127"));
        QCOMPARE(stored("Handshaking"), QString("0"));
        QCOMPARE(stored("BeforeMan"), QString("12"));
        QCOMPARE(stored("AfterMan"), QString("0"));
    }

    void cancelWritesNothingEvenAfterThePickers() {
        home->writeIni(handWrittenRecord());
        const QByteArray before = home->readIniBytes();
        QDir(home->path()).mkpath("programs/lathe");
        {
            frmProperties dialog;
            child<QLineEdit>(&dialog, "txtHeader(0)")->setText("18,20");
            child<QCheckBox>(&dialog, "chkAudit")->setChecked(false);
            child<QComboBox>(&dialog, "cmbEOB(0)")->setCurrentIndex(5);
            whenShown<frmDefaultDir>([this](frmDefaultDir* d) {
                d->highlightFolder(home->path() + "programs/lathe");
                d->Command1_Click(0);
            });
            child<QPushButton>(&dialog, "cmdDir(0)")->click();
            QCOMPARE(child<QLineEdit>(&dialog, "txtDirs(0)")->text(), home->path() + "programs/lathe");
            whenShown<frmAltChars>([](frmAltChars* d) {
                d->setCodeList("13,10,");
                d->Command2_Click(0);
            });
            child<QPushButton>(&dialog, "cmdCustomEOB(0)")->click();
            QCOMPARE(child<QComboBox>(&dialog, "cmbEOB(0)")->toolTip(),
                     QString("Custom EOB Set To ASCIIs - \"13,10\""));
            child<QPushButton>(&dialog, "cmdCancel")->click();
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(home->readIniBytes(), before);

        // The same choices are stored by OK.
        frmProperties dialog;
        whenShown<frmDefaultDir>([this](frmDefaultDir* d) {
            d->highlightFolder(home->path() + "programs/lathe");
            d->Command1_Click(0);
        });
        child<QPushButton>(&dialog, "cmdDir(0)")->click();
        child<QComboBox>(&dialog, "cmbEOB(1)")->setCurrentIndex(6);
        whenShown<frmAltChars>([](frmAltChars* d) {
            d->setCodeList("10,13");
            d->Command2_Click(0);
        });
        child<QPushButton>(&dialog, "cmdCustomEOB(1)")->click();
        QVERIFY(dialog.click_OK());
        QCOMPARE(stored("SendDirectory"), home->path() + "programs/lathe");
        QCOMPARE(stored("CustomEOBReceive"), QString("10,13"));
        QCOMPARE(stored("CustomEOBSend"), QString("<none>"));
    }

    void pickersLeaveFieldsAloneWhenCancelledAndRefuseBadCustomEnds() {
        frmProperties dialog;
        auto* trailer = child<QLineEdit>(&dialog, "txtTrailer(1)");
        trailer->setText("19");
        whenShown<frmAltChars>([](frmAltChars* d) {
            d->setCodeList("20");
            d->Command2_Click(1);
        });
        child<QPushButton>(&dialog, "cmdAltChars(3)")->click();
        QCOMPARE(trailer->text(), QString("19"));
        whenShown<frmAltChars>([](frmAltChars* d) {
            d->setCodeList("20,#2,13");
            d->Command2_Click(0);
        });
        child<QPushButton>(&dialog, "cmdAltChars(3)")->click();
        QCOMPARE(trailer->text(), QString("20,#2,13"));

        child<QComboBox>(&dialog, "cmbEOB(0)")->setCurrentIndex(5);
        whenShown<frmAltChars>([](frmAltChars* d) {
            d->setCodeList("13,,10");
            d->Command2_Click(0);
        });
        child<QPushButton>(&dialog, "cmdCustomEOB(0)")->click();
        QVERIFY(msgs->sawText("Custom End Of Block - Invalid String Configuration"));
        QCOMPARE(child<QComboBox>(&dialog, "cmbEOB(0)")->toolTip(),
                 QString("Custom EOB Set To ASCIIs - \"\""));
    }

    void xmodemAdviceUpdateSets8DataBitsNoParityOneStopBit() {
        home->writeIni("[Machine3]\nHandshaking=4\niDataLength=2\niParity=1\niStopBits=1\n");
        frmProperties dialog;
        const auto shownTip = whenShown<frmTip>([](frmTip* tip) {
            QVERIFY(tip->message().startsWith(
                "The XModem Protocol Requires 8 Databits, NONE parity and 1 Stop Bit."));
            QCOMPARE(tip->command1()->text(), QString("Update"));
            tip->runCommand1();
        });
        dialog.cmdOK_Click();
        QVERIFY(*shownTip);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(stored("iDataLength"), QString("3"));
        QCOMPARE(stored("iParity"), QString("0"));
        QCOMPARE(stored("iStopBits"), QString("0"));
        QCOMPARE(stored("Handshaking"), QString("4"));
    }

    void xmodemAdviceOkKeepsTheLineSettingsAndCanBeSilenced() {
        home->writeIni("[Machine3]\nHandshaking=4\niDataLength=2\niParity=1\niStopBits=1\n");
        {
            frmProperties dialog;
            const auto shownTip = whenShown<frmTip>([](frmTip* tip) {
                tip->chkLoadTipsAtStartup()->setChecked(true);
                tip->confirm();
            });
            dialog.cmdOK_Click();
            QVERIFY(*shownTip);
        }
        QCOMPARE(stored("iDataLength"), QString("2"));
        QCOMPARE(stored("iStopBits"), QString("1"));
        QCOMPARE(readIni("Settings", "XModemWarn", "x"), QString("1"));

        frmProperties again;
        const auto shownAgain = whenShown<frmTip>([](frmTip* tip) { tip->confirm(); });
        again.cmdOK_Click();
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QVERIFY(!*shownAgain);
    }

    void usbWarningIsGivenForAnAdaptersPortOnly() {
        FakeSysfs sys;
        const QString adapter = sys.addTty(*home, "ttyUSB9", "pci0/usb1/1-1/1-1:1.0");
        home->writeIni(("[Ports]\nCom10=" + adapter + "\n[Machine3]\nCommPort=9\n").toUtf8());
        {
            frmProperties dialog;
            dialog.cmdOK_Click();
            QVERIFY(msgs->sawText("We have detected that this is a USB port"));
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(stored("KeepAlive"), QString("0")); // an adapter's port defaults to closing
        }
        msgs->clear();
        frmProperties other;
        child<QComboBox>(&other, "cboPort")->setCurrentIndex(0);
        other.cmdOK_Click();
        QVERIFY(!msgs->sawText("USB"));
    }

    void aSettingsFileThatCannotBeWrittenKeepsTheDialogOpen() {
        home->writeIni(handWrittenRecord());
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        const QByteArray before = home->readIniBytes();
        frmProperties dialog;
        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        child<QLineEdit>(&dialog, "Text1")->setText("Renamed");
        QVERIFY(!dialog.click_OK());
        QVERIFY(msgs->sawText("The Settings Could Not Be Saved To " + gIniPath));
        QCOMPARE(saved.count(), 0);
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(home->readIniBytes(), before);
        QCOMPARE(readIni("Machine3", "Alias"), QString("Big Mill"));
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void okSetsTheSharedValuesOfTheCurrentMachine() {
        gFlowMethod = 1;
        gCharacterSet = 0;
        gHandshaking = 1;
        gKeepAlive = 1;
        frmProperties dialog;
        child<QListWidget>(&dialog, "lstFlowControl")->setCurrentRow(2);
        QCOMPARE(gHandshaking, 1); // a click in the list alone changes nothing
        child<QComboBox>(&dialog, "cmbFlowMethod")->setCurrentIndex(0);
        child<QComboBox>(&dialog, "cmbCharacterSet")->setCurrentIndex(1);
        child<QCheckBox>(&dialog, "chkKeepAlive")->setChecked(false);
        child<QLineEdit>(&dialog, "Text1")->setText("Router");
        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        QVERIFY(dialog.click_OK());
        QCOMPARE(gHandshaking, 2);
        QCOMPARE(gFlowMethod, 0);
        QCOMPARE(gCharacterSet, 1);
        QCOMPARE(gKeepAlive, 0);
        QCOMPARE(saved.count(), 1);
        QCOMPARE(saved.at(0).at(0).toString(), QString("Machine3"));
        QCOMPARE(saved.at(0).at(1).toString(), QString("Router"));
    }

    void dependentControlsFollowTheirChoices() {
        home->writeIni("[Machine3]\nCustomEOBReceive=13,10\nDTREnable=0\nRTSEnable=0\n");
        frmProperties dialog;
        auto* flow = child<QListWidget>(&dialog, "lstFlowControl");
        auto* pad = child<QPushButton>(&dialog, "Command3");
        QVERIFY(pad->isHidden());
        flow->setCurrentRow(4);
        QVERIFY(!pad->isHidden());
        flow->setCurrentRow(5);
        QVERIFY(pad->isHidden());

        auto* eob = child<QComboBox>(&dialog, "cmbEOB(1)");
        auto* custom = child<QPushButton>(&dialog, "cmdCustomEOB(1)");
        eob->setCurrentIndex(5);
        QVERIFY(custom->isHidden());
        QCOMPARE(eob->toolTip(), QString("LF\\CR"));
        eob->setCurrentIndex(6);
        QVERIFY(!custom->isHidden());
        QCOMPARE(eob->toolTip(), QString("Custom EOB Set To ASCIIs - \"13,10\""));
        child<QComboBox>(&dialog, "cmbEOB(0)")->setCurrentIndex(5);
        QVERIFY(!child<QPushButton>(&dialog, "cmdCustomEOB(0)")->isHidden());

        auto* remote = child<QCheckBox>(&dialog, "chkRemoteDevice");
        remote->setChecked(true);
        QVERIFY(child<QCheckBox>(&dialog, "chkDTREnable")->isChecked());
        QVERIFY(child<QCheckBox>(&dialog, "chkRTSEnable")->isChecked());
        child<QCheckBox>(&dialog, "chkDTREnable")->setChecked(false);
        remote->setChecked(false);
        QVERIFY(!child<QCheckBox>(&dialog, "chkDTREnable")->isChecked());
        QVERIFY(child<QCheckBox>(&dialog, "chkRTSEnable")->isChecked());

        auto* punch = child<QCheckBox>(&dialog, "chkPunch");
        Q_EMIT child<ClickLabel>(&dialog, "Label7(12)")->clicked();
        QVERIFY(punch->isChecked());
        QVERIFY(!child<QWidget>(&dialog, "Frame11")->isHidden());

        auto* strip = child<QComboBox>(&dialog, "cmbStrip(0)");
        auto* keepChar = child<QCheckBox>(&dialog, "chkStrip(0)");
        QVERIFY(!keepChar->isEnabled());
        strip->setCurrentIndex(66);
        QCOMPARE(strip->currentText(), QString("65 <A>"));
        QCOMPARE(strip->itemText(19), QString("18 <DC2>"));
        QVERIFY(keepChar->isEnabled());
        Q_EMIT child<ClickLabel>(&dialog, "lblCaption(2)")->clicked();
        QCOMPARE(child<QLabel>(&dialog, "lblCaption(2)")->text(),
                 QString("Strip Everything Before (Keeping) :"));
    }

    void portListShowsAMappedPseudoTerminalAndAcceptsIt() {
        Pty pty;
        QVERIFY(!pty.slave().isEmpty());
        home->writeIni(("[Ports]\nCom5=" + pty.slave() + "\n").toUtf8());
        frmProperties dialog;
        auto* port = child<QComboBox>(&dialog, "cboPort");
        QCOMPARE(port->currentText(), QString("Com1"));
        whenShown<frmGetPortTypes>([&pty](frmGetPortTypes* d) {
            auto* list = d->findChild<QTreeWidget*>("List1");
            const auto rows = list->findItems("COM5", Qt::MatchFixedString);
            QCOMPARE(rows.size(), 1);
            QCOMPARE(rows[0]->text(1), pty.slave());
            list->setCurrentItem(rows[0]);
            d->Command1_Click(0);
        });
        child<QPushButton>(&dialog, "Command1")->click();
        QCOMPARE(port->currentText(), QString("Com5"));

        // Opening again finds the port selected; Cancel changes nothing.
        msgs->clear();
        whenShown<frmGetPortTypes>([](frmGetPortTypes* d) {
            QCOMPARE(d->findChild<QTreeWidget*>("List1")->currentItem()->text(0), QString("Com5"));
            d->Command1_Click(1);
        });
        child<QPushButton>(&dialog, "Command1")->click();
        QVERIFY(!msgs->sawText("Cannot Be Detected"));
        QCOMPARE(port->currentText(), QString("Com5"));
    }

    void examplesInstallIntoTheMachineAndReloadTheDialog() {
        home->writeIni(handWrittenRecord());
        frmProperties dialog;
        child<QPushButton>(&dialog, "Command2")->click();
        QVERIFY(msgs->sawText("The Configuration File " + home->path() + "Feedline.cfg Is Missing"));

        writeAllBytes(home->file("Feedline.cfg"), "[Haas]\nAlias=Haas\niBaudrate=10\nHandshaking=4\n"
                                                  "[Fanuc 0M]\nAlias=Fanuc 0M\niBaudrate=8\nHandshaking=1\n");
        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        whenShown<frmExampleSettings>([](frmExampleSettings* d) {
            auto* list = d->findChild<QListWidget*>("lstCNC");
            QCOMPARE(list->count(), 2);
            list->setCurrentRow(1);
            d->Command1_Click(0);
        });
        child<QPushButton>(&dialog, "Command2")->click();
        QCOMPARE(stored("iBaudrate"), QString("8"));
        QCOMPARE(stored("Alias"), QString("Fanuc 0M"));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(child<QComboBox>(&dialog, "cboSpeed")->currentIndex(), 8);
        QCOMPARE(child<QLineEdit>(&dialog, "Text1")->text(), QString("Fanuc 0M"));
        QCOMPARE(child<QListWidget>(&dialog, "lstFlowControl")->count(), 6);
        QCOMPARE(child<QComboBox>(&dialog, "cboPort")->count(), 128);
        QCOMPARE(child<QComboBox>(&dialog, "cmbDripfeedPacket")->count(), 1028);
        QCOMPARE(child<QLineEdit>(&dialog, "txtHeader(0)")->text(), QString()); // emptied by the example
    }

    void ftpLogonHandsTheHelperACopyAndLeavesTheSettingsFile() {
        home->writeIni(handWrittenRecord());
        const QByteArray before = home->readIniBytes();
        const QString argsFile = home->file("args.txt");
        writeAllBytes(home->file("ftp.exe"), ("#!/bin/sh\necho \"$1\" > '" + argsFile + "'\n").toUtf8());
        QFile::setPermissions(home->file("ftp.exe"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        frmProperties dialog;
        QVERIFY(child<QTabWidget>(&dialog, "SSTab1")->isTabVisible(6));
        child<QLineEdit>(&dialog, "txtFTP(0)")->setText("new.host");
        child<QCheckBox>(&dialog, "chkPassive")->setChecked(true);
        child<QPushButton>(&dialog, "Command5")->click();
        QVERIFY(!msgs->sawText("Failed To Shell FTP Program"));
        QCOMPARE(home->readIniBytes(), before);
        const QString copy = home->file("ftp-logon.ini");
        QCOMPARE(readIniString("Machine3", "ftp", copy), QString("new.host"));
        QCOMPARE(readIniString("Machine3", "ftpPassive", copy), QString("134217728"));
        QCOMPARE(readIniString("Machine3", "username", copy), QString("op"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argsFile) && !readAllBytes(argsFile).isEmpty(), 20000);
        QCOMPARE(readAllBytes(argsFile).trimmed(), ("?!?3?U?" + copy).toUtf8());
    }

    void withoutTheFtpHelperTheTabIsHiddenAndLogonDoesNothing() {
        frmProperties dialog;
        QVERIFY(!child<QTabWidget>(&dialog, "SSTab1")->isTabVisible(6));
        child<QPushButton>(&dialog, "Command5")->click();
        QVERIFY(msgs->shown().isEmpty());
        QVERIFY(!QFile::exists(home->file("ftp-logon.ini")));
    }
};

QTEST_MAIN(PropertiesDialogTest)
#include "PropertiesDialogTest.moc"
