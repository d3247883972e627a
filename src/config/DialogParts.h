#pragma once

#include "Help.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QString>

// Named controls for the configuration dialogs: the object name is the
// control's name and its caption-translation key.
namespace DialogParts {

inline QPushButton* button(QWidget* parent, const QString& name, const QString& caption,
                           const QString& tip = {}) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

inline QLabel* label(QWidget* parent, const QString& name, const QString& caption, QWidget* buddy = nullptr) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

// The small button that opens the caption editor; applyLanguage shows it
// while caption translation is on.
inline QPushButton* languageButton(QWidget* parent) {
    QPushButton* b = button(parent, QStringLiteral("cmdLanguageSelect"), QStringLiteral("..."));
    b->setFixedWidth(20);
    b->setVisible(false);
    return b;
}

// F1 on the form opens its help page, "<form name>.htm".
class HelpKey : public QObject {
public:
    explicit HelpKey(QWidget* form) : QObject(form), form_(form) { form->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == form_ && event->type() == QEvent::KeyPress)
            return formHelpKey(form_->objectName(), static_cast<QKeyEvent*>(event));
        return false;
    }

private:
    QWidget* form_;
};

} // namespace DialogParts
