#include "HttpTestClient.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

namespace {
constexpr int ConnectTimeoutMs = 10000;
}

QByteArray HttpTestResponse::header(const QByteArray& name) const
{
    for (const QByteArray& line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return QByteArray();
}

int HttpTestResponse::headerCount(const QByteArray& name) const
{
    int count = 0;
    for (const QByteArray& line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            ++count;
        }
    }
    return count;
}

HttpTestResponse ParseHttpTestResponse(const QByteArray& bytes)
{
    HttpTestResponse response;
    QByteArray rest = bytes;
    // Interim answers come before the final one.
    while (rest.startsWith("HTTP/1.1 100")) {
        const qsizetype end = rest.indexOf("\r\n\r\n");
        if (end < 0) {
            break;
        }
        rest = rest.mid(end + 4);
    }
    const qsizetype headEnd = rest.indexOf("\r\n\r\n");
    if (rest.isEmpty() || headEnd < 0) {
        return response;
    }
    response.answered = true;
    const QList<QByteArray> lines = rest.left(headEnd).split('\n');
    response.statusLine = lines.front().trimmed();
    response.status = response.statusLine.split(' ').value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        response.headerLines.append(lines[i].trimmed());
    }
    response.body = rest.mid(headEnd + 4);
    return response;
}

HttpTestResponse RawExchange(quint16 port, const QByteArray& request, const QString& host)
{
    HttpTestConnection connection(port, host);
    connection.send(request);
    return ParseHttpTestResponse(connection.readUntilClosed());
}

HttpTestConnection::HttpTestConnection(quint16 port, const QString& host)
    : socket_(std::make_unique<QTcpSocket>())
{
    socket_->connectToHost(QHostAddress(host), port);
    socket_->waitForConnected(ConnectTimeoutMs);
}

HttpTestConnection::~HttpTestConnection()
{
    socket_->abort();
}

bool HttpTestConnection::connected() const
{
    return socket_->state() == QAbstractSocket::ConnectedState;
}

void HttpTestConnection::send(const QByteArray& bytes)
{
    socket_->write(bytes);
    socket_->waitForBytesWritten(ConnectTimeoutMs);
}

QByteArray HttpTestConnection::readUntilClosed(int timeoutMs)
{
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        received += socket_->readAll();
        if (socket_->state() != QAbstractSocket::ConnectedState) {
            break;
        }
        socket_->waitForReadyRead(int(qMax<qint64>(1, timeoutMs - timer.elapsed())));
    }
    received += socket_->readAll();
    return received;
}

QByteArray HttpTestConnection::readSome(int timeoutMs)
{
    if (socket_->bytesAvailable() == 0) {
        socket_->waitForReadyRead(timeoutMs);
    }
    return socket_->readAll();
}

bool HttpTestConnection::closedByServer(int timeoutMs)
{
    readUntilClosed(timeoutMs);
    return socket_->state() != QAbstractSocket::ConnectedState;
}
