#include "DialogActions.h"

#include "NotAvailable.h"

void DialogActions::showProperties() { commandNotAvailable(QStringLiteral("The CNC settings")); }
void DialogActions::showSystemSettings() { commandNotAvailable(QStringLiteral("The system settings")); }
void DialogActions::showCopyDNC() { commandNotAvailable(QStringLiteral("Copying DNC settings")); }
void DialogActions::showButtonSetup() { commandNotAvailable(QStringLiteral("The caption set-up")); }
