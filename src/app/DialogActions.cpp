#include "DialogActions.h"

#include "NotAvailable.h"
#include "frmProperties.h"
#include "frmTerminal.h"

#include <QComboBox>

void DialogActions::showProperties() {
    frmProperties::editCurrentMachine(&window_, window_.cmbCNC()->currentText(),
                                      [this](const QString&, const QString&) { window_.afterMachineSettingsSaved(); });
}
void DialogActions::showSystemSettings() { commandNotAvailable(QStringLiteral("The system settings")); }
void DialogActions::showCopyDNC() { commandNotAvailable(QStringLiteral("Copying DNC settings")); }
void DialogActions::showButtonSetup() { commandNotAvailable(QStringLiteral("The caption set-up")); }
