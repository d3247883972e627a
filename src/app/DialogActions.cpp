#include "DialogActions.h"

#include "ProgramQuit.h"
#include "frmButtonSetup.h"
#include "frmCopyDNC.h"
#include "frmProperties.h"
#include "frmSystem.h"
#include "frmTerminal.h"

#include <QComboBox>
#include <QLabel>

void DialogActions::showProperties() {
    frmProperties::editCurrentMachine(&window_, window_.cmbCNC()->currentText(),
                                      [this](const QString&, const QString&) { window_.afterMachineSettingsSaved(); });
}

void DialogActions::showSystemSettings() {
    frmSystem::MainWindowParts parts;
    parts.terminal = window_.textboxTerm();
    for (int i = 0; window_.LEDBreakout(i); ++i)
        parts.breakoutLights << window_.LEDBreakout(i);
    parts.languageMenu = window_.menuItem(QStringLiteral("mnuLanguage"));
    parts.completionList = window_.findChild<QWidget*>(QStringLiteral("lstIntellisense"));
    frmSystem dialog(parts, &window_);
    dialog.exec();
}

void DialogActions::showCopyDNC() {
    frmCopyDNC dialog(window_.machineList(), &window_);
    QObject::connect(&dialog, &frmCopyDNC::settingsCopied, &dialog, [this](int machine) {
        // The current machine's values are taken up as a new selection would.
        if (machine == window_.cmbCNC()->currentIndex() + 1)
            window_.clickCNC_COMBO();
    });
    dialog.exec();
}

void DialogActions::showButtonSetup() {
    frmButtonSetup setup(&window_);
    if (setup.exec() == frmButtonSetup::Reset)
        quitProgram(); // the stored captions are gone; the next start shows the built-in ones
}
