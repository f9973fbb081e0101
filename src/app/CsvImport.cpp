#include "app/CsvImport.h"

#include <QFile>
#include <QStringDecoder>

#include "util/Windows1252.h"
#include "workbook/Workbook.h"

namespace {

const QString kImportedLogLine = QStringLiteral("New corvale imported from the CSV file");

constexpr QChar kFieldEnd = u';';
constexpr int kNameColumn = 0;
constexpr int kPhoneColumn = 3;
constexpr int kMobileColumn = 4;

// A file written in code page 850 and read as Windows-1252 shows these three letters wrongly.
constexpr std::pair<char16_t, char16_t> kLetterRepairs[] = {
    {u'\u201E', u'\u00E4'}, // 0x84: a with diaeresis
    {u'\u201D', u'\u00F6'}, // 0x94: o with diaeresis
    {u'\u008F', u'\u00C5'}, // 0x8F: A with ring
};

QString decodeText(const QByteArray& bytes)
{
    const struct {
        QByteArrayView mark;
        QStringDecoder::Encoding encoding;
    } marks[] = {
        {"\xEF\xBB\xBF", QStringDecoder::Utf8},
        {"\xFF\xFE", QStringDecoder::Utf16LE},
        {"\xFE\xFF", QStringDecoder::Utf16BE},
    };
    for (const auto& [mark, encoding] : marks) {
        if (QByteArrayView(bytes).startsWith(mark)) {
            QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
            return decoder(QByteArrayView(bytes).sliced(mark.size()));
        }
    }
    return fromWindows1252(bytes);
}

// The text before the next ";", removed with it from line; empty when no ";" is left.
QString takeField(QString& line)
{
    const qsizetype end = line.indexOf(kFieldEnd);
    if (end < 0) {
        return {};
    }
    QString field = line.left(end);
    line.remove(0, end + 1);
    return field;
}

} // namespace

QStringList DecodeCsvLines(const QByteArray& bytes)
{
    const QString text = decodeText(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        lines.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        lines.append(text.sliced(start));
    }
    return lines;
}

CsvEntry ParseCsvLine(QString line)
{
    for (const auto& [wrong, right] : kLetterRepairs) {
        line.replace(QChar(wrong), QChar(right));
    }
    CsvEntry entry;
    entry.name = takeField(line);
    entry.phone = takeField(line);
    entry.mobile = takeField(line);
    return entry;
}

CsvImportResult ImportDirectoryFromCsv(TZAF_workbook& workbook, const QString& csvPath,
                                       const std::function<void(const QString&)>& logLine)
{
    CsvImportResult result;
    QFile file(csvPath);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }
    QList<CsvEntry> entries;
    for (const QString& line : DecodeCsvLines(bytes)) {
        entries.append(ParseCsvLine(line));
    }
    {
        TZAF_workbook::CallerLock lock(workbook);
        workbook.ClearAllPages();
        workbook.SetRows(0);
        for (const CsvEntry& entry : entries) {
            workbook.SetRows(workbook.GetRows() + 1);
            const int row = workbook.GetRows() - 1;
            workbook.SetCellValue(kNameColumn, row, entry.name);
            workbook.SetCellValue(kPhoneColumn, row, entry.phone);
            workbook.SetCellValue(kMobileColumn, row, entry.mobile);
        }
        result.saved = workbook.SaveWorkbook(QString());
    }
    result.imported = true;
    logLine(kImportedLogLine);
    return result;
}
