#include "IniStore.h"

#include "FileStuff.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_set>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// A folder that gives no notices is looked at this often at most.
constexpr qint64 kLookIntervalMs = 100;

constexpr uint32_t kNoticeMask = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                 IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// How long a write waits for another copy of the program to let go of the file.
constexpr qint64 kLockWaitMs = 5000;
// How long a write tries once a wait was in vain: long enough for another
// copy's own write, or for waiters that gave up to let go as the lock comes.
constexpr qint64 kLockTryMs = 250;
// A wait for the lock looks this often whether it is still wanted.
constexpr auto kLockWaitSlice = std::chrono::milliseconds(20);

// Set from a signal handler: from then on no write waits for the lock.
std::atomic<bool> gLockWaitsEnded{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

qint64 nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

int flockRetried(int fd, int how) {
    int r;
    while ((r = ::flock(fd, how)) != 0 && errno == EINTR) {
    }
    return r;
}

// Why a lock file cannot be used, in words for the user.
QString lockFileTrouble(int error) {
    switch (error) {
    case ELOOP: return QStringLiteral("it is a link");
    case EISDIR: return QStringLiteral("it is a folder");
    case ENXIO:
    case EINVAL: return QStringLiteral("it is not a plain file");
    default: return qt_error_string(error);
    }
}

// The lock file, opened without following a link and without blocking (a
// FIFO there would hold the open for ever), and only where it is a plain
// file. Made with the settings file's permissions, not the umask: a lock
// file others cannot open would stop their writes.
int openLockFile(const QByteArray& path, const QByteArray& guarded, int* error) {
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path.constData(), kFlags);
    if (fd < 0 && errno == ENOENT) {
        struct stat settings {};
        const bool copyMode = ::stat(guarded.constData(), &settings) == 0 && S_ISREG(settings.st_mode);
        fd = ::open(path.constData(), kFlags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 && copyMode)
            ::fchmod(fd, settings.st_mode & 0666);
        else if (fd < 0 && errno == EEXIST) // another copy made it meanwhile, or a link is there
            fd = ::open(path.constData(), kFlags);
    }
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return -1;
    }
    return fd;
}

// Takes locks in the kernel, one after the other, on a thread of its own:
// it wakes the moment a holder lets go, while the caller waits no longer
// than its bound. One the caller gave up on lets go of what it got at once.
struct LockWaiter {
    std::mutex mutex;
    std::condition_variable finished;
    int fds[2] = {-1, -1}; // set before the thread starts; its own until handed back
    int errors[2] = {0, 0};
    bool done = false, abandoned = false;

    static void run(const std::shared_ptr<LockWaiter>& w) {
        int errors[2] = {0, 0};
        for (int i = 0; i < 2; ++i)
            if (w->fds[i] >= 0 && flockRetried(w->fds[i], LOCK_EX) != 0)
                errors[i] = errno;
        const std::lock_guard<std::mutex> hold(w->mutex);
        std::copy(errors, errors + 2, w->errors);
        w->done = true;
        if (!w->abandoned) {
            w->finished.notify_one();
            return;
        }
        for (const int fd : w->fds)
            if (fd >= 0)
                ::close(fd);
    }
};

// An exclusive lock for a write, held while this lives: on "<file>.lock"
// beside the file written (that one is replaced by every write, so it
// cannot carry the lock), then on their folder. Every copy takes the
// folder's as well, so that a copy that cannot use the lock file (another
// user's, or no plain file) still keeps the others out with that alone.
// Where the settings file is a link, the file written is the one it names:
// copies whose links name one file lock beside that file.
class WriteLock {
public:
    enum Outcome { Held, Busy, Failed };

