#include "web/UploadExtract.h"

#include <QFileInfo>
#include <QIODevice>

#include "web/FileReplace.h"

namespace {

constexpr QByteArrayView kDispositionMarker = "Content-Disposition:";
constexpr QByteArrayView kFileNameMarker = "filename=\"";
constexpr QByteArrayView kHeaderEnd = "\r\n\r\n";
constexpr char kQuote = '"';
constexpr char kHighestBlank = 32;
// The CR LF before the closing delimiter belongs to the delimiter, not to the content.
constexpr qsizetype kLineEndSize = 2;

const QString kNoBoundary = QStringLiteral("Failed to retrieve boundary string");
const QString kNoFileName = QStringLiteral("Failed to locate file name");
const QString kNoFileNameEnd = QStringLiteral("Failed to locate end of file name");
const QString kNoContentStart = QStringLiteral("Failed to locate content start");
const QString kNoContentEnd = QStringLiteral("Failed to locate end of content");
const QString kSaveFailed = QStringLiteral("Exception on saving ");

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] <= kHighestBlank && text[first] >= 0) {
        ++first;
    }
    while (last > first && text[last - 1] <= kHighestBlank && text[last - 1] >= 0) {
        --last;
    }
    return text.sliced(first, last - first);
}

// An empty needle is never found, so an empty delimiter cannot match everywhere.
qsizetype find(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    if (needle.isEmpty() || from > haystack.size()) {
        return -1;
    }
    return haystack.indexOf(needle, from);
}

qint64 fail(QString& message, const QString& text)
{
    message = text;
    return -1;
}

} // namespace

qint64 ExtractUploadedFile(QByteArrayView body, const QString& filePath, QString& message)
{
    // Offsets below count from 0; each search starts one byte past the previous find.
    const qsizetype disposition = find(body, kDispositionMarker, 0);
    if (disposition < 0) {
        return fail(message, kNoBoundary);
    }
    const QByteArrayView delimiter = trimmedBlanks(body.first(disposition));
    const qsizetype fileNameMarker = find(body, kFileNameMarker, disposition + 1);
    if (fileNameMarker < 0) {
        return fail(message, kNoFileName);
    }
    const qsizetype fileNameStart = fileNameMarker + kFileNameMarker.size();
    if (find(body, QByteArrayView(&kQuote, 1), fileNameStart + 1) < 0) {
        return fail(message, kNoFileNameEnd);
    }
    const qsizetype headerEnd = find(body, kHeaderEnd, fileNameStart + 1);
    if (headerEnd < 0) {
        return fail(message, kNoContentStart);
    }
    const qsizetype contentStart = headerEnd + kHeaderEnd.size();
    const qsizetype closing = find(body, delimiter, contentStart + 1);
    if (closing < 0) {
        return fail(message, kNoContentEnd);
    }
    const qsizetype contentSize = std::max<qsizetype>(closing - kLineEndSize - contentStart, 0);
    const QByteArrayView content = body.sliced(contentStart, contentSize);

    // Written whole or not at all: a failed write leaves an earlier photo in place.
    QString error;
    if (!WriteFileReplacing(filePath, content, error)) {
        return fail(message, kSaveFailed + QFileInfo(filePath).fileName());
    }
    return QFileInfo(filePath).size();
}

qint64 ExtractUploadedFile(QIODevice* body, const QString& filePath, QString& message)
{
    if (!body) {
        return ExtractUploadedFile(QByteArrayView(), filePath, message);
    }
    if (!body->isSequential()) {
        body->seek(0);
    }
    const QByteArray bytes = body->readAll();
    return ExtractUploadedFile(QByteArrayView(bytes), filePath, message);
}
