#include "IniStorage.h"
#include "MachineRecord.h"
#include "ModalDriver.h"
#include "ProgramPaths.h"
#include "Pty.h"
#include "ScriptedMessages.h"
#include "TestHome.h"
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

// Every key of the record, each with a value that is not its default.
const char* const kRecord[][2] = {
    {"Alias", "Big Mill"},
    {"iBaudrate", "9"},
    {"iParity", "2"},
    {"iDataLength", "3"},
    {"iStopBits", "0"},
    {"CommPort", "4"},
    {"Handshaking", "2"},
    {"CharacterSet", "1"},
    {"EOBSend", "3"},
    {"EOBReceive", "4"},
    {"LineDelay", "25"},
    {"CharacterDelay", "7"},
    {"HeaderSend", "#3,0,!250!,18"},
    {"TrailerSend", "20"},
    {"ReceiveHeaderSend", "17"},
    {"ReceiveTrailerSend", "19"},
    {"HeaderReceive", "38"},
    {"TrailerReceive", "38"},
    {"HeaderReceiveInc", "1"},
    {"TrailerReceiveInc", "1"},
    {"WaitForXON", "1"},
    {"RemoteDeviceOnline", "1"},
    {"SendDirectory", "/cnc/send"},
    {"ReceiveDirectory", "/cnc/receive"},
    {"DefaultToDirectories", "0"},
    {"DTREnable", "0"},
    {"RTSEnable", "0"},
    {"Discard", "2"},
    {"StripSpaces", "1"},
    {"StripBlankLines", "1"},
    {"DripFeedPacketSize", "1027"},
    {"WaitAfterReceive", "26"},
    {"FlowMethod", "0"},
    {"WaitAfterSending", "30"},
    {"RemoveUnwantedStrings1", "&HE:"},
    {"RemoveUnwantedStrings2", "r2"},
    {"RemoveUnwantedStrings3", "r3"},
    {"RemoveUnwantedStrings4", "r4"},
    {"RemoveUnwantedStrings5", "r5"},
    {"RemoveUnwantedStrings6", "r6"},
    {"RemoveUnwantedStrings7", "r7"},
    {"RemoveUnwantedStrings8", "r8"},
    {"RefreshRate", "19"},
    {"ChangeOnFly", "0"},
    {"EchoReceive", "0"},
    {"PunchToTape", "1"},
    {"IgnoreUntil", "O"},
    {"BeforeMan", "12"},
    {"AfterMan", "5"},
    {"AfterTape", "40"},
    {"IgnoreBlock", "/"},
    {"IgnoreBlockType", "1"},
    {"SendTimeOut", "90"},
    {"InBufferSize", "19"},
    {"OutBufferSize", "0"},
    {"KeepAlive", "0"},
    {"AuditTrail", "1"},
    {"ReceiveChunk", "1"},
    {"FanucSaveAll", "1"},
    {"FanucBefore", "4"},
    {"FanucAfter", "5"},
    {"FanucStripPercent", "0"},
    {"FanucPutBackPercent", "1"},
    {"FanucStripBlankLines", "0"},
    {"FanucLaunch", "11"},
    {"FanucUseComment", "1"},
    {"PrefixO", "1"},
    {"IP", "10.0.0.7"},
    {"IPVsend", "1"},
    {"IPVreceive", "1"},
    {"IPWait", "500"},
    {"remotePort", "5000"},
    {"renameFanucFiles", "1"},
    {"OpenEdAfterReceive", "0"},
    {"DoubleSpaceN", "1"},
    {"ftpPassive", "268435456"},
    {"ftp", "ftp.shop.local"},
    {"username", "op"},
    {"password", "se=cr;et"},
    {"port", "2121"},
    {"initialfolder", "/nc"},
};