    explicit WriteLock(const QString& file) {
        const QString written = fileWrittenFor(file);
        lockFile_ = written + QStringLiteral(".lock");
        fds_[0] = openLockFile(QFile::encodeName(lockFile_), QFile::encodeName(written), &errors_[0]);
        fds_[1] = ::open(QFile::encodeName(QFileInfo(written).absolutePath()).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fds_[1] < 0)
            errors_[1] = errno;
    }
    ~WriteLock() {
        for (const int fd : fds_)
            if (fd >= 0)
                ::close(fd);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    // Held once every lock that can be used is held, and one at least. Waits
    // up to `waitMs` for one another copy holds, telling `shown` meanwhile.
    Outcome take(qint64 waitMs, const std::function<void(bool)>& shown) {
        // Always in this order: two copies never each hold the lock the other waits for.
        int at = 0;
        for (; at < 2; ++at) {
            if (fds_[at] < 0)
                continue;
            if (flockRetried(fds_[at], LOCK_EX | LOCK_NB) != 0) {
                if (errno == EWOULDBLOCK)
                    break;
                drop(at, errno);
            }
        }
        if (at < 2 && !waitFor(at, waitMs, shown)) {
            // Nothing stays held while the write is kept in memory and said (a box may stay up).
            for (int i = 0; i < at; ++i)
                if (fds_[i] >= 0)
                    flockRetried(fds_[i], LOCK_UN);
            return Busy;
        }
        return fds_[0] >= 0 || fds_[1] >= 0 ? Held : Failed;
    }
    QString reason() const {
        return QStringLiteral("The lock file %1 cannot be used (%2), nor its folder (%3).")
            .arg(QDir::toNativeSeparators(lockFile_), lockFileTrouble(errors_[0]), qt_error_string(errors_[1]));
    }
    static QString busyReason() {
        if (gLockWaitsEnded)
            return QStringLiteral(
                "Another copy of the program holds it locked, and this one, ending, waits for it "
                "no longer.");
        return QStringLiteral("Another copy of the program has kept it locked for %1 seconds. A copy that is "
                              "stopped holds its lock until it goes on or ends.")
            .arg(kLockWaitMs / 1000);
    }

private:
    void drop(int at, int error) {
        ::close(fds_[at]);
        fds_[at] = -1;
        errors_[at] = error;
    }
    // The locks from `from` on, taken by a waiter; false when the time ran out.
    bool waitFor(int from, qint64 waitMs, const std::function<void(bool)>& shown) {
        if (waitMs <= 0 || gLockWaitsEnded)
            return false;
        auto waiter = std::make_shared<LockWaiter>();
        for (int i = from; i < 2; ++i)
            std::swap(waiter->fds[i], fds_[i]);
        if (shown)
            shown(true);
        std::thread(LockWaiter::run, waiter).detach();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        std::unique_lock<std::mutex> hold(waiter->mutex);
        // In short slices: a signal that ends the program ends the wait too.
        bool done = false;
        while (!(done = waiter->finished.wait_for(hold, kLockWaitSlice, [&] { return waiter->done; })) &&
               !gLockWaitsEnded && std::chrono::steady_clock::now() < deadline) {
        }
        if (done) {
            for (int i = from; i < 2; ++i) {
                std::swap(waiter->fds[i], fds_[i]);
                if (fds_[i] >= 0 && waiter->errors[i] != 0)
                    drop(i, waiter->errors[i]);
            }
        } else {
            waiter->abandoned = true;
        }
        hold.unlock();
        if (shown)
            shown(false);
        return done;
    }

    QString lockFile_;
    int fds_[2] = {-1, -1};
    int errors_[2] = {0, 0};
};

} // namespace

IniStore& IniStore::instance() {
    static IniStore store;
    return store;
}

IniStore::IniStore() = default;

void IniStore::endLockWaits() { gLockWaitsEnded = true; }

bool IniStore::lockWaitsEnded() { return gLockWaitsEnded; }

IniStore::~IniStore() {
    if (notices_ >= 0)
        ::close(notices_);
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

void IniStore::readNotices() {
    if (notices_ < 0)
        return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(notices_, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + ev->len);
            const bool overflow = ev->mask & IN_Q_OVERFLOW;
            // The folder itself went or moved: its files are looked at on every read from now on.
            const bool folderGone = ev->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF);
            const QByteArray name = ev->len ? QByteArray(ev->name) : QByteArray();
            for (auto& entry : cache_) {
                Cached& c = *entry.second;
                if (overflow || (c.watch == ev->wd && (folderGone || c.name == name)))
                    c.stale = true;
                // This program only ever replaces the file by a rename; a write
                // into it is someone else's, and may keep its size and, on a
                // coarse clock, its time.
                if (c.watch == ev->wd && c.name == name && (ev->mask & (IN_MODIFY | IN_CLOSE_WRITE)))
                    c.rewritten = true;
                if (folderGone && c.watch == ev->wd)
                    c.watch = -1;
            }
            if (folderGone && !overflow) {
                if (!(ev->mask & IN_IGNORED))
                    inotify_rm_watch(notices_, ev->wd);
                watches_.erase(ev->wd);
            }
        }
    }
}

