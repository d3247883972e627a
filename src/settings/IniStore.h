#pragma once

#include "IniDocument.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

// Parsed INI files, held in memory per path. Reads are served from memory; a
// change of the file on disk is seen within a few milliseconds through the
// kernel's file notices on its folder (and by a look at the file at most
// every 100 ms, for folders that give no notices, such as network shares).
// With the watch switched off, every read looks at the file instead.
// The program's own safe writes are seen at once (noteReplaced). Every write
// goes to a temporary file in the same folder and is renamed into place
// before the call returns, so a failed write leaves the old file whole.
// Several copies of the program may share a file: a write takes a lock on
// "<file>.lock" and on its folder from its read to its rename and makes only
// this program's own changes, on the file as it is then. A lock not had
// within a few seconds (another copy stopped while holding it) keeps the
// changes in memory until a later write has it; later writes then only try
// it, unless told to wait again. Where the path is a link, the lock is
// taken beside the file it names, which the write replaces.
class IniStore {
public:
    static IniStore& instance();
    ~IniStore();

    std::optional<QString> value(const QString& file, const QString& section, const QString& key);
    bool setValue(const QString& file, const QString& section, const QString& key, const QString& value);
    // Several keys of one section in one write.
    bool setValues(const QString& file, const QString& section, const QVector<std::pair<QString, QString>>& values);
    bool removeSection(const QString& file, const QString& section);
    // The whole file replaced by `bytes` (a restore), under the same lock.
    bool replace(const QString& file, const QByteArray& bytes);
    QStringList keys(const QString& file, const QString& section);
    QStringList sections(const QString& file);
    bool hasSection(const QString& file, const QString& section);
    // The file is missing or holds nothing but blanks and line ends.
    bool isBlank(const QString& file);

    // While a batch is open, writes change the files in memory only; closing
    // the outermost batch writes every changed file once.
    void beginBatch() { ++batchDepth_; }
    bool endBatch();

    // From now on the file is never written: changes are kept in memory for
    // this run and reads see them. `reason` says why, for the notice.
    void keepInMemory(const QString& file, const QString& reason);
    bool keptInMemory(const QString& file) const;
    QString keptReason(const QString& file) const;
    // Called once per file, at the first change kept in memory after it is
    // set, and once each time changes start waiting for another copy's lock;
    // `consequence` says what becomes of them.
    void setKeptInMemoryNotice(
        std::function<void(const QString& file, const QString& reason, const QString& consequence)> notice);

    // Writes between these wait for another copy's lock again, even after a
    // wait in vain: a send's restart record, the end of the run.
    void beginWaitAgain() { ++waitAgain_; }
    void endWaitAgain() { --waitAgain_; }
    // Safe in a signal handler: from now on no write waits for the lock; a
    // wait under way ends within a few tens of milliseconds, as one in vain.
    static void endLockWaits();
    static bool lockWaitsEnded();
    // The program ends after the writes to come: changes kept for want of
    // the lock are not said as kept (the end of the run says what was lost).
    void setEndNear(bool near) { endNear_ = near; }
    bool endNear() const { return endNear_; }
    // Writes between these are defaults the program writes for itself: no
    // word about changes not stored names them, as the next start writes
    // them again.
    void beginOwnDefaults() { ++ownDefaults_; }
    void endOwnDefaults() { --ownDefaults_; }
    // Changes kept for want of the lock: whether there are, and which in
    // words, the restart records first (empty where none is worth a word).
    bool waitingForLock(const QString& file) const;
    QString notStoredYet(const QString& file) const;
    // The end of the run: every change kept for want of the lock written,
    // waiting for it again; false when some could not be.
    bool storeKept();
    // Told true before a wait for the lock and false after it.
    void setLockWaitShown(std::function<void(bool waiting)> shown) { lockWaitShown_ = std::move(shown); }

    // Whether folders are watched for changes from outside (the default).
    // A run that reads its settings once and ends needs no watch: releasing
    // one keeps the program from ending. Switched off before the first read,
    // no watch is ever made.
    void setWatching(bool on);

    // The program itself has just replaced this file: the next read looks at it.
    void noteReplaced(const QString& file);

    // Why the last failed write failed, or was kept for want of the lock
    // (empty after a successful one).
    QString lastError() const { return lastError_; }
    void clearCache();

private:
    IniStore();

    struct Stamp {
        bool exists = false;
        qint64 size = 0, mtimeNs = 0, ctimeNs = 0;
        quint64 inode = 0, device = 0;
        bool operator==(const Stamp& o) const {
            return exists == o.exists && size == o.size && mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs &&
                   inode == o.inode && device == o.device;
        }
    };
    // One of this program's changes, made again on a file someone else changed.
    struct Change {
        QString section, key, value;
        bool removesSection = false;
        bool programs = false; // one of the program's own defaults
    };
    struct Cached {
        IniDocument doc;
        QVector<Change> own;     // this program's changes not in the file yet, in order
        Stamp stamp;
        QByteArray folder, name; // for matching the folder's notices
        int watch = -1;          // the folder's notice watch; -1: the file is looked at on every read
        qint64 lookedAtMs = 0;   // when the file was last compared with the disk
        bool stale = false;      // a notice named it
        bool rewritten = false;  // written in place by someone: read again whatever its stamp says
        bool dirty = false;      // changed in memory, not written yet
        bool unreadable = false; // exists but could not be read: never written over
        bool kept = false;       // never written: changes stay in memory
        bool noticed = false;
        QString keptReason;
        bool waiting = false;       // a wait for the lock was in vain: `own` is not in the file
        bool waitNoticed = false;   // said since
        qint64 waitedInVainAtMs = -1;
    };

    static Stamp stampOf(const QString& file);
    Cached& load(const QString& file, bool forWrite = false);
    static bool readDocument(const QString& file, const Stamp& stamp, IniDocument* doc);
    void note(Cached& cached, Change change);
    bool catchUp(const QString& file, Cached& cached);
    bool keepUntilUnlocked(const QString& file, Cached& cached, bool waited);
    static QString describe(const QVector<Change>& changes);
    bool upToDate(const QString& file, Cached& c, qint64 nowMs);
    void readNotices();
    int watchFolder(const QByteArray& folder);
    bool save(const QString& file, Cached& cached);
    bool commit(const QString& file, Cached& cached);
    bool refuseUnreadable(const QString& file, const Cached& cached);
    void forget(const QString& file);

    std::unordered_map<QString, std::unique_ptr<Cached>> cache_;
    QString lastFile_;          // the file of the last look-up, and its entry
    Cached* lastCached_ = nullptr;
    int notices_ = -1; // the kernel's notice descriptor, made at the first watch; -1 when there is none
    bool watching_ = true;
    qint64 noticesReadAtMs_ = -1;
    std::unordered_map<int, QByteArray> watches_; // watch -> folder
    QString lastError_;
    int batchDepth_ = 0;
    QStringList dirty_;
    std::unordered_map<QString, QString> keepReasons_; // files kept in memory, even before they are read
    std::function<void(const QString&, const QString&, const QString&)> keptNotice_;
    std::function<void(bool)> lockWaitShown_;
    int waitAgain_ = 0;
    int ownDefaults_ = 0;
    bool endNear_ = false;
};
