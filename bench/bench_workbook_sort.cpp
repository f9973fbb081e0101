// Prints the time of SortByColumn on pages of 1,000 and 10,000 rows, in random order and
// already sorted, against the plain nested-loop sort on the same rows.
#include <cstdio>

#include <QStringList>

#include "../tests/workbook/NestedLoopSort.h"
#include "WorkbookBenchPage.h"

namespace {

constexpr int kRepetitions = 5;

QList<QStringList> columnsOf(const TZAF_workbook& workbook)
{
    QList<QStringList> columns;
    for (int column = 0; column < workbook.GetColumns(); ++column) {
        QStringList cells;
        for (int row = 0; row < workbook.GetRows(); ++row) {
            cells.append(workbook.GetCellAsString(column, row));
        }
        columns.append(cells);
    }
    return columns;
}

void run(int rows, int column, const char* columnName)
{
    std::vector<double> randomTimes;
    std::vector<double> sortedTimes;
    TZAF_workbook workbook;
    for (int k = 0; k < kRepetitions; ++k) {
        FillShuffledPage(workbook, rows, 100 + k);
        randomTimes.push_back(millisecondsOf([&] { workbook.SortByColumn(column, true, false); }));
        sortedTimes.push_back(millisecondsOf([&] { workbook.SortByColumn(column, true, false); }));
    }
    FillShuffledPage(workbook, rows, 100);
    QList<QStringList> plain = columnsOf(workbook);
    const double nestedLoop = millisecondsOf([&] { nestedLoopSort(plain, column, true); });
    workbook.SortByColumn(column, true, false);
    const bool same = columnsOf(workbook) == plain;
    const double random = median(randomTimes);
    std::printf("%6d rows by %-5s random %9.3f ms   sorted %9.3f ms   nested loop %10.1f ms   ratio %8.0fx%s\n",
                rows, columnName, random, median(sortedTimes), nestedLoop, nestedLoop / random,
                same ? "" : "   RESULTS DIFFER");
}

}  // namespace

int main()
{
    for (int rows : {1000, 10000}) {
        run(rows, 0, "name");
        run(rows, 3, "phone");
    }
    return 0;
}
