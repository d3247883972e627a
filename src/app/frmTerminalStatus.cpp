#include "frmTerminal.h"

#include "EditorActions.h"
#include "EditorGlobals.h"
#include "PercentBar.h"
#include "PortLayer.h"
#include "StatusLine.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

void setLight(QLabel* light, bool green) {
    QPalette p = light->palette();
    p.setColor(QPalette::Window, green ? kGreen : kRed);
    p.setColor(QPalette::WindowText, Qt::black);
    light->setPalette(p);
}

bool isGreen(const QLabel* light) { return light->palette().color(QPalette::Window) == kGreen; }

QLabel* sunkenLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}
} // namespace

void frmTerminal::buildStatusStrip() {
    picStatus_ = new QWidget(client_);
    picStatus_->setObjectName(QStringLiteral("picStatus"));
    auto* row = new QHBoxLayout(picStatus_);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(2);

    QLabel* status = sunkenLabel(QStringLiteral("lblStat(0)"), picStatus_);
    // Long status texts are cut, they never push the selector away.
    status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblStat_ << status;
    row->addWidget(status, 1);

    cmbCNCVisible_ = new QComboBox(picStatus_);
    cmbCNCVisible_->setObjectName(QStringLiteral("cmbCNCVisible"));
    cmbCNCVisible_->setMinimumContentsLength(14);
    cmbCNCVisible_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(cmbCNCVisible_, &QComboBox::currentIndexChanged, this,
            [this](int row) { selectVisibleMachine(row); });
    row->addWidget(cmbCNCVisible_);

    const char* const captions[] = {"CLOSED", "CTS", "RTS", "DSR", "DTR", "BRK", "FRM", "PAR"};
    for (int i = 0; i < 8; ++i) {
        auto* light = new QLabel(QString::fromLatin1(captions[i]), picStatus_);
        light->setObjectName(QStringLiteral("LEDBreakout(%1)").arg(i));
        light->setAlignment(Qt::AlignCenter);
        light->setAutoFillBackground(true);
        light->setFrameShape(QFrame::Box);
        light->setMargin(1);
        light->installEventFilter(this);
        setLight(light, false);
        LEDBreakout_ << light;
        row->addWidget(light);
    }

    QLabel* machine = sunkenLabel(QStringLiteral("lblStat(1)"), picStatus_);
    machine->setMinimumWidth(px(1400));
    lblStat_ << machine;
    row->addWidget(machine);
    for (QLabel* label : lblStat_)
        label->installEventFilter(this);
}

void frmTerminal::statusbar(const QString& message) { ::statusbar(message); }

void frmTerminal::UpdateStatus(QWidget* picture, double percent, bool keepEnds) {
    ::UpdateStatus(picture, percent, keepEnds);
}

void frmTerminal::UpdatePos(int windowIndex) { statusbar(editor_->positionText(windowIndex)); }

void frmTerminal::lblStat_Click(int index) {
    // The shortcuts to the two machine dialogs rest while a transfer runs.
    if (!btnToolBar_[4]->isEnabled())
        return;
    if (index == 0)
        btnToolBar_Click(3);
    else if (index == 1)
        btnToolBar_Click(4);
}

void frmTerminal::LEDBreakout_DblClick(int index) {
    if (index < 5 || index > 7)
        return;
    QLabel* light = LEDBreakout_[index];
    setLight(light, !isGreen(light));
}

void frmTerminal::showPortLines(const PortLines& lines) {
    const bool open = lines.open;
    QLabel* port = LEDBreakout_[0];
    setLight(port, open);
    if (open) {
        port->setText(lines.portName.toUpper());
        port->setToolTip(QStringLiteral("OutBufferSize=%1 InBufferSize=%2").arg(lines.outBufferSize).arg(lines.inBufferSize));
    } else {
        port->setText(QStringLiteral("CLOSED"));
        port->setToolTip(QString());
    }
    // Lines that cannot be read are shown red, never guessed.
    const bool known = open && lines.known;
    const bool modem[] = {lines.cts, lines.rts, lines.dsr, lines.dtr};
    for (int i = 1; i <= 4; ++i)
        setLight(LEDBreakout_[i], known && modem[i - 1]);
    // The last three follow the port only as it opens or closes: between
    // those the user's double-click holds against the poll.
    if (known != breakLightsOn_) {
        breakLightsOn_ = known;
        for (int i = 5; i <= 7; ++i)
            setLight(LEDBreakout_[i], known);
    }
}

// The lights follow the port: at once when it opens, closes or fails, and on
// a short timer for the modem lines, whose changes send no signal.
void frmTerminal::watchPort() {
    auto refresh = [this] { showPortLines(portLines()); };
    connect(&comPort(), &SerialLink::stateChanged, this, refresh);
    auto* poll = new QTimer(this);
    poll->setObjectName(QStringLiteral("timLights"));
    connect(poll, &QTimer::timeout, this, [this, refresh] {
        if (comPort().isOpen() && gShowBreakoutLights > 0 && isVisible())
            refresh();
    });
    poll->start(500);
}
