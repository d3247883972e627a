#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "frmProperties.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

// The main window with its real editor and settings dialog behind the menus
// and tool bars.
class WiringTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home_;

private Q_SLOTS:
    void init() { home_ = freshAppHome(); }
    void cleanup() { home_.reset(); }

    void openingFromTheMenuLoadsTheFileIntoANewTab() {
        auto w = loadedTerminal(*home_);
        const QString file = home_->file(QStringLiteral("part.nc"));
        QVERIFY(writeAllBytes(file, "%\r\nO1000\r\nG01 X5\r\n%\r\n"));
        ScriptedMessages msgs;
        msgs.answerFiles({file});
        w->menuItem(QStringLiteral("mnuOpen"))->trigger();
        QCOMPARE(gWindows[gActiveWindow].fileName, file);
        QCOMPARE(w->editorManager()->activeEditor()->bytes(), QByteArray("%\r\nO1000\r\nG01 X5\r\n%\r\n"));
        QVERIFY(w->windowTitle().contains(QStringLiteral("part.nc")));
        QCOMPARE(w->SSTab1()->currentIndex(), gActiveWindow);
        // The recent-opened list now names it.
        QCOMPARE(readIni(gCurrentMachineSection, QStringLiteral("RecentFile1")), file);
    }

    void machineSettingsFromTheToolBarRenameTheMachineEverywhere() {
        auto w = loadedTerminal(*home_);
        ScriptedMessages msgs;
        ModalAnswerer answer([](QWidget* modal) {
            auto* dialog = qobject_cast<frmProperties*>(modal);
            if (!dialog)
                return false;
            dialog->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("Lathe 2"));
            dialog->cmdOK_Click();
            return true;
        });
        w->btnToolBar_Click(4);
        QCOMPARE(answer.answered(), 1);
        QCOMPARE(MachineRecord::current(QStringLiteral("Alias")), QStringLiteral("Lathe 2"));
        QCOMPARE(w->cmbCNC()->currentText(), QStringLiteral("Lathe 2"));
        QCOMPARE(w->cmbCNCVisible()->currentText(), QStringLiteral("Lathe 2"));
        // The whole record went out with the name.
        QVERIFY(iniHasKey(gCurrentMachineSection, QStringLiteral("SendTimeOut")));
    }

    void choosingAMachineOpensItsPortAndTheLightsFollow() {
        PtyMachine machine;
        auto loaded = loadedTerminal(*home_, QStringLiteral("[Ports]\nCom1=%1\nCom5=/nonexistent/tty\n"
                                                            "[Machine1]\nAlias=Mill\nCommPort=0\nKeepAlive=1\n"
                                                            "[Machine2]\nAlias=Lathe\nCommPort=0\nKeepAlive=0\n")
                                                 .arg(machine.slavePath())
                                                 .toUtf8());
        frmTerminal& w = *loaded;
        // Keep-alive opened Mill's port at start-up.
        QVERIFY(comPort().isOpen());
        QCOMPARE(w.LEDBreakout(0)->text(), QStringLiteral("COM1"));
        // Lathe keeps no port open: choosing it closes the port, and the light says so.
        w.selectMachine(1);
        QVERIFY(!comPort().isOpen());
        QCOMPARE(w.LEDBreakout(0)->text(), QStringLiteral("CLOSED"));

        // Mill's settings saved with Com5, where nothing answers: its old port closes, the lights go red.
        w.selectMachine(0);
        QCOMPARE(w.LEDBreakout(0)->text(), QStringLiteral("COM1"));
        ScriptedMessages msgs;
        ModalAnswerer answer([](QWidget* modal) {
            auto* dialog = qobject_cast<frmProperties*>(modal);
            if (!dialog)
                return false;
            dialog->findChild<QComboBox*>(QStringLiteral("cboPort"))->setCurrentIndex(4);
            dialog->cmdOK_Click();
            return true;
        });
        w.btnToolBar_Click(4);
        QCOMPARE(answer.answered(), 1);
        QVERIFY(!comPort().isOpen());
        QCOMPARE(w.LEDBreakout(0)->text(), QStringLiteral("CLOSED"));
        QCOMPARE(w.LEDBreakout(0)->palette().color(QPalette::Window), QColor(255, 0, 0));
    }
};

QTEST_MAIN(WiringTest)
#include "WiringTest.moc"
