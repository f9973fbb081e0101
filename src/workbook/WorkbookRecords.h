#pragma once

#include <QList>
#include <QRecursiveMutex>
#include <QString>

// One cell; the empty text is an empty cell.
struct TWBCellRecord {
    QString text;
};

// One page, column-major: cell[column][row]; every column holds `rows` cells.
struct TWBSheetRecord {
    qint32 columns = 0;
    qint32 rows = 0;
    QList<QList<TWBCellRecord>> cell;
};

// The document with its data lock. Date-times are day numbers since 1899-12-30, local time.
struct TWBWorkbook {
    QRecursiveMutex lock;
    QString filename;
    QString author;
    double created = 0;
    QString editor;
    double modified = 0;
    qint32 currentpage = -1;
    qint32 pages = 0;
    QList<TWBSheetRecord> page;
};

// How the exports render a cell whose text is or is not a number.
enum TWBPriority { TWB_text = 0, TWB_double = 1 };
