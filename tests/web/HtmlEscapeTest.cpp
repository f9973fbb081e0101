#include "web/HtmlEscape.h"

#include <gtest/gtest.h>

namespace {

struct EscapeCase {
    const char* what;
    QString value;
    QString escaped;
    QString pathPart;
    QString queryValue;
};

TEST(HtmlEscape, EscapesMarkupQuotesAndCharactersOutsideLatin1)
{
    const EscapeCase cases[] = {
        {"plain text stays", "Smith John", "Smith John", "Smith John", "Smith John"},
        {"markup and quotes", "a\"<b>&c", "a&quot;&lt;b&gt;&amp;c", "a&quot;&lt;b&gt;&amp;c",
         "a&quot;&lt;b&gt;%26c"},
        {"Latin-1 letters stay", QString::fromUtf8("Öberg Käpy"), QString::fromUtf8("Öberg Käpy"),
         QString::fromUtf8("Öberg Käpy"), QString::fromUtf8("Öberg Käpy")},
        {"euro sign by code point", QString::fromUtf8("5€"), "5&#8364;", "5&#8364;", "5&#8364;"},
        {"surrogate pair as one code point", QString::fromUtf8("x😀"), "x&#128512;", "x&#128512;", "x&#128512;"},
        {"URL specials", "a%b#c?d:e/f&g+h", "a%b#c?d:e/f&amp;g+h", "a%25b%23c%3Fd%3Ae%2Ff&amp;g+h",
         "a%25b%23c?d:e/f%26g%2Bh"},
        {"empty", "", "", "", ""},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(HtmlEscaped(c.value), c.escaped);
        EXPECT_EQ(HtmlEscapedPathPart(c.value), c.pathPart);
        EXPECT_EQ(HtmlEscapedQueryValue(c.value), c.queryValue);
    }
}

}  // namespace
