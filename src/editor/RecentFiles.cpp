#include "RecentFiles.h"

#include "IniStorage.h"
#include "MachineRecord.h"

namespace RecentFiles {

namespace {
struct Kind {
    const char* kind;
    const char* keyPrefix;
    const char* menuPrefix;
};
const Kind kKinds[] = {{"send", "RecentSentFile", "mnuRecentSentFile"},
                       {"receive", "RecentReceiveFile", "mnuRecentReceiveFile"},
                       {"open", "RecentFile", "mnuRecentFile"}};

const Kind* findKind(const QString& kind) {
    for (const Kind& k : kKinds)
        if (kind == QLatin1String(k.kind))
            return &k;
    return nullptr;
}
} // namespace

QString keyPrefix(const QString& kind) {
    const Kind* k = findKind(kind);
    return k ? QString::fromLatin1(k->keyPrefix) : QString();
}

QString menuPrefix(const QString& kind) {
    const Kind* k = findKind(kind);
    return k ? QString::fromLatin1(k->menuPrefix) : QString();
}

QStringList entries(const QString& kind) {
    QStringList out;
    const QString prefix = keyPrefix(kind);
    if (prefix.isEmpty())
        return out;
    for (int i = 1; i <= kEntries; ++i)
        out << readIni(gCurrentMachineSection, prefix + QString::number(i), QString());
    return out;
}

namespace {
bool store(const QString& kind, const QStringList& list) {
    const QString prefix = keyPrefix(kind);
    QVector<std::pair<QString, QString>> values;
    for (int i = 0; i < kEntries; ++i)
        values.append({prefix + QString::number(i + 1), list.value(i)});
    const bool ok = writeIniValues(gCurrentMachineSection, values);
    Q_EMIT recentFilesNotifier()->listChanged(kind);
    return ok;
}
} // namespace

bool add(const QString& path, const QString& kind) {
    if (keyPrefix(kind).isEmpty() || path.isEmpty())
        return false;
    const QStringList old = entries(kind);
    // Paths compare as the file system does: case-sensitively.
    QStringList list{path};
    for (const QString& e : old)
        if (!e.isEmpty() && e != path && list.size() < kEntries)
            list << e;
    while (list.size() < kEntries)
        list << QString();
    if (list == old)
        return true;
    return store(kind, list);
}

bool clear(const QString& kind) {
    if (keyPrefix(kind).isEmpty())
        return false;
    return store(kind, QStringList());
}

} // namespace RecentFiles

RecentFilesNotifier* recentFilesNotifier() {
    static RecentFilesNotifier notifier;
    return &notifier;
}

void addRecentFile(const QString& path, const QString& kind) { RecentFiles::add(path, kind); }
void addRecentOpen(const QString& path) { RecentFiles::add(path, QStringLiteral("open")); }
