#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Whole-file reads and writes for everything the program writes over.

// The file a safe write of `path` replaces: where `path` is a link, the file
// it names, at the end of a chain of links too (the links stay links).
QString fileWrittenFor(const QString& path);

// Writes the bytes to a temporary file beside `path` and renames it into
// place, so the old file stays whole when anything fails. False with the
// reason in *error.
bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// The same with the bytes written by `write` to the temporary file.
bool writeFileSafely(const QString& path, const std::function<bool(QIODevice& out, QString* error)>& write,
                     QString* error = nullptr);

// Writes every byte to an open device; false with the device's reason in *error.
bool writeAllBytes(QIODevice& out, const QByteArray& bytes, QString* error = nullptr);
bool writeAllBytes(QIODevice& out, const char* data, qsizetype size, QString* error = nullptr);

// Copies `in` from its position to its end into `out`, a piece at a time.
bool copyAllBytes(QIODevice& in, QIODevice& out, QString* error = nullptr);
// Copies a file as writeFileSafely writes one, without holding it whole.
bool copyFileSafely(const QString& from, const QString& to, QString* error = nullptr);

// Reads the whole file; false with the reason in *error.
bool readWholeFile(const QString& path, QByteArray* bytes, QString* error = nullptr);

