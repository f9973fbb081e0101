#include "util/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/LocaleFormats.h"

namespace {

const LocaleFormats kPointLocale{QStringLiteral("d MMM yyyy"), QStringLiteral("HH:mm:ss"), u'.'};
const LocaleFormats kCommaLocale{QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss"), u','};

}  // namespace

TEST(NumberText, IntegerTextIsPlainDecimal)
{
    EXPECT_EQ(IntegerToText(0), QStringLiteral("0"));
    EXPECT_EQ(IntegerToText(-1234567), QStringLiteral("-1234567"));
    EXPECT_EQ(IntegerToText(std::numeric_limits<qint64>::min()), QStringLiteral("-9223372036854775808"));
}

TEST(NumberText, FloatTextIsGeneralWithFifteenDigits)
{
    const ScopedLocaleFormats locale(kPointLocale);
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.0, "1"},
        {-1.5, "-1.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {39704.38155027778, "39704.3815502778"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1e300, "1E300"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {-1.5e-6, "-1.5E-6"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FloatToText(c.value), QString::fromLatin1(c.text));
    }
}

TEST(NumberText, FloatTextUsesTheLocaleDecimalSeparator)
{
    const ScopedLocaleFormats locale(kCommaLocale);
    EXPECT_EQ(FloatToText(1234.5), QStringLiteral("1234,5"));
    EXPECT_EQ(FloatToText(2.5e-7), QStringLiteral("2,5E-7"));
}

TEST(NumberText, WholeNumbersReadThePlatformIntegerSyntax)
{
    struct Case {
        const char* text;
        std::optional<qint32> int32;
        std::optional<qint64> int64;
    };
    const std::nullopt_t none = std::nullopt;
    const Case cases[] = {
        {"0", 0, 0},
        {"  42", 42, 42},
        {"+7", 7, 7},
        {"-7", -7, -7},
        {"007", 7, 7},
        {"$1F", 31, 31},
        {"x1f", 31, 31},
        {"X1F", 31, 31},
        {"0x1F", 31, 31},
        {"0X1f", 31, 31},
        {"-$10", -16, -16},
        {"2147483647", 2147483647, 2147483647},
        {"-2147483648", std::numeric_limits<qint32>::min(), -2147483648LL},
        {"2147483648", none, 2147483648LL},
        {"-2147483649", none, -2147483649LL},
        {"$FFFFFFFF", none, 4294967295LL},
        {"9223372036854775807", none, std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", none, std::numeric_limits<qint64>::min()},
        {"9223372036854775808", none, none},
        {"99999999999999999999999", none, none},
        {"$10000000000000000", none, none},
        {"", none, none},
        {"   ", none, none},
        {"-", none, none},
        {"$", none, none},
        {"0x", none, none},
        {"12 ", none, none},
        {"1.5", none, none},
        {"1e3", none, none},
        {"0x1G", none, none},
        {"\t5", none, none},
        {"- 5", none, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextToInt32(QString::fromLatin1(c.text)), c.int32);
        EXPECT_EQ(TextToInt64(QString::fromLatin1(c.text)), c.int64);
    }
}

TEST(NumberText, FloatsReadSignDigitsLocaleSeparatorAndExponent)
{
    const ScopedLocaleFormats locale(kPointLocale);
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const std::nullopt_t none = std::nullopt;
    const Case cases[] = {
        {"1.5", 1.5},
        {" -2.5e3 ", -2500.0},
        {"+.5", 0.5},
        {"5.", 5.0},
        {"1E-5", 1e-5},
        {"42", 42.0},
        {"1e-400", 0.0},
        {"0.000e999", 0.0},
        {"1e400", none},
        {"", none},
        {".", none},
        {"1,5", none},
        {"1e", none},
        {"1e+", none},
        {"abc", none},
        {"1.5x", none},
        {"--1", none},
        {"1 000", none},
        {"INF", none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextToFloat(QString::fromLatin1(c.text)), c.value);
    }
}

TEST(NumberText, FloatsReadOnlyTheLocaleSeparator)
{
    const ScopedLocaleFormats locale(kCommaLocale);
    EXPECT_EQ(TextToFloat(u"1,25"), 1.25);
    EXPECT_EQ(TextToFloat(u"1.25"), std::nullopt);
}

TEST(NumberText, FloatTextReadsBackToTheSameFifteenDigits)
{
    for (const LocaleFormats& formats : {kPointLocale, kCommaLocale}) {
        const ScopedLocaleFormats locale(formats);
        for (const double value : {0.1, -123.456, 39704.38155027778, 6.02214076e23, 1.6e-19, 1e15}) {
            SCOPED_TRACE(value);
            const std::optional<double> back = TextToFloat(FloatToText(value));
            ASSERT_TRUE(back.has_value());
            EXPECT_EQ(FloatToText(*back), FloatToText(value));
            EXPECT_NEAR(*back, value, std::fabs(value) * 1e-14);
        }
    }
}
