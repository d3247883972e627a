#include "WheelScroll.h"

#include "EditControl.h"

#include <QPointer>
#include <QWheelEvent>

#include <algorithm>

namespace {

class WheelHook : public QObject {
public:
    QPointer<EditControl> editor;
    int pending = 0; // turned but not yet a whole notch

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel || !editor || watched != editor->viewport())
            return false;
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta == 0)
            return false;
        if ((delta > 0) != (pending > 0))
            pending = 0; // the turn changed direction
        pending += delta;
        const int notches = pending / 120;
        pending %= 120;
        if (notches != 0)
            editor->setFirstVisibleLine(std::max(0, editor->firstVisibleLine() - notches));
        return false; // the control scrolls as well
    }
};

WheelHook& hook() {
    static WheelHook h;
    return h;
}

} // namespace

void hookWheel(EditControl* editor) {
    WheelHook& h = hook();
    if (h.editor == editor)
        return;
    unhookWheel();
    if (!editor)
        return;
    h.editor = editor;
    editor->viewport()->installEventFilter(&h);
}

void unhookWheel() {
    WheelHook& h = hook();
    if (h.editor)
        h.editor->viewport()->removeEventFilter(&h);
    h.editor = nullptr;
    h.pending = 0;
}

EditControl* wheelHookedEditor() { return hook().editor; }
