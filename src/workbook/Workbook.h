#pragma once

#include <atomic>

#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>

#include "workbook/RowTexts.h"
#include "workbook/WorkbookRecords.h"

enum class WorkbookFormat;

// The directory's data store: pages of text cells addressed as (column, row) from 0, a few
// document properties, a current page, a cursor and three re-entrant locks.
//
// Failures follow one convention: with AllowExceptions false a failing operation changes
// nothing and reports through its result (false, -1, the empty text, 0); with it true the
// operation throws WorkbookError with a fixed message, after releasing the lock it holds.
//
// Every operation works on the current page unless it says otherwise. Date-times are day
// numbers since 1899-12-30 (local time).
class TZAF_workbook : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TZAF_workbook)

public:
    // Builds a workbook as the main window leaves it: one page of 10 columns and no rows,
    // author "nobody", editor "unknown", created 2008-09-13 09:09:25.944, modified now.
    explicit TZAF_workbook(QObject* owner = nullptr);
    ~TZAF_workbook() override;

    // Properties.
    QString Version() const;
    void SetVersion(const QString& value);  // ignored
    QString Document() const;
    void SetDocument(const QString& value);  // ignored
    QString Author() const;
    QString GetAuthor() const { return Author(); }
    void SetAuthor(const QString& value);
    double Created() const;
    double GetCreated() const { return Created(); }
    void SetCreated(double value);
    QString Editor() const;
    QString GetEditor() const { return Editor(); }
    void SetEditor(const QString& value);
    double Modified() const;
    double GetModified() const { return Modified(); }
    void SetModified(double value);

    int Pages() const { return GetPages(); }
    int GetPages() const;
    bool SetPages(int value);
    int Page() const { return GetPage(); }
    int GetPage() const;
    void SetPage(int value);  // an invalid index is ignored, never raised
    int Columns() const { return GetColumns(); }
    int GetColumns() const;  // -1 when the current page is not valid
    bool SetColumns(int value);
    int Rows() const { return GetRows(); }
    int GetRows() const;  // -1 when the current page is not valid
    bool SetRows(int value);

    TWBPriority Priority() const { return fwbpriority; }
    TWBPriority GetPriority() const { return fwbpriority; }
    void SetPriority(TWBPriority value) { fwbpriority = value; }
    bool AllowExceptions() const { return fallowriseexceptions; }
    bool GetAllowExceptions() const { return fallowriseexceptions; }
    void SetAllowExceptions(bool value) { fallowriseexceptions = value; }

    // Clearing.
    bool ClearRow(int ARowIndex, const QString& AZeroContent);
    bool ClearPage(int pageindex);  // any page, not only the current one
    void ClearAllPages();

    // Cells by position.
    bool SetCellValue(int column, int row, const QString& value);
    bool SetCellValue(int column, int row, qint32 value);
    bool SetCellValue(int column, int row, qint64 value);
    bool SetCellValue(int column, int row, double value);
    bool GetCellValue(int column, int row, QString& value) const;  // value kept on failure
    bool GetCellValue(int column, int row, qint32& value) const;   // 0 on failure
    bool GetCellValue(int column, int row, qint64& value) const;
    bool GetCellValue(int column, int row, double& value) const;
    QString GetCellAsString(int AColumn, int ARow) const;
    qint64 GetCellAsInt(int AColumn, int ARow) const;
    double GetCellAsFloat(int AColumn, int ARow) const;
    // The texts of the given columns in every row, copied under one data lock. A column that
    // does not exist reads as empty cells and, when there are rows, fails as GetCellValue does.
    bool CopyRowTexts(const QList<int>& columns, TWBRowTexts& texts) const;

    // The cursor; it is never kept inside the page, so it may point outside it.
    int Row() const;
    int Col() const;
    void Row(int ARow);
    void Col(int ACol);
    int FirstRow();
    bool PrevRow();
    bool NextRow();
    int LastRow();
    int FirstCol();
    bool PrevCol();
    bool NextCol();
    int LastCol();
    bool SetCellValue(const QString& value);
    bool SetCellValue(qint64 value);
    bool SetCellValue(int value) { return SetCellValue(qint64(value)); }
    bool SetCellValue(double value);
    QString GetCellValueAsString() const;
    qint64 GetCellValueAsInt() const;
    double GetCellValueAsFloat() const;

    // The callers' lock: nothing inside the workbook takes it; callers bracket a sequence
    // of operations with it to make the sequence atomic against each other.
    void Lock();
    void UnLock();

    // Holds the callers' lock for a scope.
    class CallerLock {
    public:
        explicit CallerLock(TZAF_workbook& workbook) : fworkbook(workbook) { fworkbook.Lock(); }
        ~CallerLock() { fworkbook.UnLock(); }
        CallerLock(const CallerLock&) = delete;
        CallerLock& operator=(const CallerLock&) = delete;

    private:
        TZAF_workbook& fworkbook;
    };

    // Row operations.
    bool SwapCells(int FromCol, int FromRow, int ToCol, int ToRow);
    bool SwapRows(int ARow1, int ARow2);
    bool MoveRowToEnd(int AIndex);
    bool InsertRow(int index);
    bool DeleteRow(int Aindex);
    bool DeleteColumn(int index);
    bool DeleteEmptyRows(int AFromIndex);
    QString RowAsString(int ARow, const QString& ASeparator) const;

    // Stable sort of the rows by one column, ordinal UTF-16 comparison; in date mode the
    // keys are the day-number texts of the cells read as local date-times. A page already
    // in order is left untouched (Modified unchanged).
    bool SortByColumn(int AColumn, bool Ascending, bool AsDatetimeString);

    // Searches; -1 or false when nothing is found.
    int IndexOfRow(int column, const QString& value, bool IgnoreCase, int StartRow,
                   bool AllowPartialMatch) const;
    int IndexOfRow(int column, qint32 value, int StartRow, bool AllowPartialMatch) const;
    int IndexOfRow(int column, double value, int StartRow, bool AllowPartialMatch) const;
    int IndexOfRow(int AColumn1, int AColumn2, const QString& Avalue1, const QString& Avalue2,
                   bool AIgnoreCase, int AStartRow, bool AllowPartialMatch) const;
    int NextRow(int Acolumn, const QString& Avalue, bool AIgnoreCase, bool AllowPartialMatch);
    bool FindText(const QString& TextPartToFind, int& Acol, int& Arow, int ColRangeStart,
                  int ColRangeEnd, bool AIgnoreCase);
    bool FindMaskedText(const QString& MaskedTextToFind, int& Acol, int& Arow, int StartRow,
                        int StartCol, int EndCol);

    // Column ranges, rows startrow to endrow inclusive.
    bool GetRangeAverage(int column, int startrow, int endrow, double& average) const;
    bool GetRangeSum(int column, int startrow, int endrow, double& sum) const;
    bool GetRangeMin(int column, int startrow, int endrow, double& min) const;
    bool GetRangeMax(int column, int startrow, int endrow, double& max) const;

    // The data file. A non-zero cryptkey scrambles the whole file. An empty filename on
    // save means Document. Saving replaces the file atomically.
    bool OpenWorkbook(const QString& filename, int cryptkey = 0);
    bool SaveWorkbook(const QString& filename, int cryptkey = 0);
    bool OpenWorkbook_O(const QString& filename, int cryptkey = 0);
    bool SaveWorkbook_O(const QString& filename, int cryptkey = 0);
    bool OpenWorkbook_O2(const QString& filename, int cryptkey = 0);
    double FileModified(const QString& Afilename) const;  // 0 when there is no such file

    // Text import and export of the current page; a QStringList is the string list.
    bool ExportCSVText(QString& s, QChar Aseparator) const;
    bool ExportCSVFile(const QString& filename, QChar Aseparator) const;
    bool ImportCSVText(const QString& s, QChar Aseparator);
    bool ExportHTMLText(QString& s) const;
    bool ExportHTMLFile(const QString& filename) const;
    bool ExportStringListColumn(QStringList& sl, int Acol) const;
    bool ExportStringListRow(QStringList& sl, int Arow) const;
    bool ImportStringlistColumn(const QStringList& sl, int Acol);
    bool ImportStringlistRow(const QStringList& sl, int Arow);

