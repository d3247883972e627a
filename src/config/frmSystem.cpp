#include "frmSystem.h"

#include "ClickLabel.h"
#include "DialogParts.h"
#include "DialogSize.h"
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "IniStore.h"
#include "Language.h"
#include "MessageSeam.h"
#include "NcLexer.h"
#include "ProgramQuit.h"
#include "SafeFile.h"
#include "SettingsBackup.h"
#include "SettingsGlobals.h"
#include "TransferGlobals.h"
#include "frmDefaultDir.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kSettings = QStringLiteral("Settings");

QString arrayName(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

QVBoxLayout* columnOf(QWidget* w) {
    auto* v = qobject_cast<QVBoxLayout*>(w->layout());
    return v ? v : new QVBoxLayout(w);
}

QWidget* page(std::initializer_list<QWidget*> parts) {
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    for (QWidget* p : parts)
        v->addWidget(p);
    v->addStretch(1);
    return w;
}

int screenWidthPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1024;
}

} // namespace

frmSystem::frmSystem(MainWindowParts parts, QWidget* parent) : QDialog(parent), parts_(std::move(parts)) {
    buildForm();
    connectHandlers();
    // Loading: the mask and the explanation first, the list last.
    QStringList problems;
    backupFormat_ = SettingsBackup::checkedMask(
        readIni(kSettings, QStringLiteral("BackupFormat"), SettingsBackup::defaultMask()), &problems);
    for (const QString& problem : problems)
        msgBox(problem);
    setBackupTip();
    loadValues();
    seedFileList();
    new DialogParts::HelpKey(this);
    applyLanguage(this);
}

QGroupBox* frmSystem::frame(const QString& name, const QString& title) {
    auto* g = new QGroupBox(title, this);
    g->setObjectName(name);
    new QVBoxLayout(g);
    return g;
}

QCheckBox* frmSystem::check(const QString& name, int labelIndex, const QString& caption, QWidget* into) {
    auto* box = new QCheckBox(this);
    box->setObjectName(name);
    auto* label = new ClickLabel(caption, this);
    label->setObjectName(arrayName("Label1", labelIndex));
    label->setBuddy(box); // its "&" marks the key, not a character to show
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    row->addWidget(label, 1);
    columnOf(into)->addLayout(row);
    labelTargets_.append({labelIndex, box});
    return box;
}

QButtonGroup* frmSystem::options(const QString& name, int firstLabel, const QStringList& captions, QWidget* into) {
    auto* group = new QButtonGroup(this);
    group->setObjectName(name);
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = new QRadioButton(this);
        option->setObjectName(arrayName(name.toLatin1().constData(), i));
        group->addButton(option, i);
        auto* label = new ClickLabel(captions[i], this);
        label->setObjectName(arrayName("Label1", firstLabel + i));
        label->setBuddy(option);
        auto* row = new QHBoxLayout;
        row->addWidget(option);
        row->addWidget(label, 1);
        columnOf(into)->addLayout(row);
        labelTargets_.append({firstLabel + i, option});
    }
    return group;
}

QPushButton* frmSystem::colourButton(const QString& name, const QString& caption) {
    QPushButton* b = DialogParts::button(this, name, caption);
    b->setMinimumSize(28, 24);
    return b;
}

