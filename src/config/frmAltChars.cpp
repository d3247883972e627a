#include "frmAltChars.h"

#include "CodeList.h"
#include "DialogParts.h"
#include "DialogSize.h"
#include "Language.h"
#include "SettingsGlobals.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

frmAltChars::frmAltChars(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAltChars"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("ASCII Character Equivalents"));
    setModal(true);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setToolTip(QStringLiteral("List Of ASCII Control Codes.  Double Click To Add Control Codes"));
    QFont listFont(QStringLiteral("Courier New"), 9, QFont::Bold);
    listFont.setStyleHint(QFont::Monospace);
    List1->setFont(listFont);
    cmbSendNum = new QComboBox(this);
    cmbSendNum->setObjectName(QStringLiteral("cmbSendNum"));
    cmbSendNum->setToolTip(QStringLiteral("Select how many control codes you need to insert..."));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    using namespace DialogParts;
    QLabel* label1 = label(this, QStringLiteral("Label1"),
                           QStringLiteral("&Double Click To Add The CNC control Code"), List1);
    QLabel* label21 = label(this, QStringLiteral("Label2(1)"),
                            QStringLiteral("How &many  do you want to send?"), cmbSendNum);
    QLabel* label20 = label(this, QStringLiteral("Label2(0)"),
                            QStringLiteral("The &current settings will become..."), Text1);
    Command2[0] = button(this, QStringLiteral("Command2(0)"), QStringLiteral("&Update"),
                         QStringLiteral("Insert These Characters To Your Settings..."));
    Command2[1] =
        button(this, QStringLiteral("Command2(1)"), QStringLiteral("&Cancel"), QStringLiteral("Quit...."));
    QPushButton* languageSelect = languageButton(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0, 1, 3);
    grid->addWidget(List1, 1, 0, 1, 3);
    grid->addWidget(label21, 2, 0, 1, 2);
    grid->addWidget(cmbSendNum, 2, 2);
    grid->addWidget(label20, 3, 0, 1, 3);
    grid->addWidget(Text1, 4, 0, 1, 3);
    grid->addWidget(Command2[0], 5, 0);
    grid->addWidget(Command2[1], 5, 1);
    grid->addWidget(languageSelect, 5, 2, Qt::AlignRight);

    for (int code = 0; code <= 127; ++code) {
        auto* row = new QListWidgetItem(CodeList::pickerRow(code), List1);
        row->setData(Qt::UserRole, code);
    }
    List1->setCurrentRow(0);
    for (int n = 1; n <= 400; ++n)
        cmbSendNum->addItem(QString::number(n));
    cmbSendNum->setCurrentIndex(0);

    connect(List1, &QListWidget::itemDoubleClicked, this, &frmAltChars::List1_DblClick);
    connect(Command2[0], &QPushButton::clicked, this, [this] { Command2_Click(0); });
    connect(Command2[1], &QPushButton::clicked, this, [this] { Command2_Click(1); });
    Command2[0]->setDefault(true);

    new DialogParts::HelpKey(this);
    applyLanguage(this);
}

void frmAltChars::setCodeList(const QString& text) {
    Text1->setText(text);
}

QString frmAltChars::codeList() const {
    return Text1->text();
}

void frmAltChars::List1_DblClick(QListWidgetItem* item) {
    if (!item)
        return;
    const int code = item->data(Qt::UserRole).toInt();
    Text1->setText(CodeList::addCode(Text1->text(), code, cmbSendNum->currentIndex() + 1));
    cmbSendNum->setCurrentIndex(0);
}

void frmAltChars::Command2_Click(int index) {
    gDialogResult = index == 0 ? CodeList::finish(Text1->text()) : QStringLiteral("~");
    answered_ = true;
    if (index == 0)
        accept();
    else
        reject();
}

void frmAltChars::done(int result) {
    // The close box and Esc count as Cancel, never as an answer left over
    // from an earlier dialog.
    if (!answered_)
        gDialogResult = QStringLiteral("~");
    QDialog::done(result);
}
