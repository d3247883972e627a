#include "EditorGlobals.h"
#include "PercentBar.h"
#include "ScriptedMessages.h"
#include "SettingsGlobals.h"
#include "TestHome.h"
#include "frmCancelWait.h"
#include "frmPercent.h"
#include "frmSelectCNC.h"
#include "frmVisibleCNC.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
// Machines 1 to `count`; the numbers in `visible` are visible.
MachineList machines(int count, const QList<int>& visible) {
    MachineList list;
    for (int n = 1; n <= count; ++n)
        list.append({QStringLiteral("Machine%1").arg(n), visible.contains(n) ? -1 : 0});
    return list;
}

QStringList rows(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}
} // namespace

class PickersTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;

private Q_SLOTS:
    void init() {
        home_ = std::make_unique<TestHome>();
        qputenv("FEEDLINE_PASSWORD_FILE", QFile::encodeName(home_->file(QStringLiteral("no-password.ini"))));
        gDialogResult.clear();
        gCancelOperation = false;
    }
    void cleanup() { home_.reset(); }

    void pickerListsTheVisibleMachines() {
        frmSelectCNC picker(machines(64, {2, 5, 9}), 4, nullptr);
        QCOMPARE(rows(picker.List1()),
                 QStringList({QStringLiteral("Machine2"), QStringLiteral("Machine5"), QStringLiteral("Machine9")}));
        QCOMPARE(picker.List1()->currentRow(), 1);
        QSignalSpy chosen(&picker, &frmSelectCNC::machineChosen);
        picker.List1()->setCurrentRow(2);
        picker.Command1_Click(0);
        QCOMPARE(gDialogResult, QStringLiteral("True"));
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toInt(), 2);
    }

    void pickerCancelAndDoubleClick() {
        frmSelectCNC picker(machines(8, {1, 2, 3}), 0, nullptr);
        QSignalSpy chosen(&picker, &frmSelectCNC::machineChosen);
        picker.Command1_Click(1);
        QCOMPARE(gDialogResult, QStringLiteral("False"));
        QCOMPARE(chosen.count(), 0);

        frmSelectCNC again(machines(8, {1, 2, 3}), 0, nullptr);
        QSignalSpy chosenAgain(&again, &frmSelectCNC::machineChosen);
        QListWidgetItem* second = again.List1()->item(1);
        again.List1()->setCurrentItem(second);
        Q_EMIT again.List1()->itemDoubleClicked(second);
        QCOMPARE(chosenAgain.count(), 1);
        QCOMPARE(chosenAgain.first().first().toInt(), 1);
    }

    void pickerMatchesTheCurrentAliasWithoutCase() {
        MachineList list = machines(4, {1, 2, 3, 4});
        list[1].alias = QStringLiteral("Lathe");
        list[3].alias = QStringLiteral("LATHE");
        frmSelectCNC picker(list, 3, nullptr);
        QCOMPARE(picker.List1()->currentRow(), 1);
    }

    void pickerWithTheCurrentMachineHidden() {
        frmSelectCNC picker(machines(8, {2, 3}), 0, nullptr);
        QVERIFY(!picker.List1()->currentItem() || !picker.List1()->currentItem()->isSelected());
        QSignalSpy chosen(&picker, &frmSelectCNC::machineChosen);
        picker.Command1_Click(0);
        QCOMPARE(chosen.first().first().toInt(), -1);
        QCOMPARE(gDialogResult, QStringLiteral("True"));
    }

    void pickerWithNothingVisible() {
        ScriptedMessages msgs;
        frmSelectCNC picker(machines(8, {}), 0, nullptr);
        QVERIFY(msgs.sawText(QStringLiteral("You Dont Have Any CNC Machines Visible!!!")));
        QCOMPARE(picker.List1()->count(), 0);
    }

    void visibilityDialog() {
        gDialogResult = QStringLiteral("x");
        frmVisibleCNC dialog(machines(64, {1, 4}), 3, nullptr);
        QCOMPARE(gDialogResult, QStringLiteral("~"));
        QCOMPARE(dialog.List1()->count(), 64);
        QCOMPARE(dialog.List1()->currentRow(), 3);
        QCOMPARE(dialog.ticks().count(true), 2);
        dialog.Command3_Click(0);
        QCOMPARE(dialog.ticks().count(true), 64);
        dialog.Command3_Click(1);
        QVector<bool> onlyFirst(64, false);
        onlyFirst[0] = true;
        QCOMPARE(dialog.ticks(), onlyFirst);

        ScriptedMessages msgs;
        QSignalSpy chosen(&dialog, &frmVisibleCNC::visibilityChosen);
        dialog.List1()->item(0)->setCheckState(Qt::Unchecked);
        dialog.Command1_Click();
        QVERIFY(msgs.sawText(QStringLiteral("You Have To Have At Least 1 CNC Setting!")));
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(dialog.ticks(), onlyFirst);

        dialog.List1()->item(0)->setCheckState(Qt::Unchecked);
        dialog.List1()->item(2)->setCheckState(Qt::Checked);
        dialog.List1()->item(6)->setCheckState(Qt::Checked);
        dialog.Command1_Click();
        QCOMPARE(chosen.count(), 1);
        const QVector<bool> ticked = chosen.first().first().value<QVector<bool>>();
        QCOMPARE(ticked.count(true), 2);
        QVERIFY(ticked[2] && ticked[6]);
    }

    void firstRunVisibilityEndsOnlyByOk() {
        frmVisibleCNC dialog(machines(64, {1}), 0, nullptr);
        dialog.setFirstRun();
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        QVERIFY(dialog.isVisible());
        dialog.Command1_Click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void percentLabels_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<bool>("keepEnds");
        QTest::addColumn<QString>("label");
        QTest::newRow("0 kept") << 0.0 << true << "0%";
        QTest::newRow("50.5") << 50.5 << false << "51%";
        QTest::newRow("100") << 100.0 << false << "99%";
        QTest::newRow("100 kept") << 100.0 << true << "100%";
        QTest::newRow("150") << 150.0 << false << "100%";
    }

    void percentLabels() {
        QFETCH(double, percent);
        QFETCH(bool, keepEnds);
        QFETCH(QString, label);
        QCOMPARE(percentLabel(percent, keepEnds), label);
    }

    void percentBarFill() {
        PercentBar bar;
        bar.resize(200, 20);
        UpdateStatus(&bar, 0);
        QCOMPARE(bar.filledWidth(), 0);
        QCOMPARE(bar.label(), QStringLiteral("1%"));
        UpdateStatus(&bar, 99.6);
        QCOMPARE(bar.filledWidth(), 199);
        QCOMPARE(bar.label(), QStringLiteral("99%"));
        UpdateStatus(&bar, 150);
        QCOMPARE(bar.filledWidth(), 200);
        const QImage painted = bar.grab().toImage();
        QCOMPARE(painted.pixelColor(2, 2), QColor(0, 0, 255));
        UpdateStatus(&bar, 25, true);
        const QImage quarter = bar.grab().toImage();
        QCOMPARE(quarter.pixelColor(10, 2), QColor(0, 0, 255));
        QCOMPARE(quarter.pixelColor(190, 2), QColor(Qt::white));
        bar.clear();
        QVERIFY(bar.label().isEmpty());
    }

    void percentWindowCancel() {
        frmPercent progress;
        progress.setWindowTitle(QStringLiteral("Working"));
        progress.show();
        QVERIFY(progress.windowFlags() & Qt::WindowStaysOnTopHint);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&progress, &activate);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        progress.Command1()->click();
        QVERIFY(gCancelOperation);
        QVERIFY(!progress.isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    void cancelWaitCountsDown() {
        QWidget sendProgress;
        sendProgress.show();
        frmCancelWait wait(&sendProgress);
        wait.show();
        QVERIFY(!sendProgress.isVisible());
        QVERIFY(!wait.Command1()->isEnabled());
        wait.tick();
        QCOMPARE(wait.Command1()->text(), QStringLiteral("Cancelling (3secs)..."));
        QTest::keyClick(&wait, Qt::Key_Escape);
        QVERIFY(wait.isVisible()); // not before the count is down
        wait.tick();
        wait.tick();
        QCOMPARE(wait.Label1()->text(), QStringLiteral("CNC Transfer Cancelled"));
        QVERIFY(wait.Command1()->isEnabled());
        QTest::keyClick(&wait, Qt::Key_Space);
        QVERIFY(!wait.isVisible());
        QCOMPARE(wait.ticks(), 0);

        frmCancelWait left;
        left.show();
        for (int i = 0; i < 6; ++i)
            left.tick();
        QVERIFY(!left.isVisible());
    }
};

QTEST_MAIN(PickersTest)
#include "PickersTest.moc"