void frmSystem::buildForm() {
    setObjectName(QStringLiteral("frmSystem"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Global Program Settings"));
    setModal(true);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(buildPreferencesTab(), QStringLiteral("Preferences"));
    SSTab1->addTab(buildColoursTab(), QStringLiteral("Color Scheme"));
    SSTab1->addTab(buildBlocksTab(), QStringLiteral("Colorized Blocks"));
    SSTab1->addTab(buildBackupTab(), QStringLiteral("Backup"));
    SSTab1->addTab(buildMoreTab(), QStringLiteral("More"));
    SSTab1->setProperty(kTabTagProperty, QStringLiteral("Preferences,Color Scheme,Colorized Blocks,Backup,More"));

    Command1[0] = DialogParts::button(this, QStringLiteral("Command1(0)"), QStringLiteral("&Ok"));
    Command1[1] = DialogParts::button(this, QStringLiteral("Command1(1)"), QStringLiteral("&Cancel"));
    cmdLanguageSelect = DialogParts::languageButton(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdLanguageSelect);
    buttons->addStretch(1);
    buttons->addWidget(Command1[0]);
    buttons->addWidget(Command1[1]);
    auto* v = new QVBoxLayout(this);
    v->addWidget(SSTab1, 1);
    v->addLayout(buttons);

    bindings_ = {
        {QStringLiteral("FontName"), Text1[0]},
        {QStringLiteral("FontSize"), Text1[1]},
        {QStringLiteral("FontBold"), chkBold},
        {QStringLiteral("ColourizeBlocks"), chkColourize},
        {QStringLiteral("PadLeftMargin"), cmbLeftMargin},
        {QStringLiteral("DNCStatus"), optDNC},
        {QStringLiteral("ShowCNCStatus"), chkStatusBar[0]},
        {QStringLiteral("ShowBreakoutLights"), chkStatusBar[1]},
        {QStringLiteral("MinimizeOnSend"), optMinimizeSend},
        {QStringLiteral("shellDialogType"), optBrowse},
        {QStringLiteral("UseLanguageSupport"), chkLanguage},
        {QStringLiteral("DNCScroll"), cmbDNCScroll},
        {QStringLiteral("PrintHeader"), chkPrintHeader},
        {QStringLiteral("mainTextBackColor"), cmdColorPicker1[2]},
        {QStringLiteral("mainTextForeColor"), cmdColorPicker1[3]},
        {QStringLiteral("mainTerminalBackColor"), cmdColorPicker1[4]},
        {QStringLiteral("mainTerminalForeColor"), cmdColorPicker1[5]},
    };
    for (int n = 0; n < 26; ++n)
        bindings_.append({QStringLiteral("Colour%1").arg(n + 1), cmdpickColourBlock[n]});
}

QWidget* frmSystem::buildPreferencesTab() {
    QGroupBox* display = frame(QStringLiteral("Frame2"), QStringLiteral("&Display Settings"));
    auto* grid = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        Text1[i] = new QLineEdit(this);
        Text1[i]->setObjectName(arrayName("Text1", i));
        grid->addWidget(DialogParts::label(this, arrayName("Label2", i), i == 0 ? QStringLiteral("Font")
                                                                                 : QStringLiteral("Size"),
                                           Text1[i]),
                        i, 0);
        grid->addWidget(Text1[i], i, 1);
    }
    Command2 = DialogParts::button(this, QStringLiteral("Command2"), QStringLiteral("Change Fonts"));
    grid->addWidget(Command2, 0, 2);
    columnOf(display)->addLayout(grid);
    chkBold = check(QStringLiteral("chkBold"), 5, QStringLiteral("Bold"), display);

    QGroupBox* status = frame(QStringLiteral("Frame3"), QStringLiteral("&Status Bar"));
    chkStatusBar[0] = check(arrayName("chkStatusBar", 0), 6, QStringLiteral("Show CNC Settings Info"), status);
    chkStatusBar[1] = check(arrayName("chkStatusBar", 1), 7, QStringLiteral("Show Breakout Lights"), status);

    QGroupBox* transfer = frame(QStringLiteral("Frame4"), QStringLiteral("DNC &File Transfer Status"));
    optDNC = options(QStringLiteral("optDNC"), 9,
                     {QStringLiteral("Show All"), QStringLiteral("Small %"), QStringLiteral("Large %"),
                      QStringLiteral("None")},
                     transfer);
    QGroupBox* behaviour =
        frame(QStringLiteral("Frame5"), QStringLiteral("Main Window Behaviour During DNC &File Transfer"));
    optMinimizeSend = options(QStringLiteral("optMinimizeSend"), 13,
                              {QStringLiteral("Normal "), QStringLiteral("Minimize Then Restore"),
                               QStringLiteral("Leave Minimized")},
                              behaviour);
    return page({display, status, transfer, behaviour});
}

QWidget* frmSystem::buildColoursTab() {
    const char* const captions[6] = {"Back Color", "Rollover Color", "Screen Color", "Non-Colorized Font Color",
                                     "Screen Color", "Font Color"};
    QGroupBox* frames[2] = {frame(QStringLiteral("Frame6"), QStringLiteral("&Editor")),
                            frame(QStringLiteral("Frame8"), QStringLiteral("&Terminal"))};
    // The two "&Buttons" colours act on nothing here and are left out.
    for (int i = 2; i < 6; ++i) {
        cmdColorPicker1[i] = colourButton(arrayName("cmdColorPicker1", i), QString());
        auto* row = new QHBoxLayout;
        row->addWidget(cmdColorPicker1[i]);
        row->addWidget(DialogParts::label(this, arrayName("Label3", i), QLatin1String(captions[i]),
                                          cmdColorPicker1[i]),
                       1);
        columnOf(frames[(i - 2) / 2])->addLayout(row);
    }
    return page({frames[0], frames[1]});
}

QWidget* frmSystem::buildBlocksTab() {
    auto* top = new QWidget;
    chkColourize = check(QStringLiteral("chkColourize"), 8, QStringLiteral("Colori&ze Blocks"), top);
    blockColours_ = frame(QStringLiteral("Frame9"), QStringLiteral("Blo&ck Colors"));
    auto* grid = new QGridLayout;
    for (int n = 0; n < 26; ++n) {
        cmdpickColourBlock[n] = colourButton(arrayName("cmdpickColourBlock", n), QString(QChar('A' + n)));
        grid->addWidget(cmdpickColourBlock[n], n / 9, n % 9);
    }
    columnOf(blockColours_)->addLayout(grid);
    return page({top, blockColours_});
}

QWidget* frmSystem::buildBackupTab() {
    QGroupBox* backup = frame(QStringLiteral("Frame10"), QStringLiteral("&Backup"));
    Label4 = DialogParts::label(this, QStringLiteral("Label4"), QString());
    Label4->setWordWrap(true);
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setReadOnly(true);
    Text2->setToolTip(QStringLiteral("Backup Folder Location"));
    cmdBackup[0] = DialogParts::button(this, arrayName("cmdBackup", 0), QStringLiteral("Backup System"));
    Command3 = DialogParts::button(this, QStringLiteral("Command3"), QStringLiteral("Backup Folder"));
    auto* row = new QHBoxLayout;
    row->addWidget(cmdBackup[0]);
    row->addWidget(Command3);
    row->addStretch(1);
    QVBoxLayout* b = columnOf(backup);
    b->addWidget(Label4);
    b->addWidget(DialogParts::label(this, QStringLiteral("Label5"), QStringLiteral("Current Backup Folder Location...")));
    b->addWidget(Text2);
    b->addLayout(row);

    QGroupBox* restore = frame(QStringLiteral("Frame7"), QStringLiteral("&Restore"));
    cmdBackup[1] = DialogParts::button(this, arrayName("cmdBackup", 1), QStringLiteral("Restore System"));
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->viewport()->installEventFilter(this);
    columnOf(restore)->addWidget(cmdBackup[1], 0, Qt::AlignLeft);
    columnOf(restore)->addWidget(File1);
    return page({backup, restore});
}

QWidget* frmSystem::buildMoreTab() {
    QGroupBox* browse = frame(QStringLiteral("Frame11"), QStringLiteral("Browse Folder Dialog Type"));
    optBrowse = options(QStringLiteral("optBrowse"), 16,
                        {QStringLiteral("Browse Standard Dialog"),
                         QStringLiteral("Browse Extended Shell Folders And Networks")},
                        browse);
    QGroupBox* language = frame(QStringLiteral("Frame12"), QStringLiteral("Use Language Support"));
    chkLanguage = check(QStringLiteral("chkLanguage"), 19, QStringLiteral("Turn On Language Support"), language);
    QGroupBox* scrolling = frame(QStringLiteral("Frame13"), QStringLiteral("DNC Block Scrolling"));
    cmbDNCScroll = new QComboBox(this);
    cmbDNCScroll->setObjectName(QStringLiteral("cmbDNCScroll"));
    cmbDNCScroll->addItems({QStringLiteral("Before"), QStringLiteral("After")});
    columnOf(scrolling)->addWidget(DialogParts::label(
        this, arrayName("Label1", 20), QStringLiteral("Show Block Before Or After Sending To Buffer"), cmbDNCScroll));
    columnOf(scrolling)->addWidget(cmbDNCScroll, 0, Qt::AlignLeft);
    QGroupBox* printing = frame(QStringLiteral("Frame14"), QStringLiteral("Printing"));
    chkPrintHeader = check(QStringLiteral("chkPrintHeader"), 21, QStringLiteral("Print Page Header"), printing);
    cmbLeftMargin = new QComboBox(this);
    cmbLeftMargin->setObjectName(QStringLiteral("cmbLeftMargin"));
    for (int n = 0; n <= 10; ++n)
        cmbLeftMargin->addItem(QString::number(n));
    marginLabel_ = DialogParts::label(this, arrayName("Label1", 2),
                                      QStringLiteral("Pad Left Margin With This Number Of Spaces"), cmbLeftMargin);
    auto* row = new QHBoxLayout;
    row->addWidget(cmbLeftMargin);
    row->addWidget(marginLabel_, 1);
    columnOf(printing)->addLayout(row);
    return page({browse, language, scrolling, printing});
}

void frmSystem::connectHandlers() {
    for (int i = 0; i < 2; ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    for (int i = 2; i < 6; ++i)
        connect(cmdColorPicker1[i], &QPushButton::clicked, this, [this, i] { cmdColorPicker1_Click(i); });
    for (int n = 0; n < 26; ++n)
        connect(cmdpickColourBlock[n], &QPushButton::clicked, this, [this, n] { cmdpickColourBlock_Click(n); });
    connect(Command2, &QPushButton::clicked, this, &frmSystem::Command2_Click);
    connect(chkColourize, &QCheckBox::toggled, this, &frmSystem::chkColourize_Click);
    connect(chkLanguage, &QCheckBox::toggled, this, &frmSystem::chkLanguage_Click);
    connect(cmbLeftMargin, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &frmSystem::cmbLeftMargin_Click);
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmSystem::SSTab1_Click);
    for (int i = 0; i < 2; ++i)
        connect(cmdBackup[i], &QPushButton::clicked, this, [this, i] { cmdBackup_Click(i); });
    connect(Command3, &QPushButton::clicked, this, &frmSystem::Command3_Click);
    for (const auto& [index, target] : labelTargets_) {
        auto* label = findChild<ClickLabel*>(arrayName("Label1", index));
        connect(label, &ClickLabel::clicked, this, [this, i = index] { Label1_Click(i); });
    }
}

void frmSystem::setButtonColour(QPushButton* button, unsigned int colour) {
    button->setProperty("colour", colour);
    QPalette p = button->palette();
    p.setColor(QPalette::Button, colourFromNumber(colour));
    button->setPalette(p);
}

void frmSystem::loadValues() {
    const SystemSettings::Values v = SystemSettings::load();
    for (const auto& [key, control] : bindings_) {
        const QString value = v.value(key);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(value);
        else if (auto* box = qobject_cast<QCheckBox*>(control))
            box->setChecked(value == QLatin1String("1") || value == QLatin1String("True"));
        else if (auto* list = qobject_cast<QComboBox*>(control))
            list->setCurrentIndex(value.toInt());
        else if (auto* group = qobject_cast<QButtonGroup*>(control))
            group->button(value.toInt())->setChecked(true);
        else if (auto* button = qobject_cast<QPushButton*>(control))
            setButtonColour(button, value.toUInt());
    }
    // The handlers run on the loaded values even where nothing changed.
    chkColourize_Click();
    chkLanguage_Click();
    cmbLeftMargin_Click();
}

SystemSettings::Values frmSystem::collectValues() const {
    SystemSettings::Values v;
    QHash<QString, SystemSettings::Form> forms;
    for (const SystemSettings::KeyDef& def : SystemSettings::table())
        forms.insert(def.key, def.form);
    for (const auto& [key, control] : bindings_) {
        QString value;
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            value = edit->text();
        else if (auto* box = qobject_cast<QCheckBox*>(control))
            value = forms.value(key) == SystemSettings::Form::TrueFalse
                        ? (box->isChecked() ? QStringLiteral("True") : QStringLiteral("False"))
                        : (box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        else if (auto* list = qobject_cast<QComboBox*>(control))
            value = QString::number(list->currentIndex());
        else if (auto* group = qobject_cast<QButtonGroup*>(control))
            value = QString::number(group->checkedId());
        else if (auto* button = qobject_cast<QPushButton*>(control))
            value = QString::number(button->property("colour").toUInt());
        v.insert(key, value);
    }
    return v;
}

void frmSystem::Command1_Click(int index) {
    if (index == 1) {
        reject();
        return;
    }
    if (applyColours())
        accept();
}

bool frmSystem::applyColours() {
    const SystemSettings::Values v = collectValues();
    QString error;
    if (!SystemSettings::save(v, &error)) {
        if (SystemSettings::fontSizeForm(Text1[1]->text()).isEmpty()) {
            SSTab1->setCurrentIndex(0);
            Text1[1]->setFocus();
        }
        msgBox(error, Msg::Ok, Msg::Exclamation);
        return false;
    }
    applyToMainWindow(SystemSettings::load());
    return true;
}

void frmSystem::applyToMainWindow(const SystemSettings::Values& v) {
    const auto number = [&v](const char* key) { return v.value(QLatin1String(key)).toUInt(); };
    const auto on = [&v](const char* key) {
        const QString s = v.value(QLatin1String(key));
        return s == QLatin1String("1") || s == QLatin1String("True");
    };
    gMainTextBackColor = number("mainTextBackColor");
    gMainTextForeColor = number("mainTextForeColor");
    gMainTerminalBackColor = number("mainTerminalBackColor");
    gMainTerminalForeColor = number("mainTerminalForeColor");
    for (int n = 1; n <= 26; ++n)
        gBlockColours[n] = v.value(QStringLiteral("Colour%1").arg(n)).toUInt();
    gColourizeBlocks = on("ColourizeBlocks");
    gPadLeftMargin = int(number("PadLeftMargin"));
    gDNCStatus = int(number("DNCStatus"));
    gShowCNCStatus = on("ShowCNCStatus") ? 1 : 0;
    gShowBreakoutLights = on("ShowBreakoutLights") ? 1 : 0;
    gUseLanguageSupport = on("UseLanguageSupport") ? 1 : 0;

    // Every open editor window takes the colours and the font just stored.
    if (EditorManager* editors = EditorManager::instance())
        editors->applyDisplaySettings();
    if (QPlainTextEdit* terminal = parts_.terminal) {
        QPalette p = terminal->palette();
        p.setColor(QPalette::Base, colourFromNumber(gMainTerminalBackColor));
        p.setColor(QPalette::Text, colourFromNumber(gMainTerminalForeColor));
        terminal->setPalette(p);
        QFont font(v.value(QStringLiteral("FontName")));
        font.setStyleHint(QFont::TypeWriter);
        font.setPointSize(v.value(QStringLiteral("FontSize")).toInt());
        font.setBold(on("FontBold"));
        terminal->setFont(font);
    }
    // Narrow screens have no room for the lights.
    if (screenWidthPixels() > 640)
        for (QWidget* light : parts_.breakoutLights)
            light->setVisible(gShowBreakoutLights > 0);
    if (parts_.languageMenu)
        parts_.languageMenu->setEnabled(gUseLanguageSupport > 0);
}

// Nothing is stored or applied before OK.
void frmSystem::pickColour(QPushButton* button) {
    unsigned int colour = button->property("colour").toUInt();
    if (chooseColour(&colour))
        setButtonColour(button, colour);
}

void frmSystem::cmdColorPicker1_Click(int index) { pickColour(cmdColorPicker1[index]); }
void frmSystem::cmdpickColourBlock_Click(int index) { pickColour(cmdpickColourBlock[index]); }

void frmSystem::Command2_Click() {
    EditorManager* editors = EditorManager::instance();
    EditControl* active = editors ? editors->activeEditor() : nullptr;
    Msg::FontChoice font{Text1[0]->text(), SystemSettings::fontSizeForm(Text1[1]->text()).toInt(),
                         chkBold->isChecked()};
    if (active)
        font = Msg::FontChoice{active->fontName(), active->fontSize(), active->isBold()};
    if (!chooseFont(&font))
        return;
    Text1[0]->setText(font.name);
    Text1[1]->setText(QString::number(font.pointSize));
    chkBold->setChecked(font.bold);
    // Shown at once on the active window; Cancel does not take this back.
    if (active)
        active->applyFont(font.name, font.pointSize, font.bold);
    if (QWidget* list = parts_.completionList) {
        QFont f = list->font();
        f.setPointSize(font.pointSize > 0 ? font.pointSize : f.pointSize());
        list->setFont(f);
    }
}

void frmSystem::Label1_Click(int index) {
    for (const auto& [i, target] : labelTargets_) {
        if (i != index)
            continue;
        if (auto* box = qobject_cast<QCheckBox*>(target))
            toggleCheck(box);
        else if (auto* option = qobject_cast<QRadioButton*>(target))
            option->setChecked(true);
    }
}

void frmSystem::chkColourize_Click() { blockColours_->setEnabled(chkColourize->isChecked()); }

void frmSystem::chkLanguage_Click() { cmdLanguageSelect->setVisible(chkLanguage->isChecked()); }

void frmSystem::cmbLeftMargin_Click() {
    if (cmbLeftMargin->currentIndex() >= 0)
        marginLabel_->setText(QStringLiteral("Pad Left Margin With ") + cmbLeftMargin->currentText() +
                              QStringLiteral(" Space(s)"));
}

void frmSystem::SSTab1_Click(int tab) {
    if (tab == 0)
        Command2->setFocus();
    else if (tab == 1)
        cmdColorPicker1[2]->setFocus();
}

void frmSystem::setBackupTip() {
    Label4->setText(SettingsBackup::explanation(backupFormat_, QDateTime::currentDateTime()));
    Text2->setText(SettingsBackup::storedFolder());
}

void frmSystem::seedFileList() {
    listedFolder_ = SettingsBackup::listedFolder();
    File1->clear();
    File1->addItems(SettingsBackup::list(listedFolder_));
    cmdBackup[1]->setEnabled(File1->count() > 0);
    if (File1->count() > 0)
        File1->setCurrentRow(File1->count() - 1);
}

void frmSystem::cmdBackup_Click(int index) {
    if (index == 0) {
        const QString target =
            SettingsBackup::storedFolder() + SettingsBackup::backupName(backupFormat_, QDateTime::currentDateTime());
        QString error;
        if (!SettingsBackup::backUp(target, &error)) {
            msgBox(QStringLiteral("The Settings Could Not Be Backed Up To ") + target + QStringLiteral("\n") + error,
                   Msg::Ok, Msg::Critical);
            return;
        }
        msgBox(QStringLiteral("Backed Up To File - ") + target, Msg::Ok, Msg::Information);
        seedFileList();
        return;
    }
    const QListWidgetItem* item = File1->currentItem();
    if (!item)
        return;
    if (msgBox(QStringLiteral("Restoring The System Will Need A Reload Of The Software\nProceed?"), Msg::YesNo,
               Msg::Question) != Msg::AnswerYes)
        return;
    const QString source = listedFolder_ + item->text();
    QByteArray backup;
    QString error;
    if (!readWholeFile(source, &backup, &error)) {
        msgBox(QStringLiteral("The Backup ") + source + QStringLiteral(" Could Not Be Read\n") + error, Msg::Ok,
               Msg::Critical);
        return;
    }
    // Cancel in a save question leaves everything as it was.
    if (EditorManager* editors = EditorManager::instance(); editors && !editors->askToSaveAll())
        return;
    if (!IniStore::instance().replace(gIniPath, backup)) {
        msgBox(settingsNotSavedText(lastIniError(), QStringLiteral("The settings were not restored.")), Msg::Ok,
               Msg::Critical);
        return;
    }
    msgBox(QStringLiteral("System Has Been Restored From ") + source +
               QStringLiteral("\nYou Will Need To Restart The Program"),
           Msg::Ok, Msg::Information);
    reject();
    endAfterRestore();
}

void frmSystem::endAfterRestore() {
    // Each window has had its save question: what was not saved then goes
    // with the program, without the question a second time.
    if (EditorManager* editors = EditorManager::instance())
        for (int i = 0; i < gWindows.size(); ++i) {
            if (EditControl* ed = editors->editor(i))
                ed->markSaved();
            gWindows[i].isMerge = false;
        }
    // The restored file is the next start's: what the program still stores
    // on its way out (window size, find-box position) stays in memory.
    IniStore::instance().beginBatch();
    if (!quitProgram())
        IniStore::instance().endBatch();
}

void frmSystem::Command3_Click() {
    gDialogResult = SettingsBackup::storedFolder();
    frmDefaultDir picker(this);
    picker.setWindowTitle(QStringLiteral("Backup Folder"));
    picker.exec();
    if (gDialogResult.isEmpty())
        return;
    if (!writeIni(kSettings, QStringLiteral("BackupDirectory"), withBackslash(gDialogResult)))
        msgBox(settingsNotSavedText(lastIniError()), Msg::Ok, Msg::Critical);
    seedFileList();
    setBackupTip();
}

void frmSystem::deleteSelectedBackup() {
    const QListWidgetItem* item = File1->currentItem();
    if (!item)
        return;
    const QString file = listedFolder_ + item->text();
    if (msgBox(QStringLiteral("Move ") + file + QStringLiteral(" To The Trash?"), Msg::YesNo, Msg::Question) !=
        Msg::AnswerYes)
        return;
    if (shellFileOperation(0, {file}) != 0) {
        msgBox(QStringLiteral("Ooops Didn't Recycle Properly"));
        return;
    }
    seedFileList();
    if (File1->count() > 0)
        File1->setCurrentRow(0);
}

bool frmSystem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == File1->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        deleteSelectedBackup();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
