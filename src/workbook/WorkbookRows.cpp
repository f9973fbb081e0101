// Row operations, sorting, searching and column ranges of TZAF_workbook.
#include "workbook/Workbook.h"

#include <vector>

#include <QMutexLocker>

#include "util/NumberText.h"
#include "util/TextUtils.h"
#include "workbook/RowOrder.h"
#include "workbook/WorkbookMessages.h"

namespace {

using DataLocker = QMutexLocker<QRecursiveMutex>;

// Start values of the range minimum and maximum; a range whose values never pass them
// reports that it found nothing.
constexpr double kRangeMinStart = 1.7e308;
constexpr double kRangeMaxStart = -1.7e308;

bool contains(const QString& value, const QString& cell, bool ignoreCase)
{
    return FindTextFrom(value, cell, ignoreCase, 1) > 0;
}

bool equals(const QString& value, const QString& cell, bool ignoreCase)
{
    return SameTextOpt(value, cell, ignoreCase);
}

bool matches(const QString& value, const QString& cell, bool ignoreCase, bool allowPartialMatch)
{
    return (allowPartialMatch && contains(value, cell, ignoreCase)) || equals(value, cell, ignoreCase);
}

// Position k receives the row order[k], following each cycle of the permutation, so no
// column is copied or reallocated.
void applyOrderInPlace(QList<TWBCellRecord>& column, const QList<int>& order, std::vector<bool>& placed)
{
    for (int start = 0; start < order.size(); ++start) {
        if (placed[start] || order[start] == start) {
            continue;
        }
        TWBCellRecord held = std::move(column[start]);
        int position = start;
        while (true) {
            const int from = order[position];
            placed[position] = true;
            if (from == start) {
                column[position] = std::move(held);
                break;
            }
            column[position] = std::move(column[from]);
            position = from;
        }
    }
}

}  // namespace

// ---- internal steps ----

void TZAF_workbook::swapRowsUnlocked(TWBSheetRecord& sheet, int row1, int row2)
{
    for (auto& column : sheet.cell) {
        column.swapItemsAt(row1, row2);
    }
    touch();
}

void TZAF_workbook::deleteRowUnlocked(TWBSheetRecord& sheet, int index)
{
    // The same end state as carrying the row down to the end by swaps and shrinking by one.
    if (sheet.columns == 0) {
        if (index < sheet.rows - 1) {
            touch();
        }
        return;
    }
    for (auto& column : sheet.cell) {
        column.remove(index);
    }
    sheet.rows -= 1;
    touch();
}

QString TZAF_workbook::cellOrEmpty(int column, int row) const
{
    DataLocker locker(&fwb.lock);
    return cellExists(column, row) ? currentSheet()->cell[column][row].text : QString();
}

// ---- exchanging, moving, inserting, deleting ----

bool TZAF_workbook::SwapCells(int FromCol, int FromRow, int ToCol, int ToRow)
{
    DataLocker locker(&fwb.lock);
    if (!cellExists(FromCol, FromRow) || !cellExists(ToCol, ToRow)) {
        return fail(WorkbookMessages::kIndexOutOfBounds);
    }
    TWBSheetRecord& sheet = *currentSheet();
    std::swap(sheet.cell[FromCol][FromRow].text, sheet.cell[ToCol][ToRow].text);
    touch();
    return true;
}

bool TZAF_workbook::SwapRows(int ARow1, int ARow2)
{
    DataLocker locker(&fwb.lock);
    TWBSheetRecord* sheet = currentSheet();
    if (!sheet || ARow1 < 0 || ARow1 >= sheet->rows || ARow2 < 0 || ARow2 >= sheet->rows) {
        return false;
    }
    swapRowsUnlocked(*sheet, ARow1, ARow2);
    return true;
}

bool TZAF_workbook::MoveRowToEnd(int AIndex)
{
    DataLocker locker(&fwb.lock);
    TWBSheetRecord* sheet = currentSheet();
    if (!sheet || AIndex < 0 || AIndex > sheet->rows - 1 || sheet->columns == 0) {
        return false;
    }
    for (auto& column : sheet->cell) {
        column.append(column.takeAt(AIndex));
    }
    touch();
    return true;
}

