#include "SettingsGlobals.h"

QString gDialogResult;
QString gMsgResult;
QStringList gSplitResult{QString()};
int gUseLanguageSupport = 0;
QString gVersionSuffix;
QString gPasswordIniPath;
QString gReceiveCaption = QStringLiteral("Receive");
bool gForceDateFormats = true;
