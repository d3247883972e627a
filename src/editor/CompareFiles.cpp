#include "CompareFiles.h"

#include "EditorGlobals.h"
#include "FileCompare.h"
#include "FileDialogs.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "MessageSeam.h"
#include "SettingsGlobals.h"

#include <QFile>

CompareOutcome compareFiles(const QString& first, const QString& second, QString* unreadable) {
    for (const QString& path : {first, second}) {
        QFile f(path);
        if (!fileExists(path) || !f.open(QIODevice::ReadOnly)) {
            if (unreadable)
                *unreadable = path;
            return CompareOutcome::Unreadable;
        }
    }
    return filesAreEqual(first, second) ? CompareOutcome::Identical : CompareOutcome::Different;
}

void mnuCompare_Click() {
    const QString first = activeWindowFileName();
    // A window without a file of its own has a caption name, not a path.
    if (!first.contains(QLatin1Char('/'))) {
        msgBox(QStringLiteral("This Window Has No File On Disk To Compare - Save It First"), Msg::Ok, Msg::Information);
        return;
    }
    hideFindForm();
    Msg::FileRequest request;
    request.kind = Msg::FileRequest::OpenFile;
    request.title = QStringLiteral("Get Second File To Compare");
    request.filter = buildFileFilter(2);
    request.startFolder = getPathOnly(first);
    const QStringList chosen = fileDialog(request);
    if (chosen.isEmpty())
        return;
    const QString second = chosen.first();
    QString unreadable;
    switch (compareFiles(first, second, &unreadable)) {
    case CompareOutcome::Unreadable:
        msgBox(QStringLiteral("Can't Read The File ") + unreadable, Msg::Ok, Msg::Critical);
        break;
    case CompareOutcome::Identical:
        msgBox(QStringLiteral("Files Are Identical"), Msg::Ok, Msg::Information);
        break;
    case CompareOutcome::Different:
        writeIniValues(QStringLiteral("Settings"),
                       {{QStringLiteral("FileCompare1"), first}, {QStringLiteral("FileCompare2"), second}});
        gDialogResult = QStringLiteral("~");
        msgBox(QStringLiteral("Files Are Different"), Msg::Ok, Msg::Information);
        break;
    }
}
