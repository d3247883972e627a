#include "SettingsBackup.h"

#include "FileStuff.h"
#include "IniStorage.h"
#include "ProgramPaths.h"
#include "SafeFile.h"

#include <QDir>
#include <QFileInfo>

namespace SettingsBackup {

namespace {

const QString kForbidden = QStringLiteral("\\/:*?<>|\"");

enum class Token { None, Year, MonthName, Day, Hour, Minute, Month, Second };

// The token at `at` and its length; "mm" needs to know what came before.
Token tokenAt(const QString& mask, int at, Token previous, int* length) {
    const auto is = [&](const char* word) {
        const QString w = QString::fromLatin1(word);
        return mask.mid(at, w.size()).compare(w, Qt::CaseInsensitive) == 0;
    };
    *length = 4;
    if (is("yyyy"))
        return Token::Year;
    *length = 3;
    if (is("mmm"))
        return Token::MonthName;
    *length = 2;
    if (is("dd"))
        return Token::Day;
    if (is("hh"))
        return Token::Hour;
    if (is("mm"))
        return previous == Token::Hour ? Token::Minute : Token::Month;
    if (is("ss"))
        return Token::Second;
    *length = 1;
    return Token::None;
}

bool hasToken(const QString& mask) {
    int length = 0;
    for (int i = 0; i < mask.size(); i += length)
        if (tokenAt(mask, i, Token::None, &length) != Token::None)
            return true;
    return false;
}

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString title() { return ProgramPaths::appTitle(); }

} // namespace

QString defaultMask() { return QStringLiteral("dd-mmm-yyyy-hh-mm-ss"); }

QString checkedMask(const QString& mask, QStringList* messages) {
    QString held = mask;
    for (const QChar c : kForbidden) {
        if (!held.contains(c))
            continue;
        messages->append(QString(c) + QStringLiteral(" is invalid filename character - can't use any of these ") +
                         kForbidden);
        held.replace(c, QLatin1Char('-'));
    }
    // Without a date in the name every backup would replace the one before.
    return hasToken(held) ? held : defaultMask();
}

QString formatStamp(const QString& mask, const QDateTime& when) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = when.date();
    const QTime t = when.time();
    QString out;
    Token previous = Token::None;
    int length = 0;
    for (int i = 0; i < mask.size(); i += length) {
        const Token token = tokenAt(mask, i, previous, &length);
        switch (token) {
        case Token::None: out += mask[i]; break;
        case Token::Year: out += QString::number(d.year()); break;
        case Token::MonthName: out += QLatin1String(months[d.month() - 1]); break;
        case Token::Day: out += twoDigits(d.day()); break;
        case Token::Hour: out += twoDigits(t.hour()); break;
        case Token::Minute: out += twoDigits(t.minute()); break;
        case Token::Month: out += twoDigits(d.month()); break;
        case Token::Second: out += twoDigits(t.second()); break;
        }
        if (token != Token::None)
            previous = token;
    }
    return out;
}

QString defaultFolder() { return ProgramPaths::programFolder() + QStringLiteral("backups/"); }

QString storedFolder() {
    return withBackslash(readIni(QStringLiteral("Settings"), QStringLiteral("BackupDirectory"), defaultFolder()));
}

QString listedFolder() {
    const QFileInfo stored(storedFolder());
    return stored.isDir() && stored.isReadable() ? storedFolder() : defaultFolder();
}

QString backupName(const QString& mask, const QDateTime& when) {
    return title() + QStringLiteral("-settings-") + formatStamp(mask, when) + QStringLiteral(".ini");
}

QStringList list(const QString& folder) {
    return QDir(folder).entryList({title() + QStringLiteral("-settings-*.ini")},
                                  QDir::Files | QDir::CaseSensitive, QDir::Name);
}

bool backUp(const QString& target, QString* error) {
    QByteArray bytes;
    if (!readWholeFile(gIniPath, &bytes, error))
        return false;
    if (QFileInfo(target).absolutePath() == QFileInfo(defaultFolder()).absolutePath())
        QDir().mkpath(defaultFolder());
    return writeFileSafely(target, bytes, error);
}

QString explanation(const QString& mask, const QDateTime& when) {
    const QFileInfo settings(gIniPath);
    return QStringLiteral("All parameter settings are stored in a file called '") + settings.fileName() +
           QStringLiteral("' in the ") + QDir::toNativeSeparators(settings.absolutePath()) +
           QStringLiteral(" folder.  If you click backup system, the settings will be stored in a date stamped file"
                          " and stored in your backup folder with a format like this :- '") +
           backupName(mask, when) + QLatin1Char('\'');
}

} // namespace SettingsBackup
