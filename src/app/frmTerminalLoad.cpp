#include "frmTerminal.h"

#include "EditorManager.h"
#include "RecentFilesMenu.h"

#include "DateStuff.h"
#include "EditorActions.h"
#include "EditorGlobals.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "Language.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "NcLexer.h"
#include "NetworkHandoff.h"
#include "PercentBar.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"
#include "SettingsProbe.h"
#include "StartupLoad.h"
#include "StatusLine.h"
#include "TransferGlobals.h"
#include "frmPercent.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {
const QString kSettings = QStringLiteral("Settings");

// "True", "False" or a number, as the settings file stores yes/no values;
// anything else is `fallback`.
bool yesNo(const QString& text, bool fallback) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok ? v != 0 : fallback;
}

// Colours are stored as numbers with red in the lowest byte.
unsigned int colourNumber(const QString& text) {
    return static_cast<unsigned int>(clampToInt64(leadingNumber(text)));
}
} // namespace

bool frmTerminal::Form_Load(bool hidden) {
    toolTabWidthTwips_ = 1545;
    // The first run's progress, shown while its records are written.
    const QString caption = QStringLiteral("Setting Program Up For The First Time");
    std::unique_ptr<frmPercent> progress;
    auto firstRunStep = [&](int n) {
        if (!progress) {
            progress = std::make_unique<frmPercent>(this);
            progress->Command1()->setEnabled(false);
            progress->setWindowTitle(caption);
            progress->show();
            progress->repaint();
        }
        UpdateStatus(progress->picture1(), int(n / double(kMachineCount) * 100 + 0.5), true);
        progress->setWindowTitle(QStringLiteral("%1 : CNC %2 of %3").arg(caption).arg(n).arg(kMachineCount));
    };
    StartupLoad::Loaded loaded;
    if (!StartupLoad::load(&loaded, firstRunStep))
        return false;
    if (progress)
        progress->close();
    progress.reset();

    setIconLocation(screenWidth());
    showPortLines(PortLines{});
    setSendWindowEnabled(false);
    const bool ftp = fileExists(NetworkHandoff::ftpHelperPath());
    menuItem(QStringLiteral("mnuFTP"))->setEnabled(ftp);
    menuItem(QStringLiteral("mnuFTP"))->menu()->setEnabled(ftp);
    menuItem(QStringLiteral("mnuFTPReceive"))->setEnabled(ftp);

    gReceiveTempFile = getTempFileName(QStringLiteral("dnc")).trimmed();
    receiveTempFile_ = gReceiveTempFile;
    statusbar(QStringLiteral("Ready"));

    tidyReceiveLeftovers();
    loadMachineList(loaded.machines);
    firstRunChoicePending_ = loaded.firstRun;
    if (!hidden)
        firstRunVisibility();
    loadFont(loaded);

    menuItem(QStringLiteral("mnuLanguage"))->setEnabled(gUseLanguageSupport > 0);
    selectMachine(0);
    loadColours();
    menuItem(QStringLiteral("mnuCapitalise2"))
        ->setChecked(yesNo(readIni(kSettings, QStringLiteral("capitalise"), QStringLiteral("0")), false));
    editorManager_->setCapitalising(menuItem(QStringLiteral("mnuCapitalise2"))->isChecked());
    editorManager_->applyDisplaySettings();
    loadWindowSize();
    layoutForScreen(screenWidth());
    menuItem(QStringLiteral("mnuDebug(1)"))->setChecked(true);

    applyButtonLanguage(this);
    applyMenuLanguage(this);
    translateMenuBarItems();
    recentMenus_->refreshAll();
    setWindowTitle(ProgramPaths::appTitle());
    seedVisibleCNC();
    selectVisibleMachine(0);
    return true;
}

