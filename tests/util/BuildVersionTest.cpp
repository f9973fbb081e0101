#include "util/BuildVersion.h"

#include <gtest/gtest.h>

TEST(BuildVersion, TextJoinsTheFourNumbersWithDots)
{
    const BuildVersion version{2, 1, 0, 57};
    EXPECT_EQ(version.text(), QStringLiteral("2.1.0.57"));
}
