#include "frmMenus.h"

#include "EditControl.h"
#include "EditorActions.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileDialogs.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortLayer.h"
#include "QueuedCommand.h"
#include "ReceiveEngine.h"
#include "ReceiveHostAdapter.h"
#include "SafeFile.h"
#include "TerminalView.h"
#include "TransferActions.h"
#include "TransferGlobals.h"
#include "frmTerminal.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>

frmMenus::frmMenus(frmTerminal& window) : QObject(&window), window_(window) {
    connect(window.editorManager(), &EditorManager::popupMenuRequested, this,
            [this](int, const QPoint& pos) { showEditorPopupMenu(0, pos); });
    QPlainTextEdit* term = window.textboxTerm();
    term->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(term, &QPlainTextEdit::customContextMenuRequested, this, [this, term](const QPoint& pos) {
        showEditorPopupMenu(gPortState == PortReceiving ? 2 : 1, term->mapToGlobal(pos));
    });
}

namespace {
// The terminal's selection as the clipboard should hold it: its lines ended
// by CR LF, as the editor windows end theirs, every other character kept.
QString selectedLines(const QPlainTextEdit* box) {
    QString text = box->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return text;
}
} // namespace

// The menu is gone soon after it closes; what its entry starts runs later,
// owned by this object, which lasts as long as the main window.
QAction* frmMenus::item(QMenu* menu, const QString& name, const QString& caption, std::function<void()> run) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, run = std::move(run)] { runQueued(this, run); });
    return a;
}