int IniStore::watchFolder(const QByteArray& folder) {
    if (!watching_)
        return -1;
    if (notices_ < 0)
        notices_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notices_ < 0)
        return -1;
    const int wd = inotify_add_watch(notices_, folder.constData(), kNoticeMask);
    if (wd >= 0)
        watches_[wd] = folder;
    return wd;
}

bool IniStore::upToDate(const QString& file, Cached& c, qint64 now) {
    if (c.watch < 0 || c.stale || now - c.lookedAtMs >= kLookIntervalMs) {
        if (c.rewritten || !(stampOf(file) == c.stamp) || c.unreadable)
            return false;
        c.stale = false;
        c.lookedAtMs = now;
    }
    return true;
}

IniStore::Cached& IniStore::load(const QString& file, bool forWrite) {
    Cached* found = nullptr;
    if (lastCached_ && file == lastFile_) {
        found = lastCached_;
    } else {
        auto it = cache_.find(file);
        if (it != cache_.end())
            found = it->second.get();
    }
    // Notices are read once per tick of the coarse clock (a few ms), so a
    // read costs no system call; a write always looks, so that it never
    // builds on a copy someone else has just replaced.
    const qint64 now = nowMs();
    if (forWrite || now != noticesReadAtMs_) {
        readNotices();
        noticesReadAtMs_ = now;
    }
    const bool current = found && (found->dirty || found->kept || upToDate(file, *found, now));
    // Changes waiting for the lock are made again on what others wrote meanwhile.
    if (found && !current && found->waiting) {
        const QString error = lastError_;
        if (catchUp(file, *found)) {
            found->stale = false;
            found->lookedAtMs = now;
        }
        lastError_ = error;
    }
    if (current || (found && found->waiting)) {
        lastFile_ = file;
        lastCached_ = found;
        return *found;
    }

    auto c = std::make_unique<Cached>();
    // Where it is a link, the folder of the file it names sees its changes.
    const QFileInfo info(fileWrittenFor(file));
    c->folder = QFile::encodeName(info.absolutePath());
    c->name = QFile::encodeName(info.fileName());
    // Watched before it is read, so that no change in between goes unseen.
    c->watch = watchFolder(c->folder);
    c->stamp = stampOf(file);
    c->lookedAtMs = now;
    if (c->stamp.exists && !readDocument(file, c->stamp, &c->doc))
        c->unreadable = true; // tried again at the next read
    auto keep = keepReasons_.find(file);
    if (keep != keepReasons_.end()) {
        c->kept = true;
        c->keptReason = keep->second;
    }
    if (found)
        c->noticed = found->noticed;
    Cached* placed = c.get();
    cache_[file] = std::move(c);
    lastFile_ = file;
    lastCached_ = placed;
    return *placed;
}

bool IniStore::readDocument(const QString& file, const Stamp& stamp, IniDocument* doc) {
    QFile f(file);
    if (stamp.size >= std::numeric_limits<qint32>::max() || !(f.permissions() & QFileDevice::ReadOwner) ||
        !f.open(QIODevice::ReadOnly))
        return false;
    *doc = IniDocument::parse(f.readAll());
    return true;
}

void IniStore::note(Cached& cached, Change change) {
    // A file kept in memory is never written: nothing to make again.
    if (cached.kept)
        return;
    change.programs = ownDefaults_ > 0;
    cached.own.append(std::move(change));
}

