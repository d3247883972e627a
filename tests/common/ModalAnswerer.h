#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `answer` on the modal dialogs that come up while it lives (only the
// first one unless `every`); the answer returns true when it has dealt with
// the dialog.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<bool(QWidget*)> answer, bool every = false) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this, every] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && answer_(modal)) {
                ++answered_;
                if (!every)
                    timer_.stop();
            }
        });
        timer_.start(5);
    }
    int answered() const { return answered_; }

private:
    std::function<bool(QWidget*)> answer_;
    QTimer timer_;
    int answered_ = 0;
};
