#pragma once

#include "IniDocument.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <QVector>

#include <optional>
#include <utility>

// Parsed INI files, cached per path and re-read when the file changes on
// disk. Every write goes to a temporary file in the same folder and is renamed
// into place before the call returns, so a failed write leaves the old file
// whole.
class IniStore {
public:
    static IniStore& instance();

    std::optional<QString> value(const QString& file, const QString& section, const QString& key);
    bool setValue(const QString& file, const QString& section, const QString& key, const QString& value);
    // Several keys of one section in one write.
    bool setValues(const QString& file, const QString& section, const QVector<std::pair<QString, QString>>& values);
    bool removeSection(const QString& file, const QString& section);
    QStringList keys(const QString& file, const QString& section);
    QStringList sections(const QString& file);
    bool hasSection(const QString& file, const QString& section);

    // While a batch is open, writes change the cached files only; closing the
    // outermost batch writes every changed file once.
    void beginBatch() { ++batchDepth_; }
    bool endBatch();

    // Why the last failed write failed (empty after a successful one).
    QString lastError() const { return lastError_; }
    void clearCache() { cache_.clear(); }

private:
    struct Stamp {
        bool exists = false;
        qint64 size = 0, mtimeNs = 0, ctimeNs = 0;
        quint64 inode = 0, device = 0;
        bool operator==(const Stamp& o) const {
            return exists == o.exists && size == o.size && mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs &&
                   inode == o.inode && device == o.device;
        }
    };
    struct Cached {
        IniDocument doc;
        Stamp stamp;
        bool dirty = false;
        bool unreadable = false; // exists but could not be read: never written over
    };

    static Stamp stampOf(const QString& file);
    Cached& load(const QString& file);
    bool save(const QString& file, Cached& cached);

    bool commit(const QString& file, Cached& cached);
    bool refuseUnreadable(const QString& file, const Cached& cached);

    QHash<QString, Cached> cache_;
    QString lastError_;
    int batchDepth_ = 0;
    QStringList dirty_;
};
