#include "frmCopyDNC.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "IniStorage.h"
#include "MachineCopy.h"
#include "MachineRecord.h"
#include "MessageSeam.h"

#include <QApplication>
#include <QGridLayout>
#include <QListWidget>

frmCopyDNC::frmCopyDNC(const MachineList& machines, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCopyDNC"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Copy And Paste DNC Settings"));
    label1_ = DialogParts::label(this, QStringLiteral("Label1"), QStringLiteral("Copy Settings"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(label1_, 0, 0, 1, 2);
    for (int side = 0; side < 2; ++side) {
        list1_[side] = new QListWidget(this);
        list1_[side]->setObjectName(QStringLiteral("List1(%1)").arg(side));
        for (int i = 0; i < machines.size(); ++i)
            if (machines[i].visible()) {
                auto* item = new QListWidgetItem(machines[i].alias, list1_[side]);
                item->setData(Qt::UserRole, i + 1);
            }
        layout->addWidget(list1_[side], 1, side);
        connect(list1_[side], &QListWidget::currentRowChanged, this, &frmCopyDNC::List1_Click);
    }
    command1_[0] = DialogParts::button(this, QStringLiteral("Command1(0)"), QStringLiteral("Copy Settings"));
    command1_[1] = DialogParts::button(this, QStringLiteral("Command1(1)"), QStringLiteral("Quit"));
    for (int i = 0; i < 2; ++i) {
        layout->addWidget(command1_[i], 2, i);
        connect(command1_[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    for (QListWidget* list : list1_)
        list->setCurrentRow(0);
    List1_Click();
    new DialogParts::HelpKey(this);
}

void frmCopyDNC::List1_Click() {
    const bool differ = list1_[0]->currentRow() != list1_[1]->currentRow();
    command1_[0]->setEnabled(differ);
    if (differ && list1_[0]->currentItem() && list1_[1]->currentItem())
        label1_->setText(QStringLiteral("Copy Settings From ") + list1_[0]->currentItem()->text() +
                         QStringLiteral(" to ") + list1_[1]->currentItem()->text());
    else
        label1_->setText(QStringLiteral("Copy Settings...Select The Other CNC"));
}

void frmCopyDNC::Command1_Click(int index) {
    const QListWidgetItem* from = list1_[0]->currentItem();
    const QListWidgetItem* to = list1_[1]->currentItem();
    if (index == 1 || !from || !to) {
        reject();
        return;
    }
    if (msgBox(QStringLiteral("Ok To Update ") + to->text() + QStringLiteral(" with settings from ") + from->text() +
                   QStringLiteral(" ?"),
               Msg::YesNo, Msg::Question) != Msg::AnswerYes)
        return;
    const int destination = to->data(Qt::UserRole).toInt();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (QPushButton* b : command1_)
        b->setEnabled(false);
    const bool copied = copyMachineSettings(from->data(Qt::UserRole).toInt(), destination);
    for (QPushButton* b : command1_)
        b->setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (!copied) {
        msgBox(settingsNotSavedText(lastIniError()), Msg::Ok, Msg::Critical);
        return;
    }
    Q_EMIT settingsCopied(destination);
}
