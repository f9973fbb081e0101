#include "workbook/Workbook.h"

#include <QMutexLocker>

#include "util/DayDate.h"
#include "util/NumberText.h"
#include "workbook/WorkbookError.h"
#include "workbook/WorkbookMessages.h"

namespace {

using DataLocker = QMutexLocker<QRecursiveMutex>;

constexpr char kRevisionText[] = "TZAF_workbook 1.34";
constexpr int kPageLimit = 512;  // page counts from this value up are refused

// The component's own defaults, which the owning window also stores.
constexpr char kStoredAuthor[] = "nobody";
constexpr char kStoredEditor[] = "unknown";
// The values the owning window stores for a new workbook.
constexpr double kStoredCreated = 39704.38155027778;   // 2008-09-13 09:09:25.944
constexpr double kStoredModified = 40809.73030005787;  // 2011-09-23 17:31:37.925
constexpr int kStoredPages = 1;
constexpr int kStoredPage = 0;
constexpr int kStoredColumns = 10;
constexpr int kStoredRows = 0;

}  // namespace

TZAF_workbook::TZAF_workbook(QObject* owner)
    : QObject(owner)
    , fversion(QString::fromLatin1(kRevisionText))
{
    fwb.author = QString::fromLatin1(kStoredAuthor);
    fwb.created = Now();
    fwb.editor = QString::fromLatin1(kStoredEditor);
    fwb.modified = Now();
    SetPages(1);
    SetPage(0);
    SetColumns(1);
    SetRows(0);
    ClearAllPages();

    // What the owning window applies after construction, in its order; Pages and Rows
    // equal the current counts and are refused silently, Columns sets modified to now.
    SetAuthor(QString::fromLatin1(kStoredAuthor));
    SetCreated(kStoredCreated);
    SetEditor(QString::fromLatin1(kStoredEditor));
    SetModified(kStoredModified);
    SetPages(kStoredPages);
    SetPage(kStoredPage);
    SetColumns(kStoredColumns);
    SetRows(kStoredRows);
    SetPriority(TWB_text);
    SetAllowExceptions(false);
}

TZAF_workbook::~TZAF_workbook()
{
    ClearAllPages();
}

// ---- internal steps (data lock held by the caller) ----

TWBSheetRecord* TZAF_workbook::currentSheet()
{
    const int index = fwb.currentpage;
    if (index < 0 || index >= fwb.pages || index >= fwb.page.size()) {
        return nullptr;
    }
    return &fwb.page[index];
}

const TWBSheetRecord* TZAF_workbook::currentSheet() const
{
    const int index = fwb.currentpage;
    if (index < 0 || index >= fwb.pages || index >= fwb.page.size()) {
        return nullptr;
    }
    return &fwb.page[index];
}

bool TZAF_workbook::cellExists(int column, int row) const
{
    const TWBSheetRecord* sheet = currentSheet();
    return sheet && column >= 0 && column < sheet->columns && row >= 0 && row < sheet->rows;
}

void TZAF_workbook::touch()
{
    fwb.modified = Now();
}

bool TZAF_workbook::fail(const char* message) const
{
    if (fallowriseexceptions) {
        throw WorkbookError(QString::fromLatin1(message));
    }
    return false;
}

bool TZAF_workbook::setColumnsUnlocked(int value)
{
    TWBSheetRecord* sheet = currentSheet();
    if (!sheet || value < 0 || value == sheet->columns) {
        return fail(WorkbookMessages::kIndexOutOfBounds);
    }
    const int oldColumns = sheet->columns;
    sheet->cell.resize(value);
    for (int column = oldColumns; column < value; ++column) {
        sheet->cell[column].resize(sheet->rows);
    }
    sheet->columns = value;
    touch();
    return true;
}

