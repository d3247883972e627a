#pragma once

#include <QMainWindow>

// The main window.
class frmTerminal : public QMainWindow {
    Q_OBJECT
public:
    explicit frmTerminal(QWidget* parent = nullptr);
};