// Empty leftovers of earlier runs go; one that holds data is named once,
// with where it is, and left for the user. While another copy runs from the
// folder nothing is touched: it may be receiving into one of them. Only a
// start with this window does it and holds the lock: a command-line send
// receives nothing, so it has no file to guard, and nobody there could open
// a kept one.
void frmTerminal::tidyReceiveLeftovers() {
    const QString folder = ProgramPaths::programFolder();
    if (!runLock_.alone(folder))
        return;
    const QStringList kept = ReceiveLeftovers::tidy(folder, receiveTempFile_);
    const QString key = QStringLiteral("KeptReceiveFiles");
    const QStringList named = readIni(kSettings, key).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList names, fresh;
    for (const QString& path : kept) {
        names << QFileInfo(path).fileName();
        if (!named.contains(names.last()))
            fresh << QDir::toNativeSeparators(path);
    }
    if (names != named)
        writeIni(kSettings, key, names.join(QLatin1Char(';')));
    if (!fresh.isEmpty())
        msgBox(QStringLiteral("Data Received By An Earlier Run Was Kept In:\n%1\n\nThe Program Leaves It There: Open "
                              "It To Save What It Holds, Or Delete It.")
                   .arg(fresh.join(QLatin1Char('\n'))),
               Msg::Ok, Msg::Information);
}

void frmTerminal::loadFont(const StartupLoad::Loaded& loaded) {
    QFont font(loaded.fontName);
    font.setStyleHint(QFont::TypeWriter);
    const int points = intPartOfNumberString(loaded.fontSize).toInt();
    font.setPointSize(points > 0 ? points : 10);
    font.setBold(yesNo(loaded.fontBold, true));
    textboxTerm_->setFont(font);
}

void frmTerminal::loadColours() {
    gMainTextBackColor = colourNumber(readIni(kSettings, QStringLiteral("mainTextBackColor"), QStringLiteral("0")));
    gMainTextForeColor = colourNumber(readIni(kSettings, QStringLiteral("mainTextForeColor"), QStringLiteral("65280")));
    gMainTerminalBackColor =
        colourNumber(readIni(kSettings, QStringLiteral("mainTerminalBackColor"), QStringLiteral("12632256")));
    gMainTerminalForeColor =
        colourNumber(readIni(kSettings, QStringLiteral("mainTerminalForeColor"), QStringLiteral("12582912")));
    QPalette terminal = textboxTerm_->palette();
    terminal.setColor(QPalette::Base, colourFromNumber(gMainTerminalBackColor));
    terminal.setColor(QPalette::Text, colourFromNumber(gMainTerminalForeColor));
    textboxTerm_->setPalette(terminal);
    for (int i = 1; i <= 26; ++i)
        gBlockColours[i] = colourNumber(readIni(kSettings, QStringLiteral("Colour%1").arg(i), QStringLiteral("65280")));
    gColourizeBlocks = yesNo(readIni(kSettings, QStringLiteral("ColourizeBlocks"), QStringLiteral("False")), false);
    gPadLeftMargin = readIniInt(kSettings, QStringLiteral("PadLeftMargin"), 0);
}

void frmTerminal::loadWindowSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
    const int state = readIniInt(kSettings, QStringLiteral("FormState"), -1);
    QSize size;
    if (state == -1) {
        size = screenSize - QSize(px(340), px(340));
    } else if (state == 2) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    } else if (state == 1) {
        size = QSize(px(9900), px(7500));
    } else {
        size = QSize(px(readIniInt(kSettings, QStringLiteral("FormW"), 9900)),
                     px(readIniInt(kSettings, QStringLiteral("FormH"), 7500)));
    }
    // A size typed into the settings file by hand never makes the window unusable.
    resize(size.expandedTo(QSize(320, 240)).boundedTo(screenSize * 2));
}

void frmTerminal::translateMenuBarItems() {
    if (gUseLanguageSupport <= 0)
        return;
    for (const QString& name : {QStringLiteral("mnuWizard"), QStringLiteral("mnuAboutHeader")}) {
        QAction* item = menuItem(name);
        const QString caption = readIni(QStringLiteral("Language-Menus"), name, item->text());
        if (caption != QLatin1String("-"))
            item->setText(caption);
    }
}