bool TZAF_workbook::setRowsUnlocked(int value)
{
    TWBSheetRecord* sheet = currentSheet();
    if (!sheet || value == sheet->rows || sheet->columns == 0 || value < 0) {
        return fail(WorkbookMessages::kIndexOutOfBounds);
    }
    for (auto& column : sheet->cell) {
        column.resize(value);
    }
    sheet->rows = value;
    touch();
    return true;
}

bool TZAF_workbook::setCellUnlocked(int column, int row, const QString& value)
{
    if (!cellExists(column, row)) {
        return fail(WorkbookMessages::kIndexOutOfBounds);
    }
    currentSheet()->cell[column][row].text = value;
    touch();
    return true;
}

bool TZAF_workbook::getCellUnlocked(int column, int row, QString& value) const
{
    if (!cellExists(column, row)) {
        return fail(WorkbookMessages::kIndexOutOfBounds);
    }
    value = currentSheet()->cell[column][row].text;
    return true;
}

bool TZAF_workbook::clearPageUnlocked(int pageindex)
{
    if (pageindex < 0 || pageindex >= fwb.pages || pageindex >= fwb.page.size()) {
        return fail(WorkbookMessages::kPageOutOfBounds);
    }
    for (auto& column : fwb.page[pageindex].cell) {
        for (auto& cell : column) {
            cell.text.clear();
        }
    }
    frow = 0;
    fcol = 0;
    touch();
    return true;
}

// ---- properties ----

QString TZAF_workbook::Version() const
{
    return fversion;
}

void TZAF_workbook::SetVersion(const QString&)
{
}

QString TZAF_workbook::Document() const
{
    DataLocker locker(&fwb.lock);
    return fwb.filename;
}

void TZAF_workbook::SetDocument(const QString&)
{
}

QString TZAF_workbook::Author() const
{
    DataLocker locker(&fwb.lock);
    return fwb.author;
}

void TZAF_workbook::SetAuthor(const QString& value)
{
    DataLocker locker(&fwb.lock);
    fwb.author = value;
    touch();
}

double TZAF_workbook::Created() const
{
    DataLocker locker(&fwb.lock);
    return fwb.created;
}

void TZAF_workbook::SetCreated(double value)
{
    DataLocker locker(&fwb.lock);
    fwb.created = value;
}

QString TZAF_workbook::Editor() const
{
    DataLocker locker(&fwb.lock);
    return fwb.editor;
}

void TZAF_workbook::SetEditor(const QString& value)
{
    DataLocker locker(&fwb.lock);
    fwb.editor = value;
    touch();
}

double TZAF_workbook::Modified() const
{
    DataLocker locker(&fwb.lock);
    return fwb.modified;
}

void TZAF_workbook::SetModified(double value)
{
    DataLocker locker(&fwb.lock);
    fwb.modified = value;
}

int TZAF_workbook::GetPages() const
{
    DataLocker locker(&fwb.lock);
    return fwb.pages;
}

bool TZAF_workbook::SetPages(int value)
{
    DataLocker locker(&fwb.lock);
    value = qMax(value, 0);
    if (value >= kPageLimit || value == fwb.pages) {
        return fail(WorkbookMessages::kPageOutOfBounds);
    }
    fwb.pages = value;
    fwb.page.resize(value);
    if (fwb.currentpage > value - 1) {
        fwb.currentpage = value - 1;
    }
    if (fwb.currentpage < 0 && value > 0) {
        fwb.currentpage = 0;
    }
    if (fwb.created < 1.0) {
        fwb.created = Now();
    }
    touch();
    return true;
}

int TZAF_workbook::GetPage() const
{
    DataLocker locker(&fwb.lock);
    return fwb.currentpage;
}

void TZAF_workbook::SetPage(int value)
{
    DataLocker locker(&fwb.lock);
    if (value >= 0 && value <= fwb.pages - 1) {
        fwb.currentpage = value;
    }
}

int TZAF_workbook::GetColumns() const
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    return sheet ? sheet->columns : -1;
}

