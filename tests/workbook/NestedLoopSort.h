#pragma once
// The row sort in its plain quadratic form, as a reference for the fast one: for each row i,
// its key a is taken once; every earlier row j whose key b sorts after a (before a,
// descending) is exchanged with row i, all columns at a time.

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

// columns[c][r] is the cell of column c, row r. `key`, when given, turns a cell's text into
// its sort key afresh for every comparison.
inline void nestedLoopSort(QList<QStringList>& columns, int keyColumn, bool ascending,
                           const std::function<QString(const QString&)>& key = {})
{
    const qsizetype rows = columns.isEmpty() ? 0 : columns[keyColumn].size();
    for (qsizetype i = 0; i < rows; ++i) {
        const QString a = columns[keyColumn][i];
        for (qsizetype j = 0; j < i; ++j) {
            const QString b = columns[keyColumn][j];
            const int order = key ? key(a).compare(key(b)) : a.compare(b);
            if (ascending ? order < 0 : order > 0) {
                for (QStringList& column : columns) {
                    column.swapItemsAt(i, j);
                }
            }
        }
    }
}
