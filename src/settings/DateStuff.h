#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates and times as the program writes them into its log, audit-trail names
// and backups. The user's own regional settings are never changed: the
// program only chooses, for itself, between fixed formats and the user's.
// Numbers need no such care here: Qt's number texts always use "." and ",".

// True for the locales whose own formats the program accepts as they are
// (a short list of European and English-speaking locales).
bool localeKeepsOwnFormats(const QLocale& locale);

// Sets gForceDateFormats: yes unless the locale keeps its own formats.
void checkThreadLocale(const QLocale& userLocale = QLocale::system());

// While gForceDateFormats, the program's formats become "dd-MMM-yy",
// "dd-MMMM-yyyy" and "HH:mm:ss" with English month names; otherwise they stay
// the user's own.
void forceDateFormats(const QLocale& userLocale = QLocale::system());

struct DateFormats {
    QLocale locale; // month names and AM/PM designators come from here
    QString shortDate;
    QString longDate;
    QString time;
};
// The formats in force; the first use settles them for the user's locale.
const DateFormats& dateFormats();

QString formatShortDate(const QDate& date);
QString formatLongDate(const QDate& date);
QString formatTime(const QTime& time);
// The general date form: short date, a blank, the time.
QString formatDateTime(const QDateTime& moment);

// "DD:HH:MM:SS" between two moments in either order; whole 365-day years are
// dropped, as the progress fields have no place for them.
QString formatElapsed(const QDateTime& start, const QDateTime& end);
