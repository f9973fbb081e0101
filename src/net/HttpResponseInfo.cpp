#include "net/HttpResponseInfo.h"

#include <QFile>
#include <QFileInfo>

#include "net/HttpContext.h"
#include "net/HttpDate.h"
#include "net/HttpRequestInfo.h"
#include "net/MediaTypes.h"

namespace {

// Files up to this size are read whole on the handler thread; larger ones are sent in pieces.
constexpr qint64 WholeFileBytes = 1024 * 1024;
// "If-Modified-Since" this close to the file's time counts as the same time.
constexpr qint64 SameTimeToleranceMs = 2000;

QString dispositionFileName(const QString& path)
{
    QString name = QFileInfo(path).fileName();
    name.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return name;
}

} // namespace

TIdHTTPResponseInfo::TIdHTTPResponseInfo() = default;
TIdHTTPResponseInfo::~TIdHTTPResponseInfo() = default;

void TIdHTTPResponseInfo::DiscardFile()
{
    servesFile_ = false;
    fileBody_.clear();
    fileStream_.reset();
    fileSize_ = 0;
    CustomHeaders.clear();
}

qint64 TIdHTTPResponseInfo::SmartServeFile(TIdContext& AContext, const TIdHTTPRequestInfo& ARequestInfo,
                                           const QString& FileName)
{
    Q_UNUSED(AContext);
    ContentText.clear();
    const QFileInfo info(FileName);
    if (!info.isFile()) {
        ResponseNo = 404;
        ResponseText = QStringLiteral("Not Found");
        return 0;
    }
    const QDateTime modified = info.lastModified().toUTC();
    const QDateTime since = ParseHttpDate(ARequestInfo.Header(u"If-Modified-Since"));
    if (since.isValid() && qAbs(since.msecsTo(modified)) <= SameTimeToleranceMs) {
        ResponseNo = 304;
        ResponseText = QStringLiteral("Not Modified");
        return 0;
    }

    auto file = std::make_unique<QFile>(FileName);
    if (!file->open(QIODevice::ReadOnly)) {
        ResponseNo = 403;
        ResponseText = QStringLiteral("Forbidden");
        return 0;
    }
    if (file->size() <= WholeFileBytes) {
        fileBody_ = file->readAll();
        fileSize_ = fileBody_.size();
    } else {
        fileSize_ = file->size();
        fileStream_ = std::move(file);
    }
    servesFile_ = true;
    ResponseNo = 200;
    ResponseText = QStringLiteral("OK");
    ContentType = MediaTypeForFile(FileName);
    CharSet.clear();
    CustomHeaders.append(QStringLiteral("Content-Disposition: attachment; filename=\"%1\";")
                             .arg(dispositionFileName(FileName)));
    CustomHeaders.append(QStringLiteral("Last-Modified: ") + FormatHttpDate(modified));
    return fileSize_;
}
