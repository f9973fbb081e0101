#include "workbook/Workbook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "WorkbookTestSupport.h"

namespace {

constexpr int kColumns = 4;
constexpr int kStartRows = 50;
constexpr int kIterations = 1500;

// Whether a saved single-page file holds exactly columns x rows cells.
bool snapshotIsWhole(const QString& path, QString& why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("unreadable");
        return false;
    }
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast();  // after the last line end
    if (lines.size() < 9) {
        why = QStringLiteral("%1 lines").arg(lines.size());
        return false;
    }
    const int columns = lines[7].trimmed().toInt();
    const int rows = lines[8].trimmed().toInt();
    if (lines.size() != 9 + columns * rows) {
        why = QStringLiteral("%1 lines for %2 x %3").arg(lines.size()).arg(columns).arg(rows);
        return false;
    }
    return true;
}

TEST(WorkbookConcurrency, WritesDeletionsAndSortsKeepEveryColumnWhole)
{
    QTemporaryDir folder;
    TZAF_workbook workbook;
    workbook.SetColumns(kColumns);
    QList<QStringList> rows;
    for (int row = 0; row < kStartRows; ++row) {
        rows.append({QString::number(row % 7), QString::number(row), QStringLiteral("x"), QString()});
    }
    fillRows(workbook, rows);

    std::atomic<int> brokenSnapshots = 0;
    QString firstBreak;
    std::vector<std::thread> threads;
    auto run = [&threads](unsigned seed, auto body) {
        threads.emplace_back([seed, body] {
            std::mt19937 random(seed);
            for (int i = 0; i < kIterations; ++i) {
                body(random, i);
            }
        });
    };
    run(1, [&](std::mt19937& random, int i) {  // cell writes, some off the page
        const int rowsNow = qMax(workbook.GetRows(), 1);
        workbook.SetCellValue(int(random() % (kColumns + 1)), int(random() % (rowsNow + 1)), QString::number(i));
    });
    run(2, [&](std::mt19937& random, int) {  // deletions
        const int rowsNow = workbook.GetRows();
        if (rowsNow > 0) {
            workbook.DeleteRow(int(random() % rowsNow));
        }
    });
    run(3, [&](std::mt19937& random, int i) {  // appends and inserts, and moves
        if (i % 2 == 0) {
            workbook.SetRows(workbook.GetRows() + 1);
        } else {
            workbook.InsertRow(int(random() % 10));
        }
        workbook.MoveRowToEnd(int(random() % 10));
    });
    run(4, [&](std::mt19937& random, int) {  // sorts in every mode
        workbook.SortByColumn(int(random() % kColumns), random() % 2 == 0, random() % 8 == 0);
    });
    run(5, [&](std::mt19937& random, int i) {  // multi-step searches, and snapshots
        {
            TZAF_workbook::CallerLock lock(workbook);
            int column = 0;
            int row = 0;
            workbook.FindText(QStringLiteral("zz"), column, row, -1, -1, false);
            workbook.IndexOfRow(1, QString::number(random() % 40), false, 0, false);
        }
        if (i % 50 == 0) {
            const QString path = folder.filePath(QStringLiteral("snapshot%1.zwb").arg(i));
            QString why;
            if (workbook.SaveWorkbook(path) && !snapshotIsWhole(path, why) && brokenSnapshots++ == 0) {
                firstBreak = why;
            }
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }

    EXPECT_EQ(brokenSnapshots.load(), 0) << firstBreak.toStdString();
    EXPECT_EQ(workbook.Columns(), kColumns);
    const int finalRows = workbook.Rows();
    for (int column = 0; column < kColumns; ++column) {
        QString text;
        if (finalRows > 0) {
            EXPECT_TRUE(workbook.GetCellValue(column, finalRows - 1, text)) << column;
        }
        EXPECT_FALSE(workbook.GetCellValue(column, finalRows, text)) << column;
    }
    const QString last = folder.filePath(QStringLiteral("last.zwb"));
    ASSERT_TRUE(workbook.SaveWorkbook(last));
    QString why;
    EXPECT_TRUE(snapshotIsWhole(last, why)) << why.toStdString();
}

}  // namespace
