#include "frmMerge.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "EditorManager.h"
#include "EditorText.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "Language.h"
#include "MachineRecord.h"
#include "Merge.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const QString& tip) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}
} // namespace

frmMerge::frmMerge(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMerge"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Merge Files"));
    auto* top = new QHBoxLayout(this);

    auto* frame1 = new QGroupBox(QStringLiteral("&Select File And Then Click Insert Button"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* browse = new QVBoxLayout(frame1);
    dirs_ = new QFileSystemModel(this);
    dirs_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    dirs_->setRootPath(QStringLiteral("/"));
    Dir1 = new QTreeView(frame1);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setToolTip(QStringLiteral("Browse Folders"));
    Dir1->setModel(dirs_);
    for (int c = 1; c < dirs_->columnCount(); ++c)
        Dir1->hideColumn(c);
    Dir1->setHeaderHidden(true);
    File1 = new QListWidget(frame1);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setToolTip(QStringLiteral("Double Click To Add To List"));
    File1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* typeRow = new QHBoxLayout;
    auto* typeLabel = new QLabel(QStringLiteral("File T&ypes"), frame1);
    typeLabel->setObjectName(QStringLiteral("Label1"));
    cmbDirs = new QComboBox(frame1);
    cmbDirs->setObjectName(QStringLiteral("cmbDirs(0)"));
    cmbDirs->setToolTip(QStringLiteral("Click To Select Your File Types"));
    typeLabel->setBuddy(cmbDirs);
    typeRow->addWidget(typeLabel);
    typeRow->addWidget(cmbDirs, 1);
    browse->addWidget(Dir1, 2);
    browse->addWidget(File1, 2);
    browse->addLayout(typeRow);
    top->addWidget(frame1, 3);

    auto* middle = new QVBoxLayout;
    Command2[0] = button(this, QStringLiteral("Command2(0)"), QStringLiteral("&Insert >>"), QStringLiteral("Add To Merged List"));
    Command2[1] = button(this, QStringLiteral("Command2(1)"), QStringLiteral("<< &Remove"),
                         QStringLiteral("Remove From Merged List..."));
    chkTrim = new QCheckBox(QStringLiteral("Trim %s"), this);
    chkTrim->setObjectName(QStringLiteral("chkTrim"));
    middle->addStretch();
    middle->addWidget(Command2[0]);
    middle->addWidget(Command2[1]);
    middle->addWidget(chkTrim);
    middle->addWidget(DialogParts::languageButton(this));
    middle->addStretch();
    top->addLayout(middle);

    auto* right = new QVBoxLayout;
    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* listBox = new QVBoxLayout(Frame2);
    List2 = new QListWidget(Frame2);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setToolTip(QStringLiteral("Double Click To Remove From List"));
    List2->setAcceptDrops(true);
    List2->viewport()->setAcceptDrops(true);
    List2->viewport()->installEventFilter(this);
    listBox->addWidget(List2);
    picture1 = new QProgressBar(this);
    picture1->setObjectName(QStringLiteral("picture1"));
    picture1->setVisible(false);
    Command1[0] = button(this, QStringLiteral("Command1(0)"), QStringLiteral("&Merge To File"),
                         QStringLiteral("Send Merged Output To File"));
    Command1[2] = button(this, QStringLiteral("Command1(2)"), QStringLiteral("Merge To &DNC"),
                         QStringLiteral("Send The Merged Output Direct To Your CNC"));
    Command1[1] = button(this, QStringLiteral("Command1(1)"), QStringLiteral("&Quit"), QStringLiteral("Quit Merge..."));
    auto* buttons = new QHBoxLayout;
    for (int i : {0, 2, 1})
        buttons->addWidget(Command1[i]);
    right->addWidget(Frame2, 1);
    right->addWidget(picture1);
    right->addLayout(buttons);
    top->addLayout(right, 2);

    for (int i = 0; i < 3; ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    for (int i = 0; i < 2; ++i)
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
    connect(Dir1, &QTreeView::clicked, this, [this](const QModelIndex& index) { setFolder(dirs_->filePath(index)); });
    // The tree fills in as folders are read: open it down to the listed folder.
    connect(dirs_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (folder_ != loaded && !folder_.startsWith(withBackslash(loaded)))
            return;
        const QModelIndex index = dirs_->index(folder_);
        Dir1->setCurrentIndex(index);
        Dir1->scrollTo(index);
    });
    connect(cmbDirs, &QComboBox::currentIndexChanged, this, &frmMerge::cmbDirs_Click);
    connect(File1, &QListWidget::itemDoubleClicked, this, [this] {
        if (Command2[0]->isEnabled())
            Command2_Click(0);
    });
    connect(List2, &QListWidget::itemDoubleClicked, this, [this] {
        if (!paths_.isEmpty())
            Command2_Click(1);
    });
    resize(720, 460);
    new DialogParts::HelpKey(this);
    Form_Load();
}

void frmMerge::Form_Load() {
    Frame2->setTitle(QString());
    const bool useFolders = isTrueText(MachineRecord::current(QStringLiteral("DefaultToDirectories")));
    folder_ = useFolders ? MachineRecord::current(QStringLiteral("SendDirectory")) : QDir::currentPath();
    chkTrim->setChecked(MachineRecord::currentInt(QStringLiteral("trimPercents")) == 1);
    {
        const QSignalBlocker quiet(cmbDirs);
        cmbDirs->addItems(mergeFileTypes());
    }
    Command2[1]->setEnabled(false);
    setFolder(folder_);
    applyLanguage(this);
}

void frmMerge::setFolder(const QString& folder) {
    folder_ = folder;
    const QModelIndex index = dirs_->index(folder);
    if (index.isValid()) {
        Dir1->setCurrentIndex(index);
        Dir1->scrollTo(index);
    }
    cmbDirs_Click();
}

void frmMerge::cmbDirs_Click() {
    const QString type = cmbDirs->currentText();
    File1->clear();
    const QStringList names = QDir(folder_).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        if (hasFileType(name, type))
            File1->addItem(name);
    Command2[0]->setEnabled(File1->count() > 0);
}

void frmMerge::showCount() {
    Command2[1]->setEnabled(!paths_.isEmpty());
    Frame2->setTitle(QStringLiteral("There are %1 File(s) Ready To Merge..").arg(paths_.size()));
}

void frmMerge::addFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        paths_ << path;
        List2->addItem(getFileNameFromPath(path));
    }
    showCount();
}

