// The system settings dialog, the settings backups and the machine copy.
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MachineCopy.h"
#include "ScriptedMessages.h"
#include "SettingsBackup.h"
#include "SettingsGlobals.h"
#include "SystemSettings.h"
#include "frmCopyDNC.h"
#include "TestHome.h"
#include "frmSystem.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

// A value for every key of the system record, none of them its default.
QByteArray everyKeyChanged() {
    QByteArray ini = "[Settings]\nBackupFormat=yyyy\n";
    for (const SystemSettings::KeyDef& def : SystemSettings::table()) {
        QString value;
        switch (def.form) {
        case SystemSettings::Form::Text: value = "Lucida Console"; break;
        case SystemSettings::Form::FontSize: value = "13"; break;
        case SystemSettings::Form::TrueFalse: value = def.def == "True" ? "False" : "True"; break;
        case SystemSettings::Form::ZeroOne: value = def.def == "1" ? "0" : "1"; break;
        case SystemSettings::Form::List: value = QString::number(def.choices - 1); break;
        case SystemSettings::Form::Colour: value = "1193046"; break;
        }
        ini += def.key.toLatin1() + "=" + value.toLatin1() + "\n";
    }
    return ini;
}

const QDateTime kWhen(QDate(2026, 12, 5), QTime(16, 2, 49));

} // namespace

class SystemSettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedMessages> msgs;

    template <typename T> static T* child(QObject* dialog, const QString& name) { return dialog->findChild<T*>(name); }
    QString backups() const { return SettingsBackup::defaultFolder(); }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        msgs = std::make_unique<ScriptedMessages>();
    }
    void cleanup() {
        msgs.reset();
        home.reset();
    }

    void okStoresWhatTheDialogShowsAndCancelNothing() {
        // Every control shows its key: OK with nothing changed stores the same file.
        home->writeIni(everyKeyChanged());
        const QByteArray before = home->readIniBytes();
        {
            frmSystem dialog({});
            dialog.Command1_Click(0);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(home->readIniBytes(), before);
        }
        // A font chosen with "Change Fonts" stays on the active window after Cancel.
        EditorManager editors;
        msgs->answerFont({"DejaVu Sans Mono", 17, false});
        {
            frmSystem dialog({});
            dialog.Command2_Click();
            QCOMPARE(child<QLineEdit>(&dialog, "Text1(1)")->text(), QString("17"));
            dialog.Command1_Click(1);
        }
        QCOMPARE(home->readIniBytes(), before);
        QCOMPARE(editors.activeEditor()->fontSize(), 17);

        // From an empty file OK stores the whole record, the screen colours with it.
        home->writeIni("");
        frmSystem dialog({});
        child<QLineEdit>(&dialog, "Text1(1)")->setText("10");
        QVERIFY(dialog.applyColours());
        for (const SystemSettings::KeyDef& def : SystemSettings::table())
            QVERIFY2(iniHasKey("Settings", def.key), qPrintable(def.key));
    }

    void fontSizeKeepsItsWholePartOrIsRefused() {
        for (const char* typed : {"10.5", "10,5", "10,5.5"})
            QCOMPARE(SystemSettings::fontSizeForm(typed), QString("10"));
        for (const char* typed : {"", "abc", "0"})
            QCOMPARE(SystemSettings::fontSizeForm(typed), QString());
    }

    void storedFormsShowAndChoicesStore() {
        home->writeIni("[Settings]\nFontSize=10\nPadLeftMargin=15\nDNCStatus=-1\n");
        frmSystem dialog({});
        // A position outside its list shows the first choice; -1 is never stored.
        QCOMPARE(child<QComboBox>(&dialog, "cmbLeftMargin")->currentIndex(), 0);
        // Colours are red + 256 green + 65536 blue.
        QCOMPARE(child<QPushButton>(&dialog, "cmdColorPicker1(5)")->palette().color(QPalette::Button),
                 QColor(0, 0, 192));
        msgs->answerColour(255).answerColour(0xFF0000u);
        dialog.cmdColorPicker1_Click(2);
        dialog.cmdpickColourBlock_Click(25);
        dialog.cmdColorPicker1_Click(3); // cancelled: unchanged
        // A label click acts on its box.
        dialog.Label1_Click(19); // "Turn On Language Support", stored below
        QVERIFY(!child<QPushButton>(&dialog, "cmdLanguageSelect")->isHidden());
        // A refused size: the dialog says so, stays open and writes nothing.
        const QByteArray before = home->readIniBytes();
        child<QLineEdit>(&dialog, "Text1(1)")->setText("abc");
        dialog.Command1_Click(0);
        QVERIFY(dialog.result() != QDialog::Accepted && msgs->sawText("Font Size"));
        QCOMPARE(home->readIniBytes(), before);
        child<QLineEdit>(&dialog, "Text1(1)")->setText("9.5");
        dialog.Command1_Click(0);
        QCOMPARE(readIni("Settings", "FontSize"), QString("9"));
        QCOMPARE(readIni("Settings", "PadLeftMargin"), QString("0"));
        QCOMPARE(readIni("Settings", "DNCStatus"), QString("0"));
        QCOMPARE(readIni("Settings", "mainTextBackColor"), QString("255"));
        QCOMPARE(readIni("Settings", "mainTextForeColor"), QString("65280"));
        QCOMPARE(readIni("Settings", "Colour26"), QString("16711680"));
        QCOMPARE(readIni("Settings", "UseLanguageSupport"), QString("1"));
    }

    void anEmptyFileGivesTheDocumentedDefaults() {
        home->writeIni("");
        const SystemSettings::Values v = SystemSettings::load();
        const char* const expected[][2] = {
            {"DNCStatus", "2"},     {"ShowCNCStatus", "1"},          {"ShowBreakoutLights", "1"},
            {"Colour1", "65280"},   {"Colour26", "65280"},            {"PadLeftMargin", "0"},
            {"MinimizeOnSend", "0"}, {"mainTextForeColor", "65280"}, {"mainTerminalBackColor", "12632256"},
            {"mainTerminalForeColor", "12582912"}, {"ColourizeBlocks", "False"}, {"UseLanguageSupport", "0"}};
        for (const auto& [key, value] : expected)
            QVERIFY2(v.value(key) == value, key);
        frmSystem dialog({});
        QVERIFY(child<QRadioButton>(&dialog, "optDNC(2)")->isChecked());
    }

    void aPositionOnePastItsListShowsTheFirstChoiceAndWhiteIsKept() {
        QByteArray ini = "[Settings]\nFontSize=10\n";
        for (const SystemSettings::KeyDef& def : SystemSettings::table())
            if (def.form == SystemSettings::Form::List)
                ini += def.key.toLatin1() + "=" + QByteArray::number(def.choices) + "\n";
            else if (def.form == SystemSettings::Form::Colour)
                ini += def.key.toLatin1() + "=16777215\n";
        home->writeIni(ini);
        QCOMPARE(SystemSettings::load().value("PadLeftMargin"), QString("0"));
        QCOMPARE(SystemSettings::load().value("DNCStatus"), QString("0"));
        frmSystem dialog({});
        QCOMPARE(child<QComboBox>(&dialog, "cmbLeftMargin")->currentIndex(), 0);
        QVERIFY(child<QRadioButton>(&dialog, "optDNC(0)")->isChecked());
        QCOMPARE(child<QPushButton>(&dialog, "cmdpickColourBlock(25)")->palette().color(QPalette::Button),
                 QColor(Qt::white));
        dialog.Command1_Click(0);
        for (const SystemSettings::KeyDef& def : SystemSettings::table())
            if (def.form == SystemSettings::Form::List)
                QVERIFY2(readIni("Settings", def.key) == "0", qPrintable(def.key));
            else if (def.form == SystemSettings::Form::Colour)
                QVERIFY2(readIni("Settings", def.key) == "16777215", qPrintable(def.key));
    }

    void anOkWhoseWriteFailsSaysSoAndKeepsTheDialogOpen() {
        home->writeIni(everyKeyChanged());
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner);
        const QByteArray before = home->readIniBytes();
        frmSystem dialog({});
        dialog.show();
        child<QLineEdit>(&dialog, "Text1(1)")->setText("12");
        dialog.Command1_Click(0);
        QVERIFY(msgs->sawText("The Settings Could Not Be Saved To " + gIniPath));
        QVERIFY2(msgs->sawText("Make the file and its folder writable."), qPrintable(msgs->texts().join('|')));
        QVERIFY(dialog.isVisible() && dialog.result() != QDialog::Accepted);
        QCOMPARE(home->readIniBytes(), before);
        QFile::setPermissions(home->iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void copyIsOfferedOnlyBetweenTwoMachines() {
        // Two machines of one name, a hidden one between them.
        const MachineList machines = {{"Mill", -1}, {"Old", 0}, {"Mill", -1}, {"Lathe", -1}};
        frmCopyDNC dialog(machines);
        QCOMPARE(dialog.List1(0)->count(), 3);
        const struct {
            int from, to;
            bool offered;
        } cases[] = {{0, 0, false}, {1, 0, true}, {2, 2, false}, {0, 2, true}, {1, 1, false}};
        for (const auto& c : cases) {
            dialog.List1(0)->setCurrentRow(c.from);
            dialog.List1(1)->setCurrentRow(c.to);
            QVERIFY2(dialog.Command1(0)->isEnabled() == c.offered, qPrintable(QString("%1 %2").arg(c.from).arg(c.to)));
        }
    }

    void okAppliesToOpenWindowsTerminalLightsAndMenu() {
        home->writeIni("[Settings]\nFontName=DejaVu Sans Mono\nFontSize=10\n");
        EditorManager editors;
        for (int i = 0; i < 3; ++i)
            editors.openFileInNewWindow();
        editors.selectWindow(2);
        QVERIFY(editors.closeMyFile());
        QPlainTextEdit terminal;
        QLabel light;
        light.show();
        QAction languageMenu(nullptr);
        languageMenu.setEnabled(false);
        frmSystem dialog({&terminal, nullptr, {&light}, &languageMenu});
        msgs->answerColour(0x000080u).answerColour(0x808080u);
        dialog.cmdColorPicker1_Click(2);
        dialog.cmdColorPicker1_Click(4);
        child<QLineEdit>(&dialog, "Text1(1)")->setText("14");
        child<QCheckBox>(&dialog, "chkLanguage")->setChecked(true);
        child<QCheckBox>(&dialog, "chkStatusBar(1)")->setChecked(false);
        dialog.Command1_Click(0);

        for (int i : {0, 1, 3}) {
            QCOMPARE(editors.editor(i)->backColour(), 0x000080u);
            QCOMPARE(editors.editor(i)->fontSize(), 14);
        }
        QCOMPARE(terminal.palette().color(QPalette::Base), QColor(0x80, 0x80, 0x80));
        QCOMPARE(terminal.font().pointSize(), 14);
        QVERIFY(light.isHidden());
        QVERIFY(languageMenu.isEnabled());
        QCOMPARE(gMainTerminalBackColor, 0x808080u);
    }

    void backupNamesFollowTheHeldMask_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<QString>("reported"); // the characters reported, in order
        QTest::newRow("default") << "dd-mmm-yyyy-hh-mm-ss" << "05-Dec-2026-16-02-49" << "";
        QTest::newRow("mm: month, then minute") << "yyyymmdd-hhmmss" << "20261205-160249" << "";
        QTest::newRow("any case") << "YYYY-MMM-DD" << "2026-Dec-05" << "";
        QTest::newRow("slash") << "dd/mm/yyyy" << "05-12-2026" << "/";
        QTest::newRow("question mark, colon") << "hh?mm:ss" << "16-02-49" << ":?";
        QTest::newRow("empty") << "" << "05-Dec-2026-16-02-49" << "";
        QTest::newRow("no date") << "backup" << "05-Dec-2026-16-02-49" << "";
    }
    void backupNamesFollowTheHeldMask() {
        QFETCH(QString, mask);
        QFETCH(QString, stamp);
        QFETCH(QString, reported);
        QStringList messages;
        const QString held = SettingsBackup::checkedMask(mask, &messages);
        QCOMPARE(SettingsBackup::backupName(held, kWhen), "Feedline-settings-" + stamp + ".ini");
        QCOMPARE(messages.size(), reported.size());
        for (int i = 0; i < messages.size(); ++i)
            QVERIFY(messages[i].startsWith(QString(reported[i]) + " is invalid filename character"));
    }

    void theListShowsBackupsAndDeleteTrashesTheListedOne() {
        const QByteArray homeWas = qgetenv("HOME"), dataWas = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", QFile::encodeName(home->path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home->file("data")));
        QDir().mkpath(home->file("data"));
        // An unusable stored folder: the list falls back to the default one.
        home->writeIni("[Settings]\nBackupDirectory=" + home->file("gone/").toUtf8() + "\n");
        QDir().mkpath(backups());
        for (const char* name : {"Feedline-settings-a.ini", "Feedline-settings-b.ini", "Feedline-settings.ini",
                                 "other-settings-x.ini", "Feedline-settings-x.txt"})
            writeAllBytes(backups() + name, name);
        frmSystem dialog({});
        auto* list = child<QListWidget>(&dialog, "File1");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentItem()->text(), QString("Feedline-settings-b.ini"));

        msgs->answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        dialog.deleteSelectedBackup();
        QVERIFY(QFile::exists(backups() + "Feedline-settings-b.ini"));
        dialog.deleteSelectedBackup();
        QVERIFY(!QFile::exists(backups() + "Feedline-settings-b.ini"));
        QCOMPARE(readAllBytes(home->file("data/Trash/files/Feedline-settings-b.ini")), QByteArray("Feedline-settings-b.ini"));
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentRow(), 0);
        qputenv("HOME", homeWas);
        qputenv("XDG_DATA_HOME", dataWas);
    }

    // The restore that goes through is in the main window's tests.
    void restoreStopsOnNoCancelOrAVanishedBackup() {
        home->writeIni("[Settings]\nFontSize=10\n[Machine1]\nAlias=Now\n");
        QDir().mkpath(backups());
        const QString backup = backups() + "Feedline-settings-old.ini";
        writeAllBytes(backup, "[Settings]\nFontSize=10\n[Machine1]\nAlias=Then\n");
        const QByteArray before = home->readIniBytes();
        EditorManager editors;
        editors.activeEditor()->setBytes("N1\n");
        frmSystem dialog({});
        dialog.show();
        msgs->answer(Msg::AnswerNo); // the restore question
        dialog.cmdBackup_Click(1);
        msgs->answer(Msg::AnswerYes).answer(Msg::AnswerCancel); // the window's save question
        dialog.cmdBackup_Click(1);
        QVERIFY(msgs->sawText("The text in [Untitled1] has changed."));
        QCOMPARE(home->readIniBytes(), before);

        // A backup that went after the list was made: the file and the dialog stay.
        QFile::rename(backup, backup + ".moved");
        msgs->answer(Msg::AnswerYes);
        dialog.cmdBackup_Click(1);
        QVERIFY(msgs->sawText("Could Not Be Read"));
        QCOMPARE(home->readIniBytes(), before);
        QVERIFY(dialog.isVisible());
    }

    void copyTakesEveryKeyButNameAndPortWhole() {
        const QByteArray header(300, '7');
        // The source's history, in any letter case, stays with it.
        home->writeIni("[Machine4]\nALIAS=Four\nHeaderSend=" + header + "\ncommport=3\nEOBSend=\nHandshaking=2\n"
                       "LastLine=120\nlastfilesent=/nc/four.nc\nRECENTSENTFILE2=/nc/a.nc\nRecentFile4=/nc/b.nc\n"
                       "RecentReceiveFile1=/nc/c.nc\nRecentFile5=kept too\n"
                       "[Machine6]\nAlias=Six\nCommPort=5\nOnlySix=kept\nHandshaking=0\nlastline=7\n[Machine8]\n");
        QVERIFY(copyMachineSettings(4, 6));
        QCOMPARE(readIni("Machine6", "Alias"), QString("Six"));
        QCOMPARE(readIni("Machine6", "CommPort"), QString("5"));
        QCOMPARE(readIni("Machine6", "lastline"), QString("7"));
        for (const char* history : {"lastfilesent", "RecentSentFile2", "RecentFile4", "RecentReceiveFile1"})
            QVERIFY2(!iniHasKey("Machine6", history), history);
        QCOMPARE(readIni("Machine6", "RecentFile5"), QString("kept too"));
        QCOMPARE(readIni("Machine6", "HeaderSend"), QString(header));
        QCOMPARE(readIni("Machine6", "EOBSend", "missing"), QString(""));
        QCOMPARE(readIni("Machine6", "Handshaking"), QString("2"));
        QCOMPARE(readIni("Machine6", "OnlySix"), QString("kept"));

        // A source without keys writes nothing.
        const QByteArray before = home->readIniBytes();
        QVERIFY(copyMachineSettings(8, 6));
        QCOMPARE(home->readIniBytes(), before);
    }
};

QTEST_MAIN(SystemSettingsTest)
#include "SystemSettingsTest.moc"
