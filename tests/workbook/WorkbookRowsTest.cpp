#include "workbook/Workbook.h"

#include <gtest/gtest.h>

#include <random>

#include "NestedLoopSort.h"
#include "WorkbookTestSupport.h"
#include "workbook/RowOrder.h"
#include "workbook/WorkbookError.h"

namespace {

QList<QStringList> rowsOfColumn0(const QStringList& keys)
{
    QList<QStringList> rows;
    for (int i = 0; i < keys.size(); ++i) {
        rows.append({keys[i], QString::number(i)});
    }
    return rows;
}

QList<QStringList> pageColumns(const TZAF_workbook& workbook)
{
    QList<QStringList> columns;
    for (int column = 0; column < workbook.GetColumns(); ++column) {
        columns.append(columnTexts(workbook, column));
    }
    return columns;
}

// ---- sorting ----

TEST(WorkbookSort, OrdinalAndStableInBothDirections)
{
    struct Case {
        const char* name;
        QStringList keys;
        bool ascending;
        QStringList expectedKeys;
        QStringList expectedIds;  // column 1: where each row came from
    };
    const std::vector<Case> cases = {
        {"upper case first", {"b", "A", "a", "B"}, true, {"A", "B", "a", "b"}, {"1", "3", "2", "0"}},
        {"descending", {"b", "A", "a", "B"}, false, {"b", "a", "B", "A"}, {"0", "2", "3", "1"}},
        {"equal keys keep order", {"x", "y", "x"}, true, {"x", "x", "y"}, {"0", "2", "1"}},
        {"equal keys keep order descending", {"x", "y", "x"}, false, {"y", "x", "x"}, {"1", "0", "2"}},
        {"empty and prefixes first", {"ab", "", "a", "b"}, true, {"", "a", "ab", "b"}, {"1", "2", "0", "3"}},
        {"code units, not letters", {"\u00e4", "z", "Z"}, true, {"Z", "z", "\u00e4"}, {"2", "1", "0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZAF_workbook workbook;
        fillRows(workbook, rowsOfColumn0(c.keys));
        ASSERT_TRUE(workbook.SortByColumn(0, c.ascending, false));
        EXPECT_EQ(columnTexts(workbook, 0), c.expectedKeys);
        EXPECT_EQ(columnTexts(workbook, 1), c.expectedIds);
    }
}

TEST(WorkbookSort, PageInOrderIsNotTouched)
{
    const std::vector<std::pair<QStringList, bool>> inOrder = {
        {{"A", "B", "a", "b"}, true},
        {{"b", "a", "B", "A"}, false},
        {{"same", "same", "same"}, true},
        {{"same", "same", "same"}, false},
        {{}, true},
    };
    for (const auto& [keys, ascending] : inOrder) {
        SCOPED_TRACE(keys.join(',').toStdString());
        TZAF_workbook workbook;
        fillRows(workbook, rowsOfColumn0(keys));
        workbook.SetModified(1.0);
        ASSERT_TRUE(workbook.SortByColumn(0, ascending, false));
        EXPECT_EQ(workbook.Modified(), 1.0);
        EXPECT_EQ(columnTexts(workbook, 0), keys);
    }
    TZAF_workbook workbook;
    fillRows(workbook, rowsOfColumn0({"b", "a"}));
    workbook.SetModified(1.0);
    workbook.SortByColumn(0, true, false);
    EXPECT_NE(workbook.Modified(), 1.0);
}

TEST(WorkbookSort, EqualsTheNestedLoopOnRandomPages)
{
    const QStringList alphabet = {"", "a", "A", "b", "ab", "B", "a ", "\u00c5"};
    std::mt19937 random(20081309);
    for (int round = 0; round < 200; ++round) {
        const int rows = int(random() % 60);
        const int keyColumn = int(random() % 3);
        const bool ascending = random() % 2 == 0;
        QList<QStringList> page;
        for (int row = 0; row < rows; ++row) {
            page.append({alphabet[random() % alphabet.size()], alphabet[random() % alphabet.size()],
                         alphabet[random() % alphabet.size()], QString::number(row)});
        }
        TZAF_workbook workbook;
        fillRows(workbook, page);
        QList<QStringList> expected = pageColumns(workbook);
        nestedLoopSort(expected, keyColumn, ascending);
        ASSERT_TRUE(workbook.SortByColumn(keyColumn, ascending, false));
        ASSERT_EQ(pageColumns(workbook), expected) << "round " << round;
    }
}

TEST(WorkbookSort, DateModeComparesDayNumberTexts)
{
    ScopedLocaleFormats formats(commaLocaleFormats());
    TZAF_workbook workbook;
    // Day numbers 39704, 36526,41666..., 36525 and one text that is no date.
    fillRows(workbook, rowsOfColumn0({"13.09.2008", "01.01.2000 10:00:00", "no date", "31.12.1999"}));
    ASSERT_TRUE(workbook.SortByColumn(0, true, true));
    EXPECT_EQ(columnTexts(workbook, 0),
              QStringList({"no date", "31.12.1999", "01.01.2000 10:00:00", "13.09.2008"}));
    ASSERT_TRUE(workbook.SortByColumn(0, false, true));
    EXPECT_EQ(columnTexts(workbook, 0),
              QStringList({"13.09.2008", "01.01.2000 10:00:00", "31.12.1999", "no date"}));
    EXPECT_EQ(dateTimeSortKey(QStringLiteral("01.01.2000 12:00:00")), QStringLiteral("36526,5"));

    const QStringList dates = {"", "13.09.2008", "13.09.2008 09:09:25", "01.01.1930", "1.1.2100",
                               "x", "31.12.1999", "00:30:00"};
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        QList<QStringList> page;
        for (int row = 0; row < 30; ++row) {
            page.append({dates[random() % dates.size()], QString::number(row)});
        }
        const bool ascending = round % 2 == 0;
        TZAF_workbook random_workbook;
        fillRows(random_workbook, page);
        QList<QStringList> expected = pageColumns(random_workbook);
        nestedLoopSort(expected, 0, ascending, dateTimeSortKey);
        random_workbook.SortByColumn(0, ascending, true);
        ASSERT_EQ(pageColumns(random_workbook), expected) << "round " << round;
    }
}

// ---- row operations ----

TEST(WorkbookRows, EachOperationsResult)
{
    struct Case {
        const char* name;
        QStringList keys;
        std::function<bool(TZAF_workbook&)> action;
        bool result;
        QStringList expected;  // column 0 afterwards; column 1 must follow it
    };
    const QStringList abc = {"A", "B", "C"};
    const std::vector<Case> cases = {
        {"insert in the middle", abc, [](TZAF_workbook& w) { return w.InsertRow(1); }, true, {"A", "", "B", "C"}},
        {"insert at the end", abc, [](TZAF_workbook& w) { return w.InsertRow(3); }, true, {"A", "B", "C", ""}},
        {"insert beyond the end", abc, [](TZAF_workbook& w) { return w.InsertRow(7); }, true, {"A", "B", "C", ""}},
        {"insert before the start", abc, [](TZAF_workbook& w) { return w.InsertRow(-1); }, false, abc},
        {"delete the first", abc, [](TZAF_workbook& w) { return w.DeleteRow(0); }, true, {"B", "C"}},
        {"delete the last", abc, [](TZAF_workbook& w) { return w.DeleteRow(2); }, true, {"A", "B"}},
        {"delete past the end", abc, [](TZAF_workbook& w) { return w.DeleteRow(3); }, false, abc},
        {"move the first to the end", abc, [](TZAF_workbook& w) { return w.MoveRowToEnd(0); }, true, {"B", "C", "A"}},
        {"move the last to the end", abc, [](TZAF_workbook& w) { return w.MoveRowToEnd(2); }, true, abc},
        {"move past the end", abc, [](TZAF_workbook& w) { return w.MoveRowToEnd(3); }, false, abc},
        {"swap rows", abc, [](TZAF_workbook& w) { return w.SwapRows(0, 2); }, true, {"C", "B", "A"}},
        {"swap with a row off the page", abc, [](TZAF_workbook& w) { return w.SwapRows(0, 3); }, false, abc},
        {"delete empty rows", {"A", "", "", "B", ""}, [](TZAF_workbook& w) { return w.DeleteEmptyRows(0); }, true,
         {"A", "B"}},
        {"delete empty rows from a negative start", {"", "A"}, [](TZAF_workbook& w) { return w.DeleteEmptyRows(-4); },
         true, {"A"}},
        {"delete empty rows after a start", {"", "A", ""}, [](TZAF_workbook& w) { return w.DeleteEmptyRows(1); },
         true, {"", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZAF_workbook workbook;
        QList<QStringList> rows;
        for (const QString& key : c.keys) {
            rows.append({key, key.isEmpty() ? QString() : key.toLower()});
        }
        fillRows(workbook, rows);
        EXPECT_EQ(c.action(workbook), c.result);
        EXPECT_EQ(columnTexts(workbook, 0), c.expected);
        QStringList lower;
        for (const QString& key : c.expected) {
            lower.append(key.toLower());
        }
        EXPECT_EQ(columnTexts(workbook, 1), lower);
    }
}

TEST(WorkbookRows, ColumnDeletionAndPagesWithoutColumns)
{
    TZAF_workbook workbook;
    workbook.SetColumns(3);
    fillRows(workbook, {{"p", "q", "r"}, {"p2", "q2", "r2"}});
    ASSERT_TRUE(workbook.DeleteColumn(1));
    EXPECT_EQ(rowTexts(workbook), QStringList({"p|r|", "p2|r2|"}));
    EXPECT_FALSE(workbook.DeleteColumn(5));
    EXPECT_FALSE(workbook.DeleteColumn(-1));
    ASSERT_TRUE(workbook.DeleteColumn(0));
    ASSERT_TRUE(workbook.DeleteColumn(0));
    EXPECT_EQ(workbook.Columns(), 0);
    EXPECT_EQ(workbook.Rows(), 2);

    // Without columns no row can be appended, moved or removed, and the loops still end.
    EXPECT_TRUE(workbook.DeleteEmptyRows(0));
    EXPECT_TRUE(workbook.DeleteRow(0));
    EXPECT_FALSE(workbook.MoveRowToEnd(0));
    EXPECT_TRUE(workbook.InsertRow(0));
    EXPECT_EQ(workbook.Rows(), 2);
}

TEST(WorkbookRows, RowAsStringEndsEveryCellWithTheSeparator)
{
    TZAF_workbook workbook;
    workbook.SetColumns(3);
    fillRows(workbook, {{"a", "b", ""}});
    EXPECT_EQ(workbook.RowAsString(0, QStringLiteral(",")), QStringLiteral("a,b,,"));
    EXPECT_EQ(workbook.RowAsString(0, QStringLiteral(" - ")), QStringLiteral("a - b -  - "));
    EXPECT_EQ(workbook.RowAsString(1, QStringLiteral(",")), QString());
}

TEST(WorkbookRows, FailuresRaiseTheirMessageAndFreeTheLocks)
{
    struct Case {
        const char* name;
        std::function<void(TZAF_workbook&)> action;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"sort column", [](TZAF_workbook& w) { w.SortByColumn(10, true, false); }, "Column out of bounds."},
        {"sort negative column", [](TZAF_workbook& w) { w.SortByColumn(-1, true, false); }, "Column out of bounds."},
        {"swap cells", [](TZAF_workbook& w) { w.SwapCells(0, 0, 0, 3); }, "Index out of bounds."},
        {"insert row", [](TZAF_workbook& w) { w.InsertRow(-1); }, "Row out of bounds."},
        {"insert row beyond the end", [](TZAF_workbook& w) { w.InsertRow(9); }, "Row out of bounds."},
        {"delete row", [](TZAF_workbook& w) { w.DeleteRow(3); }, "Row out of bounds."},
        {"delete column", [](TZAF_workbook& w) { w.DeleteColumn(10); }, "Column out of bounds."},
        {"row as string", [](TZAF_workbook& w) { w.RowAsString(3, QString()); }, "Row out of bounds."},
        {"range sum", [](TZAF_workbook& w) { double s = 0; w.GetRangeSum(0, 2, 1, s); }, "Index out of bounds."},
        {"range maximum", [](TZAF_workbook& w) { double m = 0; w.GetRangeMax(0, 0, 3, m); }, "Index out of bounds."},
        {"text search", [](TZAF_workbook& w) { int c, r; w.FindText(QStringLiteral("zz"), c, r, 0, 11, false); },
         "Index out of bounds."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto workbook = std::make_shared<TZAF_workbook>();
        fillRows(*workbook, {{"A"}, {"B"}, {"C"}});
        workbook->SetAllowExceptions(true);
        try {
            c.action(*workbook);
            ADD_FAILURE() << "no exception";
        } catch (const WorkbookError& error) {
            EXPECT_EQ(error.message(), QString::fromLatin1(c.message));
        }
        // InsertRow needs the function lock and the data lock.
        EXPECT_TRUE(completesOnOtherThread(workbook, [](TZAF_workbook& w) { w.InsertRow(0); }));
    }
}

// ---- searching ----

TEST(WorkbookSearch, IndexOfRowMatchesWholeOrPartText)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"Smithson"}, {"Smith"}, {""}, {"smith jr"}, {"\u00d6berg"}});
    struct Case {
        const char* name;
        QString value;
        bool ignoreCase;
        int startRow;
        bool partial;
        int expected;
    };
    const std::vector<Case> cases = {
        {"folded whole text", "smith", true, 0, false, 1},
        {"folded part", "smith", true, 0, true, 0},
        {"part from a later row", "smith", true, 2, true, 3},
        {"case kept, whole text", "smith", false, 0, false, -1},
        {"case kept, part", "smith", false, 0, true, 3},
        {"Nordic folding", "\u00f6berg", true, 0, false, 4},
        {"empty value finds an empty cell", "", true, 0, false, 2},
        {"empty value with parts still needs an empty cell", "", true, 0, true, 2},
        {"negative start counts from the first row", "Smithson", false, -3, false, 0},
        {"nothing after the start row", "Smith", false, 2, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(workbook.IndexOfRow(0, c.value, c.ignoreCase, c.startRow, c.partial), c.expected);
    }
}

TEST(WorkbookSearch, NumberAndTwoColumnSearches)
{
    ScopedLocaleFormats formats(pointLocaleFormats());
    TZAF_workbook workbook;
    fillRows(workbook, {{"Smith", "040 1"}, {"Smith", "050 2"}, {"Jones", "12"}, {"Lee", "2.5"}});
    EXPECT_EQ(workbook.IndexOfRow(1, 12, 0, false), 2);
    EXPECT_EQ(workbook.IndexOfRow(1, 2.5, 0, false), 3);
    EXPECT_EQ(workbook.IndexOfRow(1, 5, 0, true), 1);

    EXPECT_EQ(workbook.IndexOfRow(0, 1, QStringLiteral("smith"), QStringLiteral("050 2"), true, 0, false), 1);
    EXPECT_EQ(workbook.IndexOfRow(0, 1, QStringLiteral("mit"), QStringLiteral("05"), true, 0, true), 1);
    EXPECT_EQ(workbook.IndexOfRow(0, 1, QStringLiteral("mit"), QStringLiteral("05"), true, 0, false), -1);
    EXPECT_EQ(workbook.IndexOfRow(0, 1, QStringLiteral("Jones"), QStringLiteral("040 1"), false, 0, true), -1);
}

TEST(WorkbookSearch, NextRowSearchesFromTheCursorRowItself)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"a"}, {"b"}, {"a"}});
    EXPECT_EQ(workbook.NextRow(0, QStringLiteral("a"), false, false), 0);
    EXPECT_EQ(workbook.NextRow(0, QStringLiteral("a"), false, false), 0);
    workbook.NextRow();
    EXPECT_EQ(workbook.NextRow(0, QStringLiteral("a"), false, false), 2);
    EXPECT_EQ(workbook.Row(), 2);
    EXPECT_EQ(workbook.NextRow(0, QStringLiteral("b"), false, false), -1);
    EXPECT_EQ(workbook.Row(), -1);
}

