#include "net/HttpResponseWriter.h"

#include "net/HttpResponseInfo.h"

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// Narrows every unit to its low byte and returns all units or-ed together, so the caller sees
// whether any did not fit. Pages are large: wider vectors where the processor has them.
[[gnu::target_clones("avx2", "default")]]
char16_t narrowUnits(const char16_t* in, char* out, qsizetype count)
{
    char16_t seen = 0;
    for (qsizetype i = 0; i < count; ++i) {
        seen |= in[i];
        out[i] = char(in[i]);
    }
    return seen;
}

void appendHeader(QByteArray& head, QByteArrayView name, QByteArrayView value)
{
    head.append(name).append(": ").append(value).append(CrLf);
}

} // namespace

QByteArray EncodeLatin1WithReferences(QStringView text, QByteArray buffer)
{
    // One pass that converts and notes whether any character did not fit.
    buffer.resize(text.size());
    if (narrowUnits(text.utf16(), buffer.data(), text.size()) <= 0xFF) {
        return buffer;
    }
    buffer.resize(0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit <= 0xFF) {
            buffer.append(char(unit));
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
            ++i;
        }
        buffer.append("&#").append(QByteArray::number(uint(codePoint))).append(';');
    }
    return buffer;
}

QString ReasonPhrase(int status)
{
    switch (status) {
    case 100: return QStringLiteral("Continue");
    case 200: return QStringLiteral("OK");
    case 201: return QStringLiteral("Created");
    case 204: return QStringLiteral("No Content");
    case 301: return QStringLiteral("Moved Permanently");
    case 302: return QStringLiteral("Found");
    case 303: return QStringLiteral("See Other");
    case 304: return QStringLiteral("Not Modified");
    case 307: return QStringLiteral("Temporary Redirect");
    case 400: return QStringLiteral("Bad Request");
    case 401: return QStringLiteral("Unauthorized");
    case 403: return QStringLiteral("Forbidden");
    case 404: return QStringLiteral("Not Found");
    case 405: return QStringLiteral("Method Not Allowed");
    case 411: return QStringLiteral("Length Required");
    case 413: return QStringLiteral("Request Entity Too Large");
    case 417: return QStringLiteral("Expectation Failed");
    case 500: return QStringLiteral("Internal Server Error");
    case 501: return QStringLiteral("Not Implemented");
    case 503: return QStringLiteral("Service Unavailable");
    default: return QString();
    }
}

QByteArray BuildResponseHead(const TIdHTTPResponseInfo& response, qint64 bodyLength)
{
    // A changed status with the default text gets its own phrase.
    QString text = response.ResponseText;
    if (response.ResponseNo != 200 && text == u"OK") {
        text = ReasonPhrase(response.ResponseNo);
    }
    QByteArray head;
    head.reserve(160);
    head.append("HTTP/1.1 ").append(QByteArray::number(response.ResponseNo)).append(' ')
        .append(text.toUtf8()).append(CrLf);
    appendHeader(head, "Connection", "close");
    if (response.ResponseNo != 304) {
        if (!response.ContentType.isEmpty()) {
            QByteArray type = response.ContentType.toUtf8();
            if (!response.CharSet.isEmpty()) {
                type.append("; charset=").append(response.CharSet.toUtf8());
            }
            appendHeader(head, "Content-Type", type);
        }
        appendHeader(head, "Content-Length", QByteArray::number(bodyLength));
    }
    for (const TIdHTTPCookie& cookie : response.Cookies) {
        QByteArray value = cookie.Name.toUtf8() + '=' + cookie.Value.toUtf8();
        if (!cookie.Path.isEmpty()) {
            value.append("; Path=").append(cookie.Path.toUtf8());
        }
        appendHeader(head, "Set-Cookie", value);
    }
    for (const QString& line : response.CustomHeaders) {
        head.append(line.toUtf8()).append(CrLf);
    }
    head.append(CrLf);
    return head;
}

QByteArray BuildBodilessAnswer(int status)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + ReasonPhrase(status).toLatin1() + CrLf
        + "Connection: close" + CrLf + "Content-Length: 0" + CrLf + CrLf;
}

QByteArray ContinueAnswer()
{
    return QByteArrayLiteral("HTTP/1.1 100 Continue\r\n\r\n");
}
