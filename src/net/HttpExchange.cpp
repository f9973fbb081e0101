#include "net/HttpExchange.h"

#include "net/HttpBufferPool.h"
#include "net/HttpContext.h"
#include "net/HttpRequestDecoder.h"
#include "net/HttpRequestReader.h"
#include "net/HttpResponseBytes.h"
#include "net/HttpResponseWriter.h"
#include "net/HttpSessionList.h"

namespace {

const QString UnknownErrorText = QStringLiteral("Unknown error");

bool isHandledMethod(const QString& method)
{
    return method == u"GET" || method == u"POST" || method == u"HEAD";
}

void answerHandlerError(TIdHTTPResponseInfo& response, const QString& message)
{
    response.DiscardFile();
    response.ResponseNo = 500;
    response.ResponseText = QStringLiteral("Internal Server Error");
    response.ContentType = QStringLiteral("text/html");
    response.CharSet = QStringLiteral("ISO-8859-1");
    response.ContentText = message;
}

} // namespace

QStringList SessionCookieValues(const TIdHTTPRequestInfo& request)
{
    constexpr QStringView cookieHeader = u"Cookie";
    QStringList values;
    for (const QString& line : request.RawHeaders) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            continue;
        }
        const QStringView name = QStringView(line).left(colon).trimmed();
        if (name.size() != cookieHeader.size() || name.compare(cookieHeader, Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (QStringView cookie : QStringView(line).mid(colon + 1).split(QLatin1Char(';'))) {
            const qsizetype equals = cookie.indexOf(QLatin1Char('='));
            if (equals >= 0 && cookie.left(equals).trimmed() == HttpSessionList::CookieName) {
                values.append(cookie.mid(equals + 1).trimmed().toString());
            }
        }
    }
    return values;
}

void ServeRequest(HttpRawRequest&& raw, const TIdSocketHandle& binding,
                  const TIdHTTPServer::CommandHandler& handler, HttpSessionList& sessions,
                  HttpBufferPool& buffers, qint64 nowMs, HttpResponseBytes& bytes)
{
    TIdHTTPRequestInfo request;
    DecodeRequest(std::move(raw), request);
    request.RemoteIP = binding.PeerIP;

    TIdHTTPResponseInfo response;
    const HttpSessionList::Lookup session =
        sessions.touchOrStart(SessionCookieValues(request), binding.PeerIP, nowMs);
    request.SessionID = session.identifier;
    if (session.started) {
        response.Cookies.append({HttpSessionList::CookieName, session.identifier, QStringLiteral("/")});
    }

    if (isHandledMethod(request.Command) && handler) {
        TIdContext context;
        context.Binding = binding;
        try {
            handler(context, request, response);
        } catch (const EIdSocketError&) {
            bytes.drop = true;
            return;
        } catch (const std::exception& error) {
            answerHandlerError(response, QString::fromUtf8(error.what()));
        } catch (...) {
            answerHandlerError(response, UnknownErrorText);
        }
    }

    qint64 bodyLength = 0;
    if (response.ServesFile()) {
        bodyLength = response.FileSize();
        bytes.body = std::move(response.FileBody());
        bytes.file = std::move(response.FileStream());
        bytes.fileRemaining = bytes.file ? bodyLength : 0;
    } else {
        bytes.body = EncodeLatin1WithReferences(response.ContentText, buffers.take(response.ContentText.size()));
        bodyLength = bytes.body.size();
    }
    bytes.head = BuildResponseHead(response, bodyLength);
    if (request.Command == u"HEAD") {
        bytes.body.clear();
        bytes.file.reset();
        bytes.fileRemaining = 0;
    }
}
