#pragma once

#include <QDateTime>

// Date-times as day numbers: whole days since 1899-12-30, the fraction being the time of day,
// in local time. Before that date the fraction still counts forward from midnight
// (-1.25 is 1899-12-29 06:00).

double dayNumberFromDateTime(const QDateTime& dateTime);  // an invalid date-time gives 0
QDateTime dateTimeFromDayNumber(double dayNumber);        // local time, to the millisecond

// The current local time as a day number.
double Now();
