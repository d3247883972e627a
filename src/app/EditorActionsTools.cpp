// The Tools menu's text tools and case commands on the active editor window.
#include "EditorActions.h"

#include "EditControl.h"
#include "EditorAnalysis.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "PercentBar.h"
#include "ReceiveEngine.h"
#include "ReceiveHostAdapter.h"
#include "TerminalView.h"
#include "TextTools.h"
#include "frmIntelli.h"
#include "frmTerminal.h"

#include <QCoreApplication>
#include <QLabel>

namespace {

// The window is busy for as long as this lives, whatever the tool does.
class ToolsBusy {
public:
    explicit ToolsBusy(frmTerminal& window) : window_(window) {
        hideFindForm();
        window_.disableDuringSeq(true);
    }
    ~ToolsBusy() {
        if (QLabel* caption = window_.xPercent()->findChild<QLabel*>(QStringLiteral("lblToolsRunning")))
            caption->clear();
        QCoreApplication::processEvents();
        window_.disableDuringSeq(false);
    }
    ToolPanel panel() const {
        frmTerminal* w = &window_;
        return {[w](double percent) { w->UpdateStatus(w->toolsPicture(), percent); },
                [w](const QString& text) {
                    if (QLabel* caption = w->xPercent()->findChild<QLabel*>(QStringLiteral("lblToolsRunning")))
                        caption->setText(text);
                }};
    }

private:
    frmTerminal& window_;
};

EditControl* activeOf(const frmTerminal& window) { return window.editorManager()->activeEditor(); }
bool lockedIn(const frmTerminal& window) { return window.editorManager()->editorLocked(); }

} // namespace

void EditorActions::clickToolsMenu(int index) {
    if (gBusyEditing || index < 0 || index > 5)
        return;
    ToolsBusy busy(window_);
    const int mode = index + 1;
    processNCText(activeOf(window_), mode, mode == Resequence ? seqArgumentsOfMachine() : SeqArguments{},
                  busy.panel());
}

void EditorActions::reformatNCText() {
    if (gBusyEditing)
        return;
    ToolsBusy busy(window_);
    ::reformatNCText(activeOf(window_), busy.panel());
}

void EditorActions::capitalise() {
    if (!lockedIn(window_))
        capitaliseWindow(activeOf(window_));
}

void EditorActions::reverseCapitals() {
    if (!lockedIn(window_))
        reverseCapsWindow(activeOf(window_));
}

void EditorActions::analyseEndOfBlock() { ::analyseEndOfBlock(attachReceiveSide(window_).terminal().receivedBytes()); }

void EditorActions::showIntelli() {
    EditorManager* editors = window_.editorManager();
    frmIntelli dialog([editors](const QString& path) { editors->fileAlreadyOpen(path); }, &window_);
    dialog.exec();
}
