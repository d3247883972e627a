#include "EditorFiles.h"
#include "ExampleSettings.h"
#include "FakeSerialDevices.h"
#include "FrmLogin.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ModalAnswerer.h"
#include "PortConfig.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "SettingsGlobals.h"
#include "SettingsWarning.h"
#include "ShellOpen.h"
#include "ShippedFiles.h"
#include "SmallDisk.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "frmAltChars.h"
#include "frmDefaultDir.h"
#include "frmExampleSettings.h"
#include "frmExtensions.h"
#include "frmGetPortTypes.h"
#include "frmProperties.h"
#include "frmTip.h"

#include "ClickLabel.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

// An answer for ModalAnswerer that acts on the dialogs of type T only.
template <typename T> std::function<bool(QWidget*)> on(std::function<void(T*)> act) {
    return [act](QWidget* w) {
        T* dialog = qobject_cast<T*>(w);
        if (dialog)
            act(dialog);
        return dialog != nullptr;
    };
}

// Controls a slip could swap with a neighbour, each with a stored value that
// is not its default and differs from the neighbour's.
const struct {
    const char* key;
    const char* value;
    const char* control;
} kShown[] = {
    {"Alias", "Big Mill", "Text1"},
    {"iBaudrate", "9", "cboSpeed"},
    {"Handshaking", "2", "lstFlowControl"},
    {"EOBSend", "3", "cmbEOB(0)"},
    {"EOBReceive", "4", "cmbEOB(1)"},
    {"LineDelay", "25", "cmbDelay(0)"},
    {"CharacterDelay", "7", "cmbDelay(1)"},
    {"HeaderSend", "#3,0,!250!,18", "txtHeader(0)"},
    {"TrailerSend", "20", "txtTrailer(0)"},
    {"ReceiveHeaderSend", "17", "txtHeader(1)"},
    {"ReceiveTrailerSend", "19", "txtTrailer(1)"},
    {"HeaderReceive", "38", "cmbStrip(0)"},
    {"TrailerReceive", "40", "cmbStrip(1)"},
    {"SendDirectory", "/cnc/send", "txtDirs(0)"},
    {"ReceiveDirectory", "/cnc/receive", "txtDirs(1)"},
    {"BeforeMan", "12", "txtLeader(0)"},
    {"AfterTape", "40", "txtLeader(2)"},
    {"SendTimeOut", "90", "txtTimeOut"},
    {"InBufferSize", "19", "cmbBufferSize(0)"},
    {"RemoveUnwantedStrings1", "&HE:", "txtRemoveString(0)"},
    {"RemoveUnwantedStrings8", "r8", "txtRemoveString(7)"},
    {"ftp", "ftp.shop.local", "txtFTP(0)"},
    {"username", "op", "txtFTP(1)"},
    {"password", "se=cr;et", "txtFTP(2)"},
    {"port", "2121", "txtFTP(3)"},
    {"initialfolder", "/nc", "txtFTP(4)"},
};

// Machine 3 with every key of the record written by hand, none of them its default.
QByteArray handWrittenRecord() {
    QByteArray ini = "[Settings]\nDNCStatus=2\n[Machine3]\n";
    for (const auto& r : kShown)
        ini += QByteArray(r.key) + "=" + r.value + "\n";
    int n = 0;
    for (const MachineRecord::KeyDef& def : MachineRecord::table()) {
        if (!def.inRecord || ini.contains("\n" + QByteArray(def.key) + "="))
            continue;
        QByteArray value = "text " + QByteArray::number(++n) + "; x=y";
        if (def.form == MachineRecord::Form::ListIndex || def.form == MachineRecord::Form::CheckBox)
            value = qstrcmp(def.def, "0") == 0 ? "1" : "0";
        else if (def.form == MachineRecord::Form::Number)
            value = qstrcmp(def.key, "ftpPassive") == 0 ? "268435456" : QByteArray::number(n);
        ini += QByteArray(def.key) + "=" + value + "\n";
    }
    return ini + "[Machine4]\nAlias=Other\n";
}

