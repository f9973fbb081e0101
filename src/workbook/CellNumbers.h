#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>

// Number and date texts as the workbook reads and writes them, on top of the shared number
// helpers: with the locale's separator for cells, with a fixed one for the data file.

QString floatTextWithSeparator(double value, QChar separator);
std::optional<double> floatFromTextWithSeparator(QStringView text, QChar separator);

// The leading decimal number of a text, as the counts of the current file format are read:
// "12x" gives 12, text without a leading number gives 0. No value when it does not fit 32 bits.
std::optional<qint32> leadingInteger32(QStringView text);

// A date, a time or a date and time in the user's short date and long time formats, as a
// day number; no value when the text is none of these.
std::optional<double> dayNumberFromLocaleText(QStringView text);
