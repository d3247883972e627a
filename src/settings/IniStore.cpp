#include "IniStore.h"

#include "SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

IniStore& IniStore::instance() {
    static IniStore store;
    return store;
}

IniStore::Stamp IniStore::stampOf(const QString& file) {
    Stamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return s;
    s.exists = true;
    s.size = st.st_size;
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.inode = st.st_ino;
    s.device = st.st_dev;
    return s;
}

IniStore::Cached& IniStore::load(const QString& file) {
    auto it = cache_.find(file);
    if (it != cache_.end() && it->dirty)
        return *it; // unsaved changes of an open batch win over the disk
    const Stamp now = stampOf(file);
    if (it != cache_.end() && it->stamp == now)
        return *it;
    Cached c;
    c.stamp = now;
    if (now.exists) {
        QFile f(file);
        if ((f.permissions() & QFileDevice::ReadOwner) && f.open(QIODevice::ReadOnly)) {
            c.doc = IniDocument::parse(f.readAll());
        } else {
            c.stamp = Stamp{}; // unreadable: try again next time
            c.unreadable = true;
        }
    }
    return *cache_.insert(file, c);
}

bool IniStore::commit(const QString& file, Cached& cached) {
    if (batchDepth_ > 0) {
        cached.dirty = true;
        if (!dirty_.contains(file))
            dirty_ << file;
        return true;
    }
    return save(file, cached);
}

// A write into a file we could not read would replace everything in it by
// the one key written.
bool IniStore::refuseUnreadable(const QString& file, const Cached& cached) {
    if (!cached.unreadable)
        return false;
    lastError_ = QStringLiteral("%1 cannot be read").arg(file);
    cache_.remove(file);
    return true;
}

bool IniStore::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return true;
    bool ok = true;
    const QStringList files = dirty_;
    dirty_.clear();
    for (const QString& f : files) {
        auto it = cache_.find(f);
        if (it == cache_.end())
            continue;
        it->dirty = false;
        if (!save(f, *it))
            ok = false;
    }
    return ok;
}

bool IniStore::save(const QString& file, Cached& cached) {
    lastError_.clear();
    cached.dirty = false;
    const QFileInfo info(file);
    if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))) {
        lastError_ = QStringLiteral("%1 is read-only").arg(file);
        cache_.remove(file);
        return false;
    }
    if (!writeFileSafely(file, cached.doc.serialize(), &lastError_)) {
        cache_.remove(file);
        return false;
    }
    cached.stamp = stampOf(file);
    return true;
}

std::optional<QString> IniStore::value(const QString& file, const QString& section, const QString& key) {
    return load(file).doc.value(section, key);
}

bool IniStore::setValue(const QString& file, const QString& section, const QString& key, const QString& value) {
    Cached& c = load(file);
    if (refuseUnreadable(file, c))
        return false;
    if (c.doc.value(section, key) == value && c.stamp.exists) {
        lastError_.clear();
        return true;
    }
    c.doc.setValue(section, key, value);
    return commit(file, c);
}

bool IniStore::setValues(const QString& file, const QString& section,
                         const QVector<std::pair<QString, QString>>& values) {
    Cached& c = load(file);
    if (refuseUnreadable(file, c))
        return false;
    bool changed = !c.stamp.exists;
    for (const auto& kv : values)
        if (c.doc.value(section, kv.first) != kv.second) {
            c.doc.setValue(section, kv.first, kv.second);
            changed = true;
        }
    if (!changed) {
        lastError_.clear();
        return true;
    }
    return commit(file, c);
}

bool IniStore::removeSection(const QString& file, const QString& section) {
    Cached& c = load(file);
    if (refuseUnreadable(file, c))
        return false;
    if (!c.doc.removeSection(section))
        return true;
    return commit(file, c);
}

QStringList IniStore::keys(const QString& file, const QString& section) { return load(file).doc.keys(section); }

QStringList IniStore::sections(const QString& file) { return load(file).doc.sections(); }

bool IniStore::hasSection(const QString& file, const QString& section) {
    return load(file).doc.hasSection(section);
}
