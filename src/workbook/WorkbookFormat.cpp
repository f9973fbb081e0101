#include "workbook/WorkbookFormat.h"

#include <QString>

#include "util/LocaleFormats.h"
#include "util/NumberText.h"
#include "workbook/CellCodec.h"
#include "workbook/CellNumbers.h"
#include "workbook/FileLines.h"
#include "workbook/WorkbookError.h"
#include "workbook/WorkbookMessages.h"

namespace {

constexpr char kHeader1007[] = "TZAFWORKBOOKHEADER1007";
constexpr char kHeader1006[] = "TZAFWORKBOOKHEADER1006";
constexpr char kHeader1005[] = "TZAFWORKBOOKHEADER1005";
constexpr char kLineEnd[] = "\r\n";
constexpr char kIgnoredLine[] = "0";
constexpr QChar kFileDecimalSeparator = u',';  // the current format's, whatever the locale
// Counts that would create more pages or cells than the lines left in the file, beyond this
// allowance for a cut-off file, are taken as damage rather than allocated.
constexpr qint64 kMissingLinesAllowance = 1000000;
constexpr char kImpossibleCount[] = "Impossible count in workbook file.";
constexpr char kUnreadableValue[] = "Unreadable value in workbook file.";
constexpr char kWrongPageIndex[] = "Wrong page index in workbook file.";

const char* headerOf(WorkbookFormat format)
{
    switch (format) {
    case WorkbookFormat::Current1007:
        return kHeader1007;
    case WorkbookFormat::Previous1006:
        return kHeader1006;
    case WorkbookFormat::Oldest1005:
        return kHeader1005;
    }
    return kHeader1007;
}

[[noreturn]] void failRead(const char* message)
{
    throw WorkbookError(QString::fromLatin1(message));
}

// ---- writing ----

class LineWriter {
public:
    void line(QByteArrayView text)
    {
        fbytes.append(text);
        fbytes.append(kLineEnd);
    }
    void text(const QString& value) { appendEncodedLine(fbytes, value); }
    void reserve(qsizetype size) { fbytes.reserve(size); }
    void number(qint64 value) { line(IntegerToText(value).toLatin1()); }
    void date(double value, QChar separator) { line(floatTextWithSeparator(value, separator).toLatin1()); }
    QByteArray take() { return std::move(fbytes); }

private:
    QByteArray fbytes;
};

// ---- reading ----

class LineCursor {
public:
    LineCursor(const FileLines& lines, bool emptyPastEnd)
        : flines(lines)
        , femptyPastEnd(emptyPastEnd)
    {
    }

    QByteArrayView next()
    {
        if (fnext < flines.size()) {
            return flines.at(fnext++);
        }
        if (!femptyPastEnd) {
            failRead(WorkbookMessages::kNoMoreContent);
        }
        return QByteArrayView();
    }
    void skip(int count)
    {
        for (int i = 0; i < count; ++i) {
            next();
        }
    }
    QString text() { return decodeLine(next()); }
    qint64 remaining() const { return flines.size() - fnext; }

private:
    const FileLines& flines;
    bool femptyPastEnd;
    qsizetype fnext = 0;
};

QString latin1(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.data(), bytes.size());
}

// How each layout reads its numbers.
struct NumberRules {
    bool strictCounts;    // a count that is not wholly a number fails the read
    bool strictDates;     // a date that is not a number fails the read (else it is kept)
    QChar dateSeparator;
};

NumberRules rulesOf(WorkbookFormat format)
{
    if (format == WorkbookFormat::Current1007) {
        return {false, false, kFileDecimalSeparator};
    }
    return {format == WorkbookFormat::Previous1006, format == WorkbookFormat::Previous1006,
            DecimalSeparator()};
}

qint32 readInteger(LineCursor& cursor, const NumberRules& rules)
{
    const QString text = latin1(cursor.next());
    const std::optional<qint32> value = rules.strictCounts ? TextToInt32(text) : leadingInteger32(text);
    if (!value) {
        failRead(kUnreadableValue);
    }
    return *value;
}

void readDate(LineCursor& cursor, const NumberRules& rules, double& into)
{
    const std::optional<double> value = floatFromTextWithSeparator(latin1(cursor.next()), rules.dateSeparator);
    if (value) {
        into = *value;
    } else if (rules.strictDates) {
        failRead(kUnreadableValue);
    }
}

qint32 readCount(LineCursor& cursor, const NumberRules& rules)
{
    const qint32 count = readInteger(cursor, rules);
    if (count < 0) {
        failRead(kImpossibleCount);
    }
    return count;
}