bool TZAF_workbook::InsertRow(int index)
{
    DataLocker funcLocker(&funclock);
    if (index < 0) {
        return fail(WorkbookMessages::kRowOutOfBounds);
    }
    SetRows(GetRows() + 1);
    for (int row = GetRows() - 1; row >= index + 1; --row) {
        SwapRows(row, row - 1);
    }
    ClearRow(index, QString());
    return true;
}

bool TZAF_workbook::DeleteRow(int Aindex)
{
    DataLocker locker(&fwb.lock);
    TWBSheetRecord* sheet = currentSheet();
    if (!sheet || Aindex < 0 || Aindex >= sheet->rows) {
        return fail(WorkbookMessages::kRowOutOfBounds);
    }
    deleteRowUnlocked(*sheet, Aindex);
    return true;
}

bool TZAF_workbook::DeleteColumn(int index)
{
    DataLocker funcLocker(&funclock);
    if (index < 0 || index >= GetColumns()) {
        return fail(WorkbookMessages::kColumnOutOfBounds);
    }
    for (int column = index; column <= GetColumns() - 2; ++column) {
        for (int row = 0; row < GetRows(); ++row) {
            SwapCells(column, row, column + 1, row);
        }
    }
    SetColumns(GetColumns() - 1);
    return true;
}

bool TZAF_workbook::DeleteEmptyRows(int AFromIndex)
{
    int row = qMax(AFromIndex, 0);
    while (row < GetRows()) {
        const int rowsBefore = GetRows();
        if (RowAsString(row, QString()).isEmpty()) {
            DeleteRow(row);
        }
        // A row that could not go (a page without columns keeps its rows) is passed over.
        if (GetRows() >= rowsBefore) {
            ++row;
        }
    }
    return true;
}

QString TZAF_workbook::RowAsString(int ARow, const QString& ASeparator) const
{
    QString result;
    if (ARow < 0 || ARow > GetRows() - 1) {
        fail(WorkbookMessages::kRowOutOfBounds);
        return result;
    }
    const int columns = GetColumns();
    for (int column = 0; column < columns; ++column) {
        result += GetCellAsString(column, ARow);
        result += ASeparator;
    }
    return result;
}

// ---- sorting ----

bool TZAF_workbook::SortByColumn(int AColumn, bool Ascending, bool AsDatetimeString)
{
    DataLocker locker(&fwb.lock);
    TWBSheetRecord* sheet = currentSheet();
    if (!sheet || AColumn < 0 || AColumn > sheet->columns - 1) {
        return fail(WorkbookMessages::kColumnOutOfBounds);
    }
    const QList<int> order = stableRowOrder(sheet->cell[AColumn], Ascending, AsDatetimeString);
    bool inOrder = true;
    for (int position = 0; position < order.size() && inOrder; ++position) {
        inOrder = order[position] == position;
    }
    if (inOrder) {
        return true;  // nothing to exchange, so Modified stays as it is
    }
    std::vector<bool> placed(order.size());
    for (auto& column : sheet->cell) {
        std::fill(placed.begin(), placed.end(), false);
        applyOrderInPlace(column, order, placed);
    }
    touch();
    return true;
}

// ---- searching ----

int TZAF_workbook::IndexOfRow(int column, const QString& value, bool IgnoreCase, int StartRow,
                              bool AllowPartialMatch) const
{
    // A negative start row would read rows that do not exist as empty cells.
    for (int row = qMax(StartRow, 0); row < GetRows(); ++row) {
        if (matches(value, cellOrEmpty(column, row), IgnoreCase, AllowPartialMatch)) {
            return row;
        }
    }
    return -1;
}

int TZAF_workbook::IndexOfRow(int column, qint32 value, int StartRow, bool AllowPartialMatch) const
{
    return IndexOfRow(column, IntegerToText(value), false, StartRow, AllowPartialMatch);
}

int TZAF_workbook::IndexOfRow(int column, double value, int StartRow, bool AllowPartialMatch) const
{
    return IndexOfRow(column, FloatToText(value), false, StartRow, AllowPartialMatch);
}

