#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Cell texts of some columns for every row of a page, copied out as one block of characters:
// nothing in it shares storage with the workbook, so readers on other threads never touch the
// page's strings while they build from it.
class TWBRowTexts {
public:
    int Rows() const;
    int Columns() const { return fcolumns; }
    // The text of the index-th asked column in the row.
    QStringView At(int row, int column) const;

private:
    friend class TZAF_workbook;
    int fcolumns = 0;
    QString ftext;
    QList<qsizetype> fends;  // where each text ends in ftext, row by row
};
