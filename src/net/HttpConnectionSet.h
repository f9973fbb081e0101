#pragma once

#include <QtGlobal>

#include <functional>
#include <mutex>

struct HttpConnection;

// Every open connection, so that the idle sweep and stopping reach them. A connection's
// descriptor is closed only under this set's lock, so whoever holds the lock may shut a
// listed connection down without hitting a number the system has handed out again.
class HttpConnectionSet
{
public:
    HttpConnectionSet() = default;
    ~HttpConnectionSet();
    HttpConnectionSet(const HttpConnectionSet&) = delete;
    HttpConnectionSet& operator=(const HttpConnectionSet&) = delete;

    void add(HttpConnection* connection);
    // Unlists the connection, closes its descriptor and deletes it.
    void close(HttpConnection* connection);
    // Shuts down, both ways, every connection `expired` picks; its handler thread then sees
    // the end and closes it.
    void cut(const std::function<bool(const HttpConnection&)>& expired);
    // Closes and deletes every connection left; only when no handler thread runs any more.
    void closeAll();

private:
    std::mutex mutex_;
    HttpConnection* first_ = nullptr;
};
