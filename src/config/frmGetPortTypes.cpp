#include "frmGetPortTypes.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "Language.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortList.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

frmGetPortTypes::frmGetPortTypes(QComboBox* portList, std::function<QString(int)> deviceOf, QWidget* parent)
    : QDialog(parent), portList_(portList), deviceOf_(std::move(deviceOf)) {
    setObjectName(QStringLiteral("frmGetPortTypes"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("All Detected Serial Ports"));
    setModal(true);

    List1 = new QTreeWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setRootIsDecorated(false);
    List1->setColumnCount(3);
    List1->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Port"), QStringLiteral("Description")});
    Command1[0] = DialogParts::button(this, QStringLiteral("Command1(0)"), QStringLiteral("Accept Port"));
    Command1[1] = DialogParts::button(this, QStringLiteral("Command1(1)"), QStringLiteral("Cancel"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        DialogParts::label(this, QStringLiteral("Label1"), QStringLiteral("All Detected Serial Ports...")), 0,
        0, 1, 2);
    grid->addWidget(List1, 1, 0, 1, 2);
    grid->addWidget(Command1[0], 2, 0);
    grid->addWidget(Command1[1], 2, 1);

    for (const PortList::DetectedDevice& d : PortList::detectedDevices()) {
        QString about = d.description;
        if (d.device != d.target)
            about = (about.isEmpty() ? QString() : about + QLatin1Char(' ')) + QStringLiteral("(%1)").arg(d.target);
        auto* item = new QTreeWidgetItem(List1, {d.device, d.comName, about});
        item->setData(0, Qt::UserRole, d.target);
    }
    List1->header()->resizeSections(QHeaderView::ResizeToContents);

    connect(List1, &QTreeWidget::itemDoubleClicked, this, [this] { Command1_Click(0); });
    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    resize(640, 300);
    new DialogParts::HelpKey(this);
    applyLanguage(this);

    if (List1->topLevelItemCount() > 0) {
        const int port = portList_ ? portList_->currentIndex() : -1;
        const QString current = QFileInfo(port >= 0 ? deviceOf_(port) : QString()).canonicalFilePath();
        QTreeWidgetItem* match = nullptr;
        for (int i = 0; i < List1->topLevelItemCount() && !match && !current.isEmpty(); ++i)
            if (List1->topLevelItem(i)->data(0, Qt::UserRole).toString() == current)
                match = List1->topLevelItem(i);
        if (!match) {
            msgBox(QStringLiteral("Current Selection ") + (portList_ ? portList_->currentText() : QString()) +
                   QStringLiteral(" Cannot Be Detected"));
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
    const QTreeWidgetItem* item = List1->currentItem();
    if (!item) {
        msgBox(QStringLiteral("No Serial Device Is Selected"));
        return;
    }
    const int port = portList_ ? portList_->currentIndex() : -1;
    if (port < 0) {
        msgBox(QStringLiteral("Choose This Machine's Port (Com1 To Com%1) First").arg(PortList::kPortCount));
        return;
    }
    const QString device = item->text(0);
    const QString comName = PortList::comName(port);
    if (device == deviceOf_(port)) {
        chosen_.clear();
        accept();
        return;
    }
    // The mapping is the port's, not the machine's: every machine on it follows.
    const QStringList others = PortList::machinesOnPort(port, gCurrentMachineSection);
    if (!others.isEmpty() &&
        msgBox(QStringLiteral("%1 Is Also The Port Of %2\nThey Will Use %3 Too\n\nUse %3 For %1?")
                   .arg(comName, others.join(QStringLiteral(", ")), device),
               Msg::YesNo, Msg::Question) != Msg::AnswerYes)
        return;
    chosen_ = device;
    accept();
}
