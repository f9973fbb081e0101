#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Numbers as the workbook's cells and the configuration file hold them.

// The leading integer of a text as the platform reads it: blanks, sign, "$"/"x"/"0x" prefix,
// digits, stopping at the first character that does not belong.
struct IntegerPrefix {
    quint64 magnitude = 0;  // wraps past 64 bits; `overflow` tells
    bool negative = false;
    bool hasDigits = false;
    bool overflow = false;
    qsizetype consumed = 0;  // characters read, up to the first that does not belong
};
IntegerPrefix scanIntegerPrefix(QStringView text);

// Plain decimal text: a minus sign, then digits, no grouping.
QString IntegerToText(qint64 value);

// General float text: fixed or scientific ("1.5E-6", "1E15"), whichever the value needs, with
// up to 15 significant digits, the locale's decimal separator and no grouping.
QString FloatToText(double value);

// Optional leading blanks, optional sign, then decimal digits or hexadecimal digits after
// "$", "x", "X", "0x" or "0X". Trailing characters, an empty number and a value outside the
// target width give no value.
std::optional<qint32> TextToInt32(QStringView text);
std::optional<qint64> TextToInt64(QStringView text);

// Optional sign, digits with the locale's decimal separator, optional exponent, surrounding
// blanks allowed. Anything else, or a value out of the double's range, gives no value.
std::optional<double> TextToFloat(QStringView text);
