#include "workbook/Workbook.h"

#include <gtest/gtest.h>

#include <atomic>

#include "util/DayDate.h"
#include "WorkbookTestSupport.h"
#include "workbook/WorkbookError.h"

namespace {

constexpr double kStoredCreated = 39704.38155027778;

TEST(WorkbookModel, NewWorkbookIsWhatTheOwningWindowLeaves)
{
    const double before = Now();
    TZAF_workbook workbook;
    EXPECT_EQ(workbook.Pages(), 1);
    EXPECT_EQ(workbook.Page(), 0);
    EXPECT_EQ(workbook.Columns(), 10);
    EXPECT_EQ(workbook.Rows(), 0);
    EXPECT_EQ(workbook.Author(), QStringLiteral("nobody"));
    EXPECT_EQ(workbook.Editor(), QStringLiteral("unknown"));
    EXPECT_EQ(workbook.Document(), QString());
    EXPECT_EQ(workbook.Priority(), TWB_text);
    EXPECT_FALSE(workbook.AllowExceptions());
    EXPECT_EQ(workbook.Created(), kStoredCreated);
    // Setting the columns to 10 marked the workbook as changed at start-up.
    EXPECT_GE(workbook.Modified(), before);
    EXPECT_LE(workbook.Modified(), Now());
    EXPECT_TRUE(workbook.Version().contains(QStringLiteral("1.34")));
    EXPECT_EQ(workbook.Row(), 0);
    EXPECT_EQ(workbook.Col(), 0);
}

TEST(WorkbookModel, DocumentAndVersionIgnoreWrites)
{
    TZAF_workbook workbook;
    const QString version = workbook.Version();
    workbook.SetDocument(QStringLiteral("elsewhere.zwb"));
    workbook.SetVersion(QStringLiteral("9.99"));
    EXPECT_EQ(workbook.Document(), QString());
    EXPECT_EQ(workbook.Version(), version);
}

struct DimensionFailure {
    const char* name;
    std::function<void(TZAF_workbook&)> setup;
    std::function<bool(TZAF_workbook&)> action;
    const char* message;
};

TEST(WorkbookModel, RefusedDimensionChangesLeaveThePageAndRaiseWhenAsked)
{
    const auto threeRows = [](TZAF_workbook& w) { w.SetRows(3); };
    const auto noColumns = [](TZAF_workbook& w) { w.SetRows(3); w.SetColumns(0); };
    const std::vector<DimensionFailure> cases = {
        {"rows to their own count", threeRows, [](TZAF_workbook& w) { return w.SetRows(3); }, "Index out of bounds."},
        {"columns to their own count", threeRows, [](TZAF_workbook& w) { return w.SetColumns(10); }, "Index out of bounds."},
        {"negative columns", threeRows, [](TZAF_workbook& w) { return w.SetColumns(-1); }, "Index out of bounds."},
        {"negative rows", threeRows, [](TZAF_workbook& w) { return w.SetRows(-1); }, "Index out of bounds."},
        {"rows on a page without columns", noColumns, [](TZAF_workbook& w) { return w.SetRows(5); }, "Index out of bounds."},
        {"512 pages", threeRows, [](TZAF_workbook& w) { return w.SetPages(512); }, "Page out of bounds."},
        {"the same page count", threeRows, [](TZAF_workbook& w) { return w.SetPages(1); }, "Page out of bounds."},
        {"columns without a current page", [](TZAF_workbook& w) { w.SetPages(0); },
         [](TZAF_workbook& w) { return w.SetColumns(2); }, "Index out of bounds."},
    };
    for (const DimensionFailure& c : cases) {
        SCOPED_TRACE(c.name);
        TZAF_workbook workbook;
        c.setup(workbook);
        const int pages = workbook.Pages();
        const int columns = workbook.Columns();
        const int rows = workbook.Rows();
        EXPECT_FALSE(c.action(workbook));
        EXPECT_EQ(workbook.Pages(), pages);
        EXPECT_EQ(workbook.Columns(), columns);
        EXPECT_EQ(workbook.Rows(), rows);

        workbook.SetAllowExceptions(true);
        try {
            c.action(workbook);
            ADD_FAILURE() << "no exception";
        } catch (const WorkbookError& error) {
            EXPECT_EQ(error.message(), QString::fromLatin1(c.message));
        }
        EXPECT_EQ(workbook.Rows(), rows);
    }
}

TEST(WorkbookModel, PageCountBoundsAndCurrentPage)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"kept"}});
    ASSERT_TRUE(workbook.SetPages(3));
    EXPECT_EQ(workbook.GetCellAsString(0, 0), QStringLiteral("kept"));
    workbook.SetPage(2);
    EXPECT_EQ(workbook.Page(), 2);
    EXPECT_EQ(workbook.Columns(), 0);
    EXPECT_EQ(workbook.Rows(), 0);
    workbook.SetPage(3);  // not a page: ignored
    EXPECT_EQ(workbook.Page(), 2);
    workbook.SetAllowExceptions(true);
    EXPECT_NO_THROW(workbook.SetPage(-1));
    EXPECT_EQ(workbook.Page(), 2);
    workbook.SetAllowExceptions(false);

    EXPECT_TRUE(workbook.SetPages(511));
    EXPECT_EQ(workbook.Pages(), 511);
    EXPECT_TRUE(workbook.SetPages(2));  // the current page 2 is gone
    EXPECT_EQ(workbook.Page(), 1);

    EXPECT_TRUE(workbook.SetPages(-3));
    EXPECT_EQ(workbook.Pages(), 0);
    EXPECT_EQ(workbook.Page(), -1);
    EXPECT_EQ(workbook.Columns(), -1);
    EXPECT_EQ(workbook.Rows(), -1);
    EXPECT_FALSE(workbook.SetCellValue(0, 0, QStringLiteral("x")));

    EXPECT_TRUE(workbook.SetPages(1));
    EXPECT_EQ(workbook.Page(), 0);
    EXPECT_EQ(workbook.Columns(), 0);
}

