#include "EditorGlobals.h"

QVector<EditorWindow> gWindows;
int gActiveWindow = 0;
bool gCancelOperation = false;
bool gBusyEditing = false;
bool gPastePending = false;
bool gFindFormLoaded = false;
bool gFindFormActive = false;
bool gPrinting = false;
bool gPrintHeaderPending = false;
unsigned int gBlockColours[27] = {};
bool gColourizeBlocks = false;
int gPadLeftMargin = 0;
unsigned int gMainTextBackColor = 0;
unsigned int gMainTextForeColor = 65280;
unsigned int gMainTerminalBackColor = 12632256;
unsigned int gMainTerminalForeColor = 12582912;
int gShowCNCStatus = 1;
int gShowBreakoutLights = 1;
QString gIntelliFile = QStringLiteral("fanuc.itc");

int countOpenWindows() {
    int n = 0;
    for (int i = 1; i < gWindows.size(); ++i)
        if (!gWindows[i].closed)
            ++n;
    return n;
}

QString activeWindowFileName() {
    return gActiveWindow >= 0 && gActiveWindow < gWindows.size() ? gWindows[gActiveWindow].fileName : QString();
}

namespace {
std::function<void()>& findFormHider() {
    static std::function<void()> hider;
    return hider;
}
} // namespace

void hideFindForm() {
    if (gFindFormLoaded && findFormHider())
        findFormHider()();
}

void setFindFormHider(std::function<void()> hider) { findFormHider() = std::move(hider); }
