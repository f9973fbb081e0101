#include "net/HttpServerEngine.h"

#include "net/HttpAcceptor.h"
#include "net/HttpHandlerPool.h"

HttpServerEngine::HttpServerEngine(const THttpServerLimits& limits, TIdHTTPServer::CommandHandler handler)
    : limits_(limits)
    , handler_(std::move(handler))
    , sessions_(limits.SessionTimeoutMs)
{
    clock_.start();
}

HttpServerEngine::~HttpServerEngine()
{
    stop();
}

void HttpServerEngine::start(quint16 port)
{
    handlerPool_ = std::make_unique<HttpHandlerPool>(*this);
    acceptor_ = std::make_unique<HttpAcceptor>(*this);
    quint16 actualPort = 0;
    const QString error = acceptor_->listen(port, actualPort);
    if (!error.isEmpty()) {
        acceptor_.reset();
        handlerPool_.reset();
        throw EIdCouldNotBindSocket(QStringLiteral("Could not bind socket on port %1: %2")
                                        .arg(port).arg(error).toStdString());
    }
    handlerPool_->start(qMax(1, limits_.HandlerThreads));
    acceptor_->start();
    port_ = actualPort;
}

void HttpServerEngine::stop()
{
    if (!acceptor_) {
        return;
    }
    acceptor_->stop();
    // Every client sees its connection end now, also while its handler still runs.
    connections_.cut([](const HttpConnection&) { return true; });
    handlerPool_->stop();
    connections_.closeAll();
    openConnections = 0;
    acceptor_.reset();
    handlerPool_.reset();
    sessions_.purge(true, nowMs());
    port_ = 0;
}

void HttpServerEngine::connectionClosed()
{
    --openConnections;
    acceptor_->connectionClosed();
}
