#pragma once

#include <QDialog>

class PercentBar;
class QPushButton;

// Small always-on-top progress window: one percentage bar and a Cancel
// button. The caller sets the caption, paints the bar with UpdateStatus,
// shows it modeless and closes it at the end.
class frmPercent : public QDialog {
    Q_OBJECT
public:
    explicit frmPercent(QWidget* parent = nullptr);
    ~frmPercent() override;

    PercentBar* picture1() const { return picture1_; }
    QPushButton* Command1() const { return command1_; }

public Q_SLOTS:
    // Asks the running operation to stop (it tests gCancelOperation) and closes.
    void Command1_Click();

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void restoreCursor();

    PercentBar* picture1_;
    QPushButton* command1_;
    bool waitCursor_ = false;
};
