#pragma once

#include <QByteArray>

#include <memory>
#include <thread>
#include <vector>

struct HttpConnection;
class HttpServerEngine;
class HttpStandIns;

// The bounded pool of handler threads. They wait together on one epoll set of every accepted
// connection, each event armed once, so a connection is with at most one thread at a time and
// no thread is held by a client that is slow or idle: sockets never block. The thread that
// reads a request to its end runs the handler and writes the answer as far as the socket takes
// it; what would block waits for the socket's next event, which any free thread may take.
// Threads beyond the processor's cores stand by for handler calls that block (HttpStandIns).
class HttpHandlerPool
{
public:
    explicit HttpHandlerPool(HttpServerEngine& engine);
    ~HttpHandlerPool();
    HttpHandlerPool(const HttpHandlerPool&) = delete;
    HttpHandlerPool& operator=(const HttpHandlerPool&) = delete;

    // `threads` in all, of which as many as the processor has cores wait for events at once.
    void start(int threads);
    // From the accepting thread: the connection is the pool's from now on. False when it could
    // not be watched; the caller then closes it.
    bool adopt(HttpConnection* connection);
    // Lets every thread finish what it is doing, then ends them.
    void stop();

private:
    enum class WriteResult { Done, Blocked, Failed };
    static constexpr int ReadChunkBytes = 16 * 1024;

    void run(int index);
    void serveEvent(HttpConnection& connection, unsigned events);
    void readRequest(HttpConnection& connection);
    void respond(HttpConnection& connection);
    void answerAndLinger(HttpConnection& connection, int status);
    void writeAnswer(HttpConnection& connection);
    WriteResult writeHeadAndBody(HttpConnection& connection);
    WriteResult writeBytes(HttpConnection& connection, const QByteArray& bytes, qsizetype& sent);
    void afterWriting(HttpConnection& connection);
    void drain(HttpConnection& connection);
    // Bytes received into `chunk`; 0 when there are none for now (the connection then waits
    // for more) or none ever (it is then closed).
    qsizetype receive(HttpConnection& connection, char (&chunk)[ReadChunkBytes]);
    void waitFor(HttpConnection& connection, unsigned events);
    void touch(HttpConnection& connection);
    void close(HttpConnection& connection);

    HttpServerEngine& engine_;
    int epoll_ = -1;
    int stopEvent_ = -1;
    std::vector<std::thread> threads_;
    std::unique_ptr<HttpStandIns> standIns_;
};