TEST(WorkbookModel, ColumnsShrinkAndGrowKeepingTheirCells)
{
    TZAF_workbook workbook;
    workbook.SetRows(2);
    for (int column = 0; column < 10; ++column) {
        workbook.SetCellValue(column, 1, QString::number(column));
    }
    ASSERT_TRUE(workbook.SetColumns(3));
    ASSERT_TRUE(workbook.SetColumns(10));
    EXPECT_EQ(workbook.RowAsString(1, QStringLiteral(",")), QStringLiteral("0,1,2,,,,,,,,"));

    // A page that lost all its columns keeps its row count for the columns that come back.
    ASSERT_TRUE(workbook.SetColumns(0));
    EXPECT_EQ(workbook.Rows(), 2);
    EXPECT_FALSE(workbook.SetRows(5));
    ASSERT_TRUE(workbook.SetColumns(2));
    EXPECT_EQ(workbook.Rows(), 2);
    EXPECT_EQ(columnTexts(workbook, 1), QStringList({"", ""}));
    EXPECT_TRUE(workbook.SetCellValue(1, 1, QStringLiteral("y")));
}

TEST(WorkbookModel, NumbersBecomeTextAndReadBack)
{
    TZAF_workbook workbook;
    workbook.SetRows(1);
    qint32 small = -1;
    qint64 large = -1;
    double real = -1;

    ASSERT_TRUE(workbook.SetCellValue(0, 0, 12));
    EXPECT_EQ(workbook.GetCellAsString(0, 0), QStringLiteral("12"));
    EXPECT_TRUE(workbook.GetCellValue(0, 0, real));
    EXPECT_EQ(real, 12.0);
    EXPECT_TRUE(workbook.GetCellValue(0, 0, small));
    EXPECT_EQ(small, 12);

    ASSERT_TRUE(workbook.SetCellValue(0, 0, qint64(-9000000000)));
    EXPECT_EQ(workbook.GetCellAsString(0, 0), QStringLiteral("-9000000000"));
    EXPECT_FALSE(workbook.GetCellValue(0, 0, small));  // does not fit 32 bits
    EXPECT_EQ(small, 0);
    EXPECT_TRUE(workbook.GetCellValue(0, 0, large));
    EXPECT_EQ(large, qint64(-9000000000));

    ASSERT_TRUE(workbook.SetCellValue(0, 0, QStringLiteral("abc")));
    EXPECT_FALSE(workbook.GetCellValue(0, 0, large));
    EXPECT_EQ(large, 0);
    EXPECT_EQ(workbook.GetCellAsInt(0, 0), 0);
    EXPECT_EQ(workbook.GetCellAsFloat(0, 0), 0.0);

    ASSERT_TRUE(workbook.SetCellValue(0, 0, QStringLiteral("$1F")));
    EXPECT_EQ(workbook.GetCellAsInt(0, 0), 31);

    {
        ScopedLocaleFormats comma(commaLocaleFormats());
        ASSERT_TRUE(workbook.SetCellValue(2.5));  // at the cursor (0, 0)
        EXPECT_EQ(workbook.GetCellValueAsString(), QStringLiteral("2,5"));
        EXPECT_EQ(workbook.GetCellValueAsFloat(), 2.5);
        workbook.SetCellValue(QStringLiteral("2.5"));
        EXPECT_FALSE(workbook.GetCellValue(0, 0, real));
    }
    ScopedLocaleFormats point(pointLocaleFormats());
    EXPECT_EQ(workbook.GetCellAsFloat(0, 0), 2.5);
    workbook.SetCellValue(0, 0, 1e20);
    EXPECT_EQ(workbook.GetCellAsString(0, 0), QStringLiteral("1E20"));
}

