#include "workbook/WorkbookError.h"

WorkbookError::WorkbookError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

QString WorkbookError::message() const
{
    return QString::fromStdString(what());
}

WorkbookIoError::WorkbookIoError(const QString& message)
    : WorkbookError(message)
{
}
