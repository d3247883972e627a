#include "SettingsWarning.h"

#include "EditorFiles.h"
#include "frmTip.h"

#include <QApplication>
#include <QPushButton>

void installSettingsWarningTip() {
    setSettingsWarningShower([](const QString& caption, const QString& text) {
        frmTip tip(QApplication::activeWindow());
        tip.setWindowTitle(caption);
        tip.setMarker(caption); // holds "Settings": its box is WarnIniSettings
        tip.setMessage(text);
        tip.command1()->hide();
        tip.exec();
    });
}
