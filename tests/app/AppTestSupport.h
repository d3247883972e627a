#pragma once

#include "DialogActions.h"
#include "EditorActions.h"
#include "MachineRecord.h"
#include "ModalAnswerer.h"
#include "SettingsGlobals.h"
#include "Startup.h"
#include "TestHome.h"
#include "TransferActions.h"
#include "TransferGlobals.h"
#include "frmTerminal.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>

// A fresh program folder without a settings password, and the values the
// start-up procedure sets before the main window loads.
inline std::unique_ptr<TestHome> freshAppHome() {
    auto home = std::make_unique<TestHome>();
    qputenv("FEEDLINE_PASSWORD_FILE", QFile::encodeName(home->file(QStringLiteral("no-password.ini"))));
    gPasswordIniPath.clear();
    gVersionSuffix = Startup::versionSuffix();
    gPortState = PortIdle;
    gSending = false;
    gCancelSend = false;
    return home;
}

// The main window loaded from a settled settings file followed by `more`.
inline std::unique_ptr<frmTerminal> loadedTerminal(const TestHome& home, const QByteArray& more = {}) {
    home.writeIni(kSettledSettings + more);
    auto w = std::make_unique<frmTerminal>();
    [&] { QVERIFY(w->Form_Load()); }();
    return w;
}

// Settings lines for machine 1 on Com1, mapped to `device`, closing its port
// after each transfer, with `keys` of its own.
inline QByteArray machineOnPort(const QString& device, const QByteArray& keys = {}) {
    return "[Machine1]\nKeepAlive=0\n" + keys + "[Ports]\nCom1=" + device.toLocal8Bit() + "\n";
}

// What a send takes from the current machine: its section, keep-alive,
// handshaking, flow method and code set.
inline QString machineValues() {
    return QString::asprintf("%s %d %d %d %d", qPrintable(gCurrentMachineSection), gKeepAlive, gHandshaking,
                             gFlowMethod, gCharacterSet);
}

// A chosen menu command waits for the event loop; this runs the ones chosen so far.
inline void runChosenCommands() { QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); }

// A main-menu item by its name, reached without opening its menu (shortcut-like),
// and what it started.
inline void choose(frmTerminal& w, const char* item) {
    w.menuItem(QLatin1String(item))->trigger();
    runChosenCommands();
}

namespace popup_detail {
inline QAction* entryNamed(QWidget* menu, const QString& name) {
    for (QAction* a : menu->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}
// Clicks `entry` in the shown `menu`; a sub-menu's entry gives the sub-menu.
inline QMenu* click(QWidget* menu, QAction* entry, const QRect& where) {
    QPointer<QMenu> sub = entry->menu();
    QTest::mouseMove(menu, where.center());
    QTest::mouseClick(menu, Qt::LeftButton, {}, where.center());
    if (sub && !QTest::qWaitFor([&] { return sub && sub->isVisible(); }, 10000))
        return nullptr;
    return sub;
}
} // namespace popup_detail

// Right-clicks `target` and clicks through `path` in the pop-up it shows, as a
// user does: an entry that holds a sub-menu opens it, the last is chosen. The
// command waits for the event loop (runChosenCommands). False, with the reason
// in *why, when an entry was not there to click.
inline bool chooseFromPopup(QWidget* target, const QStringList& path, QString* why = nullptr) {
    auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    const QPoint centre = target->rect().center();
    QTest::mousePress(target, Qt::RightButton, {}, centre);
    QContextMenuEvent request(QContextMenuEvent::Mouse, centre, target->mapToGlobal(centre));
    QApplication::sendEvent(target, &request);
    QTest::mouseRelease(target, Qt::RightButton, {}, centre);
    QPointer<QMenu> menu;
    if (!QTest::qWaitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) && menu->isVisible(); },
                         10000))
        return fail(QStringLiteral("no pop-up"));
    for (const QString& name : path) {
        QAction* entry = popup_detail::entryNamed(menu, name);
        if (!entry || !entry->isEnabled() || !entry->isVisible())
            return fail(name + QStringLiteral(" is not there to click"));
        QMenu* sub = popup_detail::click(menu, entry, menu->actionGeometry(entry));
        if (name != path.last() && !sub)
            return fail(name + QStringLiteral(" opened nothing"));
        menu = sub;
    }
    return true;
}

