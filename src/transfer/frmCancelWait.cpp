#include "frmCancelWait.h"

#include "DialogSize.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

frmCancelWait::frmCancelWait(QWidget* progressWindow, QWidget* parent)
    : QDialog(parent), progressWindow_(progressWindow) {
    setObjectName(QStringLiteral("frmCancelWait"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Cancelling Transfer [USB Port]"));
    label1_ = new QLabel(QStringLiteral("Cancelling CNC Transfer : Please Wait A Moment"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    command1_ = new QPushButton(QStringLiteral("Cancelling..."), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setEnabled(false);
    connect(command1_, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(image);
    row->addWidget(label1_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(command1_, 0, Qt::AlignHCenter);

    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &frmCancelWait::tick);
}

void frmCancelWait::showEvent(QShowEvent* e) {
    if (progressWindow_)
        progressWindow_->hide();
    if (!timer_->isActive())
        timer_->start();
    QDialog::showEvent(e);
}

void frmCancelWait::tick() {
    ++ticks_;
    if (ticks_ == 1 || ticks_ == 2) {
        command1_->setText(QStringLiteral("Cancelling (%1secs)...").arg(4 - ticks_));
    } else if (ticks_ == 3) {
        const QString done = QStringLiteral("CNC Transfer Cancelled");
        label1_->setText(done);
        setWindowTitle(done);
        command1_->setText(QStringLiteral("OK"));
        command1_->setEnabled(true);
    } else if (ticks_ >= 6) {
        accept();
    }
}

void frmCancelWait::keyPressEvent(QKeyEvent* e) {
    // Until the port has had time to settle, no key ends the wait.
    if (command1_->isEnabled())
        accept();
    else
        e->accept();
}

void frmCancelWait::done(int result) {
    ticks_ = 0;
    timer_->stop();
    QDialog::done(result);
}
