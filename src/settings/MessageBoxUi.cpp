#include "MessageBoxUi.h"

#include "MessageSeam.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QMessageBox::StandardButton toStandard(Msg::Answer a) {
    switch (a) {
    case Msg::AnswerOk: return QMessageBox::Ok;
    case Msg::AnswerCancel: return QMessageBox::Cancel;
    case Msg::AnswerAbort: return QMessageBox::Abort;
    case Msg::AnswerRetry: return QMessageBox::Retry;
    case Msg::AnswerIgnore: return QMessageBox::Ignore;
    case Msg::AnswerYes: return QMessageBox::Yes;
    case Msg::AnswerNo: return QMessageBox::No;
    case Msg::AnswerYesToAll: return QMessageBox::YesToAll;
    case Msg::NoAnswer: break;
    }
    return QMessageBox::NoButton;
}

Msg::Answer fromStandard(int b) {
    switch (b) {
    case QMessageBox::Ok: return Msg::AnswerOk;
    case QMessageBox::Cancel: return Msg::AnswerCancel;
    case QMessageBox::Abort: return Msg::AnswerAbort;
    case QMessageBox::Retry: return Msg::AnswerRetry;
    case QMessageBox::Ignore: return Msg::AnswerIgnore;
    case QMessageBox::Yes: return Msg::AnswerYes;
    case QMessageBox::No: return Msg::AnswerNo;
    case QMessageBox::YesToAll: return Msg::AnswerYesToAll;
    default: return Msg::AnswerCancel;
    }
}

Msg::Answer showBox(const Msg::Request& r) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(r.title);
    box.setText(r.text);
    switch (r.icon) {
    case Msg::Critical: box.setIcon(QMessageBox::Critical); break;
    case Msg::Question: box.setIcon(QMessageBox::Question); break;
    case Msg::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Msg::Information: box.setIcon(QMessageBox::Information); break;
    case Msg::NoIcon: break;
    }
    const QList<Msg::Answer> list = Msg::answersOf(r.buttons);
    QMessageBox::StandardButtons buttons;
    for (Msg::Answer a : list)
        buttons |= toStandard(a);
    box.setStandardButtons(buttons);
    box.setDefaultButton(toStandard(list.value(r.defaultButton, list.first())));
    // Closing the box by its frame answers like its cancel button, or its only one.
    if (list.contains(Msg::AnswerCancel))
        box.setEscapeButton(QMessageBox::Cancel);
    else if (list.size() == 1)
        box.setEscapeButton(toStandard(list.first()));
    // A question asked under a busy pointer shows the normal one.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    if (box.clickedButton() == nullptr)
        return list.contains(Msg::AnswerCancel) ? Msg::AnswerCancel : list.last();
    return fromStandard(result);
}

QString showInput(const Msg::InputRequest& r, bool* ok) {
    return QInputDialog::getText(QApplication::activeWindow(), r.title, r.prompt, QLineEdit::Normal, r.defaultText,
                                 ok);
}

QStringList showFileDialog(const Msg::FileRequest& r) {
    QWidget* parent = QApplication::activeWindow();
    const QString start = r.startPath();
    switch (r.kind) {
    case Msg::FileRequest::OpenFile: {
        const QString f = QFileDialog::getOpenFileName(parent, r.title, start, r.filter);
        return f.isEmpty() ? QStringList() : QStringList{f};
    }
    case Msg::FileRequest::OpenFiles:
        return QFileDialog::getOpenFileNames(parent, r.title, start, r.filter);
    case Msg::FileRequest::SaveFile: {
        // The callers ask about overwriting themselves.
        const QString f = QFileDialog::getSaveFileName(parent, r.title, start, r.filter, nullptr,
                                                       QFileDialog::DontConfirmOverwrite);
        return f.isEmpty() ? QStringList() : QStringList{f};
    }
    case Msg::FileRequest::Folder: {
        const QString f = QFileDialog::getExistingDirectory(parent, r.title, r.startFolder);
        return f.isEmpty() ? QStringList() : QStringList{f};
    }
    }
    return {};
}

bool showColourDialog(unsigned int* colour) {
    const unsigned int c = *colour;
    const QColor chosen =
        QColorDialog::getColor(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)),
                               QApplication::activeWindow());
    if (!chosen.isValid())
        return false;
    *colour = unsigned(chosen.red()) | unsigned(chosen.green()) << 8 | unsigned(chosen.blue()) << 16;
    return true;
}

bool showFontDialog(Msg::FontChoice* font) {
    QFont preset(font->name);
    if (font->pointSize > 0)
        preset.setPointSize(font->pointSize);
    preset.setBold(font->bold);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, preset, QApplication::activeWindow());
    if (!ok)
        return false;
    *font = Msg::FontChoice{chosen.family(), chosen.pointSize(), chosen.bold()};
    return true;
}

} // namespace

void installMessageBoxUi() {
    Msg::setColourHandler(showColourDialog);
    Msg::setFontHandler(showFontDialog);
    Msg::setFileHandler(showFileDialog);
    Msg::setHandler(showBox);
    Msg::setInputHandler(showInput);
}
