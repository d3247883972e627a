#include "frmCancelSend.h"

#include "DateStuff.h"
#include "Help.h"
#include "Language.h"
#include "MachineRecord.h"
#include "PercentBar.h"
#include "PortLayer.h"
#include "SendHost.h"
#include "TransferGlobals.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPointer<frmCancelSend>& loaded() {
    static QPointer<frmCancelSend> window;
    return window;
}

int px(int twips) { return (twips * 2 + 15) / 30; }

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

PercentBar* makePicture(int index, int widthTwips, int heightTwips, bool large, QWidget* parent) {
    auto* bar = new PercentBar(parent);
    bar->setObjectName(QStringLiteral("picture1(%1)").arg(index));
    bar->setFixedSize(px(widthTwips), px(heightTwips));
    QFont font = large ? QFont(QStringLiteral("Courier New")) : QFont(QStringLiteral("Sans Serif"));
    font.setStyleHint(large ? QFont::Monospace : QFont::SansSerif);
    font.setPointSizeF(large ? 56.25 : 9.75);
    font.setBold(large);
    bar->setFont(font);
    return bar;
}

} // namespace

frmCancelSend* frmCancelSend::instance() { return loaded().data(); }

frmCancelSend* frmCancelSend::load(QWidget* parent) {
    return load(parent, gDNCStatus);
}

frmCancelSend* frmCancelSend::load(QWidget* parent, int layout) {
    unload();
    loaded() = new frmCancelSend(parent, layout);
    return loaded().data();
}

void frmCancelSend::unload() {
    frmCancelSend* window = loaded().data();
    if (!window)
        return;
    loaded().clear();
    // Deleted later: until then it no longer follows the port.
    QObject::disconnect(&comPort(), nullptr, window, nullptr);
    window->timer1_->stop();
    window->hide();
    window->deleteLater();
}

frmCancelSend::frmCancelSend(QWidget* parent, int layout)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmCancelSend"));
    setModal(false);
    setWindowTitle(QStringLiteral("Send File To CNC"));
    layout_ = layout;

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    for (int i = 0; i < 4; ++i) {
        auto* frame = new QGroupBox(QStringLiteral("Transfer Status"), this);
        frame->setObjectName(QStringLiteral("Frame1(%1)").arg(i));
        frames_ << frame;
        column->addWidget(frame);
    }

    // Frame 0: every field.
    {
        auto* grid = new QGridLayout(frames_[0]);
        const char* const captions[] = {"Filename", "Time So Far", "Blocks Sent", "Status", "Current Block", "Total Blocks"};
        const char* const values[] = {"", "00:00:00:00", "0", "", "", ""};
        for (int i = 1; i <= 6; ++i) {
            grid->addWidget(makeLabel(QStringLiteral("Label1(%1)").arg(i), QString::fromLatin1(captions[i - 1]), frames_[0]), i - 1, 0);
            QLabel* value = makeLabel(QStringLiteral("Label2(%1)").arg(i), QString::fromLatin1(values[i - 1]), frames_[0]);
            value->setFrameShape(QFrame::Panel);
            value->setFrameShadow(QFrame::Sunken);
            value->setMinimumWidth(px(4140) - px(1400));
            value->setMaximumWidth(px(4140));
            grid->addWidget(value, i - 1, 1);
        }
        Label2(4)->setAutoFillBackground(true);
        pictures_ << makePicture(0, 4140, 360, false, frames_[0]);
        grid->addWidget(pictures_[0], 6, 0, 1, 2);
    }
    // Frame 1: a thin bar.
    {
        auto* box = new QVBoxLayout(frames_[1]);
        pictures_ << makePicture(1, 5655, 330, false, frames_[1]);
        box->addWidget(pictures_[1]);
    }
    // Frame 2: a large percentage and the time.
    {
        auto* box = new QVBoxLayout(frames_[2]);
        pictures_ << makePicture(2, 5670, 1080, true, frames_[2]);
        box->addWidget(pictures_[2]);
        auto* row = new QHBoxLayout;
        row->addWidget(makeLabel(QStringLiteral("Label1(0)"), QStringLiteral("Time"), frames_[2]));
        row->addWidget(makeLabel(QStringLiteral("Label2(0)"), QStringLiteral("00:00:00:00"), frames_[2]), 1);
        box->addLayout(row);
    }
    // Frame 3: a large percentage, the echo of the sent lines, the time.
    {
        auto* box = new QVBoxLayout(frames_[3]);
        pictures_ << makePicture(3, 5670, 1080, true, frames_[3]);
        box->addWidget(pictures_[3]);
        text1_ = new QPlainTextEdit(frames_[3]);
        text1_->setObjectName(QStringLiteral("Text1"));
        text1_->setReadOnly(true);
        text1_->setMaximumBlockCount(kEchoLines);
        text1_->setFixedSize(px(5670), px(1800));
        box->addWidget(text1_);
        auto* row = new QHBoxLayout;
        row->addWidget(makeLabel(QStringLiteral("Label1(7)"), QStringLiteral("Time"), frames_[3]));
        row->addWidget(makeLabel(QStringLiteral("Label2(7)"), QStringLiteral("00:00:00:00"), frames_[3]), 1);
        box->addLayout(row);
    }
    for (int i = 0; i < 4; ++i)
        frames_[i]->setVisible(i == layout_);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Picture2"));
    auto* buttons = new QHBoxLayout(bar);
    command1_ = new QPushButton(QStringLiteral("&Cancel"), bar);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setToolTip(QStringLiteral("Click or Press The ESCAPE Key to Cancel Send..."));
    command1_->setAutoDefault(false);
    cmdOverride_ = new QPushButton(QStringLiteral(">> Con&tinue"), bar);
    cmdOverride_->setObjectName(QStringLiteral("cmdOverride"));
    cmdOverride_->setToolTip(QStringLiteral("Continue With Transfer To CNC..."));
    cmdOverride_->setAutoDefault(false);
    buttons->addWidget(command1_);
    buttons->addWidget(cmdOverride_);
    column->addWidget(bar);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    connect(timer1_, &QTimer::timeout, this, &frmCancelSend::Timer1_Timer);
    connect(command1_, &QPushButton::clicked, this, &frmCancelSend::Command1_Click);
    connect(cmdOverride_, &QPushButton::clicked, this, &frmCancelSend::cmdOverride_Click);

    applyLanguage(this);
    caption_ = windowTitle();
    if (QGroupBox* frame = Frame1(layout_))
        frameCaption_ = frame->title();
    connect(&comPort(), &SerialLink::holdingChanged, this, &frmCancelSend::showHold);
    showHold(comPort().holding());
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QLabel* frmCancelSend::Label1(int i) const { return findChild<QLabel*>(QStringLiteral("Label1(%1)").arg(i)); }

