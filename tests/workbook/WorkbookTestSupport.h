#pragma once
// Small helpers shared by the workbook tests.

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include <QString>
#include <QStringList>

#include "util/LocaleFormats.h"
#include "workbook/Workbook.h"

// Fills the current page with rows of cells, widening it to the longest row if needed.
inline void fillRows(TZAF_workbook& workbook, const QList<QStringList>& rows)
{
    int columns = workbook.GetColumns();
    for (const QStringList& row : rows) {
        columns = qMax(columns, int(row.size()));
    }
    if (workbook.GetColumns() != columns) {
        workbook.SetColumns(columns);
    }
    if (workbook.GetRows() != int(rows.size())) {
        workbook.SetRows(int(rows.size()));
    }
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < columns; ++column) {
            workbook.SetCellValue(column, row, rows[row].value(column));
        }
    }
}

// The cells of one column, top to bottom.
inline QStringList columnTexts(const TZAF_workbook& workbook, int column)
{
    QStringList texts;
    for (int row = 0; row < workbook.GetRows(); ++row) {
        texts.append(workbook.GetCellAsString(column, row));
    }
    return texts;
}

// The rows of the current page, each cell followed by "|".
inline QStringList rowTexts(const TZAF_workbook& workbook)
{
    QStringList texts;
    for (int row = 0; row < workbook.GetRows(); ++row) {
        texts.append(workbook.RowAsString(row, QStringLiteral("|")));
    }
    return texts;
}

// True when `work` finishes on another thread within a generous bound, that is, when no lock
// it needs is still held by this thread. A stuck thread keeps the workbook alive.
inline bool completesOnOtherThread(std::shared_ptr<TZAF_workbook> workbook,
                                   std::function<void(TZAF_workbook&)> work)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([workbook, work, done] {
        work(*workbook);
        done->set_value();
    }).detach();
    return finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

// Formats with "," as decimal separator and a day-first date, whatever the machine's locale.
inline LocaleFormats commaLocaleFormats()
{
    return LocaleFormats{QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss"), QChar(u',')};
}

inline LocaleFormats pointLocaleFormats()
{
    return LocaleFormats{QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss"), QChar(u'.')};
}