TEST(WorkbookModel, CellsOffThePageFailAndLeaveTheValue)
{
    auto workbook = std::make_shared<TZAF_workbook>();
    workbook->SetRows(2);
    workbook->SetCellValue(9, 1, QStringLiteral("last"));
    QString value = QStringLiteral("untouched");
    const std::vector<std::pair<int, int>> offPage = {{10, 0}, {0, 2}, {-1, 0}, {0, -1}};
    for (const auto& [column, row] : offPage) {
        SCOPED_TRACE(QStringLiteral("%1,%2").arg(column).arg(row).toStdString());
        EXPECT_FALSE(workbook->SetCellValue(column, row, QStringLiteral("x")));
        EXPECT_FALSE(workbook->GetCellValue(column, row, value));
        EXPECT_EQ(value, QStringLiteral("untouched"));
        EXPECT_EQ(workbook->GetCellAsString(column, row), QString());
    }
    EXPECT_EQ(workbook->GetCellAsString(9, 1), QStringLiteral("last"));

    workbook->SetAllowExceptions(true);
    try {
        workbook->SetCellValue(10, 0, QStringLiteral("x"));
        ADD_FAILURE() << "no exception";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Index out of bounds."));
    }
    EXPECT_THROW(workbook->GetCellAsString(0, 2), WorkbookError);
    EXPECT_TRUE(completesOnOtherThread(workbook, [](TZAF_workbook& w) { w.SetCellValue(0, 0, QStringLiteral("y")); }));
    EXPECT_EQ(workbook->GetCellAsString(0, 0), QStringLiteral("y"));
}

