#include "PercentBar.h"

#include <QPainter>

#include <cmath>

PercentBar::PercentBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picture1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString percentLabel(double percent, bool keepEnds) {
    long long v = static_cast<long long>(std::floor(percent + 0.5));
    if (v == 0 && !keepEnds)
        v = 1;
    else if (v == 100 && !keepEnds)
        v = 99;
    if (v >= 100)
        v = 100;
    return QString::number(v) + QLatin1Char('%');
}

void PercentBar::setPercent(double percent, bool keepEnds) {
    percent_ = percent;
    label_ = percentLabel(percent, keepEnds);
    repaint();
}

void PercentBar::clear() {
    percent_ = 0;
    label_.clear();
    repaint();
}

int PercentBar::filledWidth() const {
    if (!(percent_ > 0))
        return 0;
    const double w = width() * percent_ / 100.0;
    return w >= width() ? width() : static_cast<int>(std::lround(w));
}

QSize PercentBar::sizeHint() const { return QSize(292, 20); }

void PercentBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor blue(0, 0, 255);
    p.fillRect(rect(), Qt::white);
    if (label_.isEmpty())
        return;
    p.setPen(blue);
    p.drawText(rect(), Qt::AlignCenter, label_);
    const QRect bar(0, 0, filledWidth(), height());
    if (bar.width() <= 0)
        return;
    p.fillRect(bar, blue);
    p.setClipRect(bar);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, label_);
}

void UpdateStatus(QWidget* picture, double percent, bool keepEnds) {
    if (auto* bar = qobject_cast<PercentBar*>(picture))
        bar->setPercent(percent, keepEnds);
}
