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
    return static_cast<unsigned int>(static_cast<long long>(leadingNumber(text)));
}

// A font key that reads empty is written with its default once; when the
// file cannot take it the default is used all the same.
QString fontSetting(const QString& key, const QString& def) {
    QString value = readIni(kSettings, key, QString());
    if (value.isEmpty()) {
        writeIni(kSettings, key, def);
        value = readIni(kSettings, key, QString());
    }
    return value.isEmpty() ? def : value;
}
} // namespace

bool frmTerminal::Form_Load(bool hidden) {
    checkThreadLocale();
    toolTabWidthTwips_ = 1545;
    if (gVersionSuffix.isEmpty())
        return false;
    gPasswordIniPath = ProgramPaths::passwordFileName();
    gKeepAlive = 1;
    gFindFormLoaded = false;
    gTurboSending = false;
    gWindows = {EditorWindow{false, false, QStringLiteral("Untitled1")}};
    gActiveWindow = 0;

    setIconLocation(screenWidth());
    showPortLines(PortLines{});
    setSendWindowEnabled(false);
    const bool ftp = fileExists(NetworkHandoff::ftpHelperPath());
    menuItem(QStringLiteral("mnuFTP"))->setEnabled(ftp);
    menuItem(QStringLiteral("mnuFTP"))->menu()->setEnabled(ftp);
    menuItem(QStringLiteral("mnuFTPReceive"))->setEnabled(ftp);

    gPortState = PortIdle;
    gSending = false;
    gReceiveTempFile = getTempFileName(QStringLiteral("dnc")).trimmed();
    receiveTempFile_ = gReceiveTempFile;
    statusbar(QStringLiteral("Ready"));
    forceDateFormats();

    initSettingsPath();
    tidyReceiveLeftovers();
    bool firstRun = false;
    {
        // Whatever the start writes (first-run records, aliases, fonts, the
        // one-off migration) goes to the file in one save.
        IniBatch batch;
        writeIni(QStringLiteral("Storage"), QStringLiteral("UpdateStorage"), QStringLiteral("1"));
        migrateSendMode();
        loadMachineList();
        firstRun = firstRunSetUp();
        loadFonts();
        if (!batch.commit())
            reportSettingsWriteFailure();
    }
    // From the command line every machine stays visible, as nobody can choose.
    if (firstRun && !hidden)
        showVisibleCNC(true);

    gUseLanguageSupport = readIniInt(kSettings, QStringLiteral("UseLanguageSupport"), 0);
    menuItem(QStringLiteral("mnuLanguage"))->setEnabled(gUseLanguageSupport > 0);
    selectMachine(0);
    loadColours();
    menuItem(QStringLiteral("mnuCapitalise2"))
        ->setChecked(yesNo(readIni(kSettings, QStringLiteral("capitalise"), QStringLiteral("0")), false));
    editorManager_->setCapitalising(menuItem(QStringLiteral("mnuCapitalise2"))->isChecked());
    editorManager_->applyDisplaySettings();
    loadWindowSize();
    gDNCStatus = readIniInt(kSettings, QStringLiteral("DNCStatus"), 2);
    gShowCNCStatus = readIniInt(kSettings, QStringLiteral("ShowCNCStatus"), 1);
    gShowBreakoutLights = readIniInt(kSettings, QStringLiteral("ShowBreakoutLights"), 1);
    layoutForScreen(screenWidth());
    menuItem(QStringLiteral("mnuDebug(1)"))->setChecked(true);
    gIntelliFile = readIni(kSettings, QStringLiteral("intelliCodeFile"), QStringLiteral("fanuc.itc"));

    applyButtonLanguage(this);
    applyMenuLanguage(this);
    translateMenuBarItems();
    recentMenus_->refreshAll();
    setWindowTitle(ProgramPaths::appTitle());
    seedVisibleCNC();
    selectVisibleMachine(0);
    gBusyEditing = false;
    gPrinting = false;
    return true;
}

// Empty leftovers of earlier runs go; one that holds data is named once,
// with where it is, and left for the user. While another copy runs from the
// folder nothing is touched: it may be receiving into one of them.
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

void frmTerminal::migrateSendMode() {
    if (!readIni(kSettings, QStringLiteral("UpdateDataSendMode"), QString()).isEmpty())
        return;
    writeIni(kSettings, QStringLiteral("UpdateDataSendMode"),
             formatShortDate(QDate::currentDate()));
    for (int n = 1; n <= kMachineCount; ++n) {
        const QString section = MachineRecord::sectionName(n);
        const QString mode = readIni(section, QStringLiteral("DripFeedPacketSize"), QStringLiteral("0"));
        // Send modes moved up by three; a value that is no number counts as 0.
        if (mode != QLatin1String("0"))
            writeIni(section, QStringLiteral("DripFeedPacketSize"),
                     QString::number(qint64(leadingNumber(mode)) + 3));
    }
}

bool frmTerminal::firstRunSetUp() {
    // A settings file this run does not write gets no records: the defaults serve.
    if (!readIni(kSettings, QStringLiteral("RunBefore"), QString()).isEmpty() || settingsKeptInMemory())
        return false;
    forceDateFormats();
    // Saved with the records it stands for: a set-up broken off before they
    // reached the file runs again.
    writeIni(kSettings, QStringLiteral("RunBefore"), QStringLiteral("Yes"));

    const QString caption = QStringLiteral("Setting Program Up For The First Time");
    frmPercent progress(this);
    progress.Command1()->setEnabled(false);
    progress.setWindowTitle(caption);
    progress.show();
    progress.repaint();
    for (int n = 1; n <= kMachineCount; ++n) {
        UpdateStatus(progress.picture1(), int(n / double(kMachineCount) * 100 + 0.5), true);
        progress.setWindowTitle(QStringLiteral("%1 : CNC %2 of %3").arg(caption).arg(n).arg(kMachineCount));
        if (n > 8)
            continue;
        const QString section = MachineRecord::sectionName(n);
        gCurrentMachineSection = section;
        MachineRecord::writeDefaults(section);
        writeIni(section, QStringLiteral("SendExtension1"), QStringLiteral("TXT"));
        writeIni(section, QStringLiteral("ReceiveExtension1"), QStringLiteral("TXT"));
    }
    progress.close();
    return true;
}

void frmTerminal::loadFonts() {
    const QString name = fontSetting(QStringLiteral("FontName"), QStringLiteral("Courier New"));
    const QString size = fontSetting(QStringLiteral("FontSize"), QStringLiteral("10"));
    const QString bold = fontSetting(QStringLiteral("FontBold"), QStringLiteral("True"));
    QFont font(name);
    font.setStyleHint(QFont::TypeWriter);
    const int points = intPartOfNumberString(size).toInt();
    font.setPointSize(points > 0 ? points : 10);
    font.setBold(yesNo(bold, true));
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
