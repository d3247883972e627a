#include "frmFanucSplitFiles.h"

#include "DialogParts.h"
#include "DialogSize.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "Language.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "ProgramSplit.h"
#include "SafeFile.h"
#include "SettingsGlobals.h"
#include "StatusLine.h"
#include "TransferGlobals.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <filesystem>
#include <optional>

namespace {

std::function<QString(const QString&)>& folderPicker() {
    static std::function<QString(const QString&)> picker;
    return picker;
}

const char* const kKeys[8] = {"FanucBefore",    "FanucAfter",      "FanucStripPercent", "FanucPutBackPercent",
                              "FanucStripBlankLines", "FanucLaunch", "FanucUseComment", "PrefixO"};

// The split's own words, so that the list and the rule that reads it agree.
template <size_t N> QStringList wordsOf(const char* const (&words)[N]) {
    QStringList list;
    for (const char* word : words)
        list << QLatin1String(word);
    return list;
}

QComboBox* combo(QWidget* parent, const char* name, const QStringList& items) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    return c;
}

// A stored list position; one outside the list shows the first entry.
void selectStored(QComboBox* c, const char* key) {
    const int i = MachineRecord::currentInt(QLatin1String(key));
    c->setCurrentIndex(i >= 0 && i < c->count() ? i : 0);
}

QString ticked(const QCheckBox* b) { return b->isChecked() ? QStringLiteral("1") : QStringLiteral("0"); }

} // namespace

void setSplitFolderPicker(std::function<QString(const QString&)> picker) { folderPicker() = std::move(picker); }

frmFanucSplitFiles::frmFanucSplitFiles(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFanucSplitFiles"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Split File"));
    auto* top = new QVBoxLayout(this);
    auto* folderRow = new QHBoxLayout;
    auto* folderLabel = new QLabel(QStringLiteral("Split Files Folder :"), this);
    folderLabel->setObjectName(QStringLiteral("lblCaption(0)"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    auto* folder = new QPushButton(QStringLiteral("Folder"), this);
    folder->setObjectName(QStringLiteral("Command1"));
    folder->setAutoDefault(false);
    connect(folder, &QPushButton::clicked, this, &frmFanucSplitFiles::Command1_Click);
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(Text1, 1);
    folderRow->addWidget(folder);
    top->addLayout(folderRow);

    auto* frame = new QGroupBox(QStringLiteral("Parameters"), this);
    frame->setObjectName(QStringLiteral("Frame16"));
    auto* form = new QFormLayout(frame);
    cmbWordBefore = combo(frame, "cmbWordBefore", wordsOf(ProgramSplit::kBeforeWords));
    cmbWordAfter = combo(frame, "cmbWordAfter", wordsOf(ProgramSplit::kAfterWords));
    QStringList launch{QStringLiteral("Confirmation List"), QStringLiteral("Do Nothing"), QStringLiteral("Open First File")};
    for (int n = 2; n <= 10; ++n)
        launch << QStringLiteral("Open First %1 Files").arg(n);
    cmbOpenFanuc = combo(frame, "cmbOpenFanuc", launch);
    form->addRow(QStringLiteral("Before Program # Type :"), cmbWordBefore);
    form->addRow(QStringLiteral("After Program # Type :"), cmbWordAfter);
    chkStripPercent = addCheck("chkStripPercent", "Strip Out Master Program % Symbols :", 10);
    chkPutBackPercentsFanuc = addCheck("chkPutBackPercentsFanuc", "Put Program % Symbols Into Each Split File :", 1);
    chkStripBlankLines = addCheck("chkStripBlankLines", "Strip Out Blank Lines :", 11);
    form->addRow(QStringLiteral("After Splitting Files :"), cmbOpenFanuc);
    chkProgramNumberType = addCheck("chkProgramNumberType", "Use Comment As Program # :", 0);
    chkPrefixO = addCheck("chkPrefixO", "Prefix Filename With O :", 24);
    for (const auto& [label, box] : labelled_)
        form->addRow(label, box);
    top->addWidget(frame);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DialogParts::languageButton(this));
    buttons->addStretch();
    const char* const captions[2] = {"&OK", "&Cancel"};
    for (int i = 0; i < 2; ++i) {
        Command2[i] = new QPushButton(QLatin1String(captions[i]), this);
        Command2[i]->setObjectName(QStringLiteral("Command2(%1)").arg(i));
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
        buttons->addWidget(Command2[i]);
    }
    Command2[0]->setDefault(true);
    top->addLayout(buttons);
    new DialogParts::HelpKey(this);
    Form_Load();
}

