#pragma once

#include <QElapsedTimer>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <vector>

#include "net/HttpBufferPool.h"
#include "net/HttpContext.h"
#include "net/HttpLimits.h"
#include "net/HttpRequestReader.h"
#include "net/HttpServer.h"
#include "net/HttpSessionList.h"

class QThread;
class HttpIoWorker;
struct HttpResponseBytes;

// The running server behind TIdHTTPServer: I/O threads that own the sockets, a bounded pool of
// handler threads, and the session list. Lives from activation to deactivation.
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
    HttpSessionList& sessions() { return sessions_; }
    HttpBufferPool& buffers() { return buffers_; }
    qint64 nowMs() const { return clock_.elapsed(); }
    const THttpServerLimits& limits() const { return limits_; }

    // From an I/O thread: runs a complete request on the pool; the answer goes back to
    // `worker` for connection `connectionId`.
    void dispatch(HttpIoWorker* worker, quint64 connectionId, HttpRawRequest&& raw,
                  const TIdSocketHandle& binding);

    // Spreads accepted connections over the I/O threads.
    HttpIoWorker* nextWorker();
    HttpIoWorker* acceptor() const { return workers_.front(); }

    // Connections open over all I/O threads, for the limit on open connections.
    std::atomic<int> openConnections{0};

private:
    std::shared_ptr<HttpResponseBytes> serve(HttpRawRequest&& raw, const TIdSocketHandle& binding);
    void shutdownThreads();

    const THttpServerLimits limits_;
    const TIdHTTPServer::CommandHandler handler_;
    HttpSessionList sessions_;
    HttpBufferPool buffers_;
    QElapsedTimer clock_;
    QThreadPool pool_;
    std::vector<std::unique_ptr<QThread>> threads_;
    std::vector<HttpIoWorker*> workers_;
    std::atomic<unsigned> nextWorker_{0};
    quint16 port_ = 0;
};
