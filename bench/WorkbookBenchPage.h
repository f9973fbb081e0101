#pragma once
// A directory-like page of ten columns for the workbook benchmarks, rows in random order.

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include <QString>

#include "BenchNames.h"
#include "workbook/Workbook.h"

inline void FillShuffledPage(TZAF_workbook& workbook, int rows, unsigned seed)
{
    std::vector<int> order(rows);
    for (int i = 0; i < rows; ++i) {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    if (workbook.GetColumns() != 10) {
        workbook.SetColumns(10);
    }
    if (workbook.GetRows() != rows) {
        workbook.SetRows(rows);
    }
    for (int row = 0; row < rows; ++row) {
        const int r = order[row];
        // Surname and first name repeat, so the name column has many equal keys.
        workbook.SetCellValue(0, row, QString::fromUtf8(BenchSurnames[r % BenchSurnameCount]) + u' ' + QString::fromUtf8(BenchFirstNames[(r / BenchSurnameCount) % BenchFirstNameCount]));
        workbook.SetCellValue(1, row, QString(r % 3 ? "Engineer" : "Sales manager"));
        workbook.SetCellValue(2, row, QStringLiteral("person%1@example.org").arg(r));
        workbook.SetCellValue(3, row, QStringLiteral("040 %1").arg((r * 7919) % 1000000, 6, 10, QChar(u'0')));
        workbook.SetCellValue(4, row, QStringLiteral("050 %1").arg((r * 104729) % 1000000, 6, 10, QChar(u'0')));
        workbook.SetCellValue(5, row, qint32(0));
        workbook.SetCellValue(6, row, QStringLiteral("secret%1").arg(r % 97));
        workbook.SetCellValue(7, row, r % 5 ? QString() : QStringLiteral("Room %1, building B").arg(r % 300));
        workbook.SetCellValue(8, row, qint32(0));
    }
}

template <typename Work>
double millisecondsOf(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
