#pragma once

#include "FileSizeLimit.h"

#include <QDir>
#include <QString>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/mount.h>

// A folder whose disk fills after about `bytes`: a file system of that size
// mounted on it where the test may mount (as root), else a limit on every
// file this process writes. reason() is what the system says of a write it
// refuses.
class SmallDisk {
public:
    SmallDisk(const QString& folder, qint64 bytes) : folder_(folder) {
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(bytes);
        mounted_ = ::mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", 0, options.constData()) == 0;
        if (!mounted_)
            limit_ = std::make_unique<FileSizeLimit>(rlim_t(bytes));
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(folder_.toLocal8Bit().constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    QString reason() const { return QString::fromLocal8Bit(std::strerror(mounted_ ? ENOSPC : EFBIG)); }

private:
    QString folder_;
    bool mounted_ = false;
    std::unique_ptr<FileSizeLimit> limit_;
};
