#include "app/LogViewLine.h"

#include <gtest/gtest.h>

#include "util/LocaleFormats.h"

namespace {

TEST(LogViewLine, IsTheLongTimeThenTheLine)
{
    const ScopedLocaleFormats formats({"dd.MM.yyyy", "HH:mm:ss", QLatin1Char(',')});
    EXPECT_EQ(LogViewLine("127.0.0.1> list", QTime(9, 5, 7)), QStringLiteral("09:05:07> 127.0.0.1> list"));
}

}  // namespace
