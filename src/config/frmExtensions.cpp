#include "frmExtensions.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "Language.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "SettingsGlobals.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

frmExtensions::frmExtensions(QWidget* parent, const QString& prefix)
    : QDialog(parent), prefix_(prefix.isEmpty() ? gDialogResult : prefix) {
    setObjectName(QStringLiteral("frmExtensions"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("File Extensions"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("Enter File Extension And File Description"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame);
    grid->addWidget(DialogParts::label(frame, QStringLiteral("Label1(0)"), QStringLiteral("Ext.")), 0, 0);
    grid->addWidget(
        DialogParts::label(frame, QStringLiteral("Label1(1)"), QStringLiteral("File Description")), 0, 1);
    // Pasted text obeys the same characters as typed keys.
    auto* allowed =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9 *?]*")), this);
    for (int i = 0; i < 6; ++i) {
        const QString n = QString::number(i + 1);
        txtExtension[i] = new QLineEdit(frame);
        txtExtension[i]->setObjectName(QStringLiteral("txtExtension(%1)").arg(i));
        txtFileType[i] = new QLineEdit(frame);
        txtFileType[i]->setObjectName(QStringLiteral("txtFileType(%1)").arg(i));
        for (QLineEdit* box : {txtExtension[i], txtFileType[i]}) {
            box->setValidator(allowed);
            box->installEventFilter(this);
        }
        txtExtension[i]->setText(MachineRecord::current(prefix_ + n));
        txtFileType[i]->setText(MachineRecord::current(prefix_ + QStringLiteral("Type") + n));
        grid->addWidget(txtExtension[i], i + 1, 0);
        grid->addWidget(txtFileType[i], i + 1, 1);
    }
    grid->setColumnStretch(1, 1);

    Command1[0] = DialogParts::button(this, QStringLiteral("Command1(0)"), QStringLiteral("&Ok"));
    Command1[1] = DialogParts::button(this, QStringLiteral("Command1(1)"), QStringLiteral("&Cancel"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(frame, 0, 0, 1, 3);
    layout->addWidget(Command1[0], 1, 0);
    layout->addWidget(Command1[1], 1, 1);
    layout->addWidget(DialogParts::languageButton(this), 1, 2, Qt::AlignRight);

    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    new DialogParts::HelpKey(this);
    applyLanguage(this);
}

bool frmExtensions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        // Keys without a character (arrows, Home, Delete) move and edit freely.
        if (text.size() == 1 && text[0].unicode() >= 32 && !validExtensionChars(text[0].unicode()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmExtensions::Command1_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    MachineRecord::Values values;
    for (int i = 0; i < 6; ++i) {
        const QString n = QString::number(i + 1);
        const QString ext = txtExtension[i]->text().toUpper();
        const QString desc = txtFileType[i]->text();
        QString type;
        if (!ext.isEmpty())
            type = desc.isEmpty() ? ext + QStringLiteral(" File") : desc;
        values.append({prefix_ + n, ext});
        values.append({prefix_ + QStringLiteral("Type") + n, type});
    }
    if (!writeIniValues(gCurrentMachineSection, values)) {
        msgBox(QStringLiteral("Could Not Save The File Extensions - ") + lastIniError(), Msg::Ok,
               Msg::Critical);
        return;
    }
    accept();
}
