#include "util/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "util/LocaleFormats.h"

namespace {

constexpr int kFloatSignificantDigits = 15;
constexpr char16_t kBlank = u' ';

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9') {
        value = u - u'0';
    } else if (u >= u'a' && u <= u'f') {
        value = u - u'a' + 10;
    } else if (u >= u'A' && u <= u'F') {
        value = u - u'A' + 10;
    }
    return value < base ? value : -1;
}

bool isHexMarker(QChar c)
{
    return c == u'$' || c == u'x' || c == u'X';
}

template <typename Integer>
std::optional<Integer> wholeTextToInteger(QStringView text)
{
    const IntegerPrefix prefix = scanIntegerPrefix(text);
    if (!prefix.hasDigits || prefix.overflow || prefix.consumed != text.size()) {
        return std::nullopt;
    }
    const quint64 limit = prefix.negative
        ? quint64(std::numeric_limits<Integer>::max()) + 1
        : quint64(std::numeric_limits<Integer>::max());
    if (prefix.magnitude > limit) {
        return std::nullopt;
    }
    return prefix.negative ? Integer(0 - prefix.magnitude) : Integer(prefix.magnitude);
}

// "1e+15" -> "1E15", "1.5e-06" -> "1.5E-6".
std::string withPlainExponent(const std::string& text)
{
    const auto e = text.find('e');
    if (e == std::string::npos) {
        return text;
    }
    std::string result = text.substr(0, e) + "E";
    std::size_t i = e + 1;
    if (text[i] == '-') {
        result += '-';
    }
    if (text[i] == '-' || text[i] == '+') {
        ++i;
    }
    while (i + 1 < text.size() && text[i] == '0') {
        ++i;
    }
    return result + text.substr(i);
}

}  // namespace

IntegerPrefix scanIntegerPrefix(QStringView text)
{
    IntegerPrefix result;
    qsizetype i = 0;
    while (i < text.size() && text[i] == kBlank) {
        ++i;
    }
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        result.negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && isHexMarker(text[i])) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0) {
            break;
        }
        const quint64 next = result.magnitude * quint64(base) + quint64(digit);
        if (result.magnitude > (std::numeric_limits<quint64>::max() - quint64(digit)) / quint64(base)) {
            result.overflow = true;
        }
        result.magnitude = next;
        result.hasDigits = true;
    }
    result.consumed = i;
    return result;
}

QString IntegerToText(qint64 value)
{
    return QString::number(value);
}

QString FloatToText(double value)
{
    if (std::isnan(value)) {
        return QStringLiteral("NAN");
    }
    if (std::isinf(value)) {
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    }
    if (value == 0) {
        return QStringLiteral("0");  // also for -0
    }
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                            std::chars_format::general, kFloatSignificantDigits);
    if (error != std::errc()) {
        return QString();
    }
    QString text = QString::fromLatin1(withPlainExponent(std::string(buffer, end)));
    text.replace(u'.', DecimalSeparator());
    return text;
}

std::optional<qint32> TextToInt32(QStringView text)
{
    return wholeTextToInteger<qint32>(text);
}

std::optional<qint64> TextToInt64(QStringView text)
{
    return wholeTextToInteger<qint64>(text);
}

std::optional<double> TextToFloat(QStringView text)
{
    const QChar separator = DecimalSeparator();
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text[i] == kBlank) {
        ++i;
    }
    while (end > i && text[end - 1] == kBlank) {
        --end;
    }
    // Rewritten into the locale-free form that from_chars reads.
    std::string plain;
    bool negative = false;
    if (i < end && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    auto readDigits = [&](std::string& into) {
        qsizetype count = 0;
        while (i < end && text[i] >= u'0' && text[i] <= u'9') {
            into += char(text[i].unicode());
            ++i;
            ++count;
        }
        return count;
    };
    std::string integerDigits;
    std::string fractionDigits;
    const qsizetype integerCount = readDigits(integerDigits);
    qsizetype fractionCount = 0;
    if (i < end && text[i] == separator) {
        ++i;
        fractionCount = readDigits(fractionDigits);
    }
    if (integerCount + fractionCount == 0) {
        return std::nullopt;
    }
    plain = integerDigits + "." + fractionDigits;
    long long exponent = 0;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        std::string exponentText;
        if (i < end && (text[i] == u'-' || text[i] == u'+')) {
            exponentText += char(text[i].unicode());
            ++i;
        }
        std::string exponentDigits;
        if (readDigits(exponentDigits) == 0) {
            return std::nullopt;
        }
        exponentText += exponentDigits;
        plain += "e" + exponentText;
        const IntegerPrefix scanned = scanIntegerPrefix(QString::fromLatin1(exponentText));
        exponent = scanned.overflow || scanned.magnitude > 1000000 ? 1000000 : qint64(scanned.magnitude);
        if (scanned.negative) {
            exponent = -exponent;
        }
    }
    if (i != end) {
        return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to represent reads as zero; too large is not a number.
        const auto firstNonZero = integerDigits.find_first_not_of('0');
        long long magnitude = exponent;
        if (firstNonZero != std::string::npos) {
            magnitude += (long long)(integerDigits.size() - firstNonZero);
        } else {
            const auto fractionNonZero = fractionDigits.find_first_not_of('0');
            magnitude -= fractionNonZero == std::string::npos ? 0 : (long long)fractionNonZero;
        }
        if (magnitude > 0) {
            return std::nullopt;
        }
        value = 0;
    } else if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}