// Under the lock: where someone else changed the file since it was read, the
// changes this program made are made again on the file as it is now, so that
// theirs stay. Its stamp tells, or a notice of a write into it in place (one
// that keeps its size and, on a coarse clock, its time).
bool IniStore::catchUp(const QString& file, Cached& cached) {
    readNotices();
    const Stamp now = stampOf(file);
    if (!cached.rewritten && now == cached.stamp)
        return true;
    IniDocument doc;
    if (now.exists && !readDocument(file, now, &doc)) {
        lastError_ = QStringLiteral("%1 cannot be read").arg(file);
        return false;
    }
    for (const Change& c : cached.own) {
        if (c.removesSection)
            doc.removeSection(c.section);
        else if (doc.value(c.section, c.key) != c.value)
            doc.setValue(c.section, c.key, c.value);
    }
    cached.doc = std::move(doc);
    cached.stamp = now;
    cached.rewritten = false;
    return true;
}

// A write that could not have the lock keeps its changes in memory, with
// every one since, until a later write has the lock: said once.
bool IniStore::keepUntilUnlocked(const QString& file, Cached& cached, bool waited) {
    cached.waiting = true;
    if (waited)
        cached.waitedInVainAtMs = nowMs();
    lastError_ = WriteLock::busyReason();
    // Where the program ends next, nothing waits for a later write: the end
    // of the run says what was lost. Where only what is not worth a word
    // waits, a change that is comes to be said.
    const QString what = describe(cached.own);
    if (keptNotice_ && !cached.waitNoticed && !endNear_ && !what.isEmpty()) {
        cached.waitNoticed = true;
        keptNotice_(file, lastError_,
                    QStringLiteral("Not stored yet: %1. Kept until the lock is let go, and stored with the next "
                                   "change after that or as the program ends.")
                        .arg(what));
    }
    return true;
}

namespace {
bool isRestartRecord(const QString& section, const QString& key) {
    static const QRegularExpression machine(QStringLiteral("^machine[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return (key.compare(QLatin1String("lastline"), Qt::CaseInsensitive) == 0 ||
            key.compare(QLatin1String("lastfilesent"), Qt::CaseInsensitive) == 0) &&
           machine.match(section).hasMatch();
}

bool isWriteProbe(const QString& section, const QString& key) {
    return section.compare(QLatin1String("Settings"), Qt::CaseInsensitive) == 0 &&
           key.compare(QLatin1String("chkCanWrite"), Qt::CaseInsensitive) == 0;
}
} // namespace

// In words for the user: a send's restart record first, then the other
// changes in the order made, each key once with its last value. Left out:
// the program's own defaults (the next start writes them again) and the
// settings write probe (a value nobody reads).
QString IniStore::describe(const QVector<Change>& changes) {
    std::vector<const Change*> last;
    std::unordered_set<QString> seen;
    for (auto it = changes.crbegin(); it != changes.crend(); ++it) {
        const QString id = it->section.toLower() +
                           (it->removesSection ? QStringLiteral("\n") : QLatin1Char('=') + it->key.toLower());
        if (seen.insert(id).second && !it->programs && !isWriteProbe(it->section, it->key))
            last.push_back(&*it);
    }
    std::reverse(last.begin(), last.end());
    struct Record {
        QString section;
        std::optional<QString> line, file;
    };
    std::vector<Record> records;
    QStringList others;
    for (const Change* c : last) {
        if (c->removesSection) {
            others << QStringLiteral("[%1] removed").arg(c->section);
        } else if (isRestartRecord(c->section, c->key)) {
            auto r = std::find_if(records.begin(), records.end(), [c](const Record& r) {
                return r.section.compare(c->section, Qt::CaseInsensitive) == 0;
            });
            if (r == records.end())
                r = records.insert(records.end(), Record{c->section, {}, {}});
            (c->key.compare(QLatin1String("lastline"), Qt::CaseInsensitive) == 0 ? r->line : r->file) =
                c->value;
        } else {
            others << QStringLiteral("[%1] %2=%3").arg(c->section, c->key, cutForMessage(c->value));
        }
    }
    QStringList named;
    for (const Record& r : records) {
        QStringList words;
        if (r.line)
            words << (r.line->isEmpty() ? QStringLiteral("no restart line")
                                        : QStringLiteral("the restart line \"%1\"").arg(cutForMessage(*r.line)));
        if (r.file)
            words << QStringLiteral("the last file sent (%1)").arg(QDir::toNativeSeparators(*r.file));
        named << words.join(QStringLiteral(" and ")) +
                     (records.size() > 1 ? QStringLiteral(" of [%1]").arg(r.section) : QString());
    }
    constexpr int kNamed = 6;
    named += others.mid(0, kNamed);
    if (others.size() > kNamed)
        named << QStringLiteral("%1 more").arg(others.size() - kNamed);
    return named.join(QStringLiteral(", "));
}

void IniStore::forget(const QString& file) {
    cache_.erase(file);
    lastCached_ = nullptr;
    lastFile_.clear();
}

void IniStore::clearCache() {
    for (const auto& w : watches_)
        inotify_rm_watch(notices_, w.first);
    watches_.clear();
    readNotices(); // the removals' own notices
    cache_.clear();
    keepReasons_.clear();
    keptNotice_ = nullptr;
    lockWaitShown_ = nullptr;
    endNear_ = false;
    gLockWaitsEnded = false;
    lastCached_ = nullptr;
    lastFile_.clear();
}

void IniStore::setWatching(bool on) {
    watching_ = on;
    if (on || notices_ < 0)
        return;
    for (auto& entry : cache_)
        entry.second->watch = -1;
    watches_.clear();
    ::close(notices_);
    notices_ = -1;
}

void IniStore::noteReplaced(const QString& file) {
    auto it = cache_.find(file);
    if (it != cache_.end())
        it->second->stale = true;
}

void IniStore::keepInMemory(const QString& file, const QString& reason) {
    keepReasons_[file] = reason;
    auto it = cache_.find(file);
    if (it != cache_.end()) {
        it->second->kept = true;
        it->second->keptReason = reason;
    }
}

bool IniStore::keptInMemory(const QString& file) const { return keepReasons_.count(file) > 0; }

QString IniStore::keptReason(const QString& file) const {
    auto it = keepReasons_.find(file);
    return it == keepReasons_.end() ? QString() : it->second;
}

void IniStore::setKeptInMemoryNotice(
    std::function<void(const QString&, const QString&, const QString&)> notice) {
    keptNotice_ = std::move(notice);
}

bool IniStore::commit(const QString& file, Cached& cached) {
    if (cached.kept) {
        cached.dirty = true;
        lastError_.clear();
        if (keptNotice_ && !cached.noticed) {
            cached.noticed = true;
            keptNotice_(file, cached.keptReason,
                        QStringLiteral("Changes to the settings last only until the program ends."));
        }
        return true;
    }
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
    if (!cached.unreadable || cached.kept)
        return false;
    lastError_ = QStringLiteral("%1 cannot be read").arg(file);
    forget(file);
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
        if (it == cache_.end() || it->second->kept)
            continue;
        it->second->dirty = false;
        if (!save(f, *it->second))
            ok = false;
    }
    return ok;
}

