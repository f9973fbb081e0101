#include "WebTestClient.h"

#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr int kTimeoutMs = 20000;

WebTestResponse parseResponse(const QByteArray& raw)
{
    WebTestResponse response;
    const qsizetype headerEnd = raw.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return response;
    }
    const QList<QByteArray> lines = raw.left(headerEnd).split('\n');
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    response.status = statusLine.value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            response.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
    }
    response.body = raw.mid(headerEnd + 4);
    return response;
}

QByteArray request(const QByteArray& method, const QByteArray& target, quint16 port, const QByteArray& body,
                   const QList<QByteArray>& headers)
{
    QByteArray raw = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n";
    for (const QByteArray& line : headers) {
        raw += line + "\r\n";
    }
    if (method == "POST") {
        raw += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    return raw + "\r\n" + body;
}

}  // namespace

QByteArray WebTestResponse::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

WebTestResponse SendRawRequest(quint16 port, const QByteArray& requestBytes)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(kTimeoutMs)) {
        return {};
    }
    socket.write(requestBytes);
    socket.waitForBytesWritten(kTimeoutMs);
    QByteArray raw;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(kTimeoutMs)) {
        raw += socket.readAll();
    }
    raw += socket.readAll();
    return parseResponse(raw);
}

WebTestResponse Get(quint16 port, const QByteArray& target, const QList<QByteArray>& extraHeaders)
{
    return SendRawRequest(port, request("GET", target, port, {}, extraHeaders));
}

WebTestResponse PostForm(quint16 port, const QByteArray& target, const QByteArray& body,
                         const QList<QByteArray>& extraHeaders)
{
    QList<QByteArray> headers{"Content-Type: application/x-www-form-urlencoded"};
    headers += extraHeaders;
    return SendRawRequest(port, request("POST", target, port, body, headers));
}

QByteArray FormValue(const QString& value)
{
    // Latin-1, as a browser sends a form of an ISO-8859-1 page.
    return value.toLatin1().toPercentEncoding(" ").replace(' ', '+');
}
