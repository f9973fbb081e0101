#pragma once

#include <stdexcept>

#include <QString>

// The one exception the workbook raises when AllowExceptions is set; its message is one of
// the fixed texts in WorkbookMessages.h.
class WorkbookError : public std::runtime_error {
public:
    explicit WorkbookError(const QString& message);
    QString message() const;
};

// Raised by the file exports when writing fails part-way, whatever AllowExceptions says.
class WorkbookIoError : public WorkbookError {
public:
    explicit WorkbookIoError(const QString& message);
};
