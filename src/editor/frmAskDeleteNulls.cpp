#include "frmAskDeleteNulls.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "EditorFiles.h"
#include "Language.h"
#include "MessageSeam.h"
#include "SettingsGlobals.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmAskDeleteNulls::frmAskDeleteNulls(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAskDeleteNulls"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("File Contains Nulls - Options"));
    setModal(true);
    new DialogParts::HelpKey(this);
    auto* layout = new QVBoxLayout(this);
    group_ = new QButtonGroup(this);
    const char* const captions[3] = {"Don't Load The File", "Delete All Nulls And Load The File",
                                     "Show All Nulls As \"?\" And Load The File"};
    for (int i = 0; i < 3; ++i) {
        options_[i] = new QRadioButton(QString::fromLatin1(captions[i]), this);
        options_[i]->setObjectName(QStringLiteral("optLoad(%1)").arg(i));
        group_->addButton(options_[i], i);
        layout->addWidget(options_[i]);
    }
    auto* row = new QHBoxLayout;
    const char* const buttonCaptions[2] = {"&Ok", "&Cancel"};
    for (int i = 0; i < 2; ++i) {
        buttons_[i] = new QPushButton(QString::fromLatin1(buttonCaptions[i]), this);
        buttons_[i]->setObjectName(QStringLiteral("Command1(%1)").arg(i));
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        row->addWidget(buttons_[i]);
    }
    buttons_[0]->setDefault(true);
    layout->addLayout(row);

    const int stored = storedNullOption();
    if (stored >= 0)
        options_[stored]->setChecked(true);
    applyLanguage(this);
}

QRadioButton* frmAskDeleteNulls::optLoad(int index) const { return index >= 0 && index < 3 ? options_[index] : nullptr; }
QPushButton* frmAskDeleteNulls::command1(int index) const { return index >= 0 && index < 2 ? buttons_[index] : nullptr; }
int frmAskDeleteNulls::selectedOption() const { return group_->checkedId(); }

void frmAskDeleteNulls::Command1_Click(int index) {
    gDialogResult = index == 0 && selectedOption() >= 0 ? QString::number(selectedOption()) : QStringLiteral("0");
    accept();
}

void frmAskDeleteNulls::done(int r) {
    if (selectedOption() >= 0)
        storeNullOption(selectedOption());
    QDialog::done(r);
}

QString frmAskDeleteNulls::ask(QWidget* parent) {
    gDialogResult = QStringLiteral("0");
    frmAskDeleteNulls dialog(parent ? parent : QApplication::activeWindow());
    dialog.exec();
    return gDialogResult;
}

bool fileHasNullsSoCancel(const QString& path) {
    if (!fileHeadHasNul(path))
        return false;
    const QString answer = frmAskDeleteNulls::ask();
    if (answer == QLatin1String("0"))
        return true;
    if (answer == QLatin1String("1")) {
        QString error;
        if (!removeNulsFromFile(path, &error))
            msgBox(error, Msg::Ok, Msg::Critical);
    }
    return false;
}
