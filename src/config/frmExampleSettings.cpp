#include "frmExampleSettings.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "ExampleSettings.h"
#include "IniStorage.h"
#include "Language.h"
#include "MachineRecord.h"
#include "MessageSeam.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

frmExampleSettings::frmExampleSettings(const QString& machineName, QWidget* parent)
    : QDialog(parent), file_(ExampleSettings::filePath()) {
    setObjectName(QStringLiteral("frmExampleSettings"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Example CNC Settings"));
    setModal(true);
    new DialogParts::HelpKey(this);

    lstCNC = new QListWidget(this);
    lstCNC->setObjectName(QStringLiteral("lstCNC"));
    Command1[0] = DialogParts::button(this, QStringLiteral("Command1(0)"), QStringLiteral("&Install"));
    Command1[1] = DialogParts::button(this, QStringLiteral("Command1(1)"), QStringLiteral("&Cancel"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        DialogParts::label(this, QStringLiteral("Label1"), QStringLiteral("Click To Insert CNC Setting...")),
        0, 0, 1, 3);
    grid->addWidget(lstCNC, 1, 0, 1, 3);
    grid->addWidget(Command1[0], 2, 0);
    grid->addWidget(Command1[1], 2, 1);
    grid->addWidget(DialogParts::languageButton(this), 2, 2, Qt::AlignRight);

    lstCNC->addItems(ExampleSettings::listNames(file_));
    int selected = lstCNC->count() > 0 ? 0 : -1;
    for (int i = 0; i < lstCNC->count(); ++i)
        if (lstCNC->item(i)->text().compare(machineName, Qt::CaseInsensitive) == 0) {
            selected = i;
            break;
        }
    lstCNC->setCurrentRow(selected);
    // Installing nothing would only overwrite the machine with empty values.
    Command1[0]->setEnabled(lstCNC->count() > 0);

    connect(lstCNC, &QListWidget::itemDoubleClicked, this, [this] { Command1_Click(0); });
    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    applyLanguage(this);
}

void frmExampleSettings::Command1_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    QListWidgetItem* item = lstCNC->currentItem();
    if (!item)
        return;
    const QString name = item->text();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExampleSettings::Result result = ExampleSettings::import(name, file_, gCurrentMachineSection);
    QApplication::restoreOverrideCursor();
    switch (result) {
    case ExampleSettings::Result::NoSection:
        msgBox(QStringLiteral("There Are No Settings For ") + name + QStringLiteral(" In ") + file_, Msg::Ok,
               Msg::Exclamation);
        return;
    case ExampleSettings::Result::WriteFailed:
        msgBox(QStringLiteral("Could Not Save The Settings - ") + lastIniError(), Msg::Ok, Msg::Critical);
        return;
    case ExampleSettings::Result::Imported:
        break;
    }
    Q_EMIT imported(name);
    accept();
}
