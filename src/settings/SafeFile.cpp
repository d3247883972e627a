#include "SafeFile.h"

#include "IniStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString fileWrittenFor(const QString& path) {
    // As QSaveFile follows them; a loop of links is left as it is named.
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

bool writeAllBytes(QIODevice& out, const QByteArray& bytes, QString* error) {
    return writeAllBytes(out, bytes.constData(), bytes.size(), error);
}

bool writeAllBytes(QIODevice& out, const char* data, qsizetype size, QString* error) {
    qint64 done = 0;
    while (done < size) {
        // One huge write costs the kernel far more than many of a megabyte.
        const qint64 n = out.write(data + done, qMin<qint64>(1 << 20, size - done));
        if (n <= 0) {
            if (error)
                *error = out.errorString();
            return false;
        }
        done += n;
    }
    return true;
}

bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* error) {
    return writeFileSafely(
        path, [&bytes](QIODevice& out, QString* e) { return writeAllBytes(out, bytes, e); }, error);
}

bool writeFileSafely(const QString& path, const std::function<bool(QIODevice& out, QString* error)>& write,
                     QString* error) {
    QSaveFile out(path);
    // A direct write would truncate the old file first.
    out.setDirectWriteFallback(false);
    // Unbuffered, so a short write (disk full, size limit) is seen here
    // rather than lost in a final flush.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    if (!write(out, error)) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    IniStore::instance().noteReplaced(path);
    return true;
}

bool copyAllBytes(QIODevice& in, QIODevice& out, QString* error) {
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(piece.data(), piece.size());
        if (n < 0) {
            if (error)
                *error = in.errorString();
            return false;
        }
        if (n == 0)
            return true;
        if (!writeAllBytes(out, piece.constData(), n, error))
            return false;
    }
}

bool copyFileSafely(const QString& from, const QString& to, QString* error) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    return writeFileSafely(
        to, [&in](QIODevice& out, QString* e) { return copyAllBytes(in, out, e); }, error);
}

bool readWholeFile(const QString& path, QByteArray* bytes, QString* error) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    *bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        if (error)
            *error = in.errorString();
        return false;
    }
    return true;
}

