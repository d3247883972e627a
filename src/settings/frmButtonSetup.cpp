#include "frmButtonSetup.h"

#include "DialogSize.h"
#include "Help.h"
#include "IniStorage.h"
#include "Language.h"
#include "MessageSeam.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <functional>

namespace {

const char* const kBars[] = {"btnToolBar", "btnToolBar2"};

// Recent-file entries show paths the program puts there, not captions.
bool isRecentEntry(const QString& name) {
    return name.startsWith(QLatin1String("mnuRecentFile(")) || name.startsWith(QLatin1String("mnuRecentSentFile(")) ||
           name.startsWith(QLatin1String("mnuRecentReceiveFile("));
}

bool listed(const QAction* item) {
    return !item->isSeparator() && item->isVisible() && !item->objectName().isEmpty() &&
           !isRecentEntry(item->objectName());
}

} // namespace

frmButtonSetup::frmButtonSetup(QMainWindow* mainWindow) : QDialog(mainWindow), main_(mainWindow) {
    setObjectName(QStringLiteral("frmButtonSetup"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Setup Button Text"));
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    layout->addWidget(tabs);

    buttonPage_ = new QWidget;
    auto* grid = new QGridLayout(buttonPage_);
    for (int bar = 0; bar < 2; ++bar) {
        for (int i = 0; i < 7; ++i) {
            auto* preview = new QPushButton(buttonPage_);
            preview->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(kBars[bar])).arg(i));
            auto* box = new QLineEdit(buttonPage_);
            box->setObjectName(QStringLiteral("Text%1(%2)").arg(bar + 1).arg(i));
            connect(box, &QLineEdit::textChanged, preview, [box, preview](const QString& text) {
                preview->setText(text);
                box->setToolTip(text);
            });
            grid->addWidget(preview, bar * 2, i);
            grid->addWidget(box, bar * 2 + 1, i);
            (bar == 0 ? preview1_ : preview2_) << preview;
            (bar == 0 ? text1_ : text2_) << box;
        }
    }
    tabs->addTab(buttonPage_, QStringLiteral("Command Buttons"));

    ssTab2_ = new QTabWidget;
    ssTab2_->setObjectName(QStringLiteral("SSTab2"));
    tabs->addTab(ssTab2_, QStringLiteral("Menus"));

    auto* row = new QHBoxLayout;
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    reset->setObjectName(QStringLiteral("Command2"));
    connect(reset, &QPushButton::clicked, this, &frmButtonSetup::Command2_Click);
    row->addWidget(reset);
    row->addStretch();
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(i == 0 ? QStringLiteral("OK") : QStringLiteral("Cancel"), this);
        b->setObjectName(QStringLiteral("Command1(%1)").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        row->addWidget(b);
    }
    row->addStretch();
    layout->addLayout(row);

    seedButtons();
    seedMenus();
}

void frmButtonSetup::seedButtons() {
    for (int bar = 0; bar < 2; ++bar) {
        for (int i = 0; i < 7; ++i) {
            const QString name = QStringLiteral("%1(%2)").arg(QLatin1String(kBars[bar])).arg(i);
            QPushButton* original = nullptr;
            for (QPushButton* b : main_->findChildren<QPushButton*>(name))
                if (b->window() == main_)
                    original = b;
            if (!original)
                continue;
            QPushButton* preview = (bar == 0 ? preview1_ : preview2_)[i];
            preview->setIcon(original->icon());
            preview->setMinimumSize(original->size());
            (bar == 0 ? text1_ : text2_)[i]->setText(original->text());
        }
    }
}

void frmButtonSetup::seedMenus() {
    for (QAction* top : main_->menuBar()->actions())
        if (listed(top))
            addMenuPage(top);
}

void frmButtonSetup::addMenuPage(QAction* top) {
    auto* scroll = new QScrollArea;
    auto* page = new QWidget;
    new QVBoxLayout(page);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    const int tab = ssTab2_->addTab(scroll, top->text());
    addMenuBox(page, top);
    // The page is named by its first box, as the user types.
    QLineEdit* first = menuBoxes_.last().first;
    ssTab2_->setTabText(tab, first->text());
    connect(first, &QLineEdit::textChanged, this, [this, tab](const QString& text) { ssTab2_->setTabText(tab, text); });

    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* item : menu->actions()) {
            if (!listed(item))
                continue;
            addMenuBox(page, item);
            if (item->menu())
                walk(item->menu());
        }
    };
    if (top->menu())
        walk(top->menu());
    static_cast<QVBoxLayout*>(page->layout())->addStretch();
}

void frmButtonSetup::addMenuBox(QWidget* page, QAction* item) {
    auto* box = new QLineEdit(page);
    box->setObjectName(QStringLiteral("Text3(%1)").arg(menuBoxes_.size()));
    const QString stored = readIni(QStringLiteral("Language-Menus"), captionKey(item), item->text());
    // A stored "-" never became the caption; the box shows what the item shows.
    box->setText(stored == QLatin1String("-") ? item->text() : stored);
    box->setToolTip(box->text());
    connect(box, &QLineEdit::textChanged, box, &QLineEdit::setToolTip);
    page->layout()->addWidget(box);
    menuBoxes_.append({box, QPointer<QAction>(item)});
}

void frmButtonSetup::saveMenus() {
    QVector<std::pair<QString, QString>> values;
    for (const auto& [box, item] : menuBoxes_) {
        // "-" would make a separator of an item: such a box changes nothing.
        if (!item || box->text() == QLatin1String("-"))
            continue;
        item->setText(box->text());
        values.append({captionKey(item), box->text()});
    }
    writeIniValues(QStringLiteral("Language-Menus"), values);
}

void frmButtonSetup::Command1_Click(int index) {
    if (index == 0) {
        QVector<std::pair<QString, QString>> values;
        for (int i = 0; i < 7; ++i) {
            values.append({QStringLiteral("btnToolBar-%1").arg(i), text1_[i]->text()});
            values.append({QStringLiteral("btnToolBar2-%1").arg(i), text2_[i]->text()});
        }
        writeIniValues(QStringLiteral("Language-Buttons"), values);
        applyButtonLanguage(main_);
        saveMenus();
        accept();
    } else {
        reject();
    }
}

void frmButtonSetup::Command2_Click() {
    if (msgBox(QStringLiteral("Ok To Delete All Language Settings - This Needs A Restart Of This Program ?"),
               Msg::YesNo, Msg::Question) != Msg::AnswerYes)
        return;
    // The dialogs' own caption sections stay.
    removeIniSection(QStringLiteral("Language-Menus"), gIniPath);
    removeIniSection(QStringLiteral("Language-Buttons"), gIniPath);
    done(Reset);
}

void frmButtonSetup::keyPressEvent(QKeyEvent* event) {
    if (formHelpKey(objectName(), event))
        return;
    QDialog::keyPressEvent(event);
}
