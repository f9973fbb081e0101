#include "util/LocaleFormats.h"

#include <gtest/gtest.h>

#include <QLocale>

TEST(LocaleFormats, LongTimePatternLosesItsZoneAndKeepsSeconds)
{
    struct Case {
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"HH:mm:ss t", "HH:mm:ss"},
        {"h:mm:ss AP t", "h:mm:ss AP"},
        {"t HH:mm:ss", "HH:mm:ss"},
        {"HH:mm:ss", "HH:mm:ss"},
        {"HH:mm", "HH:mm:ss"},
        {"h:mm AP", "h:mm:ss AP"},
        {"HH 'h' mm 'min' ss 's' t", "HH 'h' mm 'min' ss 's'"},
        {"HH'ht'mm:ss", "HH'ht'mm:ss"},
        {"H.mm.ss 'o''clock' t", "H.mm.ss 'o''clock'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(longTimePatternWithoutZone(QString::fromLatin1(c.pattern)), QString::fromLatin1(c.expected));
    }
}

TEST(LocaleFormats, CLocaleFormats)
{
    if (QLocale::system().name() != QLatin1String("C")) {
        GTEST_SKIP() << "needs the C locale, as ctest sets it";
    }
    const LocaleFormats system = LocaleFormats::fromSystem();
    EXPECT_EQ(system.shortDate, QStringLiteral("d MMM yyyy"));
    EXPECT_EQ(system.longTime, QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(system.decimalSeparator, QChar(u'.'));
}

TEST(LocaleFormats, ScopedOverridesFormatAndRestoreWhatWasBefore)
{
    const LocaleFormats system = currentLocaleFormats();
    const QDate date(2008, 9, 13);
    const QTime time(9, 9, 25);
    {
        const ScopedLocaleFormats outer({QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss"), u','});
        EXPECT_EQ(formatShortDate(date), QStringLiteral("13.09.2008"));
        EXPECT_EQ(formatLongTime(time), QStringLiteral("09:09:25"));
        EXPECT_EQ(DecimalSeparator(), QChar(u','));
        {
            const ScopedLocaleFormats inner({QStringLiteral("yyyy-MM-dd"), QStringLiteral("h.mm.ss"), u'.'});
            EXPECT_EQ(formatShortDate(date), QStringLiteral("2008-09-13"));
            EXPECT_EQ(formatLongTime(time), QStringLiteral("9.09.25"));
        }
        EXPECT_EQ(formatShortDate(date), QStringLiteral("13.09.2008"));
    }
    EXPECT_EQ(currentLocaleFormats().shortDate, system.shortDate);
    EXPECT_EQ(currentLocaleFormats().longTime, system.longTime);
    EXPECT_EQ(DecimalSeparator(), system.decimalSeparator);
}
