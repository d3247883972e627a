#include "DateStuff.h"

#include "SettingsGlobals.h"

#include <utility>

namespace {

DateFormats ownFormats(const QLocale& l) {
    return {l, l.dateFormat(QLocale::ShortFormat), l.dateFormat(QLocale::LongFormat), l.timeFormat(QLocale::LongFormat)};
}

DateFormats fixedFormats() {
    return {QLocale::c(), QStringLiteral("dd-MMM-yy"), QStringLiteral("dd-MMMM-yyyy"), QStringLiteral("HH:mm:ss")};
}

DateFormats& current() {
    static DateFormats formats =
        localeKeepsOwnFormats(QLocale::system()) ? ownFormats(QLocale::system()) : fixedFormats();
    return formats;
}

} // namespace

bool localeKeepsOwnFormats(const QLocale& locale) {
    static const std::pair<QLocale::Language, QLocale::Territory> kept[] = {
        {QLocale::Danish, QLocale::Denmark},        {QLocale::Dutch, QLocale::Netherlands},
        {QLocale::Dutch, QLocale::Belgium},         {QLocale::English, QLocale::UnitedStates},
        {QLocale::English, QLocale::UnitedKingdom}, {QLocale::English, QLocale::Australia},
        {QLocale::English, QLocale::Canada},        {QLocale::English, QLocale::NewZealand},
        {QLocale::English, QLocale::Ireland},       {QLocale::English, QLocale::SouthAfrica},
        {QLocale::French, QLocale::Canada},         {QLocale::German, QLocale::Germany},
        {QLocale::German, QLocale::Switzerland},    {QLocale::German, QLocale::Austria},
        {QLocale::German, QLocale::Luxembourg},     {QLocale::German, QLocale::Liechtenstein},
        {QLocale::Italian, QLocale::Italy},         {QLocale::Italian, QLocale::Switzerland},
        {QLocale::Spanish, QLocale::Spain},
    };
    for (const auto& k : kept)
        if (locale.language() == k.first && locale.territory() == k.second)
            return true;
    return false;
}

void checkThreadLocale(const QLocale& userLocale) { gForceDateFormats = !localeKeepsOwnFormats(userLocale); }

void forceDateFormats(const QLocale& userLocale) {
    DateFormats chosen = gForceDateFormats ? fixedFormats() : ownFormats(userLocale);
    current() = std::move(chosen);
}

const DateFormats& dateFormats() { return current(); }

QString formatShortDate(const QDate& date) { return current().locale.toString(date, current().shortDate); }

QString formatLongDate(const QDate& date) { return current().locale.toString(date, current().longDate); }

QString formatTime(const QTime& time) { return current().locale.toString(time, current().time); }

QString formatDateTime(const QDateTime& moment) {
    return formatShortDate(moment.date()) + QLatin1Char(' ') + formatTime(moment.time());
}

QString formatElapsed(const QDateTime& start, const QDateTime& end) {
    qint64 s = qAbs(start.secsTo(end));
    s %= 365LL * 86400;
    const qint64 days = s / 86400;
    s -= days * 86400;
    const qint64 hours = s / 3600;
    s -= hours * 3600;
    const qint64 minutes = s / 60;
    s -= minutes * 60;
    auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return two(days) + QLatin1Char(':') + two(hours) + QLatin1Char(':') + two(minutes) + QLatin1Char(':') + two(s);
}
