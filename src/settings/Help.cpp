#include "Help.h"

#include "FileStuff.h"
#include "MessageSeam.h"
#include "ProgramPaths.h"
#include "ShellOpen.h"

#include <QKeyEvent>

namespace {
// The pages a topic may be shown from, in the order they are tried.
QStringList helpPages(const QString& topic) {
    const QString folder = ProgramPaths::programFolder();
    QStringList pages{folder + QStringLiteral("help.help.htm")};
    if (!topic.isEmpty())
        pages << folder + QStringLiteral("help/") + topic;
    return pages;
}
} // namespace

void showHelpOrSay(const QString& topic) {
    const QStringList pages = helpPages(topic);
    for (const QString& page : pages) {
        if (!fileExists(page))
            continue;
        if (!shellOpen(page))
            msgBox(QStringLiteral("The Help Page ") + page + QStringLiteral(" Could Not Be Opened"), Msg::Ok,
                   Msg::Exclamation);
        return;
    }
    msgBox(QStringLiteral("No Help Page Was Found. Looked For:\n") + pages.join(QLatin1Char('\n')), Msg::Ok,
           Msg::Information);
}

bool formHelpKey(const QString& formName, int key, Qt::KeyboardModifiers modifiers) {
    if (key != Qt::Key_F1 || (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return false;
    showHelpOrSay(formName + QStringLiteral(".htm"));
    return true;
}

bool formHelpKey(const QString& formName, const QKeyEvent* event) {
    return event && formHelpKey(formName, event->key(), event->modifiers());
}