bool TZAF_workbook::SetColumns(int value)
{
    DataLocker locker(&fwb.lock);
    return setColumnsUnlocked(value);
}

int TZAF_workbook::GetRows() const
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    return sheet ? sheet->rows : -1;
}

bool TZAF_workbook::SetRows(int value)
{
    DataLocker locker(&fwb.lock);
    return setRowsUnlocked(value);
}

// ---- clearing ----

bool TZAF_workbook::ClearRow(int ARowIndex, const QString& AZeroContent)
{
    DataLocker locker(&fwb.lock);
    TWBSheetRecord* sheet = currentSheet();
    if (!sheet || ARowIndex < 0 || ARowIndex > sheet->rows - 1) {
        return fail(WorkbookMessages::kRowOutOfBounds);
    }
    for (auto& column : sheet->cell) {
        column[ARowIndex].text = AZeroContent;
    }
    if (frow > sheet->rows - 1) {
        frow = sheet->rows - 1;
    }
    touch();
    return true;
}

bool TZAF_workbook::ClearPage(int pageindex)
{
    DataLocker locker(&fwb.lock);
    return clearPageUnlocked(pageindex);
}

void TZAF_workbook::ClearAllPages()
{
    DataLocker locker(&fwb.lock);
    for (int index = 0; index < fwb.pages; ++index) {
        clearPageUnlocked(index);
    }
}

// ---- cells by position ----

bool TZAF_workbook::SetCellValue(int column, int row, const QString& value)
{
    DataLocker locker(&fwb.lock);
    return setCellUnlocked(column, row, value);
}

bool TZAF_workbook::SetCellValue(int column, int row, qint32 value)
{
    return SetCellValue(column, row, IntegerToText(value));
}

bool TZAF_workbook::SetCellValue(int column, int row, qint64 value)
{
    return SetCellValue(column, row, IntegerToText(value));
}

bool TZAF_workbook::SetCellValue(int column, int row, double value)
{
    return SetCellValue(column, row, FloatToText(value));
}

bool TZAF_workbook::GetCellValue(int column, int row, QString& value) const
{
    DataLocker locker(&fwb.lock);
    return getCellUnlocked(column, row, value);
}

bool TZAF_workbook::GetCellValue(int column, int row, qint32& value) const
{
    QString text;
    const std::optional<qint32> number =
        GetCellValue(column, row, text) ? TextToInt32(text) : std::nullopt;
    value = number.value_or(0);
    return number.has_value();
}

bool TZAF_workbook::GetCellValue(int column, int row, qint64& value) const
{
    QString text;
    const std::optional<qint64> number =
        GetCellValue(column, row, text) ? TextToInt64(text) : std::nullopt;
    value = number.value_or(0);
    return number.has_value();
}

bool TZAF_workbook::GetCellValue(int column, int row, double& value) const
{
    QString text;
    const std::optional<double> number =
        GetCellValue(column, row, text) ? TextToFloat(text) : std::nullopt;
    value = number.value_or(0);
    return number.has_value();
}

QString TZAF_workbook::GetCellAsString(int AColumn, int ARow) const
{
    QString text;
    GetCellValue(AColumn, ARow, text);
    return text;
}

bool TZAF_workbook::CopyRowTexts(const QList<int>& columns, TWBRowTexts& texts) const
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    const int rows = sheet ? sheet->rows : 0;
    QList<const QList<TWBCellRecord>*> sources;
    bool allExist = true;
    for (int column : columns) {
        const bool exists = sheet && column >= 0 && column < sheet->columns;
        sources.append(exists ? &sheet->cell[column] : nullptr);
        allExist = allExist && exists;
    }
    qsizetype total = 0;
    for (const auto* source : sources) {
        for (int row = 0; source && row < rows; ++row) {
            total += (*source)[row].text.size();
        }
    }
    texts.fcolumns = int(columns.size());
    texts.ftext.clear();
    texts.ftext.reserve(total);
    texts.fends.clear();
    texts.fends.reserve(qsizetype(rows) * columns.size());
    for (int row = 0; row < rows; ++row) {
        for (const auto* source : sources) {
            if (source) {
                const QString& text = (*source)[row].text;
                texts.ftext.append(text.constData(), text.size());  // a copy, never a shared string
            }
            texts.fends.append(texts.ftext.size());
        }
    }
    return allExist || rows == 0 || fail(WorkbookMessages::kIndexOutOfBounds);
}

