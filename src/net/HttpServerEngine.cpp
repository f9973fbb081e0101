#include "net/HttpServerEngine.h"

#include <QThread>

#include "net/HttpIoWorker.h"
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
        auto thread = std::make_unique<QThread>();
        thread->setObjectName(QStringLiteral("http-io-%1").arg(i));
        auto* worker = new HttpIoWorker(*this);
        worker->moveToThread(thread.get());
        thread->start();
        workers_.push_back(worker);
        threads_.push_back(std::move(thread));
    }
    QString error;
    quint16 actualPort = 0;
    QMetaObject::invokeMethod(acceptor(), [&] { error = acceptor()->listen(port, actualPort); },
                              Qt::BlockingQueuedConnection);
    if (!error.isEmpty()) {
        shutdownThreads();
        throw EIdCouldNotBindSocket(QStringLiteral("Could not bind socket on port %1: %2")
                                        .arg(port).arg(error).toStdString());
    }
    for (HttpIoWorker* worker : workers_) {
        if (worker != acceptor()) {
            QMetaObject::invokeMethod(worker, [worker] { worker->startIdleSweep(); }, Qt::QueuedConnection);
        }
    }
    port_ = actualPort;
}

void HttpServerEngine::stop()
{
    if (workers_.empty()) {
        return;
    }
    for (HttpIoWorker* worker : workers_) {
        QMetaObject::invokeMethod(worker, [worker] { worker->shutdown(); }, Qt::BlockingQueuedConnection);
    }
    pool_.clear();
    pool_.waitForDone();
    shutdownThreads();
    sessions_.purge(true, nowMs());
    port_ = 0;
}

void HttpServerEngine::shutdownThreads()
{
    for (auto& thread : threads_) {
        thread->quit();
    }
    for (auto& thread : threads_) {
        thread->wait();
    }
    // The threads are gone, so their objects may be deleted from here.
    for (HttpIoWorker* worker : workers_) {
        delete worker;
    }
    workers_.clear();
    threads_.clear();
}

HttpIoWorker* HttpServerEngine::nextWorker()
{
    return workers_[nextWorker_++ % workers_.size()];
}

void HttpServerEngine::dispatch(HttpIoWorker* worker, quint64 connectionId, HttpRawRequest&& raw,
                                const TIdSocketHandle& binding)
{
    auto request = std::make_shared<HttpRawRequest>(std::move(raw));
    pool_.start([this, worker, connectionId, request, binding] {
        std::shared_ptr<HttpResponseBytes> response = serve(std::move(*request), binding);
        QMetaObject::invokeMethod(
            worker, [worker, connectionId, response] { worker->respond(connectionId, response); },
            Qt::QueuedConnection);
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
