// Directory import: a 10,000-line "Name;Phone;Gsm;" file read, parsed, put into the
// workbook and saved to the data file.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/CsvImport.h"
#include "workbook/Workbook.h"

namespace {

constexpr int kLines = 10000;
constexpr int kRuns = 9;

QByteArray csvFile()
{
    QByteArray bytes;
    for (int i = 0; i < kLines; ++i) {
        bytes += "Surname" + QByteArray::number(i) + " Given\x84" + ";+358 9 " + QByteArray::number(100000 + i)
            + ";040 " + QByteArray::number(5000000 + i) + ";\r\n";
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString csvPath = folder.filePath(QStringLiteral("staff.csv"));
    QFile csv(csvPath);
    if (!csv.open(QIODevice::WriteOnly) || csv.write(csvFile()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(csvPath));
        return 1;
    }
    csv.close();

    TZAF_workbook workbook;
    workbook.SaveWorkbook(folder.filePath(QStringLiteral("Corvale.zwb")));
    std::vector<double> samples;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const CsvImportResult result = ImportDirectoryFromCsv(workbook, csvPath, [](const QString&) {});
        samples.push_back(timer.nsecsElapsed() / 1e6);
        if (!result.saved || workbook.GetRows() != kLines) {
            std::fprintf(stderr, "import failed\n");
            return 1;
        }
    }
    std::sort(samples.begin(), samples.end());
    std::printf("CSV import of %d lines (read, parse, replace rows, save): median %.2f ms of %d runs\n", kLines,
                samples[samples.size() / 2], kRuns);
    return 0;
}
