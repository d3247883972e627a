#pragma once

#include <QString>
#include <QStringList>

// The transfer log: one line per transfer started, appended to
// "Feedline.log" in the program folder as
//   alias - action - file - date and time
// Nothing ever rewrites a line; only the log viewer deletes the whole file.

QString transferLogPath();

constexpr const char* kActionSend = "Send File To CNC";
constexpr const char* kActionReceive = "File Received From CNC";

// One of the program's temporary files (".tmp" or ".$$$", any case), which
// the next of its kind overwrites.
bool isTemporaryName(const QString& path);

// The line for a transfer of `fileName` by the current machine: a send while
// gPortState is sending, else a receive. The file joins the machine's recent
// list of its direction. A temporary file joins no list and leaves a line
// only under `loggedAs`, the name of what it holds (a merge's files). Never
// reports a failure: the transfer goes on.
void writeLogFile(const QString& fileName, const QString& loggedAs = QString());

// The line itself, without writing it: alias (hyphens made blanks), action,
// file, date and time, joined by " - ".
QString logLine(const QString& alias, const QString& action, const QString& fileName, const QString& when);

struct LogEntry {
    QString cnc;
    QString action;
    QString fileName;
    QString date;
};
// Splits a logged line. The alias never holds a hyphen and the date none of
// " - ", so a file name containing " - " comes back whole. False for a line
// that is not a log line.
bool parseLogLine(const QString& line, LogEntry* entry);