bool IniStore::save(const QString& file, Cached& cached) {
    lastError_.clear();
    cached.dirty = false;
    WriteLock lock(file);
    // Once a wait was in vain, a write only tries, unless told to wait again.
    const bool tryOnly = cached.waiting && waitAgain_ == 0;
    switch (lock.take(tryOnly ? kLockTryMs : kLockWaitMs, tryOnly ? nullptr : lockWaitShown_)) {
    case WriteLock::Busy:
        return keepUntilUnlocked(file, cached, !tryOnly);
    case WriteLock::Failed:
        lastError_ = lock.reason();
        forget(file);
        return false;
    case WriteLock::Held:
        break;
    }
    if (!catchUp(file, cached)) {
        forget(file);
        return false;
    }
    const QFileInfo info(file);
    if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))) {
        lastError_ = QStringLiteral("%1 is read-only").arg(file);
        forget(file);
        return false;
    }
    // Gathered into pieces of a megabyte: one write() for any usual file.
    const bool written = writeFileSafely(
        file,
        [&cached](QIODevice& out, QString* error) {
            constexpr qsizetype kPiece = 1 << 20;
            QByteArray piece;
            piece.reserve(kPiece);
            const bool whole = cached.doc.write([&](const char* p, qsizetype n) {
                if (piece.size() + n > kPiece && !piece.isEmpty()) {
                    if (!writeAllBytes(out, piece, error))
                        return false;
                    piece.truncate(0); // keeps its room
                }
                if (n >= kPiece)
                    return writeAllBytes(out, p, n, error);
                piece.append(p, n);
                return true;
            });
            return whole && writeAllBytes(out, piece, error);
        },
        &lastError_);
    if (!written) {
        forget(file);
        return false;
    }
    // Our own rename is no change from outside.
    readNotices();
    cached.stamp = stampOf(file);
    cached.stale = false;
    cached.lookedAtMs = nowMs();
    cached.own.clear();
    cached.waiting = cached.waitNoticed = false;
    return true;
}