// The control that shows each key.
const char* const kControl[][2] = {
    {"iBaudrate", "cboSpeed"},
    {"iParity", "cboParity"},
    {"iDataLength", "cboDataBits"},
    {"iStopBits", "cboStopBits"},
    {"CommPort", "cboPort"},
    {"Handshaking", "lstFlowControl"},
    {"CharacterSet", "cmbCharacterSet"},
    {"EOBSend", "cmbEOB(0)"},
    {"EOBReceive", "cmbEOB(1)"},
    {"LineDelay", "cmbDelay(0)"},
    {"CharacterDelay", "cmbDelay(1)"},
    {"HeaderSend", "txtHeader(0)"},
    {"TrailerSend", "txtTrailer(0)"},
    {"ReceiveHeaderSend", "txtHeader(1)"},
    {"ReceiveTrailerSend", "txtTrailer(1)"},
    {"HeaderReceive", "cmbStrip(0)"},
    {"TrailerReceive", "cmbStrip(1)"},
    {"HeaderReceiveInc", "chkStrip(0)"},
    {"TrailerReceiveInc", "chkStrip(1)"},
    {"WaitForXON", "cmbXON"},
    {"RemoteDeviceOnline", "chkRemoteDevice"},
    {"SendDirectory", "txtDirs(0)"},
    {"ReceiveDirectory", "txtDirs(1)"},
    {"DefaultToDirectories", "chkDefaultDirectories"},
    {"DTREnable", "chkDTREnable"},
    {"RTSEnable", "chkRTSEnable"},
    {"Discard", "cmbDiscardType"},
    {"StripSpaces", "chkStripSpaces"},
    {"StripBlankLines", "chkBlankLines"},
    {"DripFeedPacketSize", "cmbDripfeedPacket"},
    {"WaitAfterReceive", "cmbWaitReceive"},
    {"FlowMethod", "cmbFlowMethod"},
    {"WaitAfterSending", "cmbWaitClosePort"},
    {"RemoveUnwantedStrings1", "txtRemoveString(0)"},
    {"RemoveUnwantedStrings8", "txtRemoveString(7)"},
    {"RefreshRate", "cmbRefreshRate"},
    {"ChangeOnFly", "chkFly"},
    {"EchoReceive", "chkEcho"},
    {"PunchToTape", "chkPunch"},
    {"IgnoreUntil", "txtIgnore"},
    {"BeforeMan", "txtLeader(0)"},
    {"AfterMan", "txtLeader(1)"},
    {"AfterTape", "txtLeader(2)"},
    {"IgnoreBlock", "txtIgnoreBlock"},
    {"IgnoreBlockType", "cmbIgnoreBlocks"},
    {"SendTimeOut", "txtTimeOut"},
    {"InBufferSize", "cmbBufferSize(0)"},
    {"OutBufferSize", "cmbBufferSize(1)"},
    {"KeepAlive", "chkKeepAlive"},
    {"AuditTrail", "chkAudit"},
    {"ReceiveChunk", "cmbLargeFiles"},
    {"FanucSaveAll", "chkUseFanucSaveAll"},
    {"FanucBefore", "cmbWordBefore"},
    {"FanucAfter", "cmbWordAfter"},
    {"FanucStripPercent", "chkStripPercent"},
    {"FanucPutBackPercent", "chkPutBackPercentsFanuc"},
    {"FanucStripBlankLines", "chkStripBlankLines"},
    {"FanucLaunch", "cmbOpenFanuc"},
    {"FanucUseComment", "chkProgramNumberType"},
    {"PrefixO", "chkPrefixO"},
    {"IP", "txtIP"},
    {"IPVsend", "chkOverideVirtual(0)"},
    {"IPVreceive", "chkOverideVirtual(1)"},
    {"IPWait", "cmbIPWaitTime"},
    {"remotePort", "editRemotePort"},
    {"renameFanucFiles", "chkRenameDetected"},
    {"OpenEdAfterReceive", "chkOpenUpAfterReceive"},
    {"DoubleSpaceN", "chkDoubleSpaceAfterN"},
    {"ftp", "txtFTP(0)"},
    {"username", "txtFTP(1)"},
    {"password", "txtFTP(2)"},
    {"port", "txtFTP(3)"},
    {"initialfolder", "txtFTP(4)"},
    {"Alias", "Text1"},
};