private:
    // Internal steps; the caller holds the data lock.
    TWBSheetRecord* currentSheet();
    const TWBSheetRecord* currentSheet() const;
    bool cellExists(int column, int row) const;
    void touch();
    bool fail(const char* message) const;
    bool setRowsUnlocked(int value);
    bool setColumnsUnlocked(int value);
    bool setCellUnlocked(int column, int row, const QString& value);
    bool getCellUnlocked(int column, int row, QString& value) const;
    QString cellOrEmpty(int column, int row) const;  // takes the data lock, never raises
    bool clearPageUnlocked(int pageindex);
    void swapRowsUnlocked(TWBSheetRecord& sheet, int row1, int row2);
    void deleteRowUnlocked(TWBSheetRecord& sheet, int index);
    QString renderCell(int column, int row) const;
    bool rangeTotal(int column, int startrow, int endrow, double& total) const;
    bool saveVersion(const QString& filename, int cryptkey, WorkbookFormat format);
    bool openVersion(const QString& filename, int cryptkey, WorkbookFormat format);

    QString fversion;
    QRecursiveMutex fuserlock;
    mutable TWBWorkbook fwb;
    // Read and written without the data lock, from any thread.
    std::atomic<TWBPriority> fwbpriority{TWB_text};
    qint32 fcol = 0;
    qint32 frow = 0;
    mutable QRecursiveMutex funclock;
    std::atomic<bool> fallowriseexceptions{false};
};