// Chooses a main-menu item with the mouse: the menu's title in the menu bar,
// each sub-menu, then the item. The command waits for the event loop.
inline bool chooseFromMenuBar(frmTerminal& w, const char* item) {
    QAction* target = w.menuItem(QLatin1String(item));
    QList<QAction*> chain{target};
    for (auto* menu = qobject_cast<QMenu*>(target->parent()); menu; menu = qobject_cast<QMenu*>(menu->parent()))
        chain.prepend(menu->menuAction());
    QWidget* shown = w.menuBar();
    for (QAction* entry : chain) {
        if (!shown || !entry->isEnabled() || !entry->isVisible())
            return false;
        const QRect where = shown == w.menuBar() ? w.menuBar()->actionGeometry(entry)
                                                 : static_cast<QMenu*>(shown)->actionGeometry(entry);
        shown = popup_detail::click(shown, entry, where);
    }
    return true;
}

// Call points that record what the main window asked of the other subsystems.
class RecordingTransfers : public TransferActions {
public:
    using TransferActions::TransferActions;
    QStringList calls;
    bool sendResult = true;
    bool usbPort = false;
    void sendFromDisk(bool noWindow) override { calls << QStringLiteral("sendFromDisk:%1").arg(noWindow); }
    void sendFromWindow() override { calls << QStringLiteral("sendFromWindow"); }
    void receiveFileToDisk(bool saveAll, const QString& file) override {
        calls << QStringLiteral("receive:%1:%2").arg(saveAll).arg(file);
    }
    void openTerminalWindow() override { calls << QStringLiteral("terminal"); }
    bool sendFileNoWindow(const QString& path) override {
        calls << QStringLiteral("sendFileNoWindow:") + path;
        return sendResult;
    }
    void sendTextBlock(const QString& path, bool fromWindow, const QString& loggedAs) override {
        calls << QStringLiteral("sendTextBlock:%1:%2").arg(path).arg(fromWindow) +
                     (loggedAs.isEmpty() ? QString() : QLatin1Char(':') + loggedAs);
    }
    void safeRestart() override { calls << QStringLiteral("restart"); }
    void sendBinary(const QString& path, int chunk) override {
        calls << QStringLiteral("binary:%1:%2").arg(path).arg(chunk);
    }
    void ftpSend(int i) override { calls << QStringLiteral("ftp:%1").arg(i); }
    void ftpReceive() override { calls << QStringLiteral("ftpReceive"); }
    void viewLog() override { calls << QStringLiteral("log"); }
    void openPortSilent() override { calls << QStringLiteral("openPort"); }
    void closeComPort() override { calls << QStringLiteral("closePort"); }
    bool transferPortIsUSB() override { return usbPort; }
    // Transfers started, leaving out the port keeping of machine selection.
    QStringList started() const {
        QStringList out;
        for (const QString& c : calls)
            if (c != QLatin1String("openPort") && c != QLatin1String("closePort"))
                out << c;
        return out;
    }
};

class RecordingEditor : public EditorActions {
public:
    using EditorActions::EditorActions;
    QStringList calls;
    void openFileInNewWindow(const QString& path) override { calls << QStringLiteral("new:") + path; }
    void openFileIntoWindow() override { calls << QStringLiteral("open"); }
    void fileAlreadyOpen(const QString& path) override { calls << QStringLiteral("alreadyOpen:") + path; }
    void saveWindowToFile() override { calls << QStringLiteral("save"); }
    void closeMyFile() override { calls << QStringLiteral("close"); }
    void showFindBox(int mode) override { calls << QStringLiteral("find:%1").arg(mode); }
    void printWindow(bool colour) override { calls << QStringLiteral("print:%1").arg(colour); }
    void paste() override { calls << QStringLiteral("paste"); }
    void clearRecentOpenList() override { calls << QStringLiteral("clearRecent"); }
    QString chosenFile; // what the next file dialog answers
    QString OpenCNCFile(const QString&, const QString&) override { return chosenFile; }
    QString showMerge() override {
        calls << QStringLiteral("merge");
        return QString();
    }
};

class RecordingDialogs : public DialogActions {
public:
    using DialogActions::DialogActions;
    QStringList calls;
    void showProperties() override { calls << QStringLiteral("properties"); }
    void showSystemSettings() override { calls << QStringLiteral("system"); }
};
