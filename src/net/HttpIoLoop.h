#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "net/HttpContext.h"
#include "net/HttpRequestReader.h"

class HttpServerEngine;
struct HttpResponseBytes;

// Who may use a connection's descriptor while its request is with a handler thread: the I/O
// thread and the handler thread each hold the lock while they use it, and whoever closes it
// marks it closed, so that neither touches a number the system may have handed out again.
struct HttpSocketTicket
{
    std::mutex mutex;
    bool closed = false;
};

// One I/O thread of the server: an epoll loop that owns its connections' sockets, reads each
// request without blocking, hands it on complete, and writes the answer back without blocking.
// The first loop also owns the listening sockets and hands accepted connections round.
class HttpIoLoop
{
public:
    HttpIoLoop(HttpServerEngine& engine, bool acceptor);
    ~HttpIoLoop();
    HttpIoLoop(const HttpIoLoop&) = delete;
    HttpIoLoop& operator=(const HttpIoLoop&) = delete;

    // Before start, on the caller's thread: binds every IPv4 and, where there is IPv6, every
    // IPv6 address. Returns an error text, empty on success.
    QString listen(quint16 port, quint16& actualPort);
    void start();
    // Closes the listeners and every connection and ends the thread. Answers posted later
    // are dropped.
    void stop();

    // From any thread: runs `task` on this loop's thread.
    void post(std::function<void()> task);

    // On this loop's thread.
    void adopt(int descriptor);
    void resumeAccepting();

    // From a handler thread: sends what the socket takes at once and, when that is all of it,
    // closes the connection itself; the rest is left to this loop's thread. Never blocks.
    void answerFromHandler(quint64 connectionId, int descriptor, const std::shared_ptr<HttpSocketTicket>& ticket,
                           std::shared_ptr<HttpResponseBytes> response);

private:
    enum class Stage { Reading, Handling, Writing, Lingering };
    struct Connection
    {
        explicit Connection(const THttpServerLimits& limits) : reader(limits) {}
        int descriptor = -1;
        quint64 id = 0;
        Stage stage = Stage::Reading;
        HttpRequestReader reader;
        TIdSocketHandle binding;
        qint64 lastActivityMs = 0;
        bool lingerAfterWrite = false;
        std::shared_ptr<HttpResponseBytes> response;
        QByteArray answer;          // a bodiless answer of the server's own
        qsizetype headSent = 0;
        qsizetype bodySent = 0;
        QByteArray filePiece;
        qsizetype filePieceSent = 0;
        std::shared_ptr<HttpSocketTicket> ticket;   // set while a handler has the request
    };

    void run();
    void runPosted();
    void acceptAll(int listener);
    void onEvent(Connection& connection, unsigned events);
    void readFrom(Connection& connection);
    void handle(Connection& connection, HttpReadStatus status);
    void answerAndClose(Connection& connection, int status);
    void writeTo(Connection& connection);
    bool writeBytes(Connection& connection, const QByteArray& bytes, qsizetype& sent);
    void afterWriting(Connection& connection);
    void finishAnswer(quint64 connectionId, std::shared_ptr<HttpResponseBytes> response,
                      qsizetype headSent, qsizetype bodySent, bool closed);
    void close(Connection& connection, bool descriptorClosed = false);
    void sweep(qint64 nowMs);
    void pauseAccepting();

    HttpServerEngine& engine_;
    const bool acceptor_;
    int epoll_ = -1;
    int wakeup_ = -1;
    std::vector<int> listeners_;
    bool accepting_ = true;
    std::atomic<bool> paused_{false};   // read by other loops to know whether to wake this one
    std::thread thread_;
    bool stopping_ = false;

    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;

    std::unordered_map<quint64, std::unique_ptr<Connection>> connections_;
    quint64 nextConnectionId_ = FirstConnectionId;
    qint64 lastIdleSweepMs_ = 0;
    qint64 lastSessionSweepMs_ = 0;

    static constexpr quint64 WakeupId = 0;
    static constexpr quint64 ListenerIdBase = 1;   // one id per listener after it
    static constexpr quint64 FirstConnectionId = 16;
};
