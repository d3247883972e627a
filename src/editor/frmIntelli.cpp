#include "frmIntelli.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "Language.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"

#include <QDir>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

frmIntelli::frmIntelli(std::function<void(const QString&)> openFile, QWidget* parent)
    : QDialog(parent), openFile_(std::move(openFile)) {
    setObjectName(QStringLiteral("frmIntelli"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("intelliCode Files"));
    setModal(true);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->installEventFilter(this);
    const char* const captions[] = {"&Update", "&Cancel", "&Edit"};
    auto* grid = new QGridLayout(this);
    grid->addWidget(List1, 0, 0, 1, 4);
    grid->addWidget(DialogParts::label(this, QStringLiteral("Label1"), QStringLiteral("Type In ?"), Text1), 1, 0);
    grid->addWidget(Text1, 1, 1, 1, 3);
    for (int i = 0; i < 3; ++i) {
        Command1[i] = DialogParts::button(this, QStringLiteral("Command1(%1)").arg(i), QString::fromLatin1(captions[i]));
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        grid->addWidget(Command1[i], 2, i);
    }
    grid->addWidget(DialogParts::languageButton(this), 2, 3, Qt::AlignRight);

    const QStringList files =
        QDir(ProgramPaths::programFolder()).entryList({QStringLiteral("*.itc")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    List1->addItems(files);
    if (files.isEmpty()) {
        setWindowTitle(QStringLiteral("No intelliCode Files Found"));
        Command1[0]->setEnabled(false);
        Command1[2]->setEnabled(false);
    } else {
        const auto found = List1->findItems(gIntelliFile, Qt::MatchFixedString);
        if (!found.isEmpty()) {
            List1->setCurrentItem(found.first());
            setWindowTitle(QStringLiteral("Current intelliCode File [") + found.first()->text() + QLatin1Char(']'));
        } else {
            List1->setCurrentRow(0);
        }
    }
    Text1->setText(readIni(QStringLiteral("Settings"), QStringLiteral("intelliTrap"), QStringLiteral("191")));
    new DialogParts::HelpKey(this);
    applyLanguage(this);
}

bool frmIntelli::eventFilter(QObject* watched, QEvent* event) {
    // With Shift held the box takes the number of the key itself (191 for "?").
    if (watched == Text1 && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ShiftModifier) && windowsKeyCode(key) != 0)
            Text1->setText(QString::number(windowsKeyCode(key)));
    }
    return QDialog::eventFilter(watched, event);
}

void frmIntelli::Command1_Click(int index) {
    const QListWidgetItem* item = List1->currentItem();
    if (index == 0 && item) {
        bool number = false;
        const int trap = Text1->text().trimmed().toInt(&number);
        // The editor compares the key number with this: anything else never opens the list.
        if (!number || trap < 1 || trap > 255) {
            msgBox(QStringLiteral("The Key Must Be A Number From 1 To 255"), Msg::Ok, Msg::Critical);
            return;
        }
        gIntelliFile = item->text();
        writeIni(QStringLiteral("Settings"), QStringLiteral("intelliTrap"), QString::number(trap));
        // Start-up reads the file back, so the choice outlives this run.
        writeIni(QStringLiteral("Settings"), QStringLiteral("intelliCodeFile"), gIntelliFile);
    } else if (index == 2 && item) {
        const QString path = ProgramPaths::programFolder() + item->text();
        if (!fileExists(path)) {
            msgBox(QStringLiteral("Cant Find intelliCode File"), Msg::Ok, Msg::Critical);
        } else if (openFile_) {
            openFile_(path);
        }
    }
    done(index == 0 ? Accepted : Rejected);
}
