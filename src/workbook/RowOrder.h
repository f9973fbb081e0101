#pragma once

#include <QList>
#include <QString>

#include "workbook/WorkbookRecords.h"

// The sort key of a cell in date mode: its text read as a local date-time in the user's
// formats, rendered as the day number's float text. A text that is no date-time has the
// empty key, so it sorts like an empty cell.
QString dateTimeSortKey(const QString& cellText);

// The row order that sorts a page by one column: stable, ordinal UTF-16 comparison of the
// keys, so rows with equal keys keep their order in both directions. order[k] is the row
// that goes to position k.
QList<int> stableRowOrder(const QList<TWBCellRecord>& keyColumn, bool ascending, bool asDateTime);
