#include "Help.h"

#include "FileStuff.h"
#include "ProgramPaths.h"
#include "ShellOpen.h"

#include <QKeyEvent>

bool showHelp(const QString& topic) {
    const QString folder = ProgramPaths::programFolder();
    const QString page = folder + QStringLiteral("help/") + topic;
    if (!topic.isEmpty() && fileExists(page))
        return shellOpen(page);
    const QString general = folder + QStringLiteral("help.help.htm");
    if (fileExists(general))
        return shellOpen(general);
    return false;
}

bool formHelpKey(const QString& formName, int key, Qt::KeyboardModifiers modifiers) {
    if (key != Qt::Key_F1 || (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return false;
    showHelp(formName + QStringLiteral(".htm"));
    return true;
}

bool formHelpKey(const QString& formName, const QKeyEvent* event) {
    return event && formHelpKey(formName, event->key(), event->modifiers());
}