QLabel* frmCancelSend::Label2(int i) const { return findChild<QLabel*>(QStringLiteral("Label2(%1)").arg(i)); }

PercentBar* frmCancelSend::currentPicture() const { return pictures_.value(layout_); }

void frmCancelSend::updateIndicator(bool lightOn, const QString& text) {
    status_ = text;
    if (QLabel* status = Label2(4)) {
        QPalette p = status->palette();
        p.setColor(QPalette::Window, lightOn ? kGreen : kRed);
        status->setPalette(p);
        if (held_.isEmpty())
            status->setText(text);
    }
    setCaption(text);
    QCoreApplication::processEvents();
}

void frmCancelSend::setCaption(const QString& caption) {
    caption_ = caption;
    if (held_.isEmpty())
        setWindowTitle(caption);
}

void frmCancelSend::setFrameCaption(const QString& caption) {
    frameCaption_ = caption;
    if (QGroupBox* frame = Frame1(layout_); frame && held_.isEmpty())
        frame->setTitle(caption);
}

void frmCancelSend::showHold(SerialLink::Hold hold) {
    held_ = heldText(hold);
    const QString& shown = held_.isEmpty() ? status_ : held_;
    if (QLabel* status = Label2(4))
        status->setText(shown);
    setWindowTitle(held_.isEmpty() ? caption_ : held_);
    // So does the frame's caption: the one line inside the layouts without a status field.
    if (QGroupBox* frame = Frame1(layout_))
        frame->setTitle(held_.isEmpty() ? frameCaption_ : held_);
}

void frmCancelSend::startClock(const QString& text, int interval) {
    timer1_->setInterval(interval);
    timer1_->start();
    if (QLabel* current = Label2(5))
        current->setText(text);
}

void frmCancelSend::appendEcho(const QByteArray& lines) {
    QByteArray text = lines;
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    text1_->appendPlainText(QString::fromLatin1(text));
}

void frmCancelSend::showCurrentBlock(const char* block, qsizetype size) {
    if (QLabel* current = Label2(5))
        current->setText(QString::fromLatin1(block, qMin<qsizetype>(size, kBlockShows)));
}

void frmCancelSend::cmdOverride_Click() {
    gOverride = true;
    cmdOverride_->setEnabled(false);
    cmdOverride_->setText(QStringLiteral(">> Continue"));
    if (gHandshaking == 1) {
        gWaitForXONMode = 0;
        updateIndicator(true, QStringLiteral("Sending File"));
    } else if (gHandshaking == 2) {
        updateIndicator(true, QString());
    }
}

void frmCancelSend::Command1_Click() {
    gCancelSend = true;
    QCoreApplication::processEvents();
}

void frmCancelSend::Timer1_Timer() {
    const QString elapsed = formatElapsed(gSendStartTime, QDateTime::currentDateTime());
    for (int i : {2, 0, 7})
        if (QLabel* label = Label2(i))
            label->setText(elapsed);
    if (gTurboSending)
        for (PercentBar* picture : pictures_)
            UpdateStatus(picture, gTurboPercent, true);
}

void frmCancelSend::reject() { Command1_Click(); }

void frmCancelSend::closeEvent(QCloseEvent* event) {
    // Closing the window cannot leave a send running unseen: it cancels.
    event->ignore();
    Command1_Click();
}

void frmCancelSend::keyPressEvent(QKeyEvent* event) {
    if (formHelpKey(objectName(), event))
        return;
    QDialog::keyPressEvent(event);
}

bool frmCancelSend::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate && !gCancelSend) {
        if (sendHost().isMinimized()) {
            hide();
        } else {
            // Comes back in front when another window of the program is clicked.
            QTimer::singleShot(0, this, [this] {
                if (isVisible())
                    raise();
            });
        }
    }
    return QDialog::event(e);
}

void frmCancelSend::setFocusToTransferBox(bool mainWindowMinimized) {
    frmCancelSend* window = instance();
    if (!gSending || !window)
        return;
    if (MachineRecord::currentInt(QStringLiteral("Handshaking")) == 4)
        return;
    if (gDNCStatus >= 3) // "None"
        return;
    if (mainWindowMinimized) {
        window->hide();
    } else {
        window->show();
        window->raise();
    }
}

void showCancelSend(const QString& text, int interval) {
    gSendStartTime = QDateTime::currentDateTime();
    if (frmCancelSend* window = frmCancelSend::instance())
        window->startClock(text, interval);
}