TEST(WorkbookModel, CopiedRowTextsReadAsTheCellsDo)
{
    auto workbook = std::make_shared<TZAF_workbook>();
    fillRows(*workbook, {{QStringLiteral("Ann"), QString(), QString::fromUtf8("Åsa & Ö")},
                         {QString(), QStringLiteral("b"), QStringLiteral("c")},
                         {QStringLiteral("x"), QStringLiteral("yy"), QString()}});
    const double modified = workbook->Modified();
    struct Case {
        QList<int> columns;
        bool succeeds;
    };
    const Case cases[] = {
        {{0, 1, 2}, true}, {{2, 0}, true}, {{1}, true}, {{}, true}, {{0, 10, 2}, false}, {{-1}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.columns));
        TWBRowTexts texts;
        EXPECT_EQ(workbook->CopyRowTexts(c.columns, texts), c.succeeds);
        EXPECT_EQ(texts.Columns(), c.columns.size());
        EXPECT_EQ(texts.Rows(), c.columns.isEmpty() ? 0 : 3);
        for (int row = 0; row < texts.Rows(); ++row) {
            for (int index = 0; index < c.columns.size(); ++index) {
                EXPECT_EQ(texts.At(row, index).toString(), workbook->GetCellAsString(c.columns[index], row));
            }
        }
    }
    EXPECT_EQ(workbook->Modified(), modified);

    workbook->SetAllowExceptions(true);
    TWBRowTexts texts;
    EXPECT_THROW(workbook->CopyRowTexts({0, 10}, texts), WorkbookError);
    EXPECT_TRUE(completesOnOtherThread(workbook, [](TZAF_workbook& w) { w.SetCellValue(0, 0, QStringLiteral("y")); }));
    workbook->SetRows(0);
    EXPECT_TRUE(workbook->CopyRowTexts({0, 10}, texts));
    EXPECT_EQ(texts.Rows(), 0);
}

TEST(WorkbookModel, CursorMovesWithinThePageButMayPointOutside)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"a", "b"}, {"c", "d"}, {"e", "f"}});
    EXPECT_FALSE(workbook.PrevRow());
    EXPECT_TRUE(workbook.NextRow());
    EXPECT_TRUE(workbook.NextRow());
    EXPECT_FALSE(workbook.NextRow());
    EXPECT_EQ(workbook.Row(), 2);
    EXPECT_EQ(workbook.LastCol(), 9);
    EXPECT_FALSE(workbook.NextCol());
    EXPECT_EQ(workbook.FirstCol(), 0);
    EXPECT_TRUE(workbook.NextCol());
    EXPECT_EQ(workbook.GetCellValueAsString(), QStringLiteral("f"));

    workbook.Row(3);  // not below the row count: ignored
    EXPECT_EQ(workbook.Row(), 2);
    workbook.SetRows(1);  // the cursor stays where it was
    EXPECT_EQ(workbook.Row(), 2);
    EXPECT_FALSE(workbook.SetCellValue(QStringLiteral("x")));
    EXPECT_EQ(workbook.GetCellValueAsString(), QString());
    EXPECT_EQ(workbook.LastRow(), 0);

    workbook.Row(-5);
    EXPECT_EQ(workbook.Row(), -5);
    EXPECT_FALSE(workbook.SetCellValue(qint64(7)));
    EXPECT_FALSE(workbook.PrevRow());
    EXPECT_EQ(workbook.FirstRow(), 0);
    EXPECT_TRUE(workbook.SetCellValue(7));
    EXPECT_EQ(workbook.GetCellValueAsInt(), 7);
}

