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
        list.append({QString("Machine%1").arg(n), visible.contains(n) ? -1 : 0});
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
        qputenv("FEEDLINE_PASSWORD_FILE", QFile::encodeName(home_->file("no-password.ini")));
        gDialogResult.clear();
        gCancelOperation = false;
    }
    void cleanup() { home_.reset(); }

    void pickerListsTheVisibleMachinesAndAnswersTheChosenRow() {
        MachineList list = machines(64, {2, 5, 9});
        list[1].alias = QString("Lathe");
        list[4].alias = QString("LATHE");
        // The current machine (5) is highlighted by its name, whatever its case: the first such row.
        frmSelectCNC picker(list, 4, nullptr);
        QCOMPARE(rows(picker.List1()), QStringList({"Lathe", "LATHE", "Machine9"}));
        QCOMPARE(picker.List1()->currentRow(), 0);
        QSignalSpy chosen(&picker, &frmSelectCNC::machineChosen);
        picker.List1()->setCurrentRow(2);
        picker.Command1_Click(0);
        QCOMPARE(gDialogResult, QString("True"));
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toInt(), 2);

        frmSelectCNC cancelled(list, 4, nullptr);
        QSignalSpy none(&cancelled, &frmSelectCNC::machineChosen);
        cancelled.Command1_Click(1);
        QCOMPARE(gDialogResult, QString("False"));
        QCOMPARE(none.count(), 0);

        frmSelectCNC doubleClicked(list, 4, nullptr);
        QSignalSpy clicked(&doubleClicked, &frmSelectCNC::machineChosen);
        Q_EMIT doubleClicked.List1()->itemDoubleClicked(doubleClicked.List1()->item(0));
        QCOMPARE(clicked.first().first().toInt(), 0);

        // The current machine hidden: nothing is highlighted, and OK chooses no row.
        frmSelectCNC hidden(machines(8, {2, 3}), 0, nullptr);
        QSignalSpy noRow(&hidden, &frmSelectCNC::machineChosen);
        hidden.Command1_Click(0);
        QCOMPARE(noRow.first().first().toInt(), -1);

        ScriptedMessages msgs;
        frmSelectCNC empty(machines(8, {}), 0, nullptr);
        QVERIFY(msgs.sawText("You Dont Have Any CNC Machines Visible!!!"));
    }

    void visibilityDialog() {
        frmVisibleCNC dialog(machines(64, {1, 4}), 3, nullptr);
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
        QVERIFY(msgs.sawText("You Have To Have At Least 1 CNC Setting!"));
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(dialog.ticks(), onlyFirst);
        dialog.List1()->item(0)->setCheckState(Qt::Unchecked);
        dialog.List1()->item(6)->setCheckState(Qt::Checked);
        dialog.Command1_Click();
        QCOMPARE(chosen.count(), 1);
        const QVector<bool> ticked = chosen.first().first().value<QVector<bool>>();
        QCOMPARE(ticked.count(true), 1);
        QVERIFY(ticked[6]);
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

    void percentBar_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<bool>("keepEnds");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("filled"); // of 200 pixels
        QTest::newRow("0 kept") << 0.0 << true << "0%" << 0;
        QTest::newRow("0") << 0.0 << false << "1%" << 0;
        QTest::newRow("50.5") << 50.5 << false << "51%" << 101;
        QTest::newRow("99.6") << 99.6 << false << "99%" << 199;
        QTest::newRow("100 kept") << 100.0 << true << "100%" << 200;
        QTest::newRow("150") << 150.0 << false << "100%" << 200;
    }

    void percentBar() {
        QFETCH(double, percent);
        QFETCH(bool, keepEnds);
        QFETCH(QString, label);
        QFETCH(int, filled);
        PercentBar bar;
        bar.resize(200, 20);
        UpdateStatus(&bar, percent, keepEnds);
        QCOMPARE(bar.label(), label);
        QCOMPARE(bar.filledWidth(), filled);
        const QImage painted = bar.grab().toImage();
        QCOMPARE(painted.pixelColor(0, 2), filled > 0 ? QColor(0, 0, 255) : QColor(Qt::white));
        QCOMPARE(painted.pixelColor(199, 2), filled == 200 ? QColor(0, 0, 255) : QColor(Qt::white));
    }

    void percentWindowCancel() {
        frmPercent progress;
        progress.show();
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
        wait.tick();
        wait.tick();
        QTest::keyClick(&wait, Qt::Key_Escape);
        QVERIFY(wait.isVisible()); // not before the count is down
        wait.tick();
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