TEST(WorkbookSearch, TextAndMaskSearchGoColumnByColumn)
{
    TZAF_workbook workbook;
    workbook.SetColumns(3);
    workbook.SetRows(10);
    workbook.SetCellValue(0, 9, QStringLiteral("late in column 0"));
    workbook.SetCellValue(1, 0, QStringLiteral("early in column 1"));
    workbook.SetCellValue(2, 1, QStringLiteral("Smith John"));
    int column = 7;
    int row = 7;
    EXPECT_TRUE(workbook.FindText(QStringLiteral("IN COLUMN"), column, row, -1, -1, true));
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(0, 9));
    EXPECT_TRUE(workbook.FindText(QStringLiteral("in column"), column, row, 1, -1, false));
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(1, 0));
    EXPECT_FALSE(workbook.FindText(QStringLiteral("IN COLUMN"), column, row, 0, 2, false));
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(-1, -1));
    EXPECT_FALSE(workbook.FindText(QStringLiteral("Smith"), column, row, 0, 2, false));  // end column not searched
    EXPECT_TRUE(workbook.FindText(QStringLiteral("Smith"), column, row, 0, 5, false));  // beyond the page: skipped

    EXPECT_TRUE(workbook.FindMaskedText(QStringLiteral("s?ith*"), column, row, 0, 0, -1));
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(2, 1));
    EXPECT_FALSE(workbook.FindMaskedText(QStringLiteral("smith"), column, row, 0, 0, -1));
    // The start row applies to every column.
    EXPECT_FALSE(workbook.FindMaskedText(QStringLiteral("*column*"), column, row, 1, 1, 2));
    EXPECT_TRUE(workbook.FindMaskedText(QStringLiteral("*column*"), column, row, 1, 0, -1));
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(0, 9));
}

