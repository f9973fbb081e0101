#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// Value of the first "name<separator>value" entry whose name equals `name` without regard to
// case; empty when there is none or the entry has no separator. With `trimValue` the value
// comes without surrounding blanks (header lines).
QString ValueByName(const QStringList& entries, QStringView name, QChar separator, bool trimValue);

// One decoded request, as the request handler sees it. Filled by the server before the
// handler runs; the handler only reads it.
class TIdHTTPRequestInfo
{
public:
    QString Command;          // method, upper-cased; "X-HTTP-Method-Override" already applied
    QString Version;          // protocol version from the request line, e.g. "HTTP/1.1"
    QString URI;              // request target as received (bytes as Latin-1)
    QString Document;         // decoded path without query: "/", "/add", "/photos/Smith John.jpg"
    QString QueryParams;      // raw query string after the first "?" (possibly empty)
    QString FormParams;       // raw form text of a form-urlencoded body, one byte per character
    QString UnparsedParams;   // form text and query joined by "&": what Params was made from
    QStringList Params;       // decoded "name=value" entries, form pairs before query pairs
    QStringList RawHeaders;   // header lines as received: "Name: value"
    QString ContentType;      // "Content-Type" up to its first ";", trimmed
    QString CharSet;          // "charset" parameter of "Content-Type", or empty
    qint64 ContentLength = -1; // "Content-Length" when sent, else -1
    QString Host;
    QString Referer;
    QString UserAgent;
    QString RemoteIP;         // same text as the context's Binding.PeerIP
    QString SessionID;        // the session this request belongs to

    // The raw body, positioned at its first byte; null when there was no body or it was a
    // form-urlencoded body (then it is in FormParams and Params).
    std::unique_ptr<QBuffer> PostStream;

    // Parameter value by name (first occurrence, name without regard to case); empty if absent.
    QString Param(QStringView name) const { return ValueByName(Params, name, QLatin1Char('='), false); }
    // Header value by name without regard to case, without surrounding blanks; empty if absent.
    QString Header(QStringView name) const { return ValueByName(RawHeaders, name, QLatin1Char(':'), true); }
};
