#include "frmDefaultDir.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "Language.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

namespace {

// Volumes a user keeps files on; the kernel's own trees are left out.
QStringList volumeRoots() {
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        if (!v.isValid() || !v.isReady() || roots.contains(root))
            continue;
        if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
            root.startsWith(QLatin1String("/dev")) ||
            (root.startsWith(QLatin1String("/run")) && !root.startsWith(QLatin1String("/run/media"))))
            continue;
        roots << root;
    }
    roots.sort();
    return roots;
}

} // namespace

frmDefaultDir::frmDefaultDir(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDefaultDir"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Get Folder Location"));
    setModal(true);

    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setToolTip(QStringLiteral("Select Default Folders"));
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    using namespace DialogParts;
    QLabel* label1 = label(this, QStringLiteral("Label1"), QStringLiteral("Default &Folder"), Dir1);
    QLabel* label2 = label(this, QStringLiteral("Label2"), QStringLiteral("Dr&ive"), Drive1);
    Command1[0] = button(this, QStringLiteral("Command1(0)"), QStringLiteral("&Ok"));
    Command1[1] = button(this, QStringLiteral("Command1(1)"), QStringLiteral("&Quit"));
    QPushButton* languageSelect = languageButton(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0, 1, 2);
    grid->addWidget(Dir1, 1, 0, 1, 2);
    grid->addWidget(label2, 2, 0, 1, 2);
    grid->addWidget(Drive1, 3, 0, 1, 2);
    grid->addWidget(Command1[0], 4, 0);
    grid->addWidget(Command1[1], 4, 1);
    grid->addWidget(languageSelect, 5, 1, Qt::AlignRight);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QStringLiteral("/"));
    Dir1->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c)
        Dir1->hideColumn(c);
    Dir1->header()->hide();
    Drive1->addItems(volumeRoots());

    QString start = gDialogResult;
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = ProgramPaths::programFolder();
    showDrive(driveOf(start));
    highlightFolder(start);

    connect(Drive1, QOverload<int>::of(&QComboBox::activated), this, &frmDefaultDir::Drive1_Change);
    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    Command1[0]->setDefault(true);

    resize(360, 420);
    new DialogParts::HelpKey(this);
    applyLanguage(this);
}

QString frmDefaultDir::driveOf(const QString& path) const {
    const QString root = QStorageInfo(path).rootPath();
    return root.isEmpty() ? QStringLiteral("/") : root;
}

void frmDefaultDir::showDrive(const QString& root) {
    if (Drive1->findText(root) < 0)
        Drive1->addItem(root);
    Drive1->setCurrentIndex(Drive1->findText(root));
    Dir1->setRootIndex(model_->index(root));
    shownDrive_ = root;
}

QString frmDefaultDir::highlightedFolder() const {
    return model_->filePath(Dir1->currentIndex());
}

void frmDefaultDir::highlightFolder(const QString& path) {
    const QModelIndex index = model_->index(QDir::cleanPath(path));
    if (!index.isValid())
        return;
    Dir1->setCurrentIndex(index);
    Dir1->expand(index);
    Dir1->scrollTo(index);
}

void frmDefaultDir::Drive1_Change(int index) {
    const QString root = Drive1->itemText(index);
    if (QDir(root).isReadable()) {
        showDrive(root);
        highlightFolder(root);
    } else {
        Drive1->setCurrentIndex(Drive1->findText(shownDrive_));
    }
}

void frmDefaultDir::Command1_Click(int index) {
    if (index == 1) {
        gDialogResult.clear();
        answered_ = true;
        reject();
        return;
    }
    const QString folder = highlightedFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        msgBox(QStringLiteral("Make Sure Drive Is Ready"), Msg::Ok, Msg::Critical);
        const QString home = ProgramPaths::programFolder();
        showDrive(driveOf(home));
        highlightFolder(home);
        return;
    }
    gDialogResult = folder;
    answered_ = true;
    accept();
}

void frmDefaultDir::done(int result) {
    // The close box and Esc quit; the start folder is not an answer.
    if (!answered_)
        gDialogResult.clear();
    QDialog::done(result);
}
