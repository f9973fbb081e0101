#include "net/HttpServerEngine.h"

#include "net/HttpIoLoop.h"
#include "net/HttpRequestDecoder.h"
#include "net/HttpResponseBytes.h"
#include "net/HttpResponseWriter.h"

namespace {

const QString UnknownErrorText = QStringLiteral("Unknown error");

bool isHandledMethod(const QString& method)
{
    return method == u"GET" || method == u"POST" || method == u"HEAD";
}

QStringList sessionCookieValues(const TIdHTTPRequestInfo& request)
{
    QStringList values;
    for (const QString& line : request.RawHeaders) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0 || QStringView(line).left(colon).trimmed().compare(u"Cookie", Qt::CaseInsensitive) != 0) {
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

HttpServerEngine::HttpServerEngine(const THttpServerLimits& limits, TIdHTTPServer::CommandHandler handler)
    : limits_(limits)
    , handler_(std::move(handler))
    , sessions_(limits.SessionTimeoutMs)
{
    clock_.start();
    pool_.setMaxThreadCount(qMax(1, limits_.HandlerThreads));
}

HttpServerEngine::~HttpServerEngine()
{
    stop();
}

void HttpServerEngine::start(quint16 port)
{
    const int ioThreads = qMax(1, limits_.IoThreads);
    for (int i = 0; i < ioThreads; ++i) {
        loops_.push_back(std::make_unique<HttpIoLoop>(*this, i == 0));
    }
    quint16 actualPort = 0;
    const QString error = acceptor()->listen(port, actualPort);
    if (!error.isEmpty()) {
        loops_.clear();
        throw EIdCouldNotBindSocket(QStringLiteral("Could not bind socket on port %1: %2")
                                        .arg(port).arg(error).toStdString());
    }
    for (auto& loop : loops_) {
        loop->start();
    }
    port_ = actualPort;
}

void HttpServerEngine::stop()
{
    if (loops_.empty()) {
        return;
    }
    for (auto& loop : loops_) {
        loop->stop();
    }
    pool_.clear();
    pool_.waitForDone();
    // No handler runs any more, so nothing posts to the loops now.
    loops_.clear();
    sessions_.purge(true, nowMs());
    port_ = 0;
}

HttpIoLoop* HttpServerEngine::nextLoop()
{
    return loops_[nextLoop_++ % loops_.size()].get();
}

void HttpServerEngine::dispatch(HttpIoLoop* loop, quint64 connectionId, int descriptor,
                                std::shared_ptr<HttpSocketTicket> ticket, HttpRawRequest&& raw,
                                const TIdSocketHandle& binding)
{
    auto request = std::make_shared<HttpRawRequest>(std::move(raw));
    pool_.start([this, loop, connectionId, descriptor, ticket = std::move(ticket), request, binding] {
        loop->answerFromHandler(connectionId, descriptor, ticket, serve(std::move(*request), binding));
    });
}

// Runs on a handler thread: decode, session, handler, and the bytes to send.
std::shared_ptr<HttpResponseBytes> HttpServerEngine::serve(HttpRawRequest&& raw, const TIdSocketHandle& binding)
{
    auto bytes = std::make_shared<HttpResponseBytes>();
    TIdHTTPRequestInfo request;
    DecodeRequest(std::move(raw), request);
    request.RemoteIP = binding.PeerIP;

    TIdHTTPResponseInfo response;
    const HttpSessionList::Lookup session =
        sessions_.touchOrStart(sessionCookieValues(request), binding.PeerIP, nowMs());
    request.SessionID = session.identifier;
    if (session.started) {
        response.Cookies.append({HttpSessionList::CookieName, session.identifier, QStringLiteral("/")});
    }

    if (isHandledMethod(request.Command) && handler_) {
        TIdContext context;
        context.Binding = binding;
        try {
            handler_(context, request, response);
        } catch (const EIdSocketError&) {
            bytes->drop = true;
            return bytes;
        } catch (const std::exception& error) {
            answerHandlerError(response, QString::fromUtf8(error.what()));
        } catch (...) {
            answerHandlerError(response, UnknownErrorText);
        }
    }

    qint64 bodyLength = 0;
    if (response.ServesFile()) {
        bodyLength = response.FileSize();
        bytes->body = std::move(response.FileBody());
        bytes->file = std::move(response.FileStream());
        bytes->fileRemaining = bytes->file ? bodyLength : 0;
    } else {
        bytes->body = EncodeLatin1WithReferences(response.ContentText, buffers_.take(response.ContentText.size()));
        bodyLength = bytes->body.size();
    }
    bytes->head = BuildResponseHead(response, bodyLength);
    if (request.Command == u"HEAD") {
        bytes->body.clear();
        bytes->file.reset();
        bytes->fileRemaining = 0;
    }
    return bytes;
}
