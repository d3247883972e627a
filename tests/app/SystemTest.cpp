// The system settings and the machine copy as a user reaches them: through
// the main window's menus, across restarts, with a machine on a pseudo-terminal.
#include "AppTestSupport.h"
#include "EditControl.h"
#include "EditorManager.h"
#include "IniStorage.h"
#include "IniStore.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "SettingsBackup.h"
#include "frmCopyDNC.h"
#include "frmSystem.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

class SystemTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home_;

    // Shows `T` from the menu item and lets `act` answer it.
    template <typename T> void fromMenu(frmTerminal& w, const char* item, std::function<void(T*)> act) {
        ModalAnswerer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<T*>(modal);
            if (dialog)
                act(dialog);
            return dialog != nullptr;
        });
        w.menuItem(QString::fromLatin1(item))->trigger();
        QCOMPARE(answer.answered(), 1);
    }

    std::unique_ptr<frmTerminal> restart() {
        auto w = std::make_unique<frmTerminal>();
        [&] { QVERIFY(w->Form_Load()); }();
        return w;
    }

    // The process would end here: what the program held back in memory goes
    // with it, and the event loops may run again.
    static void programEnded() {
        IniStore::instance().clearCache();
        IniStore::instance().endBatch();
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }

private Q_SLOTS:
    void init() { home_ = freshAppHome(); }
    void cleanup() { home_.reset(); }

    void fontsAndColoursSurviveARestart() {
        auto w = loadedTerminal(*home_);
        ScriptedMessages msgs;
        msgs.answerColour(0x112233u);
        fromMenu<frmSystem>(*w, "mnuSystemSettings", [](frmSystem* d) {
            d->cmdColorPicker1_Click(4);
            d->findChild<QLineEdit*>("Text1(1)")->setText("15");
            d->Command1_Click(0);
        });
        QCOMPARE(w->textboxTerm()->palette().color(QPalette::Base), QColor(0x33, 0x22, 0x11));
        w.reset();
        w = restart();
        QCOMPARE(w->textboxTerm()->palette().color(QPalette::Base), QColor(0x33, 0x22, 0x11));
        QCOMPARE(w->textboxTerm()->font().pointSize(), 15);
        QCOMPARE(w->editorManager()->editor(0)->fontSize(), 15);
    }

    void aCopyOntoTheCurrentMachineIsTakenUpAtOnce() {
        PtyMachine machine;
        QByteArray ini = machineOnPort(machine.slavePath(), "WaitAfterSending=30\n");
        // 1, 4 and 6 visible, 9 without the key (visible to the main window), the rest hidden.
        for (int n = 2; n <= 64; ++n) {
            ini += "[Machine" + QByteArray::number(n) + "]\n";
            if (n == 4)
                ini += "Alias=Four\nCharacterSet=1\nEOBSend=3\nKeepAlive=1\nCommPort=6\nVisible=-1\n";
            else if (n != 9)
                ini += n == 6 ? "Visible=-1\n" : "Visible=0\n";
        }
        writeAllBytes(home_->file("codeset.eia"), "[Ascii2Eia]\n78=69\n49=1\n13=128\n");
        auto w = loadedTerminal(*home_, ini);
        QVERIFY(!comPort().isOpen());
        const QByteArray before = home_->readIniBytes();
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        QStringList listed, labels;
        QByteArray afterNo;
        fromMenu<frmCopyDNC>(*w, "mnuCopyDNC", [&](frmCopyDNC* d) {
            for (int i = 0; i < d->List1(0)->count(); ++i)
                listed << d->List1(0)->item(i)->text();
            labels << d->Label1()->text();
            d->List1(0)->setCurrentRow(1);
            d->List1(1)->setCurrentRow(0);
            labels << d->Label1()->text();
            d->Command1_Click(0);
            afterNo = home_->readIniBytes();
            d->Command1_Click(0);
            d->Command1_Click(1);
        });
        QCOMPARE(listed, QStringList({"Machine1", "Four", "Machine6", "Machine9"}));
        QCOMPARE(labels, QStringList({"Copy Settings...Select The Other CNC", "Copy Settings From Four to Machine1"}));
        QCOMPARE(msgs.texts().value(0), QString("Ok To Update Machine1 with settings from Four ?"));
        QCOMPARE(afterNo, before);
        // Taken up as a new selection would: the copied keep-alive opens the port now.
        QVERIFY(comPort().isOpen());
        const QString part = home_->file("part.nc");
        writeAllBytes(part, "N1\n");
        QVERIFY(w->transfers().sendFileNoWindow(part));
        QVERIFY(machine.waitForCount(3, 20000));
        QCOMPARE(machine.received(), QByteArray("\x45\x01\x80"));
    }

    void backUpChangeRestoreAndTheNextStartHasTheOldSettings() {
        auto w = loadedTerminal(*home_, "[Machine1]\nAlias=Mill\n");
        w->show();
        const QString parts[2] = {home_->file("a.nc"), home_->file("b.nc")};
        EditorManager& editors = *w->editorManager();
        for (const QString& part : parts) {
            writeAllBytes(part, "N1\n");
            editors.editor(editors.openFileInNewWindow(part))->setBytes("N1 X5\n");
        }
        ScriptedMessages msgs;
        const QByteArray original = home_->readIniBytes();
        fromMenu<frmSystem>(*w, "mnuSystemSettings", [](frmSystem* d) {
            d->cmdBackup_Click(0);
            d->Command1_Click(1);
        });
        const QStringList made = SettingsBackup::list(SettingsBackup::defaultFolder());
        QCOMPARE(made.size(), 1);
        const QByteArray backup = readAllBytes(SettingsBackup::defaultFolder() + made[0]);
        QCOMPARE(backup, original);
        writeIni("Machine1", "Alias", "Lathe");

        // Restore; save a.nc, not b.nc. Each window is asked once.
        msgs.clear();
        msgs.answer(Msg::AnswerYes).answer(Msg::AnswerYes).answer(Msg::AnswerNo);
        fromMenu<frmSystem>(*w, "mnuSystemSettings", [](frmSystem* d) { d->cmdBackup_Click(1); });
        QVERIFY(!w->isVisible());
        QCOMPARE(msgs.shown().size(), 4);
        QCOMPARE(readAllBytes(parts[0]), QByteArray("N1 X5\n"));
        QCOMPARE(readAllBytes(parts[1]), QByteArray("N1\n"));
        QCOMPARE(home_->readIniBytes(), backup);
        // What the program still stores on its way out does not reach the file.
        writeIni("Settings", "FormW", "9000");
        w.reset();
        QCOMPARE(home_->readIniBytes(), backup);
        programEnded();

        w = restart();
        QCOMPARE(w->cmbCNC()->itemText(0), QString("Mill"));
    }
};

QTEST_MAIN(SystemTest)
#include "SystemTest.moc"
