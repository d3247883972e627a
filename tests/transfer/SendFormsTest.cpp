// The send progress window, and the transfer log: written, listed, repeated.
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageBoxUi.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "RecentFiles.h"
#include "ScriptedMessages.h"
#include "SendHost.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "frmCancelSend.h"
#include "frmLogFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {
class ReceivingHost : public SendHost {
public:
    QStringList receives;
    void receiveFileToDisk(bool saveAll, const QString& fileName) override {
        receives << QStringLiteral("%1:%2").arg(saveAll).arg(fileName);
    }
};
} // namespace

class SendFormsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;

    void writeLog(const QByteArray& text) const { QVERIFY(writeAllBytes(transferLogPath(), text)); }

private Q_SLOTS:
    void init() {
        home_ = std::make_unique<TestHome>();
        gCurrentMachineSection = QStringLiteral("Machine1");
        gDNCStatus = 2;
        gCancelSend = false;
        gOverride = false;
        gSending = false;
        gPortState = PortIdle;
    }
    void cleanup() {
        frmCancelSend::unload();
        QCoreApplication::processEvents();
        gSending = false;
        gCancelSend = false;
        home_.reset();
    }

    void progressWindowLayoutsClockAndCancelKeys() {
        // One layout per display setting; 4 has none.
        for (int status = 0; status <= 4; ++status) {
            gDNCStatus = status;
            frmCancelSend* frm = frmCancelSend::load();
            for (int i = 0; i < 4; ++i)
                QCOMPARE(frm->Frame1(i)->isVisibleTo(frm), i == status);
            frmCancelSend::unload();
        }
        frmCancelSend* frm = frmCancelSend::load();
        gSendStartTime = QDateTime::currentDateTime().addSecs(-(86400 + 3661));
        frm->Timer1_Timer();
        QCOMPARE(frm->Label2(2)->text(), QStringLiteral("01:01:01:01"));

        // Esc and closing the window cancel the send as its button does; the window stays.
        frm->show();
        QTest::keyClick(frm, Qt::Key_Escape);
        QVERIFY(gCancelSend);
        gCancelSend = false;
        frm->close();
        QVERIFY(gCancelSend);
        QVERIFY(frm->isVisible());
    }

    void followsTheMainWindowWhenMinimisedAndRestored() {
        frmCancelSend* frm = frmCancelSend::load();
        frm->show();
        gSending = true;
        frmCancelSend::setFocusToTransferBox(true);
        QVERIFY(!frm->isVisible());
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(frm->isVisible());

        // "None" shows nothing, though a send without window shows its echo layout for it.
        frmCancelSend::setFocusToTransferBox(true);
        gDNCStatus = 3;
        writeIni(QStringLiteral("Settings"), QStringLiteral("DNCStatus"), QStringLiteral("3"));
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(!frm->isVisible());

        // Nothing while no send runs, nor for the XModem route.
        gDNCStatus = 2;
        gSending = false;
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(!frm->isVisible());
        gSending = true;
        writeIni(gCurrentMachineSection, QStringLiteral("Handshaking"), QStringLiteral("4"));
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(!frm->isVisible());
    }

    void theLogIsWrittenListedAndClearedOnlyOnYes() {
        ScriptedMessages msgs;
        {
            frmLogFile viewer;
            viewer.Command1_Click(0);
            viewer.Command1_Click(1);
            QCOMPARE(msgs.texts(), QStringList({"Log File Does Not Exist", "No Items In Log File"}));
        }
        writeLog("\r\nA - B - C\r\nLATHE - Send File To CNC - /nc/a- b.nc - 03-Jan-24 12:00:00\r\n");
        // Sends and receives under the alias, its hyphens blanked; temporary files never.
        writeIni(gCurrentMachineSection, QStringLiteral("Alias"), QStringLiteral("Mill-1"));
        gPortState = PortSending;
        writeLogFile(QStringLiteral("/nc/a - b.nc"));
        gPortState = PortReceiving;
        for (const char* file : {"/nc/in.nc", "/nc/Machine1.tmp", "/nc/x.Tmp", "/nc/merge.$$$"})
            writeLogFile(QString::fromLatin1(file));
        gPortState = PortIdle;
        QCOMPARE(RecentFiles::entries(QStringLiteral("send")).value(0), QStringLiteral("/nc/a - b.nc"));
        QCOMPARE(RecentFiles::entries(QStringLiteral("receive")).mid(0, 2), QStringList({"/nc/in.nc", ""}));

        // A size typed by hand, of any length.
        writeIni(QStringLiteral("Settings"), QStringLiteral("LFormW"), QStringLiteral("-99999999999"));
        frmLogFile viewer;
        QTreeWidget* list = viewer.lvDragDrop();
        QCOMPARE(list->topLevelItemCount(), 3);
        const auto fields = [list](int row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            return QStringList({item->text(0), item->text(1), item->text(2)});
        };
        QCOMPARE(fields(0), QStringList({"LATHE", "Send File To CNC", "/nc/a- b.nc"}));
        QCOMPARE(fields(1), QStringList({"Mill 1", "Send File To CNC", "/nc/a - b.nc"}));
        QCOMPARE(fields(2), QStringList({"Mill 1", "File Received From CNC", "/nc/in.nc"}));
        const QRegularExpression dated(QStringLiteral(R"(^\d\d-\w{3}-\d\d \d\d:\d\d:\d\d$)"));
        QVERIFY(dated.match(list->topLevelItem(1)->text(3)).hasMatch());
        QCOMPARE(list->currentItem(), list->topLevelItem(2));

        msgs.clear();
        msgs.answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        viewer.Command1_Click(0);
        QVERIFY(msgs.sawText(QStringLiteral("Ok To Delete Logfile")));
        QCOMPARE(list->topLevelItemCount(), 3);
        viewer.Command1_Click(0);
        QVERIFY(!QFile::exists(transferLogPath()));
        QCOMPARE(list->topLevelItemCount(), 0);
    }

    void repeatSendsTheListedFileToItsMachine() {
        PtyMachine machine;
        home_->writeIni("[Machine2]\nAlias=Lathe 2\nCommPort=1\nWaitAfterSending=30\n[Ports]\nCom2=" +
                        machine.slavePath().toLocal8Bit() + "\n");
        gKeepAlive = 0;
        const QString dashed = home_->file(QStringLiteral("op 1 - roughing.nc"));
        QVERIFY(writeAllBytes(dashed, "N1 G0 X1\nN2 M30\n"));
        const QString other = home_->file(QStringLiteral("op 1.nc"));
        QVERIFY(writeAllBytes(other, "WRONG\n"));
        writeLog(("LATHE 2 - Send File To CNC - " + dashed + " - 01-Jan-24 10:00:00\r\n").toUtf8());

        ScriptedMessages msgs;
        ReceivingHost host;
        SendHostScope scope(&host);
        frmLogFile viewer;
        QTreeWidget* list = viewer.lvDragDrop();
        Q_EMIT list->itemDoubleClicked(list->topLevelItem(0), 0);
        QVERIFY2(machine.waitForCount(18, 20000), qPrintable(msgs.texts().join('|')));
        pumpEvents(30);
        QCOMPARE(machine.received(), QByteArray("N1 G0 X1\r\nN2 M30\r\n"));
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine2"));
        QCOMPARE(viewer.result(), int(QDialog::Accepted));
        QCOMPARE(gPortState, int(PortIdle));
        closeComPort(CloseWhen::Always);
        gCurrentMachineSection = QStringLiteral("Machine1");
    }

    void repeatOfOtherActions() {
        writeLog("NOBODY - File Received From CNC - /nc/in.nc - 01-Jan-24 10:00:00\r\n"
                 "Machine1 - FTP Upload - /nc/up.nc - 01-Jan-24 10:00:00\r\n"
                 "Machine1 - Something Else - /nc/x.nc - 01-Jan-24 10:00:00\r\n");
        ReceivingHost host;
        SendHostScope scope(&host);
        const struct {
            int row;
            const char* message;
        } cases[] = {{0, "Cant Find That CNC In The List"},
                     {1, "FTP Program Or The File Is Missing"},
                     {2, "Unable To Do This"}};
        for (const auto& c : cases) {
            ScriptedMessages msgs;
            frmLogFile viewer;
            viewer.lvDragDrop()->setCurrentItem(viewer.lvDragDrop()->topLevelItem(c.row));
            viewer.Command1_Click(1);
            QVERIFY2(msgs.sawText(QString::fromLatin1(c.message)), qPrintable(msgs.texts().join('|')));
            QCOMPARE(viewer.result(), int(QDialog::Accepted));
        }
        QCOMPARE(host.receives, QStringList{QStringLiteral("0:/nc/in.nc")});
    }

    // While a send's progress window is up, every box of the message seam
    // comes over it, the main window active or not: the real boxes, each
    // closed as it shows.
    void aBoxDuringASendComesAboveItsProgressWindow() {
        installMessageBoxUi();
        const auto restore = qScopeGuard([] { // the boxes without a window
            Msg::setHandler(nullptr);
            Msg::setInputHandler(nullptr);
            Msg::setFileHandler(nullptr);
            Msg::setColourHandler(nullptr);
            Msg::setFontHandler(nullptr);
        });
        QWidget main;
        main.show();
        frmCancelSend* frm = frmCancelSend::load(&main);
        frm->show();
        main.activateWindow(); // as a click on it would
        QTRY_COMPARE(QApplication::activeWindow(), &main);
        unsigned int colour = 0;
        Msg::FontChoice font;
        const std::function<void()> boxes[] = {
            [] { msgBox(QStringLiteral("Settings Locked")); }, [] { inputBox(QStringLiteral("Line")); },
            [] { fileDialog({}); }, [&colour] { chooseColour(&colour); }, [&font] { chooseFont(&font); }};
        for (const auto& show : boxes) {
            QWidget* over = nullptr;
            bool onTop = false;
            QTimer closer;
            connect(&closer, &QTimer::timeout, [&over, &onTop] {
                if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    over = box->parentWidget();
                    onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                    box->reject();
                }
            });
            closer.start(10);
            show();
            QCOMPARE(over, frm);
            QVERIFY(onTop); // as the window it is over
        }
    }
};

QTEST_MAIN(SendFormsTest)
#include "SendFormsTest.moc"
