#include "ServicePack.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "MessageSeam.h"
#include "frmTip.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <link.h>

namespace {
// The library's file as the loader has it: the one mapped into this process,
// else the one it would load now. Empty when the loader cannot find it.
QString loaderPath(const QString& library) {
    const QByteArray name = QFile::encodeName(library);
    void* handle = dlopen(name.constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        handle = dlopen(name.constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle)
        return QString();
    QString path;
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
        path = QFile::decodeName(map->l_name);
    dlclose(handle);
    return path;
}

const QString& editorLibraryPath() {
    static const QString path = loaderPath(QStringLiteral(FEEDLINE_EDITOR_LIBRARY));
    return path;
}

std::function<void(const QString&, const QString&)>& warningWindow() {
    static std::function<void(const QString&, const QString&)> show;
    return show;
}
} // namespace

// A library the loader cannot find is named with the folder it came from at
// build time: where it would be put back.
QString runtimeFolder() {
    const QString path = editorLibraryPath();
    return withBackslash(path.isEmpty() ? QStringLiteral(FEEDLINE_EDITOR_LIBRARY_DIR) : QFileInfo(path).path());
}

QStringList runtimeFiles() {
    const QString path = editorLibraryPath();
    return {path.isEmpty() ? QStringLiteral(FEEDLINE_EDITOR_LIBRARY) : QFileInfo(path).fileName()};
}

QString runtimeDownloadAddress() {
    return QStringLiteral("https://www.riverbankcomputing.com/software/qscintilla/download");
}

bool runtimeFilesMissing() { return runtimeFilesMissing(runtimeFolder(), runtimeFiles()); }

bool runtimeFilesMissing(const QString& folder, const QStringList& files) {
    const QString dir = withBackslash(folder);
    for (const QString& f : files)
        if (!fileExists(dir + f))
            return true;
    return false;
}

QString runtimeWarningText(const QString& folder, const QString& address) {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("There Are Some Files You Need Which Are Not On Your Computer") + crlf + crlf +
           QStringLiteral("If You Get An Error Loading The Editor Window Then You Will Need To Get These Files") +
           QStringLiteral(" And Unzip Them Into Your \"") + withBackslash(folder) + QStringLiteral("\" Folder") + crlf +
           crlf + QStringLiteral("You Can Get These Files At The Following URL") + crlf + address + crlf + crlf +
           QStringLiteral("Click The Download Button To Get The Files");
}

void checkServicePack() { checkServicePack(runtimeFolder(), runtimeFiles()); }

void checkServicePack(const QString& folder, const QStringList& files) {
    if (readIni(QStringLiteral("Settings"), QStringLiteral("CheckServicePack"), QStringLiteral("0")) !=
        QLatin1String("0"))
        return;
    if (!runtimeFilesMissing(folder, files))
        return;
    const QString address = runtimeDownloadAddress();
    const QString text = runtimeWarningText(folder, address);
    if (warningWindow())
        warningWindow()(text, address);
    else
        msgBox(text, Msg::Ok, Msg::Exclamation);
}

void installRuntimeWarningTip() {
    warningWindow() = [](const QString& text, const QString& address) {
        frmTip tip(QApplication::activeWindow());
        tip.setMessage(text);
        tip.setMarker(address);
        tip.exec();
    };
}
