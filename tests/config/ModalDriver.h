#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>

// exec() blocks the test, so the answer to a modal dialog is scheduled
// before: `act` runs on the next modal dialog of type T once it is shown.
// Returns a flag that tells whether it was ever shown.
template <typename T> std::shared_ptr<bool> whenShown(std::function<void(T*)> act) {
    auto shown = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp); // one the dialog never needed goes with the application
    timer->setInterval(5);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, shown, ticks] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && ++*ticks < 400)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog) {
            *shown = true;
            act(dialog);
        }
    });
    timer->start();
    return shown;
}
