#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "SafeFile.h"

#include <functional>

// File work of the editor that needs no window.

// True when the first `window` bytes of the file hold a NUL. An unreadable
// file holds none.
bool fileHeadHasNul(const QString& path, qint64 window = 1000);

// Removes every NUL from the file. The cleaned copy is written in full
// before it replaces the file. False with the reason in *error.
bool removeNulsFromFile(const QString& path, QString* error = nullptr);

// What a window's file held when the window last read or wrote it: its
// length and a hash of its bytes, not the bytes themselves.
struct FileStamp {
    qint64 size = -1; // -1: the window read and wrote no file
    size_t hash = 0;
};
FileStamp stampOf(QByteArrayView bytes);
// True when the file no longer holds what the window read or wrote: another
// window, a receive, a split or another program wrote it since. A file that
// is gone holds nothing to lose; one that cannot be read counts as changed.
bool fileChangedSince(const QString& path, const FileStamp& stamp);

// [Warnings] nullOpt: the option last chosen for a file with NULs, 0 .. 2,
// or -1 when the stored value names none of them.
int storedNullOption();
void storeNullOption(int option);

// Writes a fresh probe value to [Settings] chkCanWrite and reads it back.
// False when the settings file cannot be written (or is not being written
// this run); then, unless [Settings] WarnIniSettings is set, the settings
// warning is shown first.
bool chkCanWIni();
// That warning alone, unless WarnIniSettings is set: why the file cannot be
// written (`reason`, else the last failed write's) and what to do about it.
void warnSettingsNotWritable(const QString& reason = QString());

// Shows the settings warning titled with the caption. Without one installed
// the warning is a plain message box.
using SettingsWarningShower = std::function<void(const QString& caption, const QString& text)>;
void setSettingsWarningShower(SettingsWarningShower shower);
