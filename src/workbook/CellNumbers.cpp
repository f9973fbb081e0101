#include "workbook/CellNumbers.h"

#include <limits>

#include <QLocale>

#include "util/DayDate.h"
#include "util/LocaleFormats.h"
#include "util/NumberText.h"

QString floatTextWithSeparator(double value, QChar separator)
{
    QString text = FloatToText(value);
    const QChar localeSeparator = DecimalSeparator();
    if (localeSeparator != separator) {
        text.replace(localeSeparator, separator);
    }
    return text;
}

std::optional<double> floatFromTextWithSeparator(QStringView text, QChar separator)
{
    const QChar localeSeparator = DecimalSeparator();
    if (localeSeparator == separator) {
        return TextToFloat(text);
    }
    // The locale's own separator is a foreign character in this form.
    if (text.contains(localeSeparator)) {
        return std::nullopt;
    }
    QString rewritten = text.toString();
    rewritten.replace(separator, localeSeparator);
    return TextToFloat(rewritten);
}

std::optional<qint32> leadingInteger32(QStringView text)
{
    const IntegerPrefix prefix = scanIntegerPrefix(text);
    if (!prefix.hasDigits) {
        return 0;
    }
    const quint64 limit = prefix.negative ? quint64(std::numeric_limits<qint32>::max()) + 1
                                          : quint64(std::numeric_limits<qint32>::max());
    if (prefix.overflow || prefix.magnitude > limit) {
        return std::nullopt;
    }
    return prefix.negative ? qint32(-qint64(prefix.magnitude)) : qint32(prefix.magnitude);
}

std::optional<double> dayNumberFromLocaleText(QStringView text)
{
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    const LocaleFormats formats = currentLocaleFormats();
    const QLocale locale = QLocale::system();
    const QDateTime dateTime =
        locale.toDateTime(trimmed, formats.shortDate + QLatin1Char(' ') + formats.longTime);
    if (dateTime.isValid()) {
        return dayNumberFromDateTime(dateTime);
    }
    const QDate date = locale.toDate(trimmed, formats.shortDate);
    if (date.isValid()) {
        return dayNumberFromDateTime(QDateTime(date, QTime(0, 0), Qt::LocalTime));
    }
    // A time alone is a time of day zero.
    const QTime time = locale.toTime(trimmed, formats.longTime);
    if (time.isValid()) {
        return double(time.msecsSinceStartOfDay()) / 86400000.0;
    }
    return std::nullopt;
}
