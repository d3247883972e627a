#include "ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace {
bool desktopOpen(const QUrl& url) { return QDesktopServices::openUrl(url); }

ShellOpener& opener() {
    static ShellOpener o = desktopOpen;
    return o;
}
} // namespace

bool shellOpen(const QString& target) {
    const QString t = target.trimmed();
    if (t.isEmpty())
        return false;
    const QUrl url = QFileInfo(t).isAbsolute() ? QUrl::fromLocalFile(t) : QUrl::fromUserInput(t);
    if (!url.isValid())
        return false;
    return opener()(url);
}

ShellOpener setShellOpener(ShellOpener o) {
    ShellOpener old = opener();
    opener() = o ? std::move(o) : ShellOpener(desktopOpen);
    return old;
}
