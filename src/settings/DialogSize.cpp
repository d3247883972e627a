#include "DialogSize.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QLayout>

namespace {

class SizeKeeper : public QObject {
public:
    explicit SizeKeeper(QDialog* dialog) : QObject(dialog), dialog_(dialog) {
        dialog->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Shown, laid out and sized, and not yet on the screen.
        if (watched == dialog_ && event->type() == QEvent::Show) {
            dialog_->setSizeGripEnabled(false);
            QLayout* layout = dialog_->layout();
            if (layout && !dialog_->testAttribute(Qt::WA_Resized)) {
                layout->setSizeConstraint(QLayout::SetFixedSize);
                // At once, not when the layout next runs: the window goes to
                // the screen after this, and its manager decides then. Its
                // controls, shown just now, may have asked to be measured
                // again: a resize that followed the window to the screen
                // would reach the manager while it places the window, which
                // may then land in the screen's corner. Inner controls first,
                // as serving theirs may ask their frame's.
                const QList<QWidget*> controls = dialog_->findChildren<QWidget*>();
                for (auto it = controls.crbegin(); it != controls.crend(); ++it)
                    QCoreApplication::sendPostedEvents(*it, QEvent::LayoutRequest);
                layout->activate();
                return false;
            }
            // A layout that sets a largest size of its own would undo this one.
            if (layout)
                layout->setSizeConstraint(QLayout::SetDefaultConstraint);
            dialog_->setFixedSize(dialog_->size());
        }
        return false;
    }

private:
    QDialog* dialog_;
};

} // namespace

void keepDialogSize(QDialog* dialog) {
    new SizeKeeper(dialog);
}

void settleDialogSize(QDialog* dialog) {
    dialog->ensurePolished();
    if (QLayout* layout = dialog->layout()) {
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->activate();
    }
    // Still sized by its layout when shown (see keepDialogSize).
    dialog->setAttribute(Qt::WA_Resized, false);
}
