#include "RecentFilesMenu.h"

#include "MessageSeam.h"
#include "RecentFiles.h"

#include <QAction>
#include <QWidget>

RecentFilesMenu::RecentFilesMenu(QWidget* host, QObject* parent) : QObject(parent), host_(host) {
    connect(recentFilesNotifier(), &RecentFilesNotifier::listChanged, this, &RecentFilesMenu::refreshRecentMenu);
}

QAction* RecentFilesMenu::entry(const QString& name) const {
    return host_ ? host_->findChild<QAction*>(name) : nullptr;
}

QString RecentFilesMenu::pathOf(const QAction* a) { return a ? a->data().toString() : QString(); }

void RecentFilesMenu::refreshRecentMenu(const QString& kind) {
    const QString prefix = RecentFiles::menuPrefix(kind);
    if (prefix.isEmpty())
        return;
    const bool open = kind == QLatin1String("open");
    const QStringList paths = RecentFiles::entries(kind);
    QAction* header = open ? entry(QStringLiteral("mnuRecentlyOpenHeader")) : nullptr;
    for (int i = 1; i <= RecentFiles::kEntries; ++i) {
        QAction* a = entry(QStringLiteral("%1(%2)").arg(prefix).arg(i));
        if (!a)
            continue;
        const QString path = paths.value(i - 1);
        if (!path.isEmpty()) {
            a->setText(QString(path).replace(QLatin1Char('&'), QLatin1String("&&")));
            a->setData(path);
            a->setEnabled(true);
            a->setVisible(true);
            if (header)
                header->setEnabled(true);
        } else {
            a->setText(QStringLiteral("(Empty)"));
            a->setData(QString());
            if (i == 1) {
                a->setVisible(true);
                if (header)
                    header->setEnabled(false);
            }
            a->setEnabled(false);
        }
    }
    if (open)
        if (QAction* clear = entry(QStringLiteral("mnuClear")))
            clear->setEnabled(!paths.value(0).isEmpty());
}

void RecentFilesMenu::refreshAll() {
    for (const char* kind : {"send", "receive", "open"})
        refreshRecentMenu(QString::fromLatin1(kind));
}

bool RecentFilesMenu::clearRecentOpenList() {
    if (msgBox(QStringLiteral("Sure You Want To Clear List..?"), Msg::YesNo, Msg::Question) != Msg::AnswerYes)
        return false;
    for (int i = 1; i <= RecentFiles::kEntries; ++i)
        if (QAction* a = entry(QStringLiteral("mnuRecentFile(%1)").arg(i))) {
            a->setText(QString());
            a->setData(QString());
            a->setVisible(false);
        }
    RecentFiles::clear(QStringLiteral("open")); // refreshes the entries through the notifier
    return true;
}
