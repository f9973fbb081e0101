#include "util/DayDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QDateTime local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::LocalTime);
}

}  // namespace

TEST(DayDate, DayNumbersAndLocalDateTimesConvertBothWays)
{
    struct Case {
        const char* name;
        double dayNumber;
        QDateTime dateTime;
    };
    const Case cases[] = {
        {"day zero", 0.0, local(1899, 12, 30)},
        {"next day", 1.0, local(1899, 12, 31)},
        {"noon across a year", 2.5, local(1900, 1, 1, 12)},
        {"before day zero the fraction counts forward", -1.25, local(1899, 12, 29, 6)},
        {"whole day before day zero", -2.0, local(1899, 12, 28)},
        {"leap day", 36585.75, local(2000, 2, 29, 18)},
        {"workbook creation time", 39704.38155027778, local(2008, 9, 13, 9, 9, 25, 944)},
        {"workbook modification time", 40809.73030005787, local(2011, 9, 23, 17, 31, 37, 925)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(dateTimeFromDayNumber(c.dayNumber), c.dateTime);
        EXPECT_NEAR(dayNumberFromDateTime(c.dateTime), c.dayNumber, 1e-9);
    }
}

TEST(DayDate, ConvertsOtherTimeSpecsToLocalTime)
{
    const QDateTime moment = local(2011, 9, 23, 17, 31, 37, 925);
    EXPECT_EQ(dayNumberFromDateTime(moment.toUTC()), dayNumberFromDateTime(moment));
}

TEST(DayDate, RoundsToTheMillisecondAndCarriesIntoTheNextDay)
{
    EXPECT_EQ(dateTimeFromDayNumber(0.5 + 0.4 / 86400000.0), local(1899, 12, 30, 12));
    EXPECT_EQ(dateTimeFromDayNumber(1.0 - 1e-12), local(1899, 12, 31));
}

TEST(DayDate, UnrepresentableValuesGiveNothing)
{
    EXPECT_EQ(dayNumberFromDateTime(QDateTime()), 0.0);
    EXPECT_FALSE(dateTimeFromDayNumber(std::numeric_limits<double>::quiet_NaN()).isValid());
    EXPECT_FALSE(dateTimeFromDayNumber(std::numeric_limits<double>::infinity()).isValid());
    EXPECT_FALSE(dateTimeFromDayNumber(1e300).isValid());
}

TEST(DayDate, NowIsTheCurrentLocalTime)
{
    const double before = dayNumberFromDateTime(QDateTime::currentDateTime());
    const double now = Now();
    const double after = dayNumberFromDateTime(QDateTime::currentDateTime());
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
    EXPECT_NEAR(now, before, 1.0 / 1440);  // generous: one minute
}
