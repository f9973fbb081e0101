#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TZAF_workbook;

// The directory import behind the console's Import button: one entry per line of a
// "Name;Phone;Gsm;" file replaces every row of the directory.

struct CsvImportResult {
    bool imported = false; // the rows were replaced (and the log line written)
    bool saved = false;    // the data file holds the imported rows
    QString error;         // why the file could not be read; nothing changed then
};

// Reads the whole file first, so a file that cannot be read changes nothing. The rows are
// replaced and saved to the workbook's data file under the workbook's callers' lock, so no
// request sees or saves a half-imported directory. logLine receives the completion line.
CsvImportResult ImportDirectoryFromCsv(TZAF_workbook& workbook, const QString& csvPath,
                                       const std::function<void(const QString&)>& logLine);

// The file's lines: the byte-order mark decides UTF-8 or UTF-16, otherwise Windows-1252;
// lines end at CR LF, LF or CR, and a final line end opens no further line.
QStringList DecodeCsvLines(const QByteArray& bytes);

struct CsvEntry {
    QString name;
    QString phone;
    QString mobile;
};

// One line as an entry, after the code-page-850 letter repairs.
CsvEntry ParseCsvLine(QString line);
