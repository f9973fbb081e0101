// Opening and saving TZAF_workbook files.
#include "workbook/Workbook.h"

#include <new>

#include <QMutexLocker>

#include "util/FileUtils.h"
#include "util/TextUtils.h"
#include "workbook/DataFileIo.h"
#include "workbook/FileLines.h"
#include "workbook/WorkbookError.h"
#include "workbook/WorkbookFormat.h"
#include "workbook/WorkbookMessages.h"

namespace {

using DataLocker = QMutexLocker<QRecursiveMutex>;

// The keyed scrambling of a whole file: start value and multiplier; the key is the addend.
constexpr int kScrambleStart = 12;
constexpr int kScrambleMultiplier = 45;

}  // namespace

bool TZAF_workbook::saveVersion(const QString& filename, int cryptkey, WorkbookFormat format)
{
    DataLocker locker(&fwb.lock);
    const QString target = filename.isEmpty() ? fwb.filename : filename;
    if (target.isEmpty()) {
        return format == WorkbookFormat::Current1007 ? fail(WorkbookMessages::kNoFilenameDefined) : false;
    }
    QByteArray content = buildWorkbookFile(fwb, format);
    if (cryptkey != 0) {
        content = ScrambleBytes(content, kScrambleStart, kScrambleMultiplier, cryptkey);
    }
    if (!replaceFileRetrying(target, content)) {
        return false;  // never raised: the caller learns it from the result
    }
    fwb.filename = target;
    fwb.modified = 0;
    return true;
}

bool TZAF_workbook::SaveWorkbook(const QString& filename, int cryptkey)
{
    return saveVersion(filename, cryptkey, WorkbookFormat::Current1007);
}

bool TZAF_workbook::SaveWorkbook_O(const QString& filename, int cryptkey)
{
    return saveVersion(filename, cryptkey, WorkbookFormat::Previous1006);
}

bool TZAF_workbook::openVersion(const QString& filename, int cryptkey, WorkbookFormat format)
{
    const bool current = format == WorkbookFormat::Current1007;
    // Only the current format raises, and then always the one general message.
    const bool allowExceptions = fallowriseexceptions;
    const bool raises = current && allowExceptions;
    DataLocker locker(&fwb.lock);
    try {
        std::optional<QByteArray> content = readFileRetrying(filename);
        if (!content) {
            throw WorkbookError(QString::fromLatin1(WorkbookMessages::kFailedToOpenFile));
        }
        if (cryptkey != 0) {
            *content = UnscrambleBytes(*content, kScrambleStart, kScrambleMultiplier, cryptkey);
        }
        const FileLines lines(*content);
        readWorkbookFile(lines, fwb, format, !allowExceptions);
    } catch (const WorkbookError&) {
        if (raises) {
            throw WorkbookError(QString::fromLatin1(WorkbookMessages::kExceptionOccured));
        }
        return false;
    } catch (const std::bad_alloc&) {
        if (raises) {
            throw WorkbookError(QString::fromLatin1(WorkbookMessages::kExceptionOccured));
        }
        return false;
    }
    fwb.filename = filename;
    return true;
}

bool TZAF_workbook::OpenWorkbook(const QString& filename, int cryptkey)
{
    return openVersion(filename, cryptkey, WorkbookFormat::Current1007);
}

bool TZAF_workbook::OpenWorkbook_O(const QString& filename, int cryptkey)
{
    return openVersion(filename, cryptkey, WorkbookFormat::Previous1006);
}

bool TZAF_workbook::OpenWorkbook_O2(const QString& filename, int cryptkey)
{
    return openVersion(filename, cryptkey, WorkbookFormat::Oldest1005);
}

double TZAF_workbook::FileModified(const QString& Afilename) const
{
    return FileTimeOf(Afilename);
}
