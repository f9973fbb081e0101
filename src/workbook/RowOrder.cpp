#include "workbook/RowOrder.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "util/NumberText.h"
#include "workbook/CellNumbers.h"

QString dateTimeSortKey(const QString& cellText)
{
    const std::optional<double> dayNumber = dayNumberFromLocaleText(cellText);
    return dayNumber ? FloatToText(*dayNumber) : QString();
}

QList<int> stableRowOrder(const QList<TWBCellRecord>& keyColumn, bool ascending, bool asDateTime)
{
    QList<QString> dateKeys;
    if (asDateTime) {
        dateKeys.reserve(keyColumn.size());
        for (const TWBCellRecord& cell : keyColumn) {
            dateKeys.append(dateTimeSortKey(cell.text));
        }
    }
    // Views side by side, so the comparisons do not chase the cell records.
    std::vector<QStringView> keys;
    keys.reserve(keyColumn.size());
    for (qsizetype row = 0; row < keyColumn.size(); ++row) {
        keys.push_back(asDateTime ? QStringView(dateKeys[row]) : QStringView(keyColumn[row].text));
    }

    QList<int> order(keyColumn.size());
    std::iota(order.begin(), order.end(), 0);
    if (ascending) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a].compare(keys[b]) < 0; });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a].compare(keys[b]) > 0; });
    }
    return order;
}
