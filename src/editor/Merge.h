#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Joining NC files into one: the rules of the merge dialog without its window.

// One file's bytes as they go into the merge: every character 26 removed and,
// with `trim`, the "%" between the programs: file i (1-based) of total keeps
// a "%" in its first half only when it is the first file and the header has
// none, and one in its second half only when it is the last of several files
// and the trailer has none.
QByteArray mergePiece(QByteArray text, int i, int total, bool trim, bool headerHasPercent, bool trailerHasPercent);

// The file types of the current machine's send and receive extensions, each
// once (without regard to case), "{All Files}" last.
QStringList mergeFileTypes();
// True when the name has that type, in any letter case; "{All Files}" takes every name.
bool hasFileType(const QString& fileName, const QString& type);

enum class MergeOutcome { Done, Stopped, Failed };

// Writes the files, in order, into `outPath` through a temporary file, with
// the current machine's header and trailer deciding the "%" trim; their
// lines are read as one text, so a line runs on into the next file. A file
// that has gone is named and the user goes on without it or stops; a file
// that cannot be read, or an output that cannot be written, is named and
// ends the merge. Only Done replaces `outPath`. `progress` gets 0 to 100;
// `merged` the files that went in.
MergeOutcome mergeFiles(const QStringList& paths, bool trim, const QString& outPath,
                        const std::function<void(int percent)>& progress = {}, QStringList* merged = nullptr);

// What a merge joined, as the transfer log names it: "Merge Of a.nc + b.nc".
QString mergeLogName(const QStringList& merged);
