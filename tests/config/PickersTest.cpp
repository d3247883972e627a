#include "IniStorage.h"
#include "MachineRecord.h"
#include "ModalDriver.h"
#include "ScriptedMessages.h"
#include "SettingsGlobals.h"
#include "ShellOpen.h"
#include "TestHome.h"
#include "frmAltChars.h"
#include "frmDefaultDir.h"
#include "frmExampleSettings.h"
#include "frmExtensions.h"
#include "frmProperties.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

class PickersTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedMessages> msgs;

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        msgs = std::make_unique<ScriptedMessages>();
        gCurrentMachineSection = "Machine2";
        gDialogResult = "left over";
    }
    void cleanup() {
        msgs.reset();
        home.reset();
    }

    void altCharsBuildsAListByDoubleClicks() {
        frmAltChars picker;
        auto* list = picker.findChild<QListWidget*>("List1");
        auto* count = picker.findChild<QComboBox*>("cmbSendNum");
        QCOMPARE(list->count(), 128);
        QCOMPARE(list->item(10)->text(), QString("10   LF"));
        QCOMPARE(count->count(), 400);
        QCOMPARE(count->currentText(), QString("1"));

        picker.List1_DblClick(list->item(10));
        count->setCurrentIndex(2);
        picker.List1_DblClick(list->item(13));
        QCOMPARE(picker.codeList(), QString("10,#3,13"));
        QCOMPARE(count->currentIndex(), 0); // back to one after each addition
        picker.List1_DblClick(list->item(13));
        QCOMPARE(picker.codeList(), QString("10,#3,13,13"));

        picker.setCodeList("13,");
        picker.List1_DblClick(list->item(10));
        QCOMPARE(picker.codeList(), QString("13,10"));
        picker.setCodeList("13,10,,");
        picker.Command2_Click(0);
        QCOMPARE(gDialogResult, QString("13,10,"));
        QCOMPARE(picker.result(), int(QDialog::Accepted));
    }

    void altCharsCancelAndCloseAnswerTilde() {
        {
            frmAltChars picker;
            picker.setCodeList("changed");
            picker.Command2_Click(1);
            QCOMPARE(gDialogResult, QString("~"));
        }
        gDialogResult = "left over";
        frmAltChars picker;
        whenShown<frmAltChars>([](frmAltChars* d) { d->close(); });
        picker.exec();
        QCOMPARE(gDialogResult, QString("~"));
    }

    void folderPickerAnswersTheHighlightedFolderOrNothing() {
        QDir(home->path()).mkpath("jobs/lathe");
        const QString start = home->path() + "jobs";
        {
            gDialogResult = start;
            frmDefaultDir picker;
            picker.Command1_Click(0);
            QCOMPARE(gDialogResult, start);
        }
        {
            gDialogResult = start;
            frmDefaultDir picker;
            picker.highlightFolder(start + "/lathe");
            picker.Command1_Click(0);
            QCOMPARE(gDialogResult, start + "/lathe");
        }
        {
            gDialogResult = start;
            frmDefaultDir picker;
            picker.Command1_Click(1);
            QCOMPARE(gDialogResult, QString());
        }
        gDialogResult = start;
        frmDefaultDir picker;
        whenShown<frmDefaultDir>([](frmDefaultDir* d) { d->close(); });
        picker.exec();
        QCOMPARE(gDialogResult, QString()); // the close box is Quit, not the start folder
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

    void extensionsShowDefaultsAndStoreSixPairs() {
        frmExtensions dialog(nullptr, "SendExtension");
        auto ext = [&dialog](int i) {
            return dialog.findChild<QLineEdit*>(QString("txtExtension(%1)").arg(i));
        };
        auto type = [&dialog](int i) {
            return dialog.findChild<QLineEdit*>(QString("txtFileType(%1)").arg(i));
        };
        QCOMPARE(ext(0)->text(), QString("TXT"));
        QCOMPARE(type(0)->text(), QString("CNC File"));
        QCOMPARE(ext(1)->text(), QString());

        ext(0)->clear();
        ext(1)->setText("nc");
        ext(2)->setText("Tap");
        type(2)->setText("Mixed Case Tape");
        dialog.Command1_Click(0);
        const QString s = "Machine2";
        QCOMPARE(readIni(s, "SendExtension1", "x"), QString());
        QCOMPARE(readIni(s, "SendExtensionType1", "x"), QString());
        QCOMPARE(readIni(s, "SendExtension2"), QString("NC"));
        QCOMPARE(readIni(s, "SendExtensionType2"), QString("NC File"));
        QCOMPARE(readIni(s, "SendExtension3"), QString("TAP"));
        QCOMPARE(readIni(s, "SendExtensionType3"), QString("Mixed Case Tape"));
        QCOMPARE(readIni(s, "SendExtension6", "x"), QString());
        QCOMPARE(readIni(s, "ReceiveExtension1", "none"), QString("none"));

        frmExtensions again(nullptr, "SendExtension");
        QCOMPARE(again.findChild<QLineEdit*>("txtExtension(0)")->text(),
                 QString()); // defaults fill only missing keys
    }

    void extensionsRefuseOtherCharactersAndCancelWritesNothing() {
        const QByteArray before = home->readIniBytes();
        frmExtensions dialog(nullptr, "ReceiveExtension");
        auto* ext = dialog.findChild<QLineEdit*>("txtExtension(1)");
        QTest::keyClicks(ext, "n.c-");
        QCOMPARE(ext->text(), QString("nc"));
        QCOMPARE(msgs->texts().count("You Must Only Choose Valid Characters"), 2);
        dialog.Command1_Click(1);
        QCOMPARE(home->readIniBytes(), before);
    }

    void examplesPreselectTheMachinesNameAndNeedAnEntry() {
        writeAllBytes(home->file("Feedline.cfg"), "[Mill]\nAlias=Mill\n[Fanuc 0M]\nAlias=Fanuc 0M\n");
        {
            frmExampleSettings dialog("FANUC 0m");
            QCOMPARE(dialog.findChild<QListWidget*>("lstCNC")->currentRow(), 1);
        }
        writeAllBytes(home->file("Feedline.cfg"), "; nothing here\n");
        frmExampleSettings empty("Mill");
        QVERIFY(!empty.findChild<QPushButton*>("Command1(0)")->isEnabled());
        empty.Command1_Click(0);
        QVERIFY(empty.result() != QDialog::Accepted);
    }

    void f1OpensTheFormsHelpPage() {
        QDir(home->path()).mkpath("help");
        writeAllBytes(home->file("help/frmProperties.htm"), "<html/>");
        writeAllBytes(home->file("help/frmAltChars.htm"), "<html/>");
        QStringList opened;
        const ShellOpener previous = setShellOpener([&opened](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
        frmProperties dialog;
        QTest::keyClick(dialog.findChild<QLineEdit*>("Text1"), Qt::Key_F1);
        frmAltChars picker;
        QTest::keyClick(&picker, Qt::Key_F1);
        QTest::keyClick(&picker, Qt::Key_F1, Qt::ShiftModifier);
        writeAllBytes(home->file("help.help.htm"), "<html/>"); // the general page comes first
        QTest::keyClick(&picker, Qt::Key_F1);
        setShellOpener(previous);
        QCOMPARE(opened, (QStringList{home->file("help/frmProperties.htm"), home->file("help/frmAltChars.htm"),
                                      home->file("help.help.htm")}));
    }
};

QTEST_MAIN(PickersTest)
#include "PickersTest.moc"
