#pragma once

#include <QByteArray>

#include "workbook/WorkbookRecords.h"

class FileLines;

// The three line layouts of the workbook file, told apart by their header line.
enum class WorkbookFormat { Current1007, Previous1006, Oldest1005 };

// The whole file, every line ended by CR LF, in the single-byte code page.
QByteArray buildWorkbookFile(const TWBWorkbook& workbook, WorkbookFormat format);

// Reads the lines into the workbook record, overwriting every page and property the file
// holds. Throws WorkbookError (or std::bad_alloc) on failure; a wrong header changes nothing,
// a later failure leaves what was read so far in place. `emptyPastEnd` lets the current
// format read missing lines as empty texts instead of failing.
void readWorkbookFile(const FileLines& lines, TWBWorkbook& workbook, WorkbookFormat format,
                      bool emptyPastEnd);
