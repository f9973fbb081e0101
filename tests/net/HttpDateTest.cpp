#include "net/HttpDate.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace {

const QDateTime Moment(QDate(1994, 11, 6), QTime(8, 49, 37), QTimeZone::utc());

TEST(HttpDate, FormatsInGmt)
{
    EXPECT_EQ(FormatHttpDate(Moment), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(FormatHttpDate(QDateTime(QDate(2024, 3, 5), QTime(0, 0), QTimeZone(3600))),
              "Mon, 04 Mar 2024 23:00:00 GMT");
}

TEST(HttpDate, ReadsTheThreeFormsAndRefusesOthers)
{
    const struct
    {
        const char* text;
        bool valid;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", true},
        {"Sun, 06 Nov 1994 08:49:37 GMT; length=1234", true},
        {"Sunday, 06-Nov-94 08:49:37 GMT", true},
        {"Sun Nov  6 08:49:37 1994", true},
        {"", false},
        {"yesterday", false},
        {"Sun, 31 Feb 1994 08:49:37 GMT", false},
        {"Sun, 06 Nov 1994 25:49:37 GMT", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        const QDateTime parsed = ParseHttpDate(QString::fromLatin1(row.text));
        EXPECT_EQ(parsed.isValid(), row.valid);
        if (row.valid) {
            EXPECT_EQ(parsed, Moment);
        }
    }
}

} // namespace