void frmMenus::showEditorPopupMenu(int position, const QPoint& globalPos) {
    QMenu* menu = buildMenu(position);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

QMenu* frmMenus::buildMenu(int position) {
    if (position == 0)
        return buildEditorMenu();
    if (position == 1)
        return buildTerminalMenu();
    auto* menu = new QMenu(&window_);
    menu->setObjectName(QStringLiteral("mnuDummy"));
    item(menu, QStringLiteral("mnuHere"), QStringLiteral("Cancel Receiving"),
         [this] { window_.transfers().receiveFileToDisk(false, QString()); });
    return menu;
}

QMenu* frmMenus::buildEditorMenu() {
    auto* menu = new QMenu(&window_);
    menu->setObjectName(QStringLiteral("mnuHeaders"));
    // Captions follow the main menu, translated or not.
    const auto caption = [this](const char* mainItem, const char* fallback) {
        const QAction* main = window_.menuItem(QLatin1String(mainItem));
        return main ? main->text() : QLatin1String(fallback);
    };
    const EditControl* active = window_.editorManager()->activeEditor();
    const bool hasText = active && active->textLength() > 0;
    QList<QAction*> needText;

    item(menu, QStringLiteral("mnuCut"), caption("mnuCut", "Cut"), [this] { window_.editor().cut(); });
    item(menu, QStringLiteral("mnuCopy"), caption("mnuCopy", "Copy"), [this] { window_.editor().copy(); });
    item(menu, QStringLiteral("mnuPaste"), caption("mnuPaste", "Paste"), [this] { window_.editor().paste(); });
    menu->addSeparator();
    item(menu, QStringLiteral("mnuSelectAll"), caption("mnuSelectall", "Select All"), [this] { window_.editor().selectAll(); });
    menu->addSeparator();
    item(menu, QStringLiteral("mnuUndo"), caption("mnuUndo", "Undo"), [this] { window_.editor().undo(); });
    item(menu, QStringLiteral("mnuRedo"), caption("mnuRedo", "Redo"), [this] { window_.editor().redo(); });
    menu->addSeparator();
    needText << item(menu, QStringLiteral("mnuFind(0)"), caption("mnuFind(0)", "Find"), [this] { window_.editor().showFindBox(0); });
    needText << item(menu, QStringLiteral("mnuFind(1)"), caption("mnuFind(1)", "Replace"), [this] { window_.editor().showFindBox(1); });
    item(menu, QStringLiteral("mnuPrint"), caption("mnuPrint(0)", "Print"), [this] { window_.editor().printWindow(false); });
    needText << item(menu, QStringLiteral("mnuSave"), caption("mnuSave", "Save"), [this] { window_.editor().saveWindowToFile(); });
    item(menu, QStringLiteral("mnuOpenFile"), caption("mnuOpen", "&Open File"), [this] { window_.editor().openFileIntoWindow(); });
    needText << item(menu, QStringLiteral("mnuClose"), caption("mnuClose", "&Close File"),
                     [this] { window_.mnuClose_Click(); });
    QAction* reload = item(menu, QStringLiteral("mnuReload"), QStringLiteral("Re&load File"), [this] { mnuReload_Click(); });
    needText << reload;
    needText << item(menu, QStringLiteral("mnuCompare"), caption("mnuFC", "Co&mpare File"), [this] { window_.editor().compareFiles(); });
    menu->addSeparator();
    needText << item(menu, QStringLiteral("mnuSendToCNC"), QStringLiteral("Send To ") + window_.cmbCNC()->currentText(),
                     [this] { window_.transfers().sendFromWindow(); });
    menu->addSeparator();

    QMenu* tools = menu->addMenu(caption("mnuToolsheader", "Tools"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    tools->menuAction()->setObjectName(QStringLiteral("mnuTools"));
    needText << tools->menuAction();
    for (int i = 1; i <= 5; ++i)
        item(tools, QStringLiteral("mnuSubTools(%1)").arg(i),
             caption(QStringLiteral("mnuTools(%1)").arg(i - 1).toLatin1().constData(), ""),
             [this, i] { window_.editor().clickToolsMenu(i - 1); });
    item(tools, QStringLiteral("mnuSubTools(6)"), caption("mnuReformat", "Reformat File"), [this] { window_.editor().reformatNCText(); });
    item(tools, QStringLiteral("mnuSubTools(7)"), QStringLiteral("Trim Lines"), [this] { window_.editor().clickToolsMenu(5); });
    // Axis transformation and offsets have no window to open here.
    item(tools, QStringLiteral("mnuTransform"), caption("mnuTransform", "Axis Transformation"), [] {})->setEnabled(false);
    item(tools, QStringLiteral("mnuSplit"), QStringLiteral("Split &Files"), [this] { window_.editor().splitFile(); });
    item(tools, QStringLiteral("mnuCapitalize"), QStringLiteral("Capitalize"), [this] { window_.editor().capitalise(); });
    item(tools, QStringLiteral("mnuReverse"), QStringLiteral("Reverse Capitals"), [this] { window_.editor().reverseCapitals(); });
    QAction* offsets = item(tools, QStringLiteral("mnuOffsets"), QStringLiteral("Change Offsets"), [] {});
    offsets->setEnabled(false);
    offsets->setVisible(false);
    menu->addSeparator();
    item(menu, QStringLiteral("mnuCancel"), QStringLiteral("Cancel"), [] {});

    for (QAction* a : needText)
        a->setEnabled(hasText);
    // Reloading needs the window's own file on disk.
    reload->setEnabled(hasText && fileExists(active->tag()));
    return menu;
}

QMenu* frmMenus::buildTerminalMenu() {
    auto* menu = new QMenu(&window_);
    menu->setObjectName(QStringLiteral("mnuDebugHeader"));
    QPlainTextEdit* box = window_.textboxTerm();
    item(menu, QStringLiteral("mnuClearTerminal"), QStringLiteral("Clear Terminal"),
         [this] { attachReceiveSide(window_).terminal().clear(); });
    menu->addSeparator();
    item(menu, QStringLiteral("mnuCut2"), QStringLiteral("Cut"), [box] {
        QApplication::clipboard()->setText(selectedLines(box));
        box->textCursor().removeSelectedText();
    });
    item(menu, QStringLiteral("mnuCopy2"), QStringLiteral("Copy"),
         [box] { QApplication::clipboard()->setText(selectedLines(box)); });
    item(menu, QStringLiteral("mnuPasteTerminal"), QStringLiteral("Paste"),
         [box] { box->insertPlainText(QApplication::clipboard()->text()); });
    menu->addSeparator();
    item(menu, QStringLiteral("mnuSaveWindow"), QStringLiteral("Save Window To Disk"), [this] { mnuSaveWindow_Click(); });
    menu->addSeparator();
    // The end of block can be read only from characters shown as they are.
    item(menu, QStringLiteral("mnuGetEOB"), QStringLiteral("Get End Of Block"), [this, box] {
        if (!box->toPlainText().isEmpty())
            window_.editor().analyseEndOfBlock();
    })->setVisible(gDebugMode == 1);
    menu->addSeparator();
    item(menu, QStringLiteral("mnuTransmit"), QStringLiteral("Transmit Highlighted Text"), [] {})->setEnabled(false);
    menu->addSeparator();
    // A character goes out only while the terminal window holds the port.
    const bool portHeld = gPortState == PortTerminal && comPort().isOpen();
    const char* const chars[6] = {"Send DC1 (Xon)", "Send DC3 (Xoff)", "Send DC2", "Send DC4", "Send Ack", "Send Nak"};
    for (int i = 0; i < 6; ++i)
        item(menu, QStringLiteral("mnuCharSend(%1)").arg(i), QLatin1String(chars[i]), [this, i] { mnuCharSend_Click(i); })
            ->setEnabled(portHeld);
    return menu;
}

void frmMenus::mnuCharSend_Click(int index) {
    static const char codes[6] = {17, 19, 18, 20, 6, 21};
    if (gPortState == PortTerminal && comPort().isOpen() && index >= 0 && index < 6)
        sendToPortOutsideSend(QByteArray(1, codes[index]));
}

void frmMenus::mnuReload_Click() {
    EditorManager* editors = window_.editorManager();
    EditControl* ed = editors->activeEditor();
    if (!ed || !fileExists(ed->tag()))
        return;
    const QString path = ed->tag();
    if (ed->isModified() &&
        msgBox(QStringLiteral("The text in [") + path + QStringLiteral("] has changed.\nDrop the changes and reload it from the file?"),
               Msg::YesNo, Msg::Question, QString(), 1) != Msg::AnswerYes)
        return;
    QString error;
    // A failed load leaves the text and its modified state as they were.
    if (!editors->reloadOwnFile(gActiveWindow, &error)) {
        msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Reloaded\n") + error, Msg::Ok, Msg::Critical);
        return;
    }
    ed->setCaretLine(1);
    editors->setCaption(gActiveWindow);
}

void frmMenus::mnuSaveWindow_Click() {
    QString text = window_.textboxTerm()->toPlainText();
    if (text.isEmpty()) {
        msgBox(QStringLiteral("Nothing To Save"));
        return;
    }
    const QString path =
        saveAsDialog(QString(), MachineRecord::current(QStringLiteral("SendExtension1")), false);
    if (path.isEmpty())
        return;
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QString error;
    if (!writeFileSafely(path, text.toLatin1() + "\r\n", &error)) {
        msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Saved\n") + error, Msg::Ok, Msg::Critical);
        return;
    }
    // A window that shows the file shows what was just written.
    EditorManager* editors = window_.editorManager();
    for (int i = 0; i < gWindows.size(); ++i) {
        EditControl* ed = editors->editor(i);
        if (gWindows[i].closed || !ed || ed->tag() != path)
            continue;
        if (ed->isModified() &&
            msgBox(QStringLiteral("The text in [") + path +
                       QStringLiteral("] has changed.\nDrop the changes and show the file just saved?"),
                   Msg::YesNo, Msg::Question, QString(), 1) != Msg::AnswerYes)
            return;
        editors->selectWindow(i);
        if (!editors->reloadOwnFile(i, &error))
            msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Reloaded\n") + error, Msg::Ok,
                   Msg::Critical);
        return;
    }
}
