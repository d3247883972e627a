#include "ServicePack.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "frmTip.h"

#include <QApplication>

QString runtimeFolder() { return withBackslash(QStringLiteral(FEEDLINE_EDITOR_LIBRARY_DIR)); }

QStringList runtimeFiles() { return {QStringLiteral(FEEDLINE_EDITOR_LIBRARY)}; }

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
    frmTip tip(QApplication::activeWindow());
    tip.setMessage(runtimeWarningText(folder, address));
    tip.setMarker(address);
    tip.exec();
}
