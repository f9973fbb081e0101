// Text import and export of TZAF_workbook's current page: separated text, HTML, string lists.
#include "workbook/Workbook.h"

#include <QFile>

#include "util/NumberText.h"
#include "util/Windows1252.h"
#include "workbook/WorkbookError.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

constexpr char kHtmlOpening[] = "<html>\r\n<body background=#cccccc>\r\n<table width=100% border=0>\r\n";
constexpr char kHtmlRowStart[] = "<tr>";
constexpr char kHtmlRowEnd[] = "</tr>";
constexpr char kHtmlTextCellStart[] = "<td width=100% bgcolor=#ffffff><font size=2 color=#000000>";
constexpr char kHtmlFileCellStart[] = "<td bgcolor=#ffffff><font size=2 color=#000000>";
constexpr char kHtmlCellEnd[] = "</td>";
constexpr char kHtmlClosingTable[] = "</table>";
constexpr char kHtmlClosingBody[] = "</body>";
constexpr char kHtmlClosingHtml[] = "</html>";
const char* const kHtmlFileOpeningLines[] = {"<html>", "<body background=#cccccc>", "<table width=100% border=0>"};

// Creates or overwrites the file with the text in the single-byte code page. False when the
// file cannot be created; a failing write raises, whatever AllowExceptions says.
bool writeTextFile(const QString& filename, const QString& text)
{
    QFile file(filename);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const QByteArray bytes = toWindows1252(text);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        throw WorkbookIoError(reason);
    }
    return true;
}

}  // namespace

QString TZAF_workbook::renderCell(int column, int row) const
{
    double number = 0;
    GetCellValue(column, row, number);
    const QString text = GetCellAsString(column, row);
    if (fwbpriority == TWB_text) {
        return text.isEmpty() ? FloatToText(number) : text;
    }
    return (number != 0 || text.isEmpty()) ? FloatToText(number) : text;
}

bool TZAF_workbook::ExportCSVText(QString& s, QChar Aseparator) const
{
    s.clear();
    for (int row = 0; row < GetRows(); ++row) {
        for (int column = 0; column < GetColumns(); ++column) {
            s += renderCell(column, row);
            s += Aseparator;
        }
        s += QLatin1String(kLineEnd);
    }
    return true;
}

bool TZAF_workbook::ExportCSVFile(const QString& filename, QChar Aseparator) const
{
    QString text;
    ExportCSVText(text, Aseparator);
    return writeTextFile(filename, text);
}

bool TZAF_workbook::ImportCSVText(const QString& s, QChar Aseparator)
{
    // A page with rows but no columns cannot lose its rows; it keeps them.
    if (GetRows() != 0 && GetColumns() != 0) {
        SetRows(0);
    }
    if (GetColumns() != 0) {
        SetColumns(0);
    }
    const QLatin1String lineEnd(kLineEnd);
    qsizetype start = 0;
    while (start < s.size()) {
        const qsizetype end = s.indexOf(lineEnd, start);
        if (end < 0) {
            return false;  // text without a final line end is not imported
        }
        const QStringView line = QStringView(s).mid(start, end - start);
        start = end + lineEnd.size();

        QList<QStringView> fields;
        qsizetype fieldStart = 0;
        for (qsizetype separator = line.indexOf(Aseparator); separator >= 0;
             separator = line.indexOf(Aseparator, fieldStart)) {
            fields.append(line.mid(fieldStart, separator - fieldStart));
            fieldStart = separator + 1;
        }
        if (fields.size() > GetColumns()) {
            SetColumns(int(fields.size()));
        }
        if (GetColumns() < 1) {
            continue;
        }
        SetRows(GetRows() + 1);
        const int row = GetRows() - 1;
        for (int column = 0; column < fields.size(); ++column) {
            if (!SetCellValue(column, row, fields[column].toString())) {
                return false;
            }
        }
    }
    return true;
}

bool TZAF_workbook::ExportHTMLText(QString& s) const
{
    s = QLatin1String(kHtmlOpening);
    for (int row = 0; row < GetRows(); ++row) {
        s += QLatin1String(kHtmlRowStart) + QLatin1String(kLineEnd);
        for (int column = 0; column < GetColumns(); ++column) {
            s += QLatin1String(kHtmlTextCellStart) + renderCell(column, row) + QLatin1String(kHtmlCellEnd);
        }
        s += QLatin1String(kHtmlRowEnd) + QLatin1String(kLineEnd);
    }
    s += QLatin1String(kHtmlClosingTable) + QLatin1String(kLineEnd) + QLatin1String(kHtmlClosingBody)
         + QLatin1String(kLineEnd) + QLatin1String(kHtmlClosingHtml);
    return true;
}

bool TZAF_workbook::ExportHTMLFile(const QString& filename) const
{
    QStringList lines;
    for (const char* line : kHtmlFileOpeningLines) {
        lines.append(QLatin1String(line));
    }
    for (int row = 0; row < GetRows(); ++row) {
        lines.append(QLatin1String(kHtmlRowStart));
        for (int column = 0; column < GetColumns(); ++column) {
            lines.append(QLatin1String(kHtmlFileCellStart) + renderCell(column, row)
                         + QLatin1String(kHtmlCellEnd));
        }
        lines.append(QLatin1String(kHtmlRowEnd));
    }
    lines << QLatin1String(kHtmlClosingTable) << QLatin1String(kHtmlClosingBody)
          << QLatin1String(kHtmlClosingHtml);
    return writeTextFile(filename, lines.join(QLatin1String(kLineEnd)) + QLatin1String(kLineEnd));
}

bool TZAF_workbook::ExportStringListColumn(QStringList& sl, int Acol) const
{
    if (Acol < 0 || Acol >= GetColumns()) {
        return false;
    }
    sl.clear();
    for (int row = 0; row < GetRows(); ++row) {
        sl.append(renderCell(Acol, row));
    }
    return true;
}

bool TZAF_workbook::ExportStringListRow(QStringList& sl, int Arow) const
{
    if (Arow < 0 || Arow >= GetRows()) {
        return false;
    }
    sl.clear();
    for (int column = 0; column < GetColumns(); ++column) {
        sl.append(renderCell(column, Arow));
    }
    return true;
}

bool TZAF_workbook::ImportStringlistColumn(const QStringList& sl, int Acol)
{
    if (Acol < 0 || Acol >= GetColumns()) {
        return false;
    }
    if (GetRows() < sl.size()) {
        SetRows(int(sl.size()));
    }
    for (int row = 0; row < sl.size(); ++row) {
        if (!SetCellValue(Acol, row, sl[row])) {
            return false;
        }
    }
    return true;
}

bool TZAF_workbook::ImportStringlistRow(const QStringList& sl, int Arow)
{
    if (Arow < 0 || Arow >= GetRows()) {
        return false;
    }
    if (GetColumns() < sl.size()) {
        SetColumns(int(sl.size()));
    }
    for (int column = 0; column < sl.size(); ++column) {
        SetCellValue(column, Arow, sl[column]);
    }
    return true;
}
