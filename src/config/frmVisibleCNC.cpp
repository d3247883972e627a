#include "frmVisibleCNC.h"

#include "DialogSize.h"
#include "Help.h"
#include "Language.h"
#include "MessageSeam.h"
#include "SettingsGlobals.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

frmVisibleCNC::frmVisibleCNC(const MachineList& machines, int currentPosition, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmVisibleCNC"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Hide or Select Your CNC 1-64"));
    gDialogResult = QStringLiteral("~");

    list1_ = new QListWidget(this);
    list1_->setObjectName(QStringLiteral("List1"));
    list1_->setToolTip(QStringLiteral("Check the CNC machines you wish to see in your SELECT CNC LIST..."));
    for (const MachineListEntry& m : machines) {
        auto* item = new QListWidgetItem(m.alias, list1_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m.visible() ? Qt::Checked : Qt::Unchecked);
    }
    if (currentPosition >= 0 && currentPosition < list1_->count())
        list1_->setCurrentRow(currentPosition);

    auto makeButton = [this](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    command1_ = makeButton(QStringLiteral("Command1"), QStringLiteral("&Ok"));
    command2_ = makeButton(QStringLiteral("Command2"), QStringLiteral("&Quit"));
    command3_[0] = makeButton(QStringLiteral("Command3(0)"), QStringLiteral("Select All"));
    command3_[1] = makeButton(QStringLiteral("Command3(1)"), QStringLiteral("Deselect All"));
    auto* language = makeButton(QStringLiteral("cmdLanguageSelect"), QStringLiteral("..."));
    language->setVisible(false);
    command1_->setDefault(true);
    connect(command1_, &QPushButton::clicked, this, &frmVisibleCNC::Command1_Click);
    connect(command2_, &QPushButton::clicked, this, &frmVisibleCNC::Command2_Click);
    connect(command3_[0], &QPushButton::clicked, this, [this] { Command3_Click(0); });
    connect(command3_[1], &QPushButton::clicked, this, [this] { Command3_Click(1); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(list1_, 0, 0, 5, 1);
    layout->addWidget(command1_, 0, 1);
    layout->addWidget(command2_, 1, 1);
    layout->addWidget(command3_[0], 2, 1);
    layout->addWidget(command3_[1], 3, 1);
    layout->addWidget(language, 4, 1, Qt::AlignBottom | Qt::AlignRight);
    resize(420, 420);

    applyLanguage(this);
}

QVector<bool> frmVisibleCNC::ticks() const {
    QVector<bool> t;
    for (int i = 0; i < list1_->count(); ++i)
        t << (list1_->item(i)->checkState() == Qt::Checked);
    return t;
}

void frmVisibleCNC::setFirstRun() {
    firstRun_ = true;
    command2_->setEnabled(false);
    setWindowTitle(QStringLiteral("Decide How Many CNC's To Start With - You Can Change Anytime"));
    if (list1_->count() > 0)
        list1_->setCurrentRow(0);
}

void frmVisibleCNC::Command1_Click() {
    const QVector<bool> t = ticks();
    if (!t.contains(true)) {
        msgBox(QStringLiteral("You Have To Have At Least 1 CNC Setting!"), Msg::Ok, Msg::Exclamation);
        if (list1_->count() > 0)
            list1_->item(0)->setCheckState(Qt::Checked);
        return;
    }
    Q_EMIT visibilityChosen(t);
    accept();
}

void frmVisibleCNC::Command2_Click() {
    reject();
}

void frmVisibleCNC::reject() {
    // The start waits for this choice: only OK ends it.
    if (!firstRun_)
        QDialog::reject();
}

void frmVisibleCNC::Command3_Click(int index) {
    if (index == 0) {
        setAllTicks(true);
    } else if (index == 1) {
        setAllTicks(false);
        if (list1_->count() > 0)
            list1_->item(0)->setCheckState(Qt::Checked);
    }
}

void frmVisibleCNC::setAllTicks(bool ticked) {
    for (int i = 0; i < list1_->count(); ++i)
        list1_->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void frmVisibleCNC::keyPressEvent(QKeyEvent* e) {
    if (formHelpKey(objectName(), e))
        return;
    QDialog::keyPressEvent(e);
}
