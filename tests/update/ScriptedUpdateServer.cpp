#include "ScriptedUpdateServer.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr int PollMs = 20;
constexpr int RequestWaitMs = 10000;   // generous: the client sends its lines at once

QByteArray Line(const QByteArray& text)
{
    return text + "\r\n";
}

// Reads the three request lines; fewer when the client leaves or the wait runs out.
QStringList ReadRequestLines(QTcpSocket& socket, const std::atomic<bool>& stopping)
{
    QByteArray received;
    QElapsedTimer waited;
    waited.start();
    while (received.count('\n') < 3 && !stopping && waited.elapsed() < RequestWaitMs &&
           socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.waitForReadyRead(PollMs)) {
            received += socket.readAll();
        }
    }
    QStringList lines;
    for (QByteArray line : received.split('\n').mid(0, 3)) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        lines << QString::fromLatin1(line);
    }
    while (lines.size() < 3) {
        lines << QString();
    }
    return lines;
}

void WaitForClientToLeave(QTcpSocket& socket, const std::atomic<bool>& stopping)
{
    while (!stopping && socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.waitForReadyRead(PollMs)) {
            socket.readAll();
        }
    }
}

}  // namespace

ScriptedReply ScriptedReply::Word(const QByteArray& word)
{
    return {Line(word)};
}

ScriptedReply ScriptedReply::NumberLine(const QByteArray& line)
{
    return {Line("YES") + Line(line)};
}

ScriptedReply ScriptedReply::File(const QByteArray& contents)
{
    return {Line("YES") + Line(QByteArray::number(contents.size())) + contents};
}

ScriptedReply ScriptedReply::ShortFile(qint64 announcedSize, const QByteArray& contents)
{
    return {Line("YES") + Line(QByteArray::number(announcedSize)) + contents};
}

ScriptedReply ScriptedReply::Silence()
{
    return {QByteArray(), false};
}

ScriptedReply ScriptedReply::Raw(const QByteArray& bytes)
{
    return {bytes};
}

ScriptedUpdateServer::ScriptedUpdateServer(QString expectedHeader) : expectedHeader_(std::move(expectedHeader))
{
    std::promise<quint16> listening;
    std::future<quint16> port = listening.get_future();
    thread_ = std::thread([this, &listening] { Serve(listening); });
    port_ = port.get();
}

ScriptedUpdateServer::~ScriptedUpdateServer()
{
    stopping_ = true;
    thread_.join();
}

void ScriptedUpdateServer::SetReply(const QString& command, const QString& argument, const ScriptedReply& reply)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    replies_[{command, argument}] = reply;
}

QList<ReceivedRequest> ScriptedUpdateServer::Requests() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

ScriptedReply ScriptedUpdateServer::ReplyFor(const ReceivedRequest& request) const
{
    if (request.header != expectedHeader_) {
        return ScriptedReply::Word("HDR");
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = replies_.find({request.command, request.argument});
    return found != replies_.end() ? found->second : ScriptedReply::Word("FNF");
}

void ScriptedUpdateServer::Serve(std::promise<quint16>& listening)
{
    QTcpServer server;
    listening.set_value(server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0);
    while (!stopping_) {
        if (!server.waitForNewConnection(PollMs)) {
            continue;
        }
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        const QStringList lines = ReadRequestLines(*socket, stopping_);
        const ReceivedRequest request{lines[0], lines[1], lines[2]};
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            requests_ << request;
        }
        const ScriptedReply reply = ReplyFor(request);
        socket->write(reply.bytes);
        while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(RequestWaitMs)) {
        }
        if (reply.closeAfter) {
            socket->disconnectFromHost();
            if (socket->state() != QAbstractSocket::UnconnectedState) {
                socket->waitForDisconnected(RequestWaitMs);
            }
        } else {
            WaitForClientToLeave(*socket, stopping_);
        }
    }
}
