#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// A blocking HTTP/1.1 client for the end-to-end tests: one request per connection, the
// answer read until the server closes.
struct WebTestResponse {
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& name) const;
    QString text() const { return QString::fromLatin1(body); }
};

// Sends the request bytes as they are.
WebTestResponse SendRawRequest(quint16 port, const QByteArray& request);

// A GET of target; extraHeaders are whole lines without the line end.
WebTestResponse Get(quint16 port, const QByteArray& target, const QList<QByteArray>& extraHeaders = {});

// A form-urlencoded POST of body to target.
WebTestResponse PostForm(quint16 port, const QByteArray& target, const QByteArray& body,
                         const QList<QByteArray>& extraHeaders = {});

// Percent-encodes a form value as a browser does (blank as "+").
QByteArray FormValue(const QString& value);