int TZAF_workbook::IndexOfRow(int AColumn1, int AColumn2, const QString& Avalue1,
                              const QString& Avalue2, bool AIgnoreCase, int AStartRow,
                              bool AllowPartialMatch) const
{
    for (int row = qMax(AStartRow, 0); row < GetRows(); ++row) {
        const QString cell1 = cellOrEmpty(AColumn1, row);
        const QString cell2 = cellOrEmpty(AColumn2, row);
        const bool bothContain = AllowPartialMatch && contains(Avalue1, cell1, AIgnoreCase)
                                 && contains(Avalue2, cell2, AIgnoreCase);
        const bool bothEqual = equals(Avalue1, cell1, AIgnoreCase) && equals(Avalue2, cell2, AIgnoreCase);
        if (bothContain || bothEqual) {
            return row;
        }
    }
    return -1;
}

int TZAF_workbook::NextRow(int Acolumn, const QString& Avalue, bool AIgnoreCase, bool AllowPartialMatch)
{
    const int found = IndexOfRow(Acolumn, Avalue, AIgnoreCase, Row(), AllowPartialMatch);
    DataLocker locker(&fwb.lock);
    frow = found;
    return found;
}

bool TZAF_workbook::FindText(const QString& TextPartToFind, int& Acol, int& Arow, int ColRangeStart,
                             int ColRangeEnd, bool AIgnoreCase)
{
    DataLocker funcLocker(&funclock);
    Acol = -1;
    Arow = -1;
    const int firstColumn = qMax(ColRangeStart, 0);
    const int endColumn = ColRangeEnd >= 0 ? ColRangeEnd : GetColumns();
    for (int column = firstColumn; column < endColumn; ++column) {
        for (int row = 0; row < GetRows(); ++row) {
            QString cell;
            if (GetCellValue(column, row, cell) && contains(TextPartToFind, cell, AIgnoreCase)) {
                Acol = column;
                Arow = row;
                return true;
            }
        }
    }
    return false;
}

bool TZAF_workbook::FindMaskedText(const QString& MaskedTextToFind, int& Acol, int& Arow, int StartRow,
                                   int StartCol, int EndCol)
{
    DataLocker funcLocker(&funclock);
    const int endColumn = EndCol >= 0 ? EndCol : GetColumns();
    Acol = -1;
    Arow = -1;
    for (int column = StartCol; column < endColumn; ++column) {
        for (int row = StartRow; row < GetRows(); ++row) {
            QString cell;
            if (GetCellValue(column, row, cell) && MatchWildcards(MaskedTextToFind, cell, true)) {
                Acol = column;
                Arow = row;
                return true;
            }
        }
    }
    return false;
}

// ---- column ranges ----

bool TZAF_workbook::rangeTotal(int column, int startrow, int endrow, double& total) const
{
    const TWBSheetRecord* sheet = currentSheet();
    if (!sheet || column < 0 || column >= sheet->columns || startrow < 0 || startrow > sheet->rows - 1
        || endrow < 0 || endrow > sheet->rows - 1 || endrow < startrow) {
        return fail(WorkbookMessages::kIndexOutOfBounds);
    }
    total = 0;
    for (int row = startrow; row <= endrow; ++row) {
        total += TextToFloat(sheet->cell[column][row].text).value_or(0);
    }
    return true;
}

bool TZAF_workbook::GetRangeAverage(int column, int startrow, int endrow, double& average) const
{
    DataLocker locker(&fwb.lock);
    double total = 0;
    if (!rangeTotal(column, startrow, endrow, total)) {
        return false;
    }
    average = total / double(endrow - startrow + 1);
    return true;
}

bool TZAF_workbook::GetRangeSum(int column, int startrow, int endrow, double& sum) const
{
    DataLocker locker(&fwb.lock);
    double total = 0;
    if (!rangeTotal(column, startrow, endrow, total)) {
        return false;
    }
    sum = total;
    return true;
}

bool TZAF_workbook::GetRangeMin(int column, int startrow, int endrow, double& min) const
{
    DataLocker funcLocker(&funclock);
    min = kRangeMinStart;
    for (int row = startrow; row <= endrow; ++row) {
        double value = 0;
        GetCellValue(column, row, value);
        min = qMin(min, value);
    }
    return min < kRangeMinStart;
}

bool TZAF_workbook::GetRangeMax(int column, int startrow, int endrow, double& max) const
{
    DataLocker funcLocker(&funclock);
    max = kRangeMaxStart;
    for (int row = startrow; row <= endrow; ++row) {
        double value = 0;
        GetCellValue(column, row, value);
        max = qMax(max, value);
    }
    return max > kRangeMaxStart;
}
