#include "web/DirectoryList.h"

#include <gtest/gtest.h>

namespace {

TEST(DirectoryList, SortKeysAreComparedExactly)
{
    struct Case {
        const char* key;
        int column;
    } const cases[] = {
        {"", 0}, {"name", 0}, {"photo", 0}, {"email", 2}, {"phone", 3}, {"gsm", 4}, {"Phone", 0}, {"EMAIL", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(SortColumnForKey(c.key), c.column);
    }
}

TEST(DirectoryList, LogEventNamesSearchWordsAndSortKey)
{
    EXPECT_EQ(ListLogEvent("mit", "phone"), QString("> list \"mit\" sorted by phone"));
    EXPECT_EQ(ListLogEvent("mit", ""), QString("> list \"mit\""));
    EXPECT_EQ(ListLogEvent("", "Phone"), QString("> list sorted by Phone"));
    EXPECT_EQ(ListLogEvent("", ""), QString("> list all"));
}

TEST(DirectoryList, SearchMatchesFoldedTextColumnsAndRawNumbers)
{
    const DirectoryRow smith{"Smith John", "Engineer", "JOHN@EXAMPLE.ORG", "040 123", "050-999"};
    const DirectoryRow oberg{QString::fromUtf8("Öberg Åsa"), "", "", "09 555", ""};
    const DirectoryRow emile{QString::fromUtf8("ÉMILE Zola"), "", "", "", ""};
    struct Case {
        const char* what;
        const DirectoryRow& row;
        QString words;  // already folded, as the page folds them
        bool wildcards;
        bool shown;
    } const cases[] = {
        {"empty words show every row", smith, "", false, true},
        {"substring of the folded name", smith, "mit", false, true},
        {"substring of the folded title", smith, "engin", false, true},
        {"substring of the folded e-mail", smith, "example.org", false, true},
        {"phone by substring", smith, "040", false, true},
        {"mobile by substring", smith, "-999", false, true},
        {"blanks are ordinary characters", smith, "h j", false, true},
        {"no match", smith, "zzz", false, false},
        {"Nordic letters fold", oberg, QString::fromUtf8("ö"), false, true},
        {"other capitals do not fold", emile, QString::fromUtf8("émile"), false, false},
        {"wildcard prefix", smith, "smith*", true, true},
        {"wildcards match the whole cell", smith, "smith", true, false},
        {"wildcards around", smith, "*smith*", true, true},
        {"question mark", smith, "s?ith john", true, true},
        {"phone stays a substring test", smith, "040", true, true},
        {"star is literal in numbers", smith, "040*", true, false},
        {"lone star shows everything", oberg, "*", true, true},
        {"empty cells match only stars", oberg, "*x*", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RowMatchesSearch(c.row, c.words, c.wildcards), c.shown);
    }
}

}  // namespace
