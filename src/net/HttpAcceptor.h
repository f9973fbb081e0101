#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class HttpServerEngine;

// The listening side of the server: one thread per listening socket, each waiting in accept
// and handing every connection to the handler pool, and one thread for the timed chores
// (idle connections, stale sessions). Beyond the limit of open connections accepting waits,
// so further clients wait in the listen queue until a connection closes.
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
    // Ends the threads and closes the listeners.
    void stop();

    // From any thread, after a connection closed: accepting goes on if it waited for that.
    void connectionClosed();

private:
    void acceptOn(int listener);
    bool waitForRoom();
    void runChores();
    void sweepIdleConnections(qint64 nowMs);

    HttpServerEngine& engine_;
    std::vector<int> listeners_;
    std::vector<std::thread> threads_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> waiting_{0};   // listening threads waiting for room
    std::mutex mutex_;
    std::condition_variable changed_;
};
