#pragma once

#include <functional>
#include <stdexcept>

#include <QString>

#include "util/FileStream.h"

class TIdTCPClient;

// Raised when the server's build number line is not a decimal number.
class UpdateReplyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The server's answer to a build request.
struct BuildReply {
    bool accepted = false;  // the reply word was "YES"
    QString numberLine;     // as received
    qint32 number = 0;
};

// The two requests of the update protocol, one connection each, on a client whose host and
// port are set. Status lines go to the sink; download progress to the progress handler.
// An error raised by the connection mid-request closes the connection before it passes on,
// so the next request never reads a stale reply.
class UpdateRequests {
public:
    using StatusSink = std::function<void(const QString& text)>;

    UpdateRequests(TIdTCPClient& client, QString headerName, StatusSink addStatus,
                   TZAF_filestream_OnProgress onProgress);

    // Asks for the newest build of remotePath. A failed connect raises TcpClientError.
    BuildReply RequestBuild(const QString& remotePath);

    // Fetches RemoteName into Folder under its own name; true when it arrived whole.
    bool DownloadFile(const QString& RemoteName, const QString& Folder, bool Silent);

    // The part of a server path after its last "\" (or ":").
    static QString RemoteFileName(const QString& remoteName);

private:
    void SendRequest(const QString& command, const QString& argument);
    bool ReceiveFile(const QString& fileName, const QString& target, bool Silent);

    TIdTCPClient& fclient;
    QString fheadername;
    StatusSink faddstatus;
    TZAF_filestream_OnProgress fonprogress;
};
