#include "LoopbackHttp.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr int GenerousMs = 10000;

}  // namespace

quint16 FreeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

HttpReply HttpGet(quint16 port, const QByteArray& target)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(GenerousMs)) {
        return {};
    }
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n\r\n");
    QByteArray response;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(GenerousMs)) {
        response += socket.readAll();
    }
    response += socket.readAll();
    const qsizetype headerEnd = response.indexOf("\r\n\r\n");
    const QList<QByteArray> statusLine = response.left(response.indexOf("\r\n")).split(' ');
    if (headerEnd < 0 || statusLine.size() < 2) {
        return {};
    }
    return {statusLine[1].toInt(), response.mid(headerEnd + 4)};
}

bool AcceptsConnections(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(GenerousMs);
}