QCheckBox* frmFanucSplitFiles::addCheck(const char* name, const char* caption, int labelIndex) {
    auto* label = new QLabel(QLatin1String(caption), this);
    label->setObjectName(QStringLiteral("Label7(%1)").arg(labelIndex));
    label->installEventFilter(this);
    auto* box = new QCheckBox(this);
    box->setObjectName(QLatin1String(name));
    labelled_.append({label, box});
    return box;
}

bool frmFanucSplitFiles::eventFilter(QObject* watched, QEvent* event) {
    // The text beside a tick box switches it.
    if (event->type() == QEvent::MouseButtonRelease)
        for (const auto& [label, box] : labelled_)
            if (watched == label)
                toggleCheck(box);
    return QDialog::eventFilter(watched, event);
}

void frmFanucSplitFiles::Form_Load() {
    selectStored(cmbWordBefore, "FanucBefore");
    selectStored(cmbWordAfter, "FanucAfter");
    chkStripPercent->setChecked(MachineRecord::currentInt(QStringLiteral("FanucStripPercent")) == 1);
    chkPutBackPercentsFanuc->setChecked(MachineRecord::currentInt(QStringLiteral("FanucPutBackPercent")) == 1);
    chkStripBlankLines->setChecked(MachineRecord::currentInt(QStringLiteral("FanucStripBlankLines")) == 1);
    chkProgramNumberType->setChecked(MachineRecord::currentInt(QStringLiteral("FanucUseComment")) == 1);
    chkPrefixO->setChecked(MachineRecord::currentInt(QStringLiteral("PrefixO")) == 1);
    selectStored(cmbOpenFanuc, "FanucLaunch");
    applyLanguage(this);
}

void frmFanucSplitFiles::Command1_Click() {
    QString chosen;
    if (folderPicker()) {
        chosen = folderPicker()(Text1->text());
    } else {
        Msg::FileRequest request;
        request.kind = Msg::FileRequest::Folder;
        request.title = QStringLiteral("Split Files Folder");
        request.startFolder = Text1->text();
        chosen = fileDialog(request).value(0);
    }
    if (!chosen.isEmpty())
        Text1->setText(chosen);
}

void frmFanucSplitFiles::Command2_Click(int index) {
    gDialogResult.clear();
    if (index == 0) {
        const QString values[8] = {QString::number(cmbWordBefore->currentIndex()),
                                   QString::number(cmbWordAfter->currentIndex()),
                                   ticked(chkStripPercent),
                                   ticked(chkPutBackPercentsFanuc),
                                   ticked(chkStripBlankLines),
                                   QString::number(cmbOpenFanuc->currentIndex()),
                                   ticked(chkProgramNumberType),
                                   ticked(chkPrefixO)};
        QVector<std::pair<QString, QString>> pairs;
        for (int i = 0; i < 8; ++i)
            pairs.append({QLatin1String(kKeys[i]), values[i]});
        writeIniValues(gCurrentMachineSection, pairs);
        gDialogResult = Text1->text();
    }
    done(index == 0 ? Accepted : Rejected);
}

void frmFanucSplitFiles::done(int result) {
    // Esc and the close box cancel too: the folder picker may have left its
    // choice in the shared result.
    if (result != Accepted)
        gDialogResult.clear();
    QDialog::done(result);
}

void mnuSplitFile(QWidget* owner) {
    const EditorManager* editors = EditorManager::instance();
    const EditControl* ed = editors ? editors->activeEditor() : nullptr;
    // Only a window that holds text and names a file on disk can be split:
    // the split reads the file as stored.
    if (!ed || ed->textLength() == 0 || !fileExists(ed->tag()))
        return;
    const QString file = ed->tag();
    if (gWindows[gActiveWindow].modified &&
        msgBox(QStringLiteral("The Unsaved Changes Of This Window Are Not Part Of The Split\nSplit ") + file +
                   QStringLiteral(" As Saved ?"),
               Msg::YesNo, Msg::Question, QString(), 1) != Msg::AnswerYes)
        return;
    gDialogResult.clear();
    frmFanucSplitFiles dialog(owner);
    dialog.Text1->setText(getPathOnly(file));
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const QString folder = gDialogResult;
    if (!accepted || folder.isEmpty())
        return;
    if (!QFileInfo(folder).isDir()) {
        if (msgBox(folder + QStringLiteral(" Folder Does Not Exist\nCreate It ?"), Msg::YesNo, Msg::Question) !=
            Msg::AnswerYes)
            return;
        std::error_code error;
        std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
        if (error) {
            msgBox(QStringLiteral("The Folder ") + folder + QStringLiteral(" Could Not Be Created\n") +
                       QString::fromLocal8Bit(error.message()),
                   Msg::Ok, Msg::Critical);
            return;
        }
    }
    const QScopedValueRollback<bool> busy(gSplitBusy, true);
    splitFileUp(file, true);
}

