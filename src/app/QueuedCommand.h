#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>

// Menu commands run from the event loop once the click, key or shortcut that
// chose them has been handled, never inside the menu's own event handling: a
// command that yields (a send, a tool pass, a dialog) would otherwise run
// while the menu that started it is closed, and a pop-up deleted, under it.
inline void runQueued(QObject* context, std::function<void()> command) {
    QMetaObject::invokeMethod(context, std::move(command), Qt::QueuedConnection);
}
