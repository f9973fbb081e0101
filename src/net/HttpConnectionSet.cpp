#include "net/HttpConnectionSet.h"

#include <sys/socket.h>
#include <unistd.h>

#include "net/HttpConnection.h"

HttpConnectionSet::~HttpConnectionSet()
{
    closeAll();
}

void HttpConnectionSet::add(HttpConnection* connection)
{
    std::lock_guard lock(mutex_);
    connection->next = first_;
    if (first_) {
        first_->previous = connection;
    }
    first_ = connection;
}

void HttpConnectionSet::close(HttpConnection* connection)
{
    {
        std::lock_guard lock(mutex_);
        if (connection->previous) {
            connection->previous->next = connection->next;
        } else {
            first_ = connection->next;
        }
        if (connection->next) {
            connection->next->previous = connection->previous;
        }
        ::close(connection->descriptor);   // also takes it out of the epoll set
    }
    delete connection;
}

void HttpConnectionSet::cut(const std::function<bool(const HttpConnection&)>& expired)
{
    std::lock_guard lock(mutex_);
    for (HttpConnection* connection = first_; connection; connection = connection->next) {
        if (expired(*connection)) {
            ::shutdown(connection->descriptor, SHUT_RDWR);
        }
    }
}

void HttpConnectionSet::closeAll()
{
    std::lock_guard lock(mutex_);
    while (first_) {
        HttpConnection* connection = first_;
        first_ = connection->next;
        ::close(connection->descriptor);
        delete connection;
    }
}
