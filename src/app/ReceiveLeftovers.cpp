#include "ReceiveLeftovers.h"

#include "ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ReceiveLeftovers {

RunLock::~RunLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool RunLock::alone(const QString& folder) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    const QString path = QDir(folder).filePath(ProgramPaths::appTitle() + QStringLiteral(".lock"));
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return false;
    const bool first = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    // Held shared from now on, so that the next copy sees this one.
    ::flock(fd_, LOCK_SH | LOCK_NB);
    return first;
}

QStringList tidy(const QString& folder, const QString& own) {
    static const QRegularExpression name(QStringLiteral("^dnc[0-9A-F]+\\.TMP$"));
    QStringList kept;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("dnc*.TMP")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        if (!name.match(file.fileName()).hasMatch() || file.absoluteFilePath() == QFileInfo(own).absoluteFilePath())
            continue;
        if (file.size() == 0)
            QFile::remove(file.absoluteFilePath());
        else
            kept << file.absoluteFilePath();
    }
    return kept;
}

} // namespace ReceiveLeftovers
