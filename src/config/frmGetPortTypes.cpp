#include "frmGetPortTypes.h"

#include "DialogParts.h"
#include "Language.h"
#include "MessageSeam.h"
#include "PortList.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {
// The list boxes' exact-text search, which ignores letter case.
int findExact(const QComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
} // namespace

frmGetPortTypes::frmGetPortTypes(QComboBox* portList, QWidget* parent)
    : QDialog(parent), portList_(portList) {
    setObjectName(QStringLiteral("frmGetPortTypes"));
    setWindowTitle(QStringLiteral("All Detected Serial Ports"));
    setModal(true);

    List1 = new QTreeWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setRootIsDecorated(false);
    List1->setColumnCount(3);
    List1->setHeaderLabels({QStringLiteral("Port"), QStringLiteral("Device"), QStringLiteral("Description")});
    Command1[0] = DialogParts::button(this, QStringLiteral("Command1(0)"), QStringLiteral("Accept Port"));
    Command1[1] = DialogParts::button(this, QStringLiteral("Command1(1)"), QStringLiteral("Cancel"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        DialogParts::label(this, QStringLiteral("Label1"), QStringLiteral("All Detected Serial Ports...")), 0,
        0, 1, 2);
    grid->addWidget(List1, 1, 0, 1, 2);
    grid->addWidget(Command1[0], 2, 0);
    grid->addWidget(Command1[1], 2, 1);

    for (const PortList::PortInfo& port : PortList::presentPorts())
        new QTreeWidgetItem(List1, {port.comName, port.device, port.description});
    List1->header()->resizeSections(QHeaderView::ResizeToContents);

    connect(List1, &QTreeWidget::itemDoubleClicked, this, [this] { Command1_Click(0); });
    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    resize(480, 300);
    new DialogParts::HelpKey(this);
    applyLanguage(this);

    if (List1->topLevelItemCount() > 0) {
        const QString current = portList_ ? portList_->currentText() : QString();
        QTreeWidgetItem* match = nullptr;
        for (int i = 0; i < List1->topLevelItemCount() && !match; ++i)
            if (List1->topLevelItem(i)->text(0).compare(current, Qt::CaseInsensitive) == 0)
                match = List1->topLevelItem(i);
        if (!match) {
            msgBox(QStringLiteral("Current Selection ") + current + QStringLiteral(" Cannot Be Detected"));
            match = List1->topLevelItem(0);
        }
        List1->setCurrentItem(match);
    }
}

void frmGetPortTypes::Command1_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    const QString port = List1->currentItem() ? List1->currentItem()->text(0) : QString();
    const int found = portList_ ? findExact(portList_, port) : -1;
    if (found < 0) {
        msgBox(port + QStringLiteral(" is not in the list"));
        return;
    }
    portList_->setCurrentIndex(found);
    accept();
}
