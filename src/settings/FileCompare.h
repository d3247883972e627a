#pragma once

#include <QString>

// Byte-for-byte comparison of two files, holding one chunk of each in memory
// at a time. A file that cannot be opened or read is never equal to anything.
bool filesAreEqual(const QString& file1, const QString& file2);

// How a length is read: first `remainder` bytes, then `count` chunks of `size`.
struct ChunkPlan {
    int count = 10;
    qint64 size = 0;
    qint64 remainder = 0;
};
ChunkPlan chunkPlan(qint64 length);
