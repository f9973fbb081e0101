#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

class TIdContext;
class TIdHTTPRequestInfo;
class TIdHTTPResponseInfo;
class TIdHTTPServer;
class TZAF_LogFile;
class TZAF_workbook;

// The directory's web service: turns each HTTP request into a served file or a page
// (list and search, add, modify, delete, about) and carries out the change it asks for.
//
// One instance serves every connection thread at once. It keeps no per-request state; the
// workbook, the log and the settings guard themselves, and each request's sequence of
// workbook operations runs under the workbook's callers' lock.
//
// Wiring, done once by the host before the server is activated:
//   TDirectoryService service(workbook, log, baseFolder, dataFilePath);
//   service.SetServer(&server);
//   server.OnCommandGet = [&service](TIdContext& c, TIdHTTPRequestInfo& q, TIdHTTPResponseInfo& r) {
//       service.IdHTTPServer1CommandGet(&c, &q, &r);
//   };
class TDirectoryService {
public:
    // baseFolder: the folder whose files are served and which holds "photos" and "pictures";
    // dataFilePath: the data file the workbook was opened from or created as, named in the
    // log when a change cannot be saved.
    TDirectoryService(TZAF_workbook& workbook, TZAF_LogFile& log, const QString& baseFolder,
                      const QString& dataFilePath);

    // The server this service answers for. Files are sent through the response record, so
    // this is optional; the host sets it for completeness of the wiring.
    void SetServer(TIdHTTPServer* server);

    // Replaces the clock of the page header's date line; tests pin it.
    void SetClock(std::function<QDateTime()> now);

    // The request handler, called on the connection's thread once per request. Every branch
    // either serves a file or assigns the page to the response's content text; no exception
    // leaves it.
    void IdHTTPServer1CommandGet(TIdContext* AContext, TIdHTTPRequestInfo* ARequestInfo,
                                 TIdHTTPResponseInfo* AResponseInfo);

    const QString& BaseFolder() const { return baseFolder_; }

private:
    void dispatch(TIdContext& context, TIdHTTPRequestInfo& request, TIdHTTPResponseInfo& response);

    TZAF_workbook& workbook_;
    TZAF_LogFile& log_;
    QString baseFolder_;
    QString dataFilePath_;
    TIdHTTPServer* server_ = nullptr;
    std::function<QDateTime()> now_;
};
