#include "DialogActions.h"

#include "NotAvailable.h"
#include "ProgramQuit.h"
#include "frmButtonSetup.h"
#include "frmProperties.h"
#include "frmTerminal.h"

#include <QComboBox>

void DialogActions::showProperties() {
    frmProperties::editCurrentMachine(&window_, window_.cmbCNC()->currentText(),
                                      [this](const QString&, const QString&) { window_.afterMachineSettingsSaved(); });
}
void DialogActions::showSystemSettings() { commandNotAvailable(QStringLiteral("The system settings")); }
void DialogActions::showCopyDNC() { commandNotAvailable(QStringLiteral("Copying DNC settings")); }
void DialogActions::showButtonSetup() {
    frmButtonSetup setup(&window_);
    if (setup.exec() == frmButtonSetup::Reset)
        quitProgram(); // the stored captions are gone; the next start shows the built-in ones
}
