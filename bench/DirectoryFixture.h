#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include "BenchNames.h"
#include "workbook/Workbook.h"

// A directory of `entries` people for the web benchmarks, with a photo for every tenth in
// baseFolder/photos. Names are surname and first name; about one in twenty holds "mit".
inline void FillBenchDirectory(TZAF_workbook& workbook, const QString& baseFolder, int entries)
{
    QDir().mkpath(baseFolder + "/photos");
    workbook.SetRows(entries);
    for (int r = 0; r < entries; ++r) {
        const QString name = QString::fromUtf8(BenchSurnames[(r * 7) % BenchSurnameCount]) + ' '
            + QString::fromUtf8(BenchFirstNames[(r * 5) % BenchFirstNameCount]) + ' ' + QString::number(r);
        workbook.SetCellValue(0, r, name);
        workbook.SetCellValue(1, r, QString(r % 3 ? "Engineer" : "Sales manager"));
        workbook.SetCellValue(2, r, r % 4 ? QString("person%1@example.org").arg(r) : QString());
        workbook.SetCellValue(3, r, QString("040 %1").arg((r * 7919) % 1000000, 6, 10, QChar('0')));
        workbook.SetCellValue(4, r, QString("050 %1").arg((r * 104729) % 1000000, 6, 10, QChar('0')));
        workbook.SetCellValue(5, r, qint32(0));
        workbook.SetCellValue(8, r, qint32(0));
        if (r % 10 == 0) {
            QFile photo(baseFolder + "/photos/" + name + ".jpg");
            photo.open(QIODevice::WriteOnly);
            photo.write("jpeg");
        }
    }
}
