#include "frmSelectCNC.h"

#include "Help.h"
#include "Language.h"
#include "Login.h"
#include "MessageSeam.h"
#include "SettingsGlobals.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

frmSelectCNC::frmSelectCNC(const MachineList& machines, int currentPosition, QWidget* parent)
    : QDialog(parent), machines_(machines), currentPosition_(currentPosition) {
    setObjectName(QStringLiteral("frmSelectCNC"));
    // Left resizable: a long machine name needs the room.
    setSizeGripEnabled(true);
    setWindowTitle(QStringLiteral("Select CNC Machine"));

    auto* label1 = new QLabel(QStringLiteral("&Select CNC Machine"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    list1_ = new QListWidget(this);
    list1_->setObjectName(QStringLiteral("List1"));
    label1->setBuddy(list1_);

    auto makeButton = [this](const QString& name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        return b;
    };
    command1_[0] = makeButton(QStringLiteral("Command1(0)"), QStringLiteral("&Ok"),
                              QStringLiteral("Accept This As The Current CNC Profile..."));
    command1_[1] =
        makeButton(QStringLiteral("Command1(1)"), QStringLiteral("&Cancel"), QStringLiteral("Quit"));
    command3_ =
        makeButton(QStringLiteral("Command3"), QStringLiteral("Hide"),
                   QStringLiteral("Hide or Reveal CNC machines.  Then you can add/delete CNC machines from "
                                  "your list..."));
    auto* language = makeButton(QStringLiteral("cmdLanguageSelect"), QStringLiteral("..."), QString());
    language->setVisible(false);
    command1_[0]->setDefault(true);
    connect(command1_[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(command1_[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    connect(command3_, &QPushButton::clicked, this, &frmSelectCNC::Command3_Click);
    connect(list1_, &QListWidget::itemDoubleClicked, this, [this] { Command1_Click(0); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(label1, 0, 0);
    layout->addWidget(list1_, 1, 0, 4, 1);
    layout->addWidget(command1_[0], 1, 1);
    layout->addWidget(command1_[1], 2, 1);
    layout->addWidget(command3_, 3, 1);
    layout->addWidget(language, 4, 1, Qt::AlignBottom | Qt::AlignRight);
    // Room to spare goes to the list, not to a band around its label.
    layout->setRowStretch(4, 1);
    resize(380, 360);

    fillList();
    if (list1_->count() > 0) {
        const QString current = machines_.value(currentPosition_).alias;
        for (int row = 0; row < list1_->count(); ++row) {
            if (list1_->item(row)->text().compare(current, Qt::CaseInsensitive) == 0) {
                list1_->setCurrentRow(row);
                break;
            }
        }
    } else {
        msgBox(QStringLiteral("You Dont Have Any CNC Machines Visible!!!"), Msg::Ok, Msg::Exclamation);
    }
    applyLanguage(this);
}

void frmSelectCNC::fillList() {
    list1_->clear();
    for (int i = 0; i < machines_.size(); ++i) {
        if (!machines_[i].visible())
            continue;
        auto* item = new QListWidgetItem(machines_[i].alias, list1_);
        item->setData(Qt::UserRole, i);
    }
}

void frmSelectCNC::Command1_Click(int index) {
    if (index == 0) {
        const int row =
            list1_->currentItem() && list1_->currentItem()->isSelected() ? list1_->currentRow() : -1;
        gDialogResult = QStringLiteral("True");
        Q_EMIT machineChosen(row);
        accept();
    } else {
        gDialogResult = QStringLiteral("False");
        reject();
    }
}

void frmSelectCNC::Command3_Click() {
    if (!checkLogin())
        return;
    frmVisibleCNC visible(machines_, currentPosition_, this);
    connect(&visible, &frmVisibleCNC::visibilityChosen, this, [this](const QVector<bool>& ticked) {
        for (int i = 0; i < machines_.size() && i < ticked.size(); ++i)
            machines_[i].mark = ticked[i] ? -1 : 0;
        currentPosition_ = int(ticked.indexOf(true));
        Q_EMIT visibilityChosen(ticked);
        fillList();
        if (list1_->count() > 0)
            list1_->setCurrentRow(0);
    });
    visible.exec();
}

void frmSelectCNC::keyPressEvent(QKeyEvent* e) {
    if (formHelpKey(objectName(), e))
        return;
    QDialog::keyPressEvent(e);
}
