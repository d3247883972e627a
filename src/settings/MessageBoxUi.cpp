#include "MessageBoxUi.h"

#include "DialogSize.h"
#include "MessageSeam.h"

#include <QApplication>
#include <QColorDialog>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLayout>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QWindow>

QString shortenKeepingEnd(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    const QString end = text.mid(slash);
    const int endWidth = metrics.horizontalAdvance(end);
    const int ellipsis = metrics.horizontalAdvance(QChar(0x2026));
    if (slash > 0 && endWidth + ellipsis <= width)
        return metrics.elidedText(text.left(slash), Qt::ElideMiddle, width - endWidth) + end;
    return metrics.elidedText(text, Qt::ElideMiddle, width);
}

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

// Whether `window`, or a window it is shown over, stays on top.
bool onTop(const QWidget* window) {
    for (; window; window = window->parentWidget() ? window->parentWidget()->window() : nullptr)
        if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return true;
    return false;
}

// The window a box is shown over: the active one, unless a window that
// stays on top (a send's progress window) would hide the box; then that one.
QWidget* boxParent() {
    QWidget* active = QApplication::activeWindow();
    if (onTop(active))
        return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return w;
    return active;
}

// A box over a window that stays on top stays on top too: nothing comes between them.
void keepAbove(QWidget* box) {
    if (onTop(box->parentWidget()))
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
}

Msg::Answer showBox(const Msg::Request& r) {
    QMessageBox box(boxParent());
    keepAbove(&box);
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
    QInputDialog dialog(boxParent());
    keepAbove(&dialog);
    dialog.setLabelText(r.prompt);
    dialog.setTextValue(r.defaultText);
    // The frame shows the title beside its icon and buttons, in bold and
    // often larger than the box's own font: a box only as wide as its prompt
    // cuts it short.
    QFont bold = dialog.font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    // No wider than the screen, frame included: a line or a title too long
    // for it (a deep path) is shortened, keeping the file name it ends in.
    const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() - 2 * title.height() : QWIDGETSIZE_MAX;
    const QString shownTitle = shortenKeepingEnd(r.title, title, room - 6 * title.height());
    dialog.setWindowTitle(shownTitle);
    dialog.sizeHint(); // lays the box out
    const QMargins margins = dialog.layout() ? dialog.layout()->contentsMargins() : QMargins();
    const int lineRoom = room - margins.left() - margins.right();
    const QFontMetrics text(dialog.font());
    QStringList lines = r.prompt.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = shortenKeepingEnd(line, text, lineRoom);
    dialog.setLabelText(lines.join(QLatin1Char('\n')));
    const QSize hint = dialog.sizeHint();
    dialog.resize(
        qMin(room, qMax(hint.width(), title.horizontalAdvance(shownTitle) * 5 / 4 + 6 * title.height())),
        hint.height());
    keepDialogSize(&dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (ok)
        *ok = accepted;
    return accepted ? dialog.textValue() : QString();
}

// The width of the widest date and time the system writes in short form, as
// a file chooser's list shows them.
int widestShortDate(const QFontMetrics& metrics) {
    int widest = 0;
    for (int month = 1; month <= 12; ++month)
        for (int hour : {10, 22})
            widest = qMax(widest, metrics.horizontalAdvance(QLocale::system().toString(
                                      QDateTime(QDate(2000, month, 28), QTime(hour, 58, 58)),
                                      QLocale::ShortFormat)));
    return widest;
}

// Widens a file chooser's columns until each shows its title and what its
// rows hold (a date whole in the last one, however the system writes it:
// Qt sizes that one for a short American date), and the chooser until every
// column shows, with room for a scroll bar that a long folder brings later;
// again as the folder's rows come in. A chooser of the desktop's own has no
// such list.
class ColumnRoom : public QObject {
public:
    explicit ColumnRoom(QFileDialog* dialog) : QObject(dialog), dialog_(dialog) {
        dialog->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == dialog_->windowHandle() && event->type() == QEvent::Expose) {
            fitLater();
        } else if (watched == dialog_ && event->type() == QEvent::Show) {
            QTreeView* list = dialog_->findChild<QTreeView*>();
            if (!list || !list->isVisible())
                return false;
            list_ = list;
            fit(); // before the window goes to the screen: no window manager sees this
            if (!watching_) {
                watching_ = true;
                if (QWindow* window = dialog_->windowHandle())
                    window->installEventFilter(this);
                const QAbstractItemModel* rows = list->model();
                connect(rows, &QAbstractItemModel::rowsInserted, this, &ColumnRoom::fitLater);
                connect(rows, &QAbstractItemModel::dataChanged, this, &ColumnRoom::fitLater);
                connect(rows, &QAbstractItemModel::layoutChanged, this, &ColumnRoom::fitLater);
            }
        }
        return false;
    }

private:
    void fitLater() {
        if (pending_)
            return;
        pending_ = true;
        QTimer::singleShot(0, this, [this] {
            pending_ = false;
            if (list_ && list_->isVisible())
                fit();
        });
    }
    void fit() {
        QTreeView* list = list_;
        QHeaderView* header = list->header();
        const QAbstractItemView* view = list; // the view's own measure of a column's contents
        const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        const int dateRoom =
            widestShortDate(list->fontMetrics()) + 2 * margin + list->fontMetrics().averageCharWidth();
        for (int column = 0; column < header->count(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            int room = qMax(view->sizeHintForColumn(column), header->sectionSizeHint(column));
            if (column == header->count() - 1)
                room = qMax(room, dateRoom);
            if (header->sectionSize(column) < room)
                header->resizeSection(column, room);
        }
        // A window resized while its manager places it may land in the
        // screen's corner: once it is on the screen, only when it shows.
        const QWindow* window = dialog_->windowHandle();
        if (window && window->isVisible() && !window->isExposed())
            return;
        const QScrollBar* bar = list->verticalScrollBar();
        const int barRoom =
            bar->isVisible() ? 0 : list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
        const int missing = header->length() + barRoom - list->viewport()->width();
        const QScreen* screen = dialog_->screen();
        const int frame = dialog_->frameGeometry().width() - dialog_->width();
        if (missing > 0 && screen)
            dialog_->resize(qMin(dialog_->width() + missing, screen->availableGeometry().width() - frame),
                            dialog_->height());
    }

    QFileDialog* dialog_;
    QPointer<QTreeView> list_;
    bool watching_ = false;
    bool pending_ = false;
};

QStringList showFileDialog(const Msg::FileRequest& r) {
    const bool folder = r.kind == Msg::FileRequest::Folder;
    QFileDialog dialog(boxParent(), r.title, folder ? r.startFolder : r.startPath(),
                       folder ? QString() : r.filter);
    keepAbove(&dialog);
    switch (r.kind) {
    case Msg::FileRequest::OpenFile:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case Msg::FileRequest::OpenFiles:
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case Msg::FileRequest::SaveFile:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The callers ask about overwriting themselves.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        break;
    case Msg::FileRequest::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    // Left resizable: its columns (sizes, dates) and long names need the room.
    new ColumnRoom(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return r.kind == Msg::FileRequest::OpenFiles ? chosen : chosen.mid(0, 1);
}

bool showColourDialog(unsigned int* colour) {
    const unsigned int c = *colour;
    QColorDialog dialog(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)), boxParent());
    keepAbove(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QColor chosen = dialog.selectedColor();
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
    QFontDialog dialog(preset, boxParent());
    keepAbove(&dialog);
    keepDialogSize(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QFont chosen = dialog.selectedFont();
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
