#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QTcpSocket;

// A response as the client received it.
struct HttpTestResponse
{
    bool answered = false;     // false: the server closed without sending anything
    int status = 0;
    QByteArray statusLine;
    QList<QByteArray> headerLines;
    QByteArray body;

    QByteArray header(const QByteArray& name) const;   // first value, empty when absent
    int headerCount(const QByteArray& name) const;
};

HttpTestResponse ParseHttpTestResponse(const QByteArray& bytes);

// Sends raw bytes to the loopback server and reads until the server closes.
HttpTestResponse RawExchange(quint16 port, const QByteArray& request, const QString& host = QStringLiteral("127.0.0.1"));

// A connection kept open by the test, for idle and limit cases.
class HttpTestConnection
{
public:
    explicit HttpTestConnection(quint16 port, const QString& host = QStringLiteral("127.0.0.1"));
    ~HttpTestConnection();

    bool connected() const;
    void send(const QByteArray& bytes);
    // Reads until the server closes or `timeoutMs` passes; the bytes received so far.
    QByteArray readUntilClosed(int timeoutMs = 10000);
    // Waits up to `timeoutMs` for the first bytes; empty when none arrive.
    QByteArray readSome(int timeoutMs);
    bool closedByServer(int timeoutMs);

private:
    std::unique_ptr<QTcpSocket> socket_;
};
