#pragma once

#include <QElapsedTimer>

#include <atomic>
#include <memory>

#include "net/HttpBufferPool.h"
#include "net/HttpConnectionSet.h"
#include "net/HttpLimits.h"
#include "net/HttpServer.h"
#include "net/HttpSessionList.h"

class HttpAcceptor;
class HttpHandlerPool;

// The running server behind TIdHTTPServer: the accepting thread, the bounded pool of handler
// threads that serve the connections, and the session list. Lives from activation to
// deactivation.
class HttpServerEngine
{
public:
    HttpServerEngine(const THttpServerLimits& limits, TIdHTTPServer::CommandHandler handler);
    ~HttpServerEngine();
    HttpServerEngine(const HttpServerEngine&) = delete;
    HttpServerEngine& operator=(const HttpServerEngine&) = delete;

    // Starts the threads and listens; throws EIdCouldNotBindSocket, having cleaned up.
    void start(quint16 port);
    // Closes listeners and connections, waits for handler calls, ends the threads.
    void stop();

    quint16 port() const { return port_; }
    const THttpServerLimits& limits() const { return limits_; }
    const TIdHTTPServer::CommandHandler& handler() const { return handler_; }
    HttpSessionList& sessions() { return sessions_; }
    HttpBufferPool& buffers() { return buffers_; }
    HttpConnectionSet& connections() { return connections_; }
    HttpHandlerPool& handlerPool() { return *handlerPool_; }
    qint64 nowMs() const { return clock_.elapsed(); }

    // Connections open, for the limit on open connections.
    std::atomic<int> openConnections{0};
    // After a connection closed, from the thread that closed it.
    void connectionClosed();

private:
    const THttpServerLimits limits_;
    const TIdHTTPServer::CommandHandler handler_;
    HttpSessionList sessions_;
    HttpBufferPool buffers_;
    QElapsedTimer clock_;
    HttpConnectionSet connections_;
    std::unique_ptr<HttpHandlerPool> handlerPool_;
    std::unique_ptr<HttpAcceptor> acceptor_;
    quint16 port_ = 0;
};
