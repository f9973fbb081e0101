#include "net/HttpDate.h"

#include <QTimeZone>

namespace {

const char* const WeekDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int monthNumber(QStringView name)
{
    for (int i = 0; i < 12; ++i) {
        if (name.compare(QLatin1String(Months[i]), Qt::CaseInsensitive) == 0) {
            return i + 1;
        }
    }
    return 0;
}

QTime parseClock(QStringView text)
{
    return QTime::fromString(text.toString(), QStringLiteral("HH:mm:ss"));
}

QDateTime gmt(int year, int month, int day, QTime time)
{
    const QDate date(year, month, day);
    if (!date.isValid() || !time.isValid()) {
        return QDateTime();
    }
    return QDateTime(date, time, QTimeZone::utc());
}

} // namespace

QString FormatHttpDate(const QDateTime& moment)
{
    const QDateTime utc = moment.toUTC();
    const QDate date = utc.date();
    return QStringLiteral("%1, %2 %3 %4 %5 GMT")
        .arg(QLatin1String(WeekDays[date.dayOfWeek() - 1]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(Months[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(utc.time().toString(QStringLiteral("HH:mm:ss")));
}

QDateTime ParseHttpDate(QStringView text)
{
    if (const qsizetype semicolon = text.indexOf(QLatin1Char(';')); semicolon >= 0) {
        text = text.left(semicolon);
    }
    const QList<QStringView> words = text.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 6 && words[0].endsWith(QLatin1Char(',')) && words[5] == u"GMT") {
        // Sun, 06 Nov 1994 08:49:37 GMT
        return gmt(words[3].toInt(), monthNumber(words[2]), words[1].toInt(), parseClock(words[4]));
    }
    if (words.size() == 4 && words[0].endsWith(QLatin1Char(',')) && words[3] == u"GMT") {
        // Sunday, 06-Nov-94 08:49:37 GMT
        const QList<QStringView> parts = words[1].split(QLatin1Char('-'));
        if (parts.size() != 3) {
            return QDateTime();
        }
        int year = parts[2].toInt();
        if (parts[2].size() == 2) {
            year += year < 70 ? 2000 : 1900;
        }
        return gmt(year, monthNumber(parts[1]), parts[0].toInt(), parseClock(words[2]));
    }
    if (words.size() == 5) {
        // Sun Nov  6 08:49:37 1994
        return gmt(words[4].toInt(), monthNumber(words[1]), words[2].toInt(), parseClock(words[3]));
    }
    return QDateTime();
}
