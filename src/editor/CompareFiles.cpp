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
    const QStringList chosen =
        splitChosenFiles(OpenCNCFile(QStringLiteral("*"), QStringLiteral("Get Second File To Compare")));
    if (chosen.isEmpty())
        return;
    if (chosen.size() > 1) {
        msgBox(QStringLiteral("Choose One File To Compare"), Msg::Ok, Msg::Information);
        return;
    }
    const QString second = chosen.first();
    // The screen may show what the file does not hold yet.
    const QString unsaved = gWindows[gActiveWindow].modified
                                ? QStringLiteral("\nThe Unsaved Changes Of This Window Are Not Part Of The Comparison")
                                : QString();
    QString unreadable;
    switch (compareFiles(first, second, &unreadable)) {
    case CompareOutcome::Unreadable:
        msgBox(QStringLiteral("Can't Read The File ") + unreadable, Msg::Ok, Msg::Critical);
        break;
    case CompareOutcome::Identical:
        msgBox(QStringLiteral("Files Are Identical") + unsaved, Msg::Ok, Msg::Information);
        break;
    case CompareOutcome::Different:
        writeIniValues(QStringLiteral("Settings"),
                       {{QStringLiteral("FileCompare1"), first}, {QStringLiteral("FileCompare2"), second}});
        gDialogResult = QStringLiteral("~");
        msgBox(QStringLiteral("Files Are Different") + unsaved, Msg::Ok, Msg::Information);
        break;
    }
}
