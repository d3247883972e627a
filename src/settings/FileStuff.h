#pragma once

#include <QString>
#include <QStringList>

// Small path, file and text helpers shared by every subsystem. Paths use "/"
// as the folder separator.

// Appends "/" when the path does not end in one; updates the caller's variable too.
QString addBackslash(QString& path);
QString withBackslash(const QString& path); // same, for a value

QString getPathOnly(const QString& path);                    // up to and including the last "/"
QString getFileTitle(const QString& path, bool withExtension); // name after the last "/", optionally cut at the first "."
QString getFileNameFromPath(const QString& path);            // name after the last "/"
QString getExtension(const QString& path);                   // after the last "." anywhere; empty when none
QString cutAtNull(const QString& text);

// The folder of administrator-owned files ("/etc/"), where the settings
// password lives.
QString getSystemDir();

// Creates a new, empty, uniquely named file "<prefix><hex>.TMP" in the
// program folder and returns its full path; empty when the folder is not writable.
QString getTempFileName(const QString& prefix);

// True for an existing regular file that is not hidden (folders are not files).
bool fileExists(const QString& path);
// True for any existing regular file, hidden or not: the test before a file
// is written over, copied to the audit trail or opened.
bool anyFileExists(const QString& path);

// Moves the files to the desktop's trash; 0 when all went, else the count that failed.
int shellFileOperation(int flags, const QStringList& files);

// Every occurrence, left to right without overlap, exact case; the
// replacement is not searched again. Long texts report progress in the status line.
QString replaceAll(const QString& text, const QString& find, const QString& replacement);

// A value as a message names it: its first `most` characters and "..." where
// it is longer (a line of a program with no line ends is megabytes long).
QString cutForMessage(const QString& text, int most = 80);

// Fills gSplitResult (item 0 empty, items 1..n) and returns n. A delimiter at
// the very end adds no empty last item.
int splitToArray(const QString& text, const QString& delimiter);
QStringList splitItems(const QString& text, const QString& delimiter); // the same items, without the shared array

// Cut before the first "." or ",": "9.75" -> "9".
QString intPartOfNumberString(const QString& value);

// The network command builder: it has nothing to build and returns an empty text.
QString emptyStub(const QString& address, const QString& command);

// Key filter of the file-extension fields: letters, digits, space, "*", "?"
// and backspace pass; anything else is refused with a message.
bool validExtensionChars(int keyAscii);

// The leading number of a text, as the settings dialogs store numbers: "12ab" -> 12, "x" -> 0.
double leadingNumber(const QString& text);
// `v` as a whole number: its fraction dropped, held within the type's range
// (0 for NaN). A stored number may have any length; converting one beyond
// the range directly is undefined.
int clampToInt(double v);
qint64 clampToInt64(double v);
// The leading number of a text as such an int: "99999999999" -> INT_MAX.
int leadingInt(const QString& text);
