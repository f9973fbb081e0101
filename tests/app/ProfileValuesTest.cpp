#include "app/ProfileValues.h"

#include <gtest/gtest.h>

namespace {

TEST(ProfileValues, IntegersAreDecimalOrHexadecimal)
{
    const qint32 def = 81;
    const struct {
        const char* text;
        qint32 expected;
    } cases[] = {
        {"8081", 8081},     {"0x51", 81},        {"0X1f90", 8080},   {"$51", 81},
        {"$1F90", 8080},    {"-5", -5},          {"+7", 7},          {"65617", 65617},
        {"2147483647", 2147483647},              {"$FFFFFFFF", -1},
        {"eighty", def},    {"", def},           {"0x", def},        {"$", def},
        {"81abc", def},     {"8 1", def},        {"0x5g", def},      {"2147483648", def},
        {"$100000000", def}, {"x51", def},       {"1.5", def},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProfileValues::integerFromText(QString::fromLatin1(c.text), def), c.expected) << c.text;
    }
}

TEST(ProfileValues, BooleansAreIntegersWithTheirDefault)
{
    const struct {
        const char* text;
        bool defaultValue;
        bool expected;
    } cases[] = {
        {"1", false, true}, {"0", true, false}, {"2", false, true}, {"-1", false, true},
        {"yes", true, true}, {"yes", false, false}, {"", true, true}, {"0x0", true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProfileValues::booleanFromText(QString::fromLatin1(c.text), c.defaultValue), c.expected)
            << c.text << " default " << c.defaultValue;
    }
    EXPECT_EQ(ProfileValues::textOfBoolean(true), QStringLiteral("1"));
    EXPECT_EQ(ProfileValues::textOfBoolean(false), QStringLiteral("0"));
}

}  // namespace
