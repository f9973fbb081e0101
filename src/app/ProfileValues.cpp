#include "app/ProfileValues.h"

#include <limits>
#include <optional>

#include "util/NumberText.h"

namespace ProfileValues {

namespace {

// Digits in the given base, after an optional sign, within the 32-bit range; hexadecimal may
// also give the full unsigned range, read as two's complement ("$FFFFFFFF" is -1).
std::optional<qint32> parseInteger(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))) {
        negative = text.front() == QLatin1Char('-');
        text = text.mid(1);
    }
    int base = 10;
    if (text.size() >= 3 && text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        text = text.mid(2);
    } else if (text.startsWith(QLatin1Char('$'))) {
        base = 16;
        text = text.mid(1);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    quint64 magnitude = 0;
    for (const QChar c : text) {
        const int digit = c.isDigit() && c.unicode() < 0x80 ? c.unicode() - '0'
                          : base == 16 && c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')
                              ? c.toLower().unicode() - 'a' + 10
                              : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > std::numeric_limits<quint32>::max()) {
            return std::nullopt;
        }
    }
    if (base == 16) {
        const qint32 value = static_cast<qint32>(static_cast<quint32>(magnitude));
        return negative ? -value : value;
    }
    const qint64 value = negative ? -static_cast<qint64>(magnitude) : static_cast<qint64>(magnitude);
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

}  // namespace

qint32 integerFromText(const QString& text, qint32 defaultValue)
{
    return parseInteger(text.trimmed()).value_or(defaultValue);
}

bool booleanFromText(const QString& text, bool defaultValue)
{
    return integerFromText(text, defaultValue ? 1 : 0) != 0;
}

QString textOfBoolean(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

double floatFromText(const QString& text, double defaultValue)
{
    return TextToFloat(text).value_or(defaultValue);
}

QString textOfFloat(double value)
{
    return FloatToText(value);
}

}  // namespace ProfileValues
