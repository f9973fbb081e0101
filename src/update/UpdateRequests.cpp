#include "update/UpdateRequests.h"

#include <limits>
#include <optional>

#include <QFile>
#include <QFileInfo>

#include "net/TcpLineClient.h"
#include "update/CheckReply.h"
#include "update/UpdateTexts.h"
#include "util/ShellFiles.h"
#include "util/TextUtils.h"

namespace {

const QString GetBuildCommand = QStringLiteral("GETBUILD");
const QString GetFileCommand = QStringLiteral("GETFILE");
constexpr quint32 CreateExclusiveReadWrite = FileModeCreate | FileShareExclusive | FileModeOpenReadWrite;
constexpr qint32 NoRateLimit = 0;

// Digits only, with a leading "-" when allowed, within 32-bit signed range.
std::optional<qint32> ParseDecimal(const QString& line, bool allowMinus)
{
    const QString digits = allowMinus && line.startsWith(QLatin1Char('-')) ? line.mid(1) : line;
    if (digits.isEmpty() || digits.size() > 10) {
        return std::nullopt;
    }
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    const qint64 value = line.toLongLong();
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

// Runs one request; a connection error closes the connection and passes on.
template <typename Request>
auto ClosingOnError(TIdTCPClient& client, Request request)
{
    try {
        return request();
    } catch (...) {
        client.Disconnect();
        throw;
    }
}

}  // namespace

UpdateRequests::UpdateRequests(TIdTCPClient& client, QString headerName, StatusSink addStatus,
                               TZAF_filestream_OnProgress onProgress)
    : fclient(client), fheadername(std::move(headerName)), faddstatus(std::move(addStatus)),
      fonprogress(std::move(onProgress))
{
}

QString UpdateRequests::RemoteFileName(const QString& remoteName)
{
    const qsizetype separator = qMax(remoteName.lastIndexOf(QLatin1Char('\\')), remoteName.lastIndexOf(QLatin1Char(':')));
    return remoteName.mid(separator + 1);
}

BuildReply UpdateRequests::RequestBuild(const QString& remotePath)
{
    if (!fclient.Connected()) {
        fclient.Connect();
    }
    return ClosingOnError(fclient, [&] {
        SendRequest(GetBuildCommand, remotePath);
        faddstatus(UpdateText::BuildRequestSent);
        BuildReply reply;
        const ReplyCheck check = CheckReply(fclient.ReadLn());
        if (!check.accepted) {
            faddstatus(check.statusLine);
        } else {
            reply.numberLine = fclient.ReadLn();
            const std::optional<qint32> number = ParseDecimal(reply.numberLine, true);
            if (!number) {
                throw UpdateReplyError(
                    QStringLiteral("'%1' is not a valid build number").arg(reply.numberLine).toStdString());
            }
            reply.accepted = true;
            reply.number = *number;
        }
        fclient.Disconnect();
        return reply;
    });
}

bool UpdateRequests::DownloadFile(const QString& RemoteName, const QString& Folder, bool Silent)
{
    const auto status = [&](const QString& text) {
        if (!Silent) {
            faddstatus(text);
        }
    };
    const QString fileName = RemoteFileName(RemoteName);
    // Without a file name the target would be the folder itself.
    if (Folder.isEmpty() || RemoteName.isEmpty() || fheadername.isEmpty() || fileName.isEmpty()) {
        status(UpdateText::InsufficientRequestData);
        return false;
    }
    if (!fclient.Connected()) {
        try {
            fclient.Connect();
        } catch (const TcpClientError&) {
            status(UpdateText::FailedToConnect);
            return false;
        }
    }
    const bool result = ClosingOnError(fclient, [&] {
        SendRequest(GetFileCommand, RemoteName);
        const ReplyCheck check = CheckReply(fclient.ReadLn());
        if (!check.accepted) {
            faddstatus(check.statusLine);
            status(UpdateText::FailedToDownload + fileName);
            return false;
        }
        return ReceiveFile(fileName, WithTrailingBackslash(Folder) + fileName, Silent);
    });
    fclient.Disconnect();
    return result;
}

void UpdateRequests::SendRequest(const QString& command, const QString& argument)
{
    fclient.WriteLn(fheadername);
    fclient.WriteLn(command);
    fclient.WriteLn(argument);
}

bool UpdateRequests::ReceiveFile(const QString& fileName, const QString& target, bool Silent)
{
    const auto status = [&](const QString& text) {
        if (!Silent) {
            faddstatus(text);
        }
    };
    // "ERR", an empty line, a negative size or one of 2 GiB or more: nothing to fetch.
    const std::optional<qint32> expectedSize = ParseDecimal(fclient.ReadLn(), false);
    if (!expectedSize) {
        status(UpdateText::FailedToReadSize + fileName + UpdateText::SizeSuffix);
        return false;
    }
    if (QFileInfo::exists(target)) {
        ShellDeleteFile(target, false, false, true);
    }
    status(UpdateText::Downloading + fileName + UpdateText::Ellipsis);
    {
        TZAF_filestream stream(target, CreateExclusiveReadWrite, NoRateLimit, *expectedSize);
        stream.SetOnProgress(fonprogress);
        fclient.ReadStream(stream, *expectedSize);
    }
    const qint64 written = QFileInfo(target).size();
    if (written == *expectedSize) {
        status(fileName + UpdateText::Completed + SizeToText(written) + QLatin1Char(')'));
        return true;
    }
    status(UpdateText::ErrorDownloading + fileName);
    return false;
}
