#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

struct HttpRawRequest;
class TIdHTTPRequestInfo;

// The request path as the handler sees it: absolute form stripped, "\" as "/", the last segment
// cut at "#", both the folder part and the last segment percent-decoded as UTF-8.
QString DecodeDocumentPath(QByteArrayView path);

// "name=value" entries of a parameter text: split at "&", "+" as blank, "%XX" a byte, "%uXXXX"
// a UTF-16 unit in the charset; bytes read in the charset when it is a known one, else Latin-1.
QStringList DecodeParams(QByteArrayView text, const QString& charset);

struct ContentTypeParts
{
    QString type;      // up to the first ";", trimmed
    QString charset;   // the "charset" parameter, unquoted, or empty
};
ContentTypeParts SplitContentType(QStringView headerValue);

// Fills the record from a request as read: method, headers, document, body and parameters.
void DecodeRequest(HttpRawRequest&& raw, TIdHTTPRequestInfo& info);
