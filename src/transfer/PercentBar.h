#pragma once

#include <QString>
#include <QWidget>

// A percentage bar as every progress picture of the program shows it: blue on
// white, the percentage written in the middle and shown white where the bar
// covers it.
class PercentBar : public QWidget {
    Q_OBJECT
public:
    explicit PercentBar(QWidget* parent = nullptr);

    // Paints the bar at once (the callers are inside long loops).
    void setPercent(double percent, bool keepEnds = false);
    void clear();

    double percent() const { return percent_; }
    QString label() const { return label_; }
    // Width of the filled part for the current size.
    int filledWidth() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double percent_ = 0;
    QString label_;
};

// The text of the bar: the percentage rounded, shown as 1 % and 99 % at the
// ends unless keepEnds, never above 100 %.
QString percentLabel(double percent, bool keepEnds);

// Paints `picture` (a PercentBar; anything else is left alone).
void UpdateStatus(QWidget* picture, double percent, bool keepEnds = false);
