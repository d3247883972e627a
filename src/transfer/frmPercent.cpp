#include "frmPercent.h"

#include "EditorGlobals.h"
#include "PercentBar.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frmPercent::frmPercent(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmPercent"));
    setModal(false);
    picture1_ = new PercentBar(this);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    picture1_->setFont(font);
    picture1_->setFixedSize(292, 20);
    command1_ = new QPushButton(QStringLiteral("Cancel"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    connect(command1_, &QPushButton::clicked, this, &frmPercent::Command1_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture1_);
    layout->addWidget(command1_, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

frmPercent::~frmPercent() { restoreCursor(); }

void frmPercent::Command1_Click() {
    gCancelOperation = true;
    QCoreApplication::processEvents();
    close();
}

bool frmPercent::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && !waitCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        waitCursor_ = true;
    } else if (e->type() == QEvent::WindowDeactivate) {
        // Comes back in front when another window of the program is clicked.
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                raise();
        });
    }
    return QDialog::event(e);
}

void frmPercent::hideEvent(QHideEvent* e) {
    restoreCursor();
    QDialog::hideEvent(e);
}

void frmPercent::restoreCursor() {
    if (!waitCursor_)
        return;
    waitCursor_ = false;
    QApplication::restoreOverrideCursor();
}