qint64 TZAF_workbook::GetCellAsInt(int AColumn, int ARow) const
{
    qint64 value = 0;
    GetCellValue(AColumn, ARow, value);
    return value;
}

double TZAF_workbook::GetCellAsFloat(int AColumn, int ARow) const
{
    double value = 0;
    GetCellValue(AColumn, ARow, value);
    return value;
}

// ---- the cursor ----
// Without a valid current page the moves that need its size leave the cursor alone.

int TZAF_workbook::Row() const
{
    DataLocker locker(&fwb.lock);
    return frow;
}

int TZAF_workbook::Col() const
{
    DataLocker locker(&fwb.lock);
    return fcol;
}

void TZAF_workbook::Row(int ARow)
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    if (sheet && ARow != frow && ARow < sheet->rows) {
        frow = ARow;
    }
}

void TZAF_workbook::Col(int ACol)
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    if (sheet && ACol != fcol && ACol < sheet->columns) {
        fcol = ACol;
    }
}

int TZAF_workbook::FirstRow()
{
    DataLocker locker(&fwb.lock);
    frow = 0;
    return frow;
}

bool TZAF_workbook::PrevRow()
{
    DataLocker locker(&fwb.lock);
    if (frow > 0) {
        --frow;
        return true;
    }
    return false;
}

bool TZAF_workbook::NextRow()
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    if (sheet && frow < sheet->rows - 1) {
        ++frow;
        return true;
    }
    return false;
}

int TZAF_workbook::LastRow()
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    if (!sheet) {
        return -1;
    }
    frow = sheet->rows - 1;
    return frow;
}

int TZAF_workbook::FirstCol()
{
    DataLocker locker(&fwb.lock);
    fcol = 0;
    return fcol;
}

bool TZAF_workbook::PrevCol()
{
    DataLocker locker(&fwb.lock);
    if (fcol > 0) {
        --fcol;
        return true;
    }
    return false;
}

bool TZAF_workbook::NextCol()
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    if (sheet && fcol < sheet->columns - 1) {
        ++fcol;
        return true;
    }
    return false;
}

int TZAF_workbook::LastCol()
{
    DataLocker locker(&fwb.lock);
    const TWBSheetRecord* sheet = currentSheet();
    if (!sheet) {
        return -1;
    }
    fcol = sheet->columns - 1;
    return fcol;
}

bool TZAF_workbook::SetCellValue(const QString& value)
{
    DataLocker locker(&fwb.lock);
    return setCellUnlocked(fcol, frow, value);
}

bool TZAF_workbook::SetCellValue(qint64 value)
{
    return SetCellValue(IntegerToText(value));
}

bool TZAF_workbook::SetCellValue(double value)
{
    return SetCellValue(FloatToText(value));
}

QString TZAF_workbook::GetCellValueAsString() const
{
    DataLocker locker(&fwb.lock);
    QString text;
    getCellUnlocked(fcol, frow, text);
    return text;
}

qint64 TZAF_workbook::GetCellValueAsInt() const
{
    return TextToInt64(GetCellValueAsString()).value_or(0);
}

double TZAF_workbook::GetCellValueAsFloat() const
{
    return TextToFloat(GetCellValueAsString()).value_or(0);
}

// ---- the callers' lock ----

void TZAF_workbook::Lock()
{
    fuserlock.lock();
}

void TZAF_workbook::UnLock()
{
    fuserlock.unlock();
}
