#pragma once

#include "SerialLink.h"

#include <QDialog>
#include <QVector>

class PercentBar;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The window that goes with a send: "Transfer Status" in the layout that
// gDNCStatus chooses (0 every field, 1 a thin bar, 2 a large percentage,
// 3 a large percentage with the sent lines echoed), an Override button that
// releases the operator and XON waits, and a Cancel button that cancels the
// send as Esc does. One instance, loaded by a send and unloaded at its end.
class frmCancelSend : public QDialog {
    Q_OBJECT
public:
    // The echo layout keeps this many lines: a long program would otherwise
    // fill memory with text nobody scrolls back through.
    static constexpr int kEchoLines = 500;
    // Of a long line, the echo shows its newest characters and the Current
    // Block field its first: no more than either can show is laid out.
    static constexpr int kEchoLineShows = 4096;
    static constexpr int kBlockShows = 256;

    // The loaded window, or nullptr.
    static frmCancelSend* instance();
    // Loads the window (a new one each time) for a layout, by default the
    // one gDNCStatus names.
    static frmCancelSend* load(QWidget* parent = nullptr);
    static frmCancelSend* load(QWidget* parent, int layout);
    // Stops its clock, hides and unloads it.
    static void unload();
    // Shows or hides the window, where a running send has one, as the main
    // window is restored or minimised.
    static void setFocusToTransferBox(bool mainWindowMinimized);

    // The status light green (or red) with this text, also as the caption.
    // While the port says the machine holds the send, the status field and
    // the caption say what it waits for instead; what the send gave them
    // comes back when it goes on.
    void updateIndicator(bool lightOn, const QString& text);
    // The window's caption as the send gives it, held as the status text is.
    void setCaption(const QString& caption);
    // The caption of the layout's frame, held the same way.
    void setFrameCaption(const QString& caption);
    // The clock ticks every `interval` ms from gSendStartTime; `text` goes
    // into the Current Block field.
    void startClock(const QString& text, int interval);
    // The sent lines of the echo layout (only its last lines are kept).
    void appendEcho(const QByteArray& lines);
    // The block being sent, in the Current Block field (its first kBlockShows characters).
    void showCurrentBlock(const char* block, qsizetype size);
    // The percentage bar of the layout in use; nullptr when none shows.
    PercentBar* currentPicture() const;
    int layout() const { return layout_; }

    QGroupBox* Frame1(int i) const { return frames_.value(i); }
    QLabel* Label1(int i) const;
    QLabel* Label2(int i) const;
    PercentBar* picture1(int i) const { return pictures_.value(i); }
    QPlainTextEdit* Text1() const { return text1_; }
    QPushButton* Command1() const { return command1_; }
    QPushButton* cmdOverride() const { return cmdOverride_; }
    QTimer* Timer1() const { return timer1_; }

public Q_SLOTS:
    void cmdOverride_Click();
    // Cancels the send: sets gCancelSend, as Esc on the main window does.
    void Command1_Click();
    void Timer1_Timer();

protected:
    void reject() override; // Esc here cancels the send too
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    frmCancelSend(QWidget* parent, int layout);
    void showHold(SerialLink::Hold hold);

    int layout_ = 0;
    QVector<QGroupBox*> frames_;
    QVector<PercentBar*> pictures_;
    QPlainTextEdit* text1_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* cmdOverride_ = nullptr;
    QTimer* timer1_ = nullptr;
    QString held_;    // what a held send waits for; empty while it goes on
    QString caption_; // the send's own captions and status text
    QString frameCaption_;
    QString status_;
};

// Starts the send's clock (gSendStartTime, a tick every `interval` ms) and
// writes `text` into the Current Block field.
void showCancelSend(const QString& text, int interval);