// What a control shows, in the stored form of its key.
QString shown(QWidget* w) {
    if (auto* box = qobject_cast<QComboBox*>(w))
        return QString::number(box->currentIndex());
    if (auto* list = qobject_cast<QListWidget*>(w))
        return QString::number(list->currentRow());
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
    QString stored(const QString& key) { return readIni("Machine3", key, "<none>"); }
    // Clicks `button` and answers the code-list picker it opens with `list`, by OK or Cancel.
    static void pickCodes(QPushButton* button, const QString& list, bool ok = true) {
        ModalAnswerer picker(on<frmAltChars>([list, ok](frmAltChars* d) {
            d->setCodeList(list);
            d->Command2_Click(ok ? 0 : 1);
        }));
        button->click();
    }

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
        const QByteArray file = home->readIniBytes();
        gHandshaking = gFlowMethod = gKeepAlive = 1;
        gCharacterSet = 0;
        frmProperties dialog;
        for (const auto& r : kShown)
            QVERIFY2(shown(child<QWidget>(&dialog, r.control)) == r.value, r.control);
        QCOMPARE(gHandshaking, 1); // the shared flow values change only after OK

        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        QVERIFY(dialog.click_OK());
        QCOMPARE(iniSectionKeys("Machine3", gIniPath).size(), MachineRecord::recordKeys().size());
        for (const QString& key : MachineRecord::recordKeys())
            QVERIFY2(file.contains("\n" + key.toUtf8() + "=" + stored(key).toUtf8() + "\n"), qPrintable(key));
        QCOMPARE(iniSectionKeys("Machine4", gIniPath), QStringList{"Alias"});
        QCOMPARE(saved.value(0), (QVariantList{"Machine3", "Big Mill"}));
        QCOMPARE(gHandshaking, 2);
        QCOMPARE(gFlowMethod, stored("FlowMethod").toInt());
        QCOMPARE(gCharacterSet, stored("CharacterSet").toInt());
        QCOMPARE(gKeepAlive, stored("KeepAlive").toInt());
    }

    void anEmptySectionLoadsAndSavesTheWholeRecordOfDefaults() {
        frmProperties dialog(nullptr, "Machine3");
        QVERIFY(dialog.click_OK());
        for (const QString& key : MachineRecord::recordKeys())
            QCOMPARE(stored(key), MachineRecord::defaultValue("Machine3", key));
        // Defaults, as the dialog and a first start write them, are values a send takes.
        QCOMPARE(impossibleMachineSettings("Machine3"), QStringList());
        QVERIFY(MachineRecord::writeDefaults("Machine5"));
        QCOMPARE(impossibleMachineSettings("Machine5"), QStringList());
    }

    // Whatever the dialog offers, OK stores nothing a send refuses: every
    // list at its first and its last entry, every box clear and ticked.
    void everyValueTheDialogStoresIsOneASendTakes() {
        for (const bool last : {false, true}) {
            frmProperties dialog;
            for (QComboBox* box : dialog.findChildren<QComboBox*>())
                box->setCurrentIndex(last ? box->count() - 1 : 0);
            for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
                box->setChecked(last);
            auto* flow = child<QListWidget>(&dialog, "lstFlowControl");
            flow->setCurrentRow(last ? flow->count() - 1 : 0);
            QVERIFY(dialog.click_OK());
            QCOMPARE(impossibleMachineSettings("Machine3"), QStringList());
        }
    }

    void badFieldsAreRefusedOnTheirTabAndNothingIsWritten() {
        home->writeIni(handWrittenRecord());
        const QByteArray before = home->readIniBytes();
        const struct {
            const char* field;
            const char* bad; // a list field is left without a choice
            const char* good;
            int tab;
            const char* message;
        } cases[] = {
            {"txtHeader(0)", "13,,10", "13,10", 1, "Send Before File - Invalid String Configuration"},
            {"txtTrailer(0)", "13,10,", "", 1, "Send After File - Invalid String Configuration"},
            {"txtHeader(1)", "#", "", 2, "Send Before Receiving File - Invalid String Configuration"},
            {"txtTrailer(1)", "!abc", "", 2, "Send After Receiving File - Invalid String Configuration"},
            {"txtTimeOut", "ten", "30", 1,
             "Abort After This Inactivity (secs) - Enter A Whole Number Of Seconds, 1 Or More"},
            {"cboPort", nullptr, "127", 0, "Port - Choose An Entry From The List"},
        };
        for (const auto& c : cases) {
            frmProperties dialog;
            child<QLineEdit>(&dialog, "Text1")->setText("Renamed");
            auto* field = child<QWidget>(&dialog, c.field);
            auto* edit = qobject_cast<QLineEdit*>(field);
            if (edit)
                edit->setText(c.bad);
            else
                qobject_cast<QComboBox*>(field)->setCurrentIndex(-1);
            QVERIFY(!dialog.click_OK());
            QVERIFY2(msgs->sawText(c.message), c.field);
            QCOMPARE(home->readIniBytes(), before);
            QCOMPARE(child<QTabWidget>(&dialog, "SSTab1")->currentIndex(), c.tab);
            QVERIFY(field->styleSheet().contains("255, 0, 0"));
            // Corrected, the same dialog saves and the mark goes.
            if (edit)
                edit->setText(c.good);
            else
                qobject_cast<QComboBox*>(field)->setCurrentIndex(QString(c.good).toInt());
            QVERIFY(dialog.click_OK());
            QVERIFY(field->styleSheet().isEmpty());
            QCOMPARE(stored("Alias"), QString("Renamed"));
            home->writeIni(before);
        }
    }

    void storedPositionsOutsideTheirListsShowNoneAndNumbersKeepTheirLeadingDigits() {
        home->writeIni("[Machine3]\nCommPort=200\nHandshaking=abc\n");
        frmProperties dialog;
        QCOMPARE(child<QComboBox>(&dialog, "cboPort")->currentIndex(), -1);
        child<QComboBox>(&dialog, "cboPort")->setCurrentIndex(127);
        child<QLineEdit>(&dialog, "txtLeader(0)")->setText("12abc");
        child<QLineEdit>(&dialog, "txtLeader(1)")->setText("");
        QVERIFY(dialog.click_OK());
        QCOMPARE(stored("Handshaking"), QString("0")); // "abc" reads as None
        QCOMPARE(stored("BeforeMan"), QString("12"));
        QCOMPARE(stored("AfterMan"), QString("0"));
    }

    void pickersTakeEffectOnOkAndCancelWritesNothing() {
        home->writeIni(handWrittenRecord());
        const QByteArray before = home->readIniBytes();
        const QString lathe = home->path() + "programs/lathe";
        QDir().mkpath(lathe);
        for (bool ok : {false, true}) {
            frmProperties dialog;
            ModalAnswerer folder(on<frmDefaultDir>([lathe](frmDefaultDir* d) {
                d->highlightFolder(lathe);
                d->Command1_Click(0);
            }));
            child<QPushButton>(&dialog, "cmdDir(0)")->click();
            child<QComboBox>(&dialog, "cmbEOB(1)")->setCurrentIndex(6);
            pickCodes(child<QPushButton>(&dialog, "cmdCustomEOB(1)"), "13,10,");
            pickCodes(child<QPushButton>(&dialog, "cmdAltChars(3)"), "20,#2,13");
            // A cancelled picker leaves its field; a bad custom end of block is refused.
            pickCodes(child<QPushButton>(&dialog, "cmdAltChars(3)"), "20", false);
            child<QComboBox>(&dialog, "cmbEOB(0)")->setCurrentIndex(5);
            pickCodes(child<QPushButton>(&dialog, "cmdCustomEOB(0)"), "13,,10");
            QVERIFY(msgs->sawText("Custom End Of Block - Invalid String Configuration"));
            if (ok) {
                QVERIFY(dialog.click_OK());
            } else {
                child<QPushButton>(&dialog, "cmdCancel")->click();
                QCOMPARE(home->readIniBytes(), before);
            }
        }
        QCOMPARE(stored("SendDirectory"), lathe);
        QCOMPARE(stored("ReceiveTrailerSend"), QString("20,#2,13"));
        QCOMPARE(stored("CustomEOBReceive"), QString("13,10"));
        QCOMPARE(stored("CustomEOBSend"), QString("<none>"));
    }

    void okWarnsWithTheDialogHiddenAndUpdateOnlySetsTheLine() {
        FakeSerialDevices devices;
        const QString usb = devices.addTty("ttyUSB0", FakeSerialDevices::kUsbBus);
        home->writeIni("[Machine3]\nHandshaking=4\niDataLength=2\niParity=1\niStopBits=1\nCommPort=4\n[Ports]\nCom5=" +
                       usb.toUtf8() + "\n");
        const auto line = [this] { return stored("iDataLength") + stored("iParity") + stored("iStopBits"); };
        frmProperties dialog;
        QStringList seen; // what showed, and whether the dialog was hidden then
        const Msg::Handler scripted = Msg::setHandler([&](const Msg::Request& r) {
            seen << QString("box hidden=%1").arg(!dialog.isVisible());
            return Msg::defaultAnswer(r);
        });
        // Update: the line changes in the dialog only, which stays open until Cancel.
        ModalAnswerer closer(on<frmProperties>([&](frmProperties* d) {
                                 seen << "dialog";
                                 if (seen.size() == 1)
                                     d->cmdOK_Click();
                                 else
                                     d->cmdCancel_Click();
                             }),
                             true);
        ModalAnswerer update(on<frmTip>([&](frmTip* tip) {
            seen << QString("tip hidden=%1").arg(!dialog.isVisible());
            tip->runCommand1();
        }));
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(seen, QStringList({"dialog", "tip hidden=1", "dialog"}));
        QCOMPARE(child<QComboBox>(&dialog, "cboDataBits")->currentText() +
                     child<QComboBox>(&dialog, "cboParity")->currentText() +
                     child<QComboBox>(&dialog, "cboStopBits")->currentText(),
                 QString("8None1"));
        QCOMPARE(line(), QString("211"));

        // The tip's OK saves the line as it is; the USB warning comes with the dialog hidden too.
        seen.clear();
        frmProperties again;
        again.show();
        ModalAnswerer ok(on<frmTip>([&](frmTip* tip) { tip->confirm(); }));
        again.cmdOK_Click();
        QCOMPARE(seen, QStringList({"box hidden=1"}));
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(line(), QString("211"));
        QCOMPARE(stored("Handshaking"), QString("4"));
        Msg::setHandler(scripted);
    }

    void aSettingsFileThatCannotBeWrittenKeepsTheDialogOpen() {
        home->writeIni(handWrittenRecord());
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner);
        const QByteArray before = home->readIniBytes();
        frmProperties dialog;
        child<QLineEdit>(&dialog, "Text1")->setText("Renamed");
        QVERIFY(!dialog.click_OK());
        QVERIFY(msgs->sawText("The Settings Could Not Be Saved To " + gIniPath));
        QCOMPARE(home->readIniBytes(), before);

        // OK probes the file first: its warning tip says it, once, and no box follows.
        msgs->clear();
        installSettingsWarningTip();
        QStringList tips;
        ModalAnswerer tip(on<frmTip>([&tips](frmTip* t) {
            tips << t->windowTitle() + (t->chkLoadTipsAtStartup()->isVisible() ? " +box" : "");
            t->confirm();
        }));
        dialog.show();
        dialog.cmdOK_Click();
        QCOMPARE(tips, QStringList{"Can't Write To Settings File **Warning** +box"});
        QVERIFY(msgs->texts().isEmpty());
        QVERIFY(dialog.isVisible() && dialog.result() != QDialog::Accepted);
        QCOMPARE(home->readIniBytes(), before);
        // With the tip switched off the failed save is still said.
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        writeIni("Settings", "WarnIniSettings", "1");
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner);
        dialog.cmdOK_Click();
        QCOMPARE(tips.size(), 1);
        QVERIFY(msgs->sawText("The Settings Could Not Be Saved To "));
        setSettingsWarningShower({});
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    // A full disk: OK's tip says why and to free space; with the tip off the failed save says it.
    void aFullDiskIsNamedWithWhatToDo() {
        SmallDisk disk(home->file("small"), 16384);
        gIniPath = home->file("small/feedline-settings.ini");
        // So near the size that any rewrite fails.
        QByteArray ini = "[Settings]\nDNCStatus=2\n[Machine3]\nAlias=Mill\n;";
        ini += QByteArray(16300 - ini.size(), 'x') + "\n";
        QVERIFY(writeAllBytes(gIniPath, ini));
        installSettingsWarningTip();
        QString said;
        ModalAnswerer tip(on<frmTip>([&said](frmTip* t) {
            said = t->text1()->toPlainText();
            t->confirm();
        }));
        frmProperties dialog;
        dialog.show();
        dialog.cmdOK_Click();
        setSettingsWarningShower({});
        const QString advice = settingsWriteAdvice(disk.reason());
        QVERIFY2(said.contains(disk.reason()) && said.endsWith(advice) && !said.contains("writable"),
                 qPrintable(said));
        QVERIFY(msgs->texts().isEmpty());
        QVERIFY(dialog.isVisible() && dialog.result() != QDialog::Accepted);
        QVERIFY(!dialog.click_OK());
        QVERIFY2(msgs->sawText(QString(disk.reason() + "\n\nThe change was not saved. " + advice).trimmed()),
                 qPrintable(msgs->texts().join('|')));
        QCOMPARE(readAllBytes(gIniPath), ini);
    }

    void dependentControlsFollowTheirChoices() {
        home->writeIni("[Machine3]\nCustomEOBReceive=13,10\nDTREnable=0\nRTSEnable=0\n");
        frmProperties dialog;
        auto* eob = child<QComboBox>(&dialog, "cmbEOB(1)");
        eob->setCurrentIndex(6);
        QVERIFY(!child<QPushButton>(&dialog, "cmdCustomEOB(1)")->isHidden());
        QCOMPARE(eob->toolTip(), QString("Custom EOB Set To ASCIIs - \"13,10\""));
        child<QCheckBox>(&dialog, "chkRemoteDevice")->setChecked(true);
        QVERIFY(child<QCheckBox>(&dialog, "chkDTREnable")->isChecked() &&
                child<QCheckBox>(&dialog, "chkRTSEnable")->isChecked());
        Q_EMIT child<ClickLabel>(&dialog, "Label7(12)")->clicked();
        QVERIFY(child<QCheckBox>(&dialog, "chkPunch")->isChecked());
        QVERIFY(!child<QWidget>(&dialog, "Frame11")->isHidden());
        // Control characters are shown by name.
        QCOMPARE(child<QComboBox>(&dialog, "cmbStrip(0)")->itemText(19), QString("18 <DC2>"));
    }

    void portPickerListsEveryDeviceAndStoresTheChosenOneForThePortOnOk() {
        PtyMachine pty;
        FakeSerialDevices devices;
        devices.addTty("ttyUSB0", FakeSerialDevices::kUsbBus);
        const QString byId = devices.addById("usb-Serial_Adapter_A1-if00-port0", "ttyUSB0");
        home->writeIni(("[Machine3]\nCommPort=4\n[Machine4]\nAlias=Other\nCommPort=4\n[Ports]\nCom5=" +
                        pty.slavePath() + "\n")
                           .toUtf8());
        const QByteArray before = home->readIniBytes();
        frmProperties dialog;
        auto* port = child<QComboBox>(&dialog, "cboPort");
        QStringList listed;
        QString selected;
        bool stayedOpen = false;
        msgs->answer(Msg::AnswerNo).answer(Msg::AnswerYes); // Com5 is machine Other's port too
        ModalAnswerer pick(on<frmGetPortTypes>([&](frmGetPortTypes* d) {
            auto* list = d->findChild<QTreeWidget*>("List1");
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                listed << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1);
            selected = list->currentItem()->text(0);
            list->setCurrentItem(list->topLevelItem(0));
            d->Command1_Click(0);
            stayedOpen = d->result() != QDialog::Accepted;
            d->Command1_Click(0);
        }));
        child<QPushButton>(&dialog, "Command1")->click();
        QCOMPARE(listed, QStringList({byId + " ", pty.slavePath() + " Com5"}));
        QCOMPARE(selected, pty.slavePath());
        QVERIFY(stayedOpen);
        QVERIFY(msgs->sawText("Com5 Is Also The Port Of Other"));
        QCOMPARE(port->currentText(), QString("Com5"));
        QCOMPARE(port->toolTip(), byId);
        QCOMPARE(home->readIniBytes(), before); // held until OK
        QVERIFY(dialog.click_OK());
        QCOMPARE(readIni("Ports", "Com5"), byId);
        QCOMPARE(stored("CommPort"), QString("4"));

        // A port whose device is not there is said so; Cancel changes nothing.
        frmProperties again;
        child<QComboBox>(&again, "cboPort")->setCurrentIndex(99);
        ModalAnswerer cancel(on<frmGetPortTypes>([](frmGetPortTypes* d) { d->Command1_Click(1); }));
        child<QPushButton>(&again, "Command1")->click();
        QVERIFY(msgs->sawText("Current Selection Com100 Cannot Be Detected"));
        QCOMPARE(child<QComboBox>(&again, "cboPort")->currentText(), QString("Com100"));
    }

    void examplesInstallIntoTheMachineAndReloadTheDialog() {
        home->writeIni(handWrittenRecord());
        frmProperties dialog;
        writeAllBytes(home->file("Feedline.cfg"), "[Haas]\nAlias=Haas\niBaudrate=10\n"
                                                  "[Fanuc 0M]\nAlias=Fanuc 0M\niBaudrate=8\n");
        QSignalSpy saved(&dialog, &frmProperties::recordSaved);
        child<QLineEdit>(&dialog, "Text1")->setText("FANUC 0m");
        // The machine's name is preselected, in any letter case.
        ModalAnswerer example(on<frmExampleSettings>([](frmExampleSettings* d) { d->Command1_Click(0); }));
        child<QPushButton>(&dialog, "Command2")->click();
        QCOMPARE(stored("iBaudrate"), QString("8"));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(child<QComboBox>(&dialog, "cboSpeed")->currentIndex(), 8);
        QCOMPARE(child<QLineEdit>(&dialog, "Text1")->text(), QString("Fanuc 0M"));
    }

    void theShippedExamplesListAndEachImportsIntoARecordTheDialogKeeps() {
        QVERIFY(ShippedFiles::install().isEmpty()); // as a first start does
        const QString file = ExampleSettings::filePath();
        const QStringList names = ExampleSettings::listNames(file);
        QVERIFY(names.size() >= 8);
        frmProperties dialog;
        QStringList listed;
        ModalAnswerer example(on<frmExampleSettings>([&listed](frmExampleSettings* d) {
            auto* list = d->findChild<QListWidget*>("lstCNC");
            for (int i = 0; i < list->count(); ++i)
                listed << list->item(i)->text();
            list->setCurrentRow(int(listed.indexOf("Haas Mill")));
            d->Command1_Click(0);
        }));
        child<QPushButton>(&dialog, "Command2")->click();
        QCOMPARE(listed, names);
        QCOMPARE(child<QLineEdit>(&dialog, "Text1")->text(), QString("Haas Mill"));
        QCOMPARE(child<QComboBox>(&dialog, "cboSpeed")->currentText() +
                     child<QComboBox>(&dialog, "cboDataBits")->currentText() +
                     child<QComboBox>(&dialog, "cboParity")->currentText() +
                     child<QComboBox>(&dialog, "cboStopBits")->currentText(),
                 QString("96007Even1"));

        // Every example is whole and in range: the dialog shows it and saves it unchanged.
        for (const QString& name : names) {
            QVERIFY2(iniHasSection(name, file), qPrintable(name));
            const QStringList keys = iniSectionKeys(name, file);
            for (const QString& key : ExampleSettings::keys())
                QVERIFY2(keys.contains(key), qPrintable(name + " " + key));
            QCOMPARE(ExampleSettings::import(name, file, "Machine3"), ExampleSettings::Result::Imported);
            QVERIFY2(impossibleMachineSettings("Machine3").isEmpty(), qPrintable(name));
            frmProperties shown;
            QVERIFY2(shown.click_OK(), qPrintable(name));
            for (const QString& key : ExampleSettings::keys())
                if (MachineRecord::recordKeys().contains(key))
                    QVERIFY2(stored(key) == readIniString(name, key, file), qPrintable(name + " " + key));
        }
        // A shop's own file stays.
        writeAllBytes(file, "[Own]\nAlias=Own\n");
        QVERIFY(ShippedFiles::install().isEmpty());
        QCOMPARE(ExampleSettings::listNames(file), QStringList{"Own"});
    }

    void ftpLogonHandsTheHelperACopyAndLeavesTheSettingsFile() {
        home->writeIni(handWrittenRecord());
        const QByteArray before = home->readIniBytes();
        const QString argsFile = home->file("args.txt");
        writeAllBytes(home->file("ftp.exe"), ("#!/bin/sh\necho \"$1\" > '" + argsFile + "'\n").toUtf8());
        QFile::setPermissions(home->file("ftp.exe"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        frmProperties dialog;
        child<QLineEdit>(&dialog, "txtFTP(0)")->setText("new.host");
        child<QCheckBox>(&dialog, "chkPassive")->setChecked(true);
        child<QPushButton>(&dialog, "Command5")->click();
        QVERIFY(msgs->shown().isEmpty());
        QCOMPARE(home->readIniBytes(), before);
        const QString copy = home->file("ftp-logon.ini");
        QCOMPARE(readIniString("Machine3", "ftp", copy), QString("new.host"));
        QCOMPARE(readIniString("Machine3", "ftpPassive", copy), QString("134217728"));
        QCOMPARE(readIniString("Machine3", "password", copy), QString("se=cr;et"));
        QVERIFY(!(QFile::permissions(copy) & QFileDevice::ReadOther)); // it holds the password
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argsFile) && !readAllBytes(argsFile).isEmpty(), 20000);
        QCOMPARE(readAllBytes(argsFile).trimmed(), ("?!?3?U?" + copy).toUtf8());
    }

    void altCharsBuildsAListByDoubleClicksAndAnswersTildeWhenLeft() {
        frmAltChars picker;
        auto* list = picker.findChild<QListWidget*>("List1");
        picker.List1_DblClick(list->item(10));
        picker.findChild<QComboBox*>("cmbSendNum")->setCurrentIndex(2);
        picker.List1_DblClick(list->item(13));
        picker.List1_DblClick(list->item(13)); // the count went back to one
        picker.Command2_Click(0);
        QCOMPARE(gDialogResult, QString("10,#3,13,13"));
        // Cancel and the close box answer "~".
        picker.Command2_Click(1);
        QCOMPARE(gDialogResult, QString("~"));
        gDialogResult = "left over";
        frmAltChars closed;
        ModalAnswerer close(on<frmAltChars>([](frmAltChars* d) { d->close(); }));
        closed.exec();
        QCOMPARE(gDialogResult, QString("~"));
    }

    void folderPickerAnswersTheHighlightedFolderOrNothing() {
        QDir(home->path()).mkpath("jobs/lathe");
        const QString start = home->path() + "jobs";
        const struct {
            const char* highlight;
            int button; // 0 OK, 1 Quit, -1 the close box
            QString answer;
        } cases[] = {
            {nullptr, 0, start}, {"/lathe", 0, start + "/lathe"}, {nullptr, 1, ""}, {nullptr, -1, ""}};
        for (const auto& c : cases) {
            gDialogResult = start;
            frmDefaultDir picker;
            if (c.highlight)
                picker.highlightFolder(start + c.highlight);
            if (c.button >= 0) {
                picker.Command1_Click(c.button);
            } else {
                ModalAnswerer close(on<frmDefaultDir>([](frmDefaultDir* d) { d->close(); }));
                picker.exec();
            }
            QCOMPARE(gDialogResult, c.answer);
        }
    }

    void folderPickerKeepsOpenWhenTheFolderIsGone() {
        QDir(home->path()).mkpath("gone");
        gDialogResult = home->path() + "gone";
        frmDefaultDir picker;
        QDir(home->path()).rmdir("gone");
        picker.Command1_Click(0);
        QVERIFY(msgs->sawText("Make Sure Drive Is Ready"));
        QVERIFY(picker.result() != QDialog::Accepted);
        QCOMPARE(gDialogResult, home->path() + "gone");
    }

    void extensionsStoreSixPairsInCapitals() {
        frmExtensions dialog(nullptr, "SendExtension");
        child<QLineEdit>(&dialog, "txtExtension(0)")->clear();
        child<QLineEdit>(&dialog, "txtExtension(1)")->setText("nc");
        child<QLineEdit>(&dialog, "txtExtension(2)")->setText("Tap");
        child<QLineEdit>(&dialog, "txtFileType(2)")->setText("Mixed Case Tape");
        dialog.Command1_Click(0);
        QStringList keys;
        for (const char* key :
             {"SendExtension1", "SendExtensionType1", "SendExtension2", "SendExtensionType2",
              "SendExtension3", "SendExtensionType3", "ReceiveExtension1"})
            keys << stored(key);
        QCOMPARE(keys, QStringList({"", "", "NC", "NC File", "TAP", "Mixed Case Tape", "<none>"}));
        // Defaults fill only missing keys.
        frmExtensions again(nullptr, "SendExtension");
        QCOMPARE(again.findChild<QLineEdit*>("txtExtension(0)")->text(), QString());
    }

    void extensionsRefuseOtherCharactersAndCancelWritesNothing() {
        const QByteArray before = home->readIniBytes();
        frmExtensions dialog(nullptr, "ReceiveExtension");
        auto* ext = dialog.findChild<QLineEdit*>("txtExtension(1)");
        QTest::keyClicks(ext, "n.c-* ?");
        QCOMPARE(ext->text(), QString("nc* ?"));
        QCOMPARE(msgs->texts().count("You Must Only Choose Valid Characters"), 2);
        dialog.Command1_Click(1);
        QCOMPARE(home->readIniBytes(), before);
    }

    void f1OpensTheFormsHelpPage() {
        {
            FrmLogin pageless; // F1 never does nothing
            QTest::keyClick(&pageless, Qt::Key_F1);
            QVERIFY(msgs->texts().join("").contains("No Help Page Was Found"));
        }
        QDir(home->path()).mkpath("help");
        for (const char* page : {"help/frmProperties.htm", "help/FrmLogin.htm", "help/frmAltChars.htm"})
            writeAllBytes(home->file(page), "<html/>");
        QStringList opened;
        const ShellOpener previous = setShellOpener([&opened](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
        frmProperties dialog;
        QTest::keyClick(dialog.findChild<QLineEdit*>("Text1"), Qt::Key_F1);
        FrmLogin login;
        QTest::keyClick(&login, Qt::Key_F1);
        frmAltChars picker;
        QTest::keyClick(&picker, Qt::Key_F1, Qt::ShiftModifier);
        writeAllBytes(home->file("help.help.htm"), "<html/>"); // the general page comes first
        QTest::keyClick(&picker, Qt::Key_F1);
        setShellOpener(previous);
        QCOMPARE(opened, (QStringList{home->file("help/frmProperties.htm"), home->file("help/FrmLogin.htm"),
                                      home->file("help.help.htm")}));
    }
};

QTEST_MAIN(PropertiesDialogTest)
#include "PropertiesDialogTest.moc"
