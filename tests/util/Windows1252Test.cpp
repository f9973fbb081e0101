#include "util/Windows1252.h"

#include <gtest/gtest.h>

#include <QSet>

TEST(Windows1252, EveryByteDecodesToADistinctCharacterAndEncodesBack)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(char(b));
    }
    const QString decoded = fromWindows1252(all);
    ASSERT_EQ(decoded.size(), 256);
    QSet<QChar> distinct(decoded.begin(), decoded.end());
    EXPECT_EQ(distinct.size(), 256);
    EXPECT_EQ(toWindows1252(decoded), all);
}

TEST(Windows1252, HighControlRangeMapsToItsCharacters)
{
    struct Case {
        unsigned char byte;
        char16_t character;
    };
    const Case cases[] = {
        {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x82, u'\u201A'}, {0x8A, u'\u0160'},
        {0x8C, u'\u0152'}, {0x8D, u'\u008D'}, {0x8E, u'\u017D'}, {0x8F, u'\u008F'},
        {0x90, u'\u0090'}, {0x91, u'\u2018'}, {0x96, u'\u2013'}, {0x99, u'\u2122'},
        {0x9D, u'\u009D'}, {0x9E, u'\u017E'}, {0x9F, u'\u0178'}, {0xA0, u'\u00A0'},
        {0xC5, u'\u00C5'}, {0xE9, u'\u00E9'}, {0xFF, u'\u00FF'}, {0x7F, u'\u007F'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.byte));
        const QByteArray byte(1, char(c.byte));
        EXPECT_EQ(fromWindows1252(byte), QString(QChar(c.character)));
        EXPECT_EQ(toWindows1252(QString(QChar(c.character))), byte);
    }
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach)
{
    struct Case {
        const char* name;
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"latin extended", QStringLiteral(u"A\u0100B"), "A?B"},
        {"C1 control whose byte holds another character", QStringLiteral(u"\u0080\u009F"), "??"},
        {"surrogate pair is one character", QStringLiteral(u"x\U0001F600y"), "x?y"},
        {"lone surrogate", QString(QChar(u'\xD800')) + u'z', "?z"},
        {"cyrillic", QStringLiteral(u"\u0416"), "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toWindows1252(c.text), c.bytes);
    }
}