bool IniStore::storeKept() {
    // A batch left open (after a restore) keeps its changes out of the file on purpose.
    if (batchDepth_ > 0)
        return true;
    QStringList files;
    for (const auto& entry : cache_)
        if (entry.second->waiting)
            files << entry.first;
    bool ok = true;
    for (const QString& file : files) {
        auto it = cache_.find(file);
        if (it == cache_.end())
            continue;
        Cached& c = *it->second;
        // A wait for it that was in vain a moment ago was this wait.
        const bool again = c.waitedInVainAtMs < 0 || nowMs() - c.waitedInVainAtMs >= kLockWaitMs;
        waitAgain_ += again;
        const bool stored = save(file, c) && !c.waiting;
        waitAgain_ -= again;
        ok = ok && stored;
    }
    return ok;
}

bool IniStore::waitingForLock(const QString& file) const {
    auto it = cache_.find(file);
    return it != cache_.end() && it->second->waiting;
}

QString IniStore::notStoredYet(const QString& file) const {
    auto it = cache_.find(file);
    return it != cache_.end() && it->second->waiting ? describe(it->second->own) : QString();
}

bool IniStore::replace(const QString& file, const QByteArray& bytes) {
    lastError_.clear();
    WriteLock lock(file);
    switch (lock.take(kLockWaitMs, lockWaitShown_)) {
    case WriteLock::Busy:
        lastError_ = WriteLock::busyReason();
        return false;
    case WriteLock::Failed:
        lastError_ = lock.reason();
        return false;
    case WriteLock::Held:
        break;
    }
    const bool written = writeFileSafely(file, bytes, &lastError_);
    // Read again at the next look, whatever this program had changed in it.
    forget(file);
    return written;
}

std::optional<QString> IniStore::value(const QString& file, const QString& section, const QString& key) {
    return load(file).doc.value(section, key);
}

bool IniStore::setValue(const QString& file, const QString& section, const QString& key, const QString& value) {
    Cached& c = load(file, true);
    if (refuseUnreadable(file, c))
        return false;
    // Changes waiting for the lock are tried again by any write.
    if (c.doc.value(section, key) == value && c.stamp.exists && !c.waiting) {
        lastError_.clear();
        return true;
    }
    c.doc.setValue(section, key, value);
    note(c, {section, key, value});
    return commit(file, c);
}

bool IniStore::setValues(const QString& file, const QString& section,
                         const QVector<std::pair<QString, QString>>& values) {
    Cached& c = load(file, true);
    if (refuseUnreadable(file, c))
        return false;
    bool changed = !c.stamp.exists || c.waiting;
    for (const auto& kv : values)
        if (c.doc.value(section, kv.first) != kv.second) {
            c.doc.setValue(section, kv.first, kv.second);
            note(c, {section, kv.first, kv.second});
            changed = true;
        }
    if (!changed) {
        lastError_.clear();
        return true;
    }
    return commit(file, c);
}

bool IniStore::removeSection(const QString& file, const QString& section) {
    Cached& c = load(file, true);
    if (refuseUnreadable(file, c))
        return false;
    if (!c.doc.removeSection(section))
        return true;
    note(c, {section, QString(), QString(), true});
    return commit(file, c);
}

QStringList IniStore::keys(const QString& file, const QString& section) { return load(file).doc.keys(section); }

QStringList IniStore::sections(const QString& file) { return load(file).doc.sections(); }

bool IniStore::hasSection(const QString& file, const QString& section) {
    return load(file).doc.hasSection(section);
}

bool IniStore::isBlank(const QString& file) {
    const Cached& c = load(file);
    return !c.stamp.exists || (!c.unreadable && c.doc.isBlank());
}
