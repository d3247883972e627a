#include "Language.h"

#include "IniStorage.h"
#include "LanguageEditor.h"
#include "SettingsGlobals.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>

const char* const kTabTagProperty = "tag";
QWidget* gLanguageForm = nullptr;

namespace {

const QRegularExpression& arrayName() {
    static const QRegularExpression re(QStringLiteral("^(.+)\\((\\d+)\\)$"));
    return re;
}

QString sectionOf(const QWidget* form) { return QStringLiteral("Language-") + form->objectName(); }

void applyTabs(const QString& section, QTabWidget* tabs) {
    const QStringList keys = tabCaptionKeys(tabs);
    for (int i = 0; i < tabs->count() && i < keys.size(); ++i) {
        if (keys[i].isEmpty())
            continue;
        tabs->setTabText(i, readIni(section, keys[i], keys[i]));
    }
}

} // namespace

QStringList tabCaptionKeys(QTabWidget* tabs) {
    QVariant tag = tabs->property(kTabTagProperty);
    if (!tag.isValid()) {
        QStringList builtIn;
        for (int i = 0; i < tabs->count(); ++i)
            builtIn << tabs->tabText(i);
        tag = builtIn.join(QLatin1Char(','));
        tabs->setProperty(kTabTagProperty, tag);
    }
    return tag.toString().split(QLatin1Char(','));
}

QString captionKey(const QObject* control) {
    const QString name = control->objectName();
    const auto m = arrayName().match(name);
    if (m.hasMatch())
        return m.captured(1) + QLatin1Char('-') + m.captured(2);
    return name;
}

void applyLanguage(QWidget* form) {
    if (!form)
        return;
    const bool on = gUseLanguageSupport > 0;
    if (auto* select = form->findChild<QWidget*>(QStringLiteral("cmdLanguageSelect")))
        select->setVisible(on);
    installCaptionEditing(form);
    if (!on)
        return;
    gLanguageForm = form;
    const QString section = sectionOf(form);
    const bool isProperties = form->objectName() == QLatin1String("frmProperties");
    for (QObject* child : form->findChildren<QObject*>()) {
        if (child->objectName().isEmpty() || child->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QString key = captionKey(child);
        if (isProperties && (key == QLatin1String("lblCaption-2") || key == QLatin1String("lblCaption-3")))
            continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(child))
            applyTabs(section, tabs);
        else if (auto* label = qobject_cast<QLabel*>(child))
            label->setText(readIni(section, key, label->text()));
        else if (auto* button = qobject_cast<QAbstractButton*>(child))
            button->setText(readIni(section, key, button->text()));
        else if (auto* group = qobject_cast<QGroupBox*>(child))
            group->setTitle(readIni(section, key, group->title()));
    }
    form->setWindowTitle(readIni(section, form->objectName(), form->windowTitle()));
}

void applyButtonLanguage(QWidget* mainWindow) {
    if (gUseLanguageSupport <= 0) {
        gReceiveCaption = QStringLiteral("Receive");
        return;
    }
    const QString section = QStringLiteral("Language-Buttons");
    for (const QString& bar : {QStringLiteral("btnToolBar"), QStringLiteral("btnToolBar2")}) {
        for (int i = 0; i <= 6; ++i) {
            const QString name = QStringLiteral("%1(%2)").arg(bar).arg(i);
            const QString key = QStringLiteral("%1-%2").arg(bar).arg(i);
            if (auto* action = mainWindow->findChild<QAction*>(name))
                action->setText(readIni(section, key, action->text()));
            // Not the look-alike previews of the caption editor open over the window.
            for (QAbstractButton* button : mainWindow->findChildren<QAbstractButton*>(name))
                if (button->window() == mainWindow)
                    button->setText(readIni(section, key, button->text()));
        }
    }
    gReceiveCaption = readIni(section, QStringLiteral("btnToolBar-2"), QStringLiteral("Receive"));
}

void applyMenuLanguage(QWidget* mainWindow) {
    if (gUseLanguageSupport <= 0)
        return;
    const QString section = QStringLiteral("Language-Menus");
    auto apply = [&section](QAction* action) {
        if (action->objectName().isEmpty() || action->isSeparator())
            return;
        const QString value = readIni(section, captionKey(action), action->text());
        if (value != QLatin1String("-"))
            action->setText(value);
    };
    for (QMenu* menu : mainWindow->findChildren<QMenu*>()) {
        if (!menu->objectName().isEmpty() && menu->menuAction()) {
            menu->menuAction()->setObjectName(menu->objectName());
            apply(menu->menuAction());
        }
        for (QAction* action : menu->actions())
            if (!action->menu())
                apply(action);
    }
}

void toggleCheck(QCheckBox* box) {
    if (!box)
        return;
    box->setCheckState(box->checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
    // As a click on the box itself: handlers connected to clicked run too.
    Q_EMIT box->clicked(box->isChecked());
}
