#include "FileCompare.h"

#include <QFile>
#include <QFileInfo>

ChunkPlan chunkPlan(qint64 length) {
    ChunkPlan p;
    p.count = length > 3000000 ? 1000 : length > 300000 ? 100 : 10;
    p.remainder = length % p.count;
    p.size = (length - p.remainder) / p.count;
    return p;
}

namespace {
// Both pieces must come in whole: a short read is a failure, not a match.
bool samePiece(QFile& a, QFile& b, qint64 size) {
    if (size == 0)
        return true;
    const QByteArray x = a.read(size);
    const QByteArray y = b.read(size);
    return x.size() == size && y.size() == size && x == y;
}
} // namespace

bool filesAreEqual(const QString& file1, const QString& file2) {
    if (!QFileInfo(file1).isFile() || !QFileInfo(file2).isFile())
        return false;
    QFile a(file1), b(file2);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return false;
    const qint64 length = a.size();
    if (length != b.size())
        return false;
    const ChunkPlan plan = chunkPlan(length);
    if (!samePiece(a, b, plan.remainder))
        return false;
    for (int i = 0; i < plan.count; ++i)
        if (!samePiece(a, b, plan.size))
            return false;
    // Nothing may be left over: a file that grew while being read is not the one measured.
    return a.atEnd() && b.atEnd();
}
