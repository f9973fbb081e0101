// Prints SaveWorkbook and OpenWorkbook times and the file size for 1,000 and 10,000 rows of
// ten cells, and the resident memory such a workbook takes.
#include <cstdio>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "WorkbookBenchPage.h"

namespace {

constexpr int kRepetitions = 7;

// Resident set size of this process in KiB, from /proc.
long residentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

void run(const QTemporaryDir& folder, int rows)
{
    const QString path = folder.filePath(QStringLiteral("Corvale%1.zwb").arg(rows));
    TZAF_workbook workbook;
    FillShuffledPage(workbook, rows, 1);
    std::vector<double> saves;
    std::vector<double> opens;
    for (int k = 0; k < kRepetitions; ++k) {
        workbook.SetCellValue(0, 0, QStringLiteral("change %1").arg(k));
        saves.push_back(millisecondsOf([&] { workbook.SaveWorkbook(path); }));
    }
    TZAF_workbook reader;
    bool opened = true;
    for (int k = 0; k < kRepetitions; ++k) {
        opens.push_back(millisecondsOf([&] { opened = reader.OpenWorkbook(path) && opened; }));
    }
    std::printf("%6d rows   save %7.2f ms   open %7.2f ms   file %8lld bytes%s\n", rows, median(saves),
                median(opens), QFileInfo(path).size(), opened ? "" : "   OPEN FAILED");
}

}  // namespace

int main()
{
    {
        // Measured first, while the heap holds nothing that the workbook could reuse.
        const long before = residentKib();
        TZAF_workbook workbook;
        FillShuffledPage(workbook, 10000, 2);
        const long after = residentKib();
        std::printf(" 10000 rows   resident memory of the workbook %ld KiB (process %ld KiB)\n", after - before,
                    after);
    }
    QTemporaryDir folder;
    for (int rows : {1000, 10000}) {
        run(folder, rows);
    }
    return 0;
}