TEST(WorkbookSearch, RangeSumsAveragesAndExtremes)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"1"}, {"x"}, {"2"}, {"-5"}, {"-2"}});
    double value = 99;
    EXPECT_TRUE(workbook.GetRangeSum(0, 0, 2, value));
    EXPECT_EQ(value, 3.0);
    EXPECT_TRUE(workbook.GetRangeAverage(0, 0, 2, value));
    EXPECT_EQ(value, 1.0);
    value = 99;
    EXPECT_FALSE(workbook.GetRangeSum(0, 2, 1, value));
    EXPECT_FALSE(workbook.GetRangeAverage(0, 0, 5, value));
    EXPECT_FALSE(workbook.GetRangeSum(10, 0, 1, value));
    EXPECT_EQ(value, 99.0);

    EXPECT_TRUE(workbook.GetRangeMax(0, 3, 4, value));
    EXPECT_EQ(value, -2.0);
    EXPECT_TRUE(workbook.GetRangeMin(0, 0, 4, value));
    EXPECT_EQ(value, -5.0);
    EXPECT_FALSE(workbook.GetRangeMin(0, 3, 2, value));
    EXPECT_EQ(value, 1.7e308);
    EXPECT_TRUE(workbook.GetRangeMax(0, 3, 6, value));  // rows off the page read as 0
    EXPECT_EQ(value, 0.0);
}

}  // namespace
