#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;
class QTimer;

// The wait shown while a transfer over a USB serial adapter is cancelled: it
// counts down a few seconds, then says the transfer was cancelled and offers OK.
class frmCancelWait : public QDialog {
    Q_OBJECT
public:
    // `progressWindow`, when given, is hidden while this window shows.
    explicit frmCancelWait(QWidget* progressWindow = nullptr, QWidget* parent = nullptr);

    QLabel* Label1() const { return label1_; }
    QPushButton* Command1() const { return command1_; }
    int ticks() const { return ticks_; }

public Q_SLOTS:
    void tick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QPointer<QWidget> progressWindow_;
    QLabel* label1_;
    QPushButton* command1_;
    QTimer* timer_;
    int ticks_ = 0;
};