void checkAffordable(qint64 linesNeeded, const LineCursor& cursor)
{
    if (linesNeeded > cursor.remaining() + kMissingLinesAllowance) {
        failRead(kImpossibleCount);
    }
}

int linesPerCell(WorkbookFormat format)
{
    switch (format) {
    case WorkbookFormat::Current1007:
        return 1;
    case WorkbookFormat::Previous1006:
        return 2;
    case WorkbookFormat::Oldest1005:
        return 5;
    }
    return 1;
}

QString readCell(LineCursor& cursor, WorkbookFormat format)
{
    switch (format) {
    case WorkbookFormat::Current1007:
        return cursor.text();
    case WorkbookFormat::Previous1006: {
        QString text = cursor.text();
        cursor.skip(1);
        return text;
    }
    case WorkbookFormat::Oldest1005: {
        cursor.skip(1);
        QString text = cursor.text();
        cursor.skip(3);
        return text;
    }
    }
    return QString();
}

void readPage(LineCursor& cursor, TWBSheetRecord& sheet, WorkbookFormat format, const NumberRules& rules)
{
    const qint32 columns = readCount(cursor, rules);
    const qint32 rows = readCount(cursor, rules);
    checkAffordable(qint64(columns) + qint64(columns) * qint64(rows) * linesPerCell(format), cursor);
    // Both dimensions are set together so the page stays whole if a later line fails.
    sheet.cell.resize(columns);
    for (auto& column : sheet.cell) {
        column.resize(rows);
    }
    sheet.columns = columns;
    sheet.rows = rows;
    for (auto& column : sheet.cell) {
        for (auto& cell : column) {
            cell.text = readCell(cursor, format);
        }
    }
}

// Room for the whole file, so it is built without growing the buffer.
qsizetype fileSizeBound(const TWBWorkbook& workbook, int linesPerCell)
{
    constexpr qsizetype kPropertyLinesBound = 1024;
    qsizetype size = kPropertyLinesBound + encodedLineBound(workbook.author) + encodedLineBound(workbook.editor);
    for (const TWBSheetRecord& sheet : workbook.page) {
        size += 2 * 16;
        for (const auto& column : sheet.cell) {
            for (const TWBCellRecord& cell : column) {
                size += encodedLineBound(cell.text) + (linesPerCell - 1) * 3;
            }
        }
    }
    return size;
}

}  // namespace

QByteArray buildWorkbookFile(const TWBWorkbook& workbook, WorkbookFormat format)
{
    const bool current = format == WorkbookFormat::Current1007;
    const QChar separator = current ? kFileDecimalSeparator : DecimalSeparator();
    LineWriter out;
    out.reserve(fileSizeBound(workbook, current ? 1 : 2));
    out.line(headerOf(format));
    out.text(workbook.author);
    out.date(workbook.created, separator);
    out.text(workbook.editor);
    out.date(workbook.modified, separator);
    out.number(workbook.pages);
    if (!current) {
        out.line(kIgnoredLine);
    }
    out.number(workbook.currentpage);
    for (const TWBSheetRecord& sheet : workbook.page) {
        out.number(sheet.columns);
        out.number(sheet.rows);
        for (const auto& column : sheet.cell) {
            for (const TWBCellRecord& cell : column) {
                out.text(cell.text);
                if (!current) {
                    out.line(kIgnoredLine);
                }
            }
        }
    }
    return out.take();
}

void readWorkbookFile(const FileLines& lines, TWBWorkbook& workbook, WorkbookFormat format,
                      bool emptyPastEnd)
{
    LineCursor cursor(lines, emptyPastEnd && format == WorkbookFormat::Current1007);
    const NumberRules rules = rulesOf(format);
    if (cursor.next() != QByteArrayView(headerOf(format))) {
        failRead(WorkbookMessages::kHeaderCheckFailed);
    }
    workbook.author = cursor.text();
    readDate(cursor, rules, workbook.created);
    workbook.editor = cursor.text();
    readDate(cursor, rules, workbook.modified);
    const qint32 pages = readCount(cursor, rules);
    if (format == WorkbookFormat::Previous1006) {
        cursor.skip(1);
    } else if (format == WorkbookFormat::Oldest1005) {
        cursor.skip(3);
    }
    const qint32 currentPage = readInteger(cursor, rules);
    checkAffordable(qint64(pages) * 2, cursor);
    workbook.page.resize(pages);
    workbook.pages = pages;
    workbook.currentpage = currentPage;
    for (qint32 index = 0; index < pages; ++index) {
        if (format == WorkbookFormat::Oldest1005 && readInteger(cursor, rules) != index) {
            failRead(kWrongPageIndex);
        }
        readPage(cursor, workbook.page[index], format, rules);
    }
}
