#pragma once

#include <QString>

#include <atomic>
#include <thread>
#include <vector>

class HttpServerEngine;

// The accepting thread: owns the listening sockets, hands every accepted connection to the
// handler pool, and runs the server's timed chores (idle connections, stale sessions).
// Beyond the limit of open connections it stops accepting, so further clients wait in the
// listen queue until a connection closes.
class HttpAcceptor
{
public:
    explicit HttpAcceptor(HttpServerEngine& engine);
    ~HttpAcceptor();
    HttpAcceptor(const HttpAcceptor&) = delete;
    HttpAcceptor& operator=(const HttpAcceptor&) = delete;

    // Before start, on the caller's thread: binds every IPv4 and, where there is IPv6, every
    // IPv6 address. Returns an error text, empty on success.
    QString listen(quint16 port, quint16& actualPort);
    void start();
    // Ends the thread and closes the listeners.
    void stop();

    // From any thread, after a connection closed: accepting resumes if it had paused.
    void connectionClosed();

private:
    void run();
    void acceptAll(int listener);
    void pauseAccepting();
    void resumeAccepting();
    void watchListeners(bool watch);
    void sweepIdleConnections(qint64 nowMs);

    HttpServerEngine& engine_;
    int epoll_ = -1;
    int wakeup_ = -1;
    std::vector<int> listeners_;
    bool accepting_ = true;
    std::atomic<bool> paused_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
