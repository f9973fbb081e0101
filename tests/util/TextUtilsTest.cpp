#include "util/TextUtils.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "util/LocaleFormats.h"

namespace {

const LocaleFormats kPointLocale{QStringLiteral("d MMM yyyy"), QStringLiteral("HH:mm:ss"), u'.'};

}  // namespace

TEST(TextUtils, FindTextFromSearchesFromTheOffset)
{
    struct Case {
        const char* sub;
        const char* s;
        bool ignoreCase;
        int offset;
        int expected;
    };
    const Case cases[] = {
        {"ab", "xxabxab", false, 4, 6},
        {"ab", "xxabxab", false, 1, 3},
        {"ab", "xxabxab", false, 3, 3},
        {"ab", "xxabxab", false, 0, 3},
        {"ab", "xxabxab", false, -5, 3},
        {"ab", "xxabxab", false, 7, 0},
        {"b", "xxabxab", false, 7, 7},
        {"ab", "xxabxab", false, 8, 0},
        {"AB", "xxabxab", false, 1, 0},
        {"AB", "xxabxab", true, 4, 6},
        {"", "xxabxab", false, 1, 0},
        {"a", "", false, 1, 0},
        {"xxabxabx", "xxabxab", false, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 in %2 from %3").arg(c.sub, c.s).arg(c.offset).toStdString());
        EXPECT_EQ(FindTextFrom(QString::fromLatin1(c.sub), QString::fromLatin1(c.s), c.ignoreCase, c.offset), c.expected);
    }
    EXPECT_EQ(FindTextFrom(QStringLiteral(u"öb"), QStringLiteral(u"SÖDERBERG ÖBERG"), true, 1), 11);
    EXPECT_EQ(FindTextFrom(QStringLiteral(u"ém"), QStringLiteral(u"ÉMILE"), true, 1), 0);
}

TEST(TextUtils, FindLastTextFindsTheLastOverlappingHit)
{
    EXPECT_EQ(FindLastText(QStringLiteral("aa"), QStringLiteral("aaa"), false), 2);
    EXPECT_EQ(FindLastText(QStringLiteral("ab"), QStringLiteral("xxabxab"), false), 6);
    EXPECT_EQ(FindLastText(QStringLiteral("AB"), QStringLiteral("xxabxabx"), true), 6);
    EXPECT_EQ(FindLastText(QStringLiteral("AB"), QStringLiteral("xxabxab"), false), 0);
    EXPECT_EQ(FindLastText(QString(), QStringLiteral("abc"), false), 0);
    EXPECT_EQ(FindLastText(QStringLiteral("c"), QStringLiteral("abc"), false), 3);
}

TEST(TextUtils, NordicCaseFoldingTouchesOnlyAsciiAndFourLetters)
{
    EXPECT_EQ(LowerCaseNordic(QStringLiteral(u"ÅSA ÖBERG")), QStringLiteral(u"åsa öberg"));
    EXPECT_EQ(LowerCaseNordic(QStringLiteral(u"ÉMILE ÆØ ÄÜ")), QStringLiteral(u"Émile ÆØ äü"));
    EXPECT_EQ(UpperCaseNordic(QStringLiteral(u"åsa öberg émile æø äü")), QStringLiteral(u"ÅSA ÖBERG éMILE æø ÄÜ"));
    EXPECT_TRUE(SameTextOpt(QStringLiteral(u"Åsa"), QStringLiteral(u"åSA"), true));
    EXPECT_FALSE(SameTextOpt(QStringLiteral(u"Åsa"), QStringLiteral(u"åSA"), false));
    EXPECT_FALSE(SameTextOpt(QStringLiteral(u"Émile"), QStringLiteral(u"émile"), true));
    EXPECT_TRUE(SameTextOpt(QString(), QString(), false));
}

TEST(TextUtils, SmallTextEdits)
{
    QString s = QStringLiteral("a.b.c");
    ReplaceChar(s, u'.', u'/');
    EXPECT_EQ(s, QStringLiteral("a/b/c"));
    EXPECT_EQ(WithTrailingBackslash(QString()), QString());
    EXPECT_EQ(WithTrailingBackslash(QStringLiteral("data")), QStringLiteral("data/"));
    EXPECT_EQ(WithTrailingBackslash(QStringLiteral("data/")), QStringLiteral("data/"));
}

TEST(TextUtils, IntToTextPaddedPutsTheSignBeforeTheZeros)
{
    struct Case {
        int digits;
        qint64 value;
        const char* expected;
    };
    const Case cases[] = {
        {3, 7, "007"},
        {3, -5, "-005"},
        {3, 1234, "1234"},
        {0, -42, "-42"},
        {-3, 7, "7"},
        {1, 0, "0"},
        {20, std::numeric_limits<qint64>::min(), "-09223372036854775808"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(IntToTextPadded(c.digits, c.value), QString::fromLatin1(c.expected));
    }
}

TEST(TextUtils, DecodeHtmlEntities)
{
    struct Case {
        const char* name;
        QString input;
        QString expected;
    };
    const Case cases[] = {
        {"decimal", QStringLiteral("Caf&#233;"), QStringLiteral(u"Café")},
        {"hex after x", QStringLiteral("&#x41;"), QStringLiteral("A")},
        {"hex after X, $ and 0x", QStringLiteral("&#X42;&#$43;&#0x44;"), QStringLiteral("BCD")},
        {"amp", QStringLiteral("S&amp;P"), QStringLiteral("S&P")},
        {"ouml", QStringLiteral("M&ouml;ller"), QStringLiteral(u"Möller")},
        {"all names", QStringLiteral("&lt;&gt;&quot;&auml;&Auml;&Ouml;"), QStringLiteral(u"<>\"äÄÖ")},
        {"nbsp is a plain blank", QStringLiteral("a&nbsp;b"), QStringLiteral("a b")},
        {"last reference runs to the end", QStringLiteral("&#65;&#66"), QStringLiteral("AB")},
        {"unclosed reference ends decoding", QStringLiteral("&#67 rest"), QStringLiteral("C")},
        {"names are case-sensitive", QStringLiteral("&AMP;"), QStringLiteral("&AMP;")},
        {"name needs its semicolon", QStringLiteral("&amp"), QStringLiteral("&amp")},
        {"lone ampersand at the end", QStringLiteral("a&"), QStringLiteral("a&")},
        {"unknown name stays", QStringLiteral("&copy; x"), QStringLiteral("&copy; x")},
        {"leading numeric part", QStringLiteral("&#65abc;z"), QStringLiteral("Az")},
        {"blanks and sign", QStringLiteral("&# +66;"), QStringLiteral("B")},
        {"low 16 bits", QStringLiteral("&#65601;"), QStringLiteral("A")},
        {"no number gives code 0", QStringLiteral("&#;x"), QString(QChar(u'\0')) + u'x'},
        {"stops at code 0", QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("&amp;c"), QStringLiteral("ab")},
        {"empty", QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeHtmlEntities(c.input), c.expected);
    }
}

TEST(TextUtils, MatchWildcardsExamples)
{
    struct Case {
        const char* pattern;
        QString text;
        bool expected;
    };
    const Case cases[] = {
        {"smith*", QStringLiteral("Smith John"), true},
        {"smith", QStringLiteral("Smith John"), false},
        {"*john", QStringLiteral("Smith John"), true},
        {"s?ith john", QStringLiteral("Smith John"), true},
        {"*", QString(), true},
        {"*", QStringLiteral("anything"), true},
        {"", QString(), true},
        {"", QStringLiteral("**"), true},
        {"", QStringLiteral("a"), false},
        {"*a", QString(), false},
        {"a?c", QStringLiteral("abc"), true},
        {"abc", QStringLiteral("a*"), true},
        {"abc", QStringLiteral("a?c"), true},
        {"abc", QStringLiteral("abcd"), false},
        {"abcd", QStringLiteral("abc"), false},
        {"abc*", QStringLiteral("abc"), true},
        {"a*b*c", QStringLiteral("aXXbYYc"), true},
        {"a*b*c", QStringLiteral("aXXcYYb"), false},
        {"?", QStringLiteral(u"\u0416"), true},
        {"x?y", QStringLiteral(u"x\U0001F600y"), true},
        {"a", QStringLiteral(u"\u0416"), true},  // not in the code page: it becomes "?"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("'%1' against '%2'").arg(QString::fromLatin1(c.pattern), c.text).toStdString());
        EXPECT_EQ(MatchWildcards(QString::fromLatin1(c.pattern), c.text, true), c.expected);
    }
    EXPECT_TRUE(MatchWildcards(QStringLiteral(u"ÖBERG"), QStringLiteral(u"öberg"), true));
    EXPECT_FALSE(MatchWildcards(QStringLiteral(u"ÉMILE"), QStringLiteral(u"émile"), true));
    EXPECT_FALSE(MatchWildcards(QStringLiteral("Smith"), QStringLiteral("smith"), false));
}

namespace {

// The recursive procedure, transcribed step by step, on byte strings without case folding.
bool referenceAllStars(const QByteArray& s, qsizetype from)
{
    for (qsizetype k = from; k < s.size(); ++k) {
        if (s[k] != '*') {
            return false;
        }
    }
    return true;
}

bool referenceMatch(const QByteArray& pattern, const QByteArray& text)
{
    if (pattern.isEmpty() && text.isEmpty()) {
        return true;
    }
    if (pattern.isEmpty()) {
        return referenceAllStars(text, 0);
    }
    if (text.isEmpty()) {
        return referenceAllStars(pattern, 0);
    }
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < pattern.size() && j < text.size()) {
        if (pattern[i] == '?' || text[j] == '?') {
            ++i;
            ++j;
        } else if (pattern[i] == '*') {
            ++i;
            if (i >= pattern.size()) {
                return true;
            }
            for (qsizetype k = j; k < text.size(); ++k) {
                if (referenceMatch(pattern.mid(i), text.mid(k))) {
                    return true;
                }
            }
            return false;
        } else if (text[j] == '*') {
            ++j;
            if (j >= text.size()) {
                return true;
            }
            for (qsizetype k = i; k < pattern.size(); ++k) {
                if (referenceMatch(pattern.mid(k), text.mid(j))) {
                    return true;
                }
            }
            return false;
        } else if (pattern[i] != text[j]) {
            return false;
        } else {
            ++i;
            ++j;
        }
    }
    if (i >= pattern.size() && j < text.size()) {
        return referenceAllStars(text, j);
    }
    if (j >= text.size() && i < pattern.size()) {
        return referenceAllStars(pattern, i);
    }
    return true;
}

constexpr char kAlphabet[] = {'a', 'b', '*', '?'};

QList<QByteArray> allTextsUpTo(int length)
{
    QList<QByteArray> texts{QByteArray()};
    QList<QByteArray> previous = texts;
    for (int n = 1; n <= length; ++n) {
        QList<QByteArray> longer;
        for (const QByteArray& text : previous) {
            for (const char c : kAlphabet) {
                longer.append(text + c);
            }
        }
        texts += longer;
        previous = longer;
    }
    return texts;
}

QByteArray randomText(QRandomGenerator& random, int maxLength)
{
    QByteArray text;
    const int length = random.bounded(maxLength + 1);
    for (int k = 0; k < length; ++k) {
        text += kAlphabet[random.bounded(4)];
    }
    return text;
}

}  // namespace

TEST(TextUtils, MatchWildcardsAgreesWithTheRecursiveProcedure)
{
    const QList<QByteArray> shortTexts = allTextsUpTo(4);
    for (const QByteArray& pattern : shortTexts) {
        for (const QByteArray& text : shortTexts) {
            ASSERT_EQ(MatchWildcards(QString::fromLatin1(pattern), QString::fromLatin1(text), false),
                      referenceMatch(pattern, text))
                << "pattern '" << pattern.toStdString() << "' text '" << text.toStdString() << "'";
        }
    }
    QRandomGenerator random(20081913);
    for (int round = 0; round < 20000; ++round) {
        const QByteArray pattern = randomText(random, 10);
        const QByteArray text = randomText(random, 10);
        ASSERT_EQ(MatchWildcards(QString::fromLatin1(pattern), QString::fromLatin1(text), true),
                  referenceMatch(pattern.toUpper(), text.toUpper()))
            << "pattern '" << pattern.toStdString() << "' text '" << text.toStdString() << "'";
    }
}

TEST(TextUtils, MatchWildcardsHandlesLongTexts)
{
    const QString longText = QString(300, u'a') + u'b';
    EXPECT_TRUE(MatchWildcards(QStringLiteral("*b"), longText, true));
    EXPECT_TRUE(MatchWildcards(QStringLiteral("a*"), longText, true));
    EXPECT_FALSE(MatchWildcards(QStringLiteral("*c"), longText, true));
    EXPECT_TRUE(MatchWildcards(QString(301, u'?'), longText, true));
    EXPECT_FALSE(MatchWildcards(QString(300, u'?'), longText, true));
    EXPECT_TRUE(MatchWildcards(longText, QStringLiteral("*a?"), true));
    EXPECT_FALSE(MatchWildcards(QStringLiteral("*a*a*a*a*a*a*a*b"), QString(200, u'a'), true));
    EXPECT_TRUE(MatchWildcards(QStringLiteral("*a*a*a*a*a*a*a*b"), QString(200, u'a') + u'b', true));
}

TEST(TextUtils, Base64WithoutPadding)
{
    struct Case {
        QByteArray data;
        QByteArray text;
    };
    const Case cases[] = {
        {"", ""},
        {"a", "YQ"},
        {"ab", "YWI"},
        {"abc", "YWJj"},
        {"abcd", "YWJjZA"},
        {QByteArray("\xFB\xFF\x00", 3), "+/8A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(Base64EncodeBytes(c.data), c.text);
        EXPECT_EQ(Base64DecodeBytes(c.text), c.data);
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all += char(b);
    }
    for (qsizetype length = 0; length <= all.size(); length += 37) {
        EXPECT_EQ(Base64DecodeBytes(Base64EncodeBytes(all.left(length))), all.left(length));
    }
}

TEST(TextUtils, Base64DecodingStopsAtTheFirstForeignCharacter)
{
    EXPECT_EQ(Base64DecodeBytes("YWI="), QByteArray("ab"));
    EXPECT_EQ(Base64DecodeBytes("YWJj\r\nYWJj"), QByteArray("abc"));
    EXPECT_EQ(Base64DecodeBytes("YW-Jj"), QByteArray("a"));
    EXPECT_EQ(Base64DecodeBytes("Y"), QByteArray());
}

TEST(TextUtils, ScramblingFeedsTheScrambledByteBack)
{
    // Worked by hand: key bytes 0x12, then 0x37 from ((0x1234 + 0x53) * 3 + 5) mod 65536.
    EXPECT_EQ(ScrambleBytes("AB", 0x1234, 3, 5), QByteArray("\x53\x75"));
    EXPECT_EQ(UnscrambleBytes("\x53\x75", 0x1234, 3, 5), QByteArray("AB"));
    // Only the low 16 bits of the keys count.
    EXPECT_EQ(ScrambleBytes("AB", 0x51234, 0x30003, 0x70005), QByteArray("\x53\x75"));

    QRandomGenerator random(7);
    for (int round = 0; round < 20; ++round) {
        QByteArray data;
        for (int k = 0; k < round * 7; ++k) {
            data += char(random.bounded(256));
        }
        const int start = int(random.generate());
        const int multiplier = int(random.generate());
        const int addend = int(random.generate());
        EXPECT_EQ(UnscrambleBytes(ScrambleBytes(data, start, multiplier, addend), start, multiplier, addend), data);
    }
}

TEST(TextUtils, SizeToTextPicksTheUnitByWholeDivision)
{
    const ScopedLocaleFormats locale(kPointLocale);
    struct Case {
        qint64 size;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 Byte(s)"},
        {1023, "1023 Byte(s)"},
        {1024, "1.00 KB"},
        {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},
        {1572864, "1.50 MB"},
        {1073741823, "1024.00 MB"},
        {1073741824, "1.00 GB"},
        {5905580032LL, "5.50 GB"},
        {-5, "-5 Byte(s)"},
        {-2048, "-2048 Byte(s)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SizeToText(c.size), QString::fromLatin1(c.text));
    }
    const ScopedLocaleFormats comma({QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss"), u','});
    EXPECT_EQ(SizeToText(1536), QStringLiteral("1,50 KB"));
}