TEST(WorkbookModel, ClearingRowsAndPages)
{
    TZAF_workbook workbook;
    fillRows(workbook, {{"a", "b"}, {"c", "d"}, {"e", "f"}});
    ASSERT_TRUE(workbook.ClearRow(1, QString()));
    EXPECT_EQ(columnTexts(workbook, 0), QStringList({"a", "", "e"}));
    ASSERT_TRUE(workbook.ClearRow(0, QStringLiteral("-")));
    EXPECT_EQ(workbook.RowAsString(0, QString()), QStringLiteral("----------"));
    EXPECT_FALSE(workbook.ClearRow(3, QString()));
    EXPECT_FALSE(workbook.ClearRow(-1, QString()));

    workbook.LastRow();
    workbook.NextCol();
    workbook.SetPages(2);
    workbook.ClearAllPages();
    EXPECT_EQ(workbook.Pages(), 2);
    EXPECT_EQ(workbook.Columns(), 10);
    EXPECT_EQ(workbook.Rows(), 3);
    EXPECT_EQ(columnTexts(workbook, 1), QStringList({"", "", ""}));
    EXPECT_EQ(workbook.Row(), 0);
    EXPECT_EQ(workbook.Col(), 0);

    EXPECT_TRUE(workbook.ClearPage(1));
    EXPECT_FALSE(workbook.ClearPage(2));
    workbook.SetAllowExceptions(true);
    try {
        workbook.ClearPage(2);
        ADD_FAILURE() << "no exception";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Page out of bounds."));
    }
    try {
        workbook.ClearRow(3, QString());
        ADD_FAILURE() << "no exception";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Row out of bounds."));
    }
}

TEST(WorkbookModel, OnlyChangesMarkTheWorkbookModified)
{
    struct Case {
        const char* name;
        std::function<void(TZAF_workbook&)> action;
        bool marks;
    };
    const std::vector<Case> cases = {
        {"cell write", [](TZAF_workbook& w) { w.SetCellValue(1, 1, QStringLiteral("x")); }, true},
        {"cursor cell write", [](TZAF_workbook& w) { w.SetCellValue(2.0); }, true},
        {"column count", [](TZAF_workbook& w) { w.SetColumns(4); }, true},
        {"row count", [](TZAF_workbook& w) { w.SetRows(1); }, true},
        {"page count", [](TZAF_workbook& w) { w.SetPages(2); }, true},
        {"page clear", [](TZAF_workbook& w) { w.ClearPage(0); }, true},
        {"row clear", [](TZAF_workbook& w) { w.ClearRow(0, QString()); }, true},
        {"author", [](TZAF_workbook& w) { w.SetAuthor(QStringLiteral("me")); }, true},
        {"editor", [](TZAF_workbook& w) { w.SetEditor(QStringLiteral("me")); }, true},
        {"cell swap", [](TZAF_workbook& w) { w.SwapCells(0, 0, 0, 0); }, true},
        {"created", [](TZAF_workbook& w) { w.SetCreated(2.0); }, false},
        {"page", [](TZAF_workbook& w) { w.SetPage(0); }, false},
        {"priority", [](TZAF_workbook& w) { w.SetPriority(TWB_double); }, false},
        {"cursor moves", [](TZAF_workbook& w) { w.NextRow(); w.LastCol(); w.Row(0); }, false},
        {"reads", [](TZAF_workbook& w) { w.GetCellAsString(0, 0); w.GetRows(); w.RowAsString(0, QString()); }, false},
        {"refused write", [](TZAF_workbook& w) { w.SetCellValue(0, 9, QStringLiteral("x")); }, false},
        {"refused row count", [](TZAF_workbook& w) { w.SetRows(2); }, false},
        {"export", [](TZAF_workbook& w) { QString s; w.ExportCSVText(s, u';'); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZAF_workbook workbook;
        workbook.SetRows(2);
        workbook.SetModified(1.0);
        c.action(workbook);
        EXPECT_EQ(workbook.Modified() != 1.0, c.marks);
    }
}

TEST(WorkbookModel, CallersLockIsReentrantAndExcludesOtherCallers)
{
    auto workbook = std::make_shared<TZAF_workbook>();
    workbook->Lock();
    workbook->Lock();
    std::atomic<bool> entered = false;
    std::thread other([&] {
        TZAF_workbook::CallerLock lock(*workbook);
        entered = true;
    });
    workbook->UnLock();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(entered.load());
    // The callers' lock does not stop other operations.
    EXPECT_TRUE(completesOnOtherThread(workbook, [](TZAF_workbook& w) { w.SetRows(1); }));
    workbook->UnLock();
    other.join();
    EXPECT_TRUE(entered.load());
}

}  // namespace
