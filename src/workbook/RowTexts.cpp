#include "workbook/RowTexts.h"

int TWBRowTexts::Rows() const
{
    return fcolumns > 0 ? int(fends.size() / fcolumns) : 0;
}

QStringView TWBRowTexts::At(int row, int column) const
{
    const qsizetype index = qsizetype(row) * fcolumns + column;
    const qsizetype start = index > 0 ? fends[index - 1] : 0;
    return QStringView(ftext).mid(start, fends[index] - start);
}