void frmMerge::Command2_Click(int index) {
    if (merging_)
        return;
    if (index == 0) {
        QStringList chosen;
        for (int row = 0; row < File1->count(); ++row)
            if (File1->item(row)->isSelected())
                chosen << withBackslash(folder_) + File1->item(row)->text();
        if (!chosen.isEmpty())
            addFiles(chosen);
        return;
    }
    // Remove works on the merge list alone.
    const int k = List2->currentRow();
    if (paths_.isEmpty() || k < 0 || !List2->currentItem()->isSelected()) {
        showCount();
        return;
    }
    paths_.removeAt(k);
    delete List2->takeItem(k);
    if (!paths_.isEmpty())
        List2->setCurrentRow(k == 0 ? 0 : k - 1);
    showCount();
}

bool frmMerge::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List2->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls())
                drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop && !merging_) {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile())
                    paths << url.toLocalFile();
            addFiles(paths);
            drop->acceptProposedAction();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmMerge::Command1_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    if (paths_.isEmpty() || merging_)
        return;
    const QString out = withBackslash(ProgramPaths::programFolder()) + QStringLiteral("merge.$$$");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    picture1->setValue(0);
    picture1->setVisible(true);
    // The merge yields between files: the list holds still meanwhile, and a
    // Quit (or the window's close) drops whatever the merge makes.
    merging_ = true;
    quit_ = false;
    for (QPushButton* b : {Command1[0], Command1[2], Command2[0], Command2[1]})
        b->setEnabled(false);
    QStringList merged;
    const MergeOutcome outcome = mergeFiles(
        paths_, chkTrim->isChecked(), out,
        [this](int percent) {
            picture1->setValue(percent);
            QCoreApplication::processEvents();
        },
        &merged);
    merging_ = false;
    Command1[0]->setEnabled(true);
    Command1[2]->setEnabled(true);
    cmbDirs_Click();
    showCount();
    picture1->setVisible(false);
    QApplication::restoreOverrideCursor();
    if (quit_) {
        reject();
        return;
    }
    // A merge that stopped leaves the dialog open: nothing is opened or sent.
    if (outcome != MergeOutcome::Done)
        return;
    if (index == 0) {
        gDialogResult.clear();
        if (EditorManager* editors = EditorManager::instance())
            editors->openFileInNewWindow(out);
    } else {
        gDialogResult = out;
        mergedName_ = mergeLogName(merged);
    }
    accept();
}

void frmMerge::done(int result) {
    if (merging_) {
        quit_ = quit_ || result != Accepted;
        return;
    }
    writeIni(gCurrentMachineSection, QStringLiteral("trimPercents"), chkTrim->isChecked() ? 1 : 0);
    QDialog::done(result);
}
