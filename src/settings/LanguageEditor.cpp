#include "LanguageEditor.h"

#include "DialogSize.h"
#include "Help.h"
#include "IniStorage.h"
#include "Language.h"
#include "Login.h"
#include "SettingsGlobals.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const kBuiltInCaption = "builtInCaption";

QString sectionOf(const QWidget* form) { return QStringLiteral("Language-") + form->objectName(); }

// The caption a control shows; false for a control without one.
bool captionOf(const QWidget* control, QString* caption) {
    if (auto* label = qobject_cast<const QLabel*>(control))
        *caption = label->text();
    else if (auto* frame = qobject_cast<const QGroupBox*>(control))
        *caption = frame->title();
    else if (auto* button = qobject_cast<const QAbstractButton*>(control))
        *caption = button->text();
    else
        return false;
    return true;
}

void setCaptionOf(QWidget* control, const QString& caption) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
    else if (auto* frame = qobject_cast<QGroupBox*>(control))
        frame->setTitle(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
}

// One caption in the editor; empty when cancelled or emptied.
QString askCaption(QWidget* form, const QString& current) {
    frmLanguage editor(form);
    editor.Text1()->setText(current);
    editor.showButtonBoxes(-1);
    if (editor.exec() != QDialog::Accepted)
        return QString();
    return editor.Text1()->text();
}

template <class W>
QList<W*> ownChildren(QWidget* form) {
    QList<W*> out;
    for (W* w : form->findChildren<W*>())
        if (w->window() == form)
            out << w;
    return out;
}

// The command buttons the whole-dialog editor lists, at most twelve.
QList<QPushButton*> listedButtons(QWidget* form) {
    QList<QPushButton*> out;
    for (QPushButton* b : ownChildren<QPushButton>(form)) {
        const QVariant builtIn = b->property(kBuiltInCaption);
        const QString caption = builtIn.isValid() ? builtIn.toString() : b->text();
        if (b->isHidden() || caption.isEmpty() || caption == QLatin1String("...") ||
            b->objectName() == QLatin1String("cmdLanguageSelect"))
            continue;
        out << b;
        if (out.size() == frmLanguage::kButtonBoxes)
            break;
    }
    return out;
}

class CaptionEditing : public QObject {
public:
    explicit CaptionEditing(QWidget* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonDblClick || gUseLanguageSupport <= 0 ||
            static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (auto* bar = qobject_cast<QTabBar*>(widget)) {
            const int tab = bar->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (auto* tabs = qobject_cast<QTabWidget*>(bar->parentWidget()); tabs && tab >= 0)
                editTabCaption(form_, tabs, tab);
        } else if (widget == form_) {
            languageEditor(form_);
        } else if (widget) {
            editCaption(form_, widget);
        }
        // Taken here, so the form's background does not see it as well.
        return true;
    }

private:
    QWidget* form_;
};

} // namespace

void frmLanguage::keyPressEvent(QKeyEvent* event) {
    if (!formHelpKey(objectName(), event))
        QDialog::keyPressEvent(event);
}

frmLanguage::frmLanguage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLanguage"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Enter Your Caption"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Enter Your Caption Here"), this);
    label->setObjectName(QStringLiteral("Label1"));
    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    label->setBuddy(text1_);
    layout->addWidget(label);
    layout->addWidget(text1_);

    frame1_ = new QGroupBox(QStringLiteral("Command Button Captions"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    auto* boxes = new QVBoxLayout(frame1_);
    for (int i = 0; i < kButtonBoxes; ++i) {
        auto* box = new QLineEdit(frame1_);
        box->setObjectName(QStringLiteral("Text2(%1)").arg(i));
        boxes->addWidget(box);
        text2_ << box;
    }
    layout->addWidget(frame1_);

    auto* row = new QHBoxLayout;
    row->addStretch();
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(i == 0 ? QStringLiteral("Ok") : QStringLiteral("Cancel"), this);
        b->setObjectName(QStringLiteral("Command1(%1)").arg(i));
        b->setDefault(i == 0);
        connect(b, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        row->addWidget(b);
    }
    layout->addLayout(row);
}

void frmLanguage::showButtonBoxes(int count) {
    frame1_->setVisible(count >= 0);
    for (int i = 0; i < kButtonBoxes; ++i)
        text2_[i]->setVisible(i < count);
    adjustSize();
}

void frmLanguage::Command1_Click(int index) {
    if (index == 0)
        accept();
    else
        reject();
}

void editCaption(QWidget* form, QWidget* control) {
    QString current;
    if (!form || !control || gUseLanguageSupport <= 0 || !captionOf(control, &current) || !checkLogin())
        return;
    const QString key = captionKey(control);
    const QString caption = askCaption(form, readIni(sectionOf(form), key, current));
    if (caption.isEmpty())
        return;
    setCaptionOf(control, caption);
    writeIni(sectionOf(form), key, caption);
}

void editTabCaption(QWidget* form, QTabWidget* tabs, int index) {
    if (!form || !tabs || gUseLanguageSupport <= 0 || index < 0 || index >= tabs->count())
        return;
    const QString key = tabCaptionKeys(tabs).value(index);
    if (key.isEmpty())
        return;
    const QString caption = askCaption(form, readIni(sectionOf(form), key, tabs->tabText(index)));
    if (caption.isEmpty())
        return;
    tabs->setTabText(index, caption);
    writeIni(sectionOf(form), key, caption);
}

void languageEditor(QWidget* form) {
    if (!form || gUseLanguageSupport <= 0 || !checkLogin())
        return;
    const QString section = sectionOf(form);
    const QList<QPushButton*> buttons = listedButtons(form);
    frmLanguage editor(form);
    editor.Text1()->setText(readIni(section, form->objectName(), form->windowTitle()));
    for (int i = 0; i < buttons.size(); ++i)
        editor.Text2(i)->setText(readIni(section, captionKey(buttons[i]), buttons[i]->text()));
    editor.showButtonBoxes(int(buttons.size()));
    if (editor.exec() != QDialog::Accepted)
        return;
    QVector<std::pair<QString, QString>> values;
    for (int i = 0; i < buttons.size(); ++i) {
        // An emptied box blanks its button; it stays listed by its built-in caption.
        buttons[i]->setText(editor.Text2(i)->text());
        values.append({captionKey(buttons[i]), editor.Text2(i)->text()});
    }
    const QString title = editor.Text1()->text();
    if (!title.isEmpty()) {
        form->setWindowTitle(title);
        values.append({form->objectName(), title});
    }
    writeIniValues(section, values);
}

void installCaptionEditing(QWidget* form) {
    if (!form || form->findChild<QObject*>(QStringLiteral("captionEditing"), Qt::FindDirectChildrenOnly))
        return;
    auto* editing = new CaptionEditing(form);
    editing->setObjectName(QStringLiteral("captionEditing"));
    form->installEventFilter(editing);
    for (QWidget* w : ownChildren<QWidget>(form)) {
        if (qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w) || qobject_cast<QRadioButton*>(w) ||
            qobject_cast<QTabBar*>(w))
            w->installEventFilter(editing);
    }
    for (QPushButton* b : ownChildren<QPushButton>(form)) {
        b->setProperty(kBuiltInCaption, b->text());
        if (b->objectName() == QLatin1String("cmdLanguageSelect"))
            QObject::connect(b, &QPushButton::clicked, editing, [form] { languageEditor(form); });
    }
}
