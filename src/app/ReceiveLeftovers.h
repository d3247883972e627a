#pragma once

#include <QString>
#include <QStringList>

// The temporary files of receives ("dnc" followed by hex digits and ".TMP")
// that earlier runs left in the program folder: a run that was killed leaves
// its empty one, a receive that could not be saved leaves its data.
namespace ReceiveLeftovers {

// Shows whether another copy of the program runs from a folder: each copy
// holds a shared lock on the folder's lock file for as long as it lives.
class RunLock {
public:
    RunLock() = default;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    ~RunLock();
    // True when no other copy holds the folder; from now on this one does.
    // False also when the lock file cannot be made.
    bool alone(const QString& folder);

private:
    int fd_ = -1;
};

// Removes the empty leftovers in `folder`, never `own`, and returns the
// others' paths in name order.
QStringList tidy(const QString& folder, const QString& own);

} // namespace ReceiveLeftovers
