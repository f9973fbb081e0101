#include "net/HttpServerEngine.h"

#include "net/HttpExchange.h"
#include "net/HttpIoLoop.h"
#include "net/HttpResponseBytes.h"

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
        auto bytes = std::make_shared<HttpResponseBytes>();
        ServeRequest(std::move(*request), binding, handler_, sessions_, buffers_, nowMs(), *bytes);
        loop->answerFromHandler(connectionId, descriptor, ticket, std::move(bytes));
    });
}
