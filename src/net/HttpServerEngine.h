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

class HttpIoLoop;
struct HttpResponseBytes;
struct HttpSocketTicket;

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

    // From an I/O thread: runs a complete request on the pool; the answer is sent from there
    // as far as the socket takes it at once, the rest by `loop` for connection `connectionId`.
    void dispatch(HttpIoLoop* loop, quint64 connectionId, int descriptor,
                  std::shared_ptr<HttpSocketTicket> ticket, HttpRawRequest&& raw,
                  const TIdSocketHandle& binding);

    // Spreads accepted connections over the I/O threads.
    HttpIoLoop* nextLoop();
    HttpIoLoop* acceptor() const { return loops_.front().get(); }

    // Connections open over all I/O threads, for the limit on open connections.
    std::atomic<int> openConnections{0};

private:
    const THttpServerLimits limits_;
    const TIdHTTPServer::CommandHandler handler_;
    HttpSessionList sessions_;
    HttpBufferPool buffers_;
    QElapsedTimer clock_;
    QThreadPool pool_;
    std::vector<std::unique_ptr<HttpIoLoop>> loops_;
    std::atomic<unsigned> nextLoop_{0};
    quint16 port_ = 0;
};
