#include "StatusLine.h"

#include <QCoreApplication>

namespace {
QString& lastText() {
    static QString text;
    return text;
}
std::function<void(const QString&)>& writer() {
    static std::function<void(const QString&)> w;
    return w;
}
} // namespace

void statusbar(const QString& message) {
    lastText() = message;
    if (writer())
        writer()(message);
    // Callers rely on one yield here: long loops stay live through it.
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

QString lastStatusText() { return lastText(); }

void setStatusbarWriter(std::function<void(const QString&)> w) { writer() = std::move(w); }
