#pragma once

#include <QString>

// How profile values of other types are read from and written as text.
namespace ProfileValues {

// Decimal, or hexadecimal after "$" or (with at least one digit) after "0x" / "0X", in 32 bits;
// any other text gives defaultValue.
qint32 integerFromText(const QString& text, qint32 defaultValue);

// An integer with 1 or 0 as its default; any value other than 0 is true.
bool booleanFromText(const QString& text, bool defaultValue);
QString textOfBoolean(bool value);  // "1" or "0"

// Floating point with the locale's decimal separator; other text gives defaultValue.
double floatFromText(const QString& text, double defaultValue);
QString textOfFloat(double value);

}  // namespace ProfileValues