namespace {

struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

bool& splitting() {
    static bool running = false;
    return running;
}

// A receive folder left empty is the one a machine without the key has: an
// empty one would put the programs at the root of the file system.
QString receiveFolder() {
    const QString key = QStringLiteral("ReceiveDirectory");
    const QString folder = MachineRecord::current(key);
    return folder.trimmed().isEmpty() ? MachineRecord::defaultValue(gCurrentMachineSection, key) : folder;
}

// What FanucLaunch asks for once the files are written; `what` names the
// programs in the question about a window with edits.
void afterSplit(const ProgramSplit::Written& written, const QString& summary, const QString& what) {
    const int launch = MachineRecord::currentInt(QStringLiteral("FanucLaunch"));
    const QStringList opened =
        launch >= 2 && launch <= 11 ? written.programs.mid(0, launch - 1) : QStringList();
    if (EditorManager* editors = EditorManager::instance()) {
        // A window may show a file the split has just replaced.
        for (const QString& path : written.paths)
            if (!opened.contains(path))
                editors->reloadWrittenFile(path);
        for (const QString& program : opened)
            editors->openWrittenFile(program, what);
    }
    const bool list = launch != 1 && !(launch >= 2 && launch <= 11);
    if (list && !written.paths.isEmpty()) {
        constexpr int kListed = 30;
        QStringList names;
        for (const QString& path : written.paths.mid(0, kListed))
            names << getFileNameFromPath(path);
        if (written.paths.size() > kListed)
            names << QStringLiteral("... And %1 More").arg(written.paths.size() - kListed);
        msgBox(summary + QStringLiteral(" :\n") + names.join(QLatin1Char('\n')), Msg::Ok, Msg::Information);
    }
    statusbar(summary);
}

} // namespace

SplitOutcome splitFileUp(const QString& path, bool fromMenu) {
    SplitOutcome outcome;
    const QString kept = fromMenu ? QString() : QStringLiteral("\nThe Received Data Is Kept In ") + path;
    // Its questions yield: a second split must not start meanwhile.
    if (splitting()) {
        if (!fromMenu)
            msgBox(QStringLiteral("Another Split Is Running") + kept, Msg::Ok, Msg::Exclamation);
        return outcome;
    }
    const QScopedValueRollback<bool> running(splitting(), true);
    const QString folder = withBackslash(fromMenu ? gDialogResult : receiveFolder());
    // A file of thousands of programs takes a while to read and write.
    std::optional<BusyPointer> busy(std::in_place);
    QByteArray text;
    QString error;
    if (!readWholeFile(path, &text, &error)) {
        busy.reset();
        msgBox(QStringLiteral("Can't Read ") + path + QLatin1Char('\n') + error + kept, Msg::Ok, Msg::Critical);
        return outcome;
    }
    const ProgramSplit::Options options = ProgramSplit::Options::ofMachine();
    const QVector<ProgramSplit::Piece> pieces = ProgramSplit::split(text, options);
    if (pieces.isEmpty()) {
        busy.reset();
        msgBox(QStringLiteral("No Program Starting With \"%1\" Was Found In ")
                       .arg(QLatin1String(ProgramSplit::kBeforeWords[options.before])) +
                   (fromMenu ? getFileNameFromPath(path) + QStringLiteral("\nNothing Was Split")
                             : QStringLiteral("The Received Data") + kept),
               Msg::Ok, Msg::Information);
        return outcome;
    }
    const ProgramSplit::Written written = ProgramSplit::writePieces(
        pieces, folder, MachineRecord::currentInt(QStringLiteral("renameFanucFiles")) == 1, path);
    busy.reset();
    outcome.written = written.paths;
    outcome.complete = written.complete;
    outcome.summary = written.paths.isEmpty() ? QStringLiteral("No File Was Written")
                                              : QStringLiteral("%1 File(s) Written To %2").arg(written.paths.size()).arg(folder);
    if (!fromMenu) {
        // Everything it held is in the files written now.
        if (written.complete && !written.replacedSource)
            QFile::remove(path);
        else
            msgBox(QStringLiteral("Not Every Program Was Written") + kept, Msg::Ok, Msg::Exclamation);
    }
    afterSplit(written, outcome.summary,
               fromMenu ? QStringLiteral("Program Just Split") : QStringLiteral("Received Program"));
    return outcome;
}
