#include "web/DirectoryService.h"

#include <exception>

#include "net/HttpContext.h"
#include "net/HttpRequestInfo.h"
#include "net/HttpResponseInfo.h"
#include "util/LogFile.h"
#include "util/Settings.h"
#include "web/AboutPage.h"
#include "web/CrossSiteGuard.h"
#include "web/DirectoryList.h"
#include "web/DocumentPath.h"
#include "web/EntryMaintenance.h"
#include "web/HtmlEscape.h"
#include "web/PageFrame.h"
#include "web/PhotoFolder.h"
#include "web/UploadBranch.h"

namespace {

const QLatin1String kMultipartType("multipart/form-data");
const QLatin1String kForbiddenText("Forbidden");
const QLatin1String kServerErrorText("Internal Server Error");
constexpr int kServerErrorStatus = 500;

// The "Content-Type" header up to its first ";", as sent, names a multipart upload.
bool isMultipartUpload(const TIdHTTPRequestInfo& request)
{
    const QString contentType = request.Header(u"Content-Type");
    return contentType.section(QLatin1Char(';'), 0, 0).compare(kMultipartType, Qt::CaseInsensitive) == 0;
}

QString withoutTrailingSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

void setStatus(TIdHTTPResponseInfo& response, int status)
{
    if (status == kCrossSiteRefusalStatus) {
        response.ResponseNo = status;
        response.ResponseText = kForbiddenText;
    } else if (status == kServerErrorStatus) {
        response.ResponseNo = status;
        response.ResponseText = kServerErrorText;
    }
}

}  // namespace

TDirectoryService::TDirectoryService(TZAF_workbook& workbook, TZAF_LogFile& log, const QString& baseFolder,
                                     const QString& dataFilePath)
    : workbook_(workbook),
      log_(log),
      baseFolder_(withoutTrailingSlash(baseFolder)),
      dataFilePath_(dataFilePath),
      now_([] { return QDateTime::currentDateTime(); })
{
}

void TDirectoryService::SetServer(TIdHTTPServer* server)
{
    server_ = server;
}

void TDirectoryService::SetClock(std::function<QDateTime()> now)
{
    now_ = std::move(now);
}

void TDirectoryService::IdHTTPServer1CommandGet(TIdContext* AContext, TIdHTTPRequestInfo* ARequestInfo,
                                                TIdHTTPResponseInfo* AResponseInfo)
{
    try {
        dispatch(*AContext, *ARequestInfo, *AResponseInfo);
    } catch (const std::exception& error) {
        setStatus(*AResponseInfo, kServerErrorStatus);
        AResponseInfo->ContentText = HtmlEscaped(QString::fromLocal8Bit(error.what()));
    }
}

void TDirectoryService::dispatch(TIdContext& context, TIdHTTPRequestInfo& request, TIdHTTPResponseInfo& response)
{
    const QString peer = context.Binding.PeerIP;
    const auto logEvent = [this, &peer](const QString& event) { log_.Add(peer + event, false); };
    const auto param = [&request](const QString& name) { return request.Param(name); };
    const auto present = [&request](const char* name) { return !request.Param(QString::fromLatin1(name)).isEmpty(); };
    const auto answer = [&](const QString& body, int status) {
        setStatus(response, status);
        response.ContentText = BuildPageHeader(request.Param(u"searchfor"), GetLogoPicture(), now_()) + body
            + BuildPageFooter();
    };
    // Changes must come from our own pages; the answer when they do not.
    const auto refusedAsForeign = [&]() {
        const QString foreign = ForeignOrigin(request.Header(u"Host"), request.Header(u"Origin"),
                                              request.Header(u"Referer"));
        if (foreign.isEmpty()) {
            return false;
        }
        logEvent(CrossSiteLogEvent(foreign));
        answer(CrossSiteRefusalBody(), kCrossSiteRefusalStatus);
        return true;
    };
    const auto maintain = [&](MaintenancePage (*branch)(const MaintenanceRequest&)) {
        const MaintenancePage page = branch({workbook_, baseFolder_, dataFilePath_, param, logEvent});
        answer(page.body, page.status);
    };

    const QString mappedPath = MapDocumentPath(baseFolder_, request.Document);

    if (!GetDisableUpload() && isMultipartUpload(request)) {
        if (refusedAsForeign()) {
            return;
        }
        const PhotoUploadResult upload =
            RunPhotoUpload({request, PhotoFolder::PhotoPath(baseFolder_, LeafOfMappedPath(mappedPath)), logEvent});
        if (upload.answered) {
            answer(upload.pageBody, 200);
            return;
        }
    }
    if (IsServableFile(baseFolder_, mappedPath)) {
        response.SmartServeFile(context, request, mappedPath);
        return;
    }
    if (present("newname")) {
        if (!refusedAsForeign()) {
            maintain(AddEntry);
        }
        return;
    }
    if (!GetDisableModify() && present("delname")) {
        maintain(AskDelete);
        return;
    }
    if (present("delname2")) {
        if (!refusedAsForeign()) {
            maintain(DeleteEntry);
        }
        return;
    }
    if (!GetDisableModify() && present("modname")) {
        if (!refusedAsForeign()) {
            maintain(ModifyEntry);
        }
        return;
    }
    if (request.Document == QLatin1String("/add")) {
        maintain(AddForm);
        return;
    }
    if (request.Document == QLatin1String("/mod")) {
        maintain(ModifyForm);
        return;
    }
    if (request.Document == QLatin1String("/about")) {
        logEvent(QStringLiteral("> about"));
        answer(AboutPageBody(), 200);
        return;
    }
    QString page = BuildPageHeader(request.Param(u"searchfor"), GetLogoPicture(), now_());
    AppendDirectoryList(page, workbook_, baseFolder_, request.Param(u"searchfor"), request.Param(u"sortby"), logEvent);
    page += BuildPageFooter();
    response.ContentText = std::move(page);
}
