#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QFile;
class TIdContext;
class TIdHTTPRequestInfo;

struct TIdHTTPCookie
{
    QString Name;
    QString Value;
    QString Path;
};

// The response the handler fills. Status, content type and charset start at the server's
// defaults; the handler normally only assigns ContentText or calls SmartServeFile.
class TIdHTTPResponseInfo
{
public:
    TIdHTTPResponseInfo();
    ~TIdHTTPResponseInfo();
    TIdHTTPResponseInfo(const TIdHTTPResponseInfo&) = delete;
    TIdHTTPResponseInfo& operator=(const TIdHTTPResponseInfo&) = delete;

    int ResponseNo = 200;
    QString ResponseText = QStringLiteral("OK");
    QString ContentType = QStringLiteral("text/html");
    QString CharSet = QStringLiteral("ISO-8859-1");
    QString ContentText;              // the body; sent as ISO-8859-1, other characters as &#N;
    QStringList CustomHeaders;        // extra header lines "Name: value", sent as they are
    QList<TIdHTTPCookie> Cookies;     // each sent as one "Set-Cookie" line

    // Makes the named file the whole response: 404 when it does not exist, 304 when the
    // request's "If-Modified-Since" lies within 2 seconds of its last-write time, otherwise
    // the file with its media type. Returns the number of body bytes that will be sent.
    qint64 SmartServeFile(TIdContext& AContext, const TIdHTTPRequestInfo& ARequestInfo,
                          const QString& FileName);

    // Filled by SmartServeFile; read by the server when it writes the response.
    bool ServesFile() const { return servesFile_; }
    QByteArray& FileBody() { return fileBody_; }
    std::unique_ptr<QFile>& FileStream() { return fileStream_; }
    qint64 FileSize() const { return fileSize_; }
    // Forgets a file chosen earlier, so the response carries ContentText again.
    void DiscardFile();

private:
    bool servesFile_ = false;
    QByteArray fileBody_;                 // whole content of a small file
    std::unique_ptr<QFile> fileStream_;   // an open large file, sent in pieces
    qint64 fileSize_ = 0;
};
