#include "util/DayDate.h"

#include <cmath>

namespace {

constexpr qint64 kMillisecondsPerDay = 86400000;
// Far beyond any date a directory holds, and well inside what QDate can represent.
constexpr double kLargestDayNumber = 1.0e9;

QDate dayZero()
{
    return QDate(1899, 12, 30);
}

}  // namespace

double dayNumberFromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid()) {
        return 0;
    }
    const QDateTime local = dateTime.toLocalTime();
    const qint64 days = dayZero().daysTo(local.date());
    const double fraction = double(local.time().msecsSinceStartOfDay()) / double(kMillisecondsPerDay);
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime dateTimeFromDayNumber(double dayNumber)
{
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > kLargestDayNumber) {
        return QDateTime();
    }
    const double wholeDays = std::trunc(dayNumber);
    qint64 milliseconds = std::llround(std::fabs(dayNumber - wholeDays) * double(kMillisecondsPerDay));
    QDate date = dayZero().addDays(qint64(wholeDays));
    if (milliseconds >= kMillisecondsPerDay) {
        date = date.addDays(1);
        milliseconds = 0;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(milliseconds)), Qt::LocalTime);
}

double Now()
{
    return dayNumberFromDateTime(QDateTime::currentDateTime());
}