QByteArray handWrittenRecord() {
    QByteArray ini = "[Settings]\nDNCStatus=2\n[Machine3]\n";
    for (const auto& kv : kRecord)
        ini += QByteArray(kv[0]) + "=" + kv[1] + "\n";
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
        for (const auto& kc : kControl) {
            auto* w = child<QWidget>(&dialog, kc[1]);
            QVERIFY2(w, kc[1]);
            QCOMPARE(shown(w), stored(kc[0]));
        }
        QVERIFY(!child<QCheckBox>(&dialog, "chkPassive")->isChecked());
        QVERIFY(!child<QWidget>(&dialog, "Frame11")->isHidden());

        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        QVERIFY(dialog.click_OK());
        QCOMPARE(saved.count(), 1);
        QStringList expected;
        for (const auto& kv : kRecord) {
            expected << QString::fromLatin1(kv[0]).toLower();
            QCOMPARE(stored(kv[0]), QString::fromLatin1(kv[1])); // unchanged by the round trip
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

    void anEmptySectionLoadsAndSavesTheDefaults() {
        frmProperties dialog(nullptr, "Machine3");
        const std::pair<const char*, const char*> texts[] = {
            {"cboPort", "Com1"},          {"cboSpeed", "4800"},
            {"cboParity", "Even"},        {"cboDataBits", "7"},
            {"cboStopBits", "2"},         {"cmbFlowMethod", "Interrupt"},
            {"cmbBufferSize(0)", "8192"}, {"cmbEOB(0)", "CR\\LF"},
            {"cmbEOB(1)", "{Auto}"},      {"cmbWaitClosePort", "5"},
            {"cmbWaitReceive", "5"},      {"cmbRefreshRate", "100"},
            {"cmbIPWaitTime", "10"},      {"cmbDripfeedPacket", "{Block Send}"}};
        for (const auto& [name, text] : texts)
            QCOMPARE(child<QComboBox>(&dialog, name)->currentText(), QString::fromLatin1(text));
        QCOMPARE(child<QListWidget>(&dialog, "lstFlowControl")->currentItem()->text(), QString("Xon/Xoff"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtIgnore")->text(), QString("%"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtTimeOut")->text(), QString("600"));
        QCOMPARE(child<QLineEdit>(&dialog, "editRemotePort")->text(), QString("4660"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtFTP(3)")->text(), QString("21"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtExt(0)")->text(), QString("TXT"));
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
        QTemporaryDir sys;
        qputenv("FEEDLINE_SYSFS_ROOT", QFile::encodeName(sys.path()));
        QDir().mkpath(sys.path() + "/class/tty/ttyUSB9");
        QDir().mkpath(sys.path() + "/devices/pci0/usb1/1-1/1-1:1.0");
        QFile::link(sys.path() + "/devices/pci0/usb1/1-1/1-1:1.0", sys.path() + "/class/tty/ttyUSB9/device");
        writeAllBytes(home->file("ttyUSB9"), "");
        home->writeIni(("[Ports]\nCom10=" + home->file("ttyUSB9") + "\n[Machine3]\nCommPort=9\n").toUtf8());
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
        qunsetenv("FEEDLINE_SYSFS_ROOT");
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

    void editCurrentMachineReportsTheSave() {
        QStringList saves;
        whenShown<frmProperties>([](frmProperties* d) {
            d->findChild<QLineEdit*>("Text1")->setText("Mill 3");
            d->cmdOK_Click();
        });
        QVERIFY(frmProperties::editCurrentMachine(
            nullptr, "Machine3", [&saves](const QString& s, const QString& a) { saves << s + "=" + a; }));
        QCOMPARE(saves, QStringList{"Machine3=Mill 3"});
        whenShown<frmProperties>([](frmProperties* d) { d->cmdCancel_Click(); });
        QVERIFY(!frmProperties::editCurrentMachine(nullptr, "Mill 3"));
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

        auto* keep = child<QCheckBox>(&dialog, "chkKeepAlive");
        const bool was = keep->isChecked();
        Q_EMIT child<ClickLabel>(&dialog, "Label7(13)")->clicked();
        QCOMPARE(keep->isChecked(), !was);
        Q_EMIT child<ClickLabel>(&dialog, "Label7(1)")->clicked(); // "Port :" toggles nothing
        QCOMPARE(keep->isChecked(), !was);

        auto* strip = child<QComboBox>(&dialog, "cmbStrip(0)");
        auto* keepChar = child<QCheckBox>(&dialog, "chkStrip(0)");
        QVERIFY(!keepChar->isEnabled());
        strip->setCurrentIndex(66);
        QCOMPARE(strip->currentText(), QString("65 <A>"));
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
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argsFile) && !readAllBytes(argsFile).isEmpty(), 3000);
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
