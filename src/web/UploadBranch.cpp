#include "web/UploadBranch.h"

#include <exception>

#include <QDir>
#include <QFile>

#include "net/HttpRequestInfo.h"
#include "util/Settings.h"
#include "util/ShellFiles.h"
#include "util/TextUtils.h"
#include "web/PageFragments.h"
#include "web/PhotoResize.h"
#include "web/UploadExtract.h"

namespace {

const QString kFailurePageText = QStringLiteral("Failed to upload file.");

QString receivedEvent(const QString& photoPath, qint64 size)
{
    return QLatin1String("> file \"") + QDir::toNativeSeparators(photoPath)
        + QLatin1String("\" received (") + SizeToText(size) + QLatin1Char(')');
}

QString resizedEvent(const QString& photoPath)
{
    return QLatin1String("> file \"") + QDir::toNativeSeparators(photoPath)
        + QLatin1String("\" resized");
}

QString failedEvent(const QString& detail)
{
    return QLatin1String("> Failed to read file (") + detail + QLatin1Char(')');
}

QString failurePageBody()
{
    return MessageRow(kFailurePageText) + QLatin1String("<tr><form action=\"/\"><td colspan=")
        + QString::number(kPageColumns)
        + QLatin1String("><input type=submit value=\"Cancel\"><br><br></td></form></tr>");
}

} // namespace

PhotoUploadResult RunPhotoUpload(const PhotoUploadRequest& upload)
{
    QString message;
    const qint64 size =
        ExtractUploadedFile(upload.request.PostStream.get(), upload.photoPath, message);
    if (size < 0) {
        // Nothing was written: the request is dispatched as if it carried no upload.
        return {};
    }
    QString detail;
    try {
        upload.logEvent(receivedEvent(upload.photoPath, size));
        ResizePhoto(upload.photoPath, GetLeaveCopy());
        upload.logEvent(resizedEvent(upload.photoPath));
        return {};
    } catch (const std::exception& error) {
        detail = QString::fromStdString(error.what());
    } catch (...) {
        detail = QStringLiteral("unknown error");
    }
    // A photo we cannot show is removed for good; a copy already kept stays.
    ShellDeleteFile(upload.photoPath, false, false, false);
    upload.logEvent(failedEvent(detail));
    return {true, failurePageBody()};
}
