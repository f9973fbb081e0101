#include "net/HttpAcceptor.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/HttpConnection.h"
#include "net/HttpHandlerPool.h"
#include "net/HttpServerEngine.h"
#include "net/HttpSocketAddress.h"

namespace {

// Out of descriptors, accepting tries again after a connection closes or this long.
constexpr int AcceptRetryMs = 100;
// After an answer to a request that was not read to its end, unread bytes are drained this
// long, so that closing does not reset the connection before the client has the answer.
constexpr qint64 LingerMs = 2000;
constexpr int IdleSweepMaxIntervalMs = 1000;
constexpr int IdleSweepMinIntervalMs = 10;
// With port 0 the IPv6 listener takes the IPv4 listener's port; if that is taken on IPv6,
// another port is tried.
constexpr int FreePortAttempts = 8;

QString systemError(const char* what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

int listenOn(int family, quint16 port, int backlog, int& error)
{
    const int descriptor = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        error = errno;
        return -1;
    }
    const int on = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage address = {};
    socklen_t length = 0;
    if (family == AF_INET) {
        auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
        ipv4.sin_family = AF_INET;
        ipv4.sin_addr.s_addr = htonl(INADDR_ANY);
        ipv4.sin_port = htons(port);
        length = sizeof ipv4;
    } else {
        // IPv4 clients come through the IPv4 listener; this one takes IPv6 only.
        ::setsockopt(descriptor, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
        ipv6.sin6_family = AF_INET6;
        ipv6.sin6_addr = in6addr_any;
        ipv6.sin6_port = htons(port);
        length = sizeof ipv6;
    }
    if (::bind(descriptor, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::listen(descriptor, backlog) != 0) {
        error = errno;
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

quint16 boundPort(int descriptor)
{
    sockaddr_storage address = {};
    socklen_t length = sizeof address;
    ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length);
    quint16 port = 0;
    SocketAddressText(address, port);
    return port;
}

} // namespace

HttpAcceptor::HttpAcceptor(HttpServerEngine& engine)
    : engine_(engine)
{
}

HttpAcceptor::~HttpAcceptor()
{
    stop();
    for (int listener : listeners_) {
        ::close(listener);
    }
}

QString HttpAcceptor::listen(quint16 port, quint16& actualPort)
{
    const int backlog = engine_.limits().ListenBacklog;
    for (int attempt = 0; attempt < FreePortAttempts; ++attempt) {
        int error = 0;
        const int ipv4 = listenOn(AF_INET, port, backlog, error);
        if (ipv4 < 0) {
            return systemError("IPv4", error);
        }
        actualPort = boundPort(ipv4);
        const int ipv6 = listenOn(AF_INET6, actualPort, backlog, error);
        if (ipv6 < 0 && error == EADDRINUSE && port == 0) {
            ::close(ipv4);
            continue;
        }
        if (ipv6 < 0 && error != EAFNOSUPPORT && error != EADDRNOTAVAIL && error != EPROTONOSUPPORT) {
            ::close(ipv4);
            return systemError("IPv6", error);
        }
        listeners_.push_back(ipv4);
        if (ipv6 >= 0) {
            listeners_.push_back(ipv6);
        }
        return QString();
    }
    return QStringLiteral("no free port found");
}

void HttpAcceptor::start()
{
    for (int listener : listeners_) {
        threads_.emplace_back([this, listener] { acceptOn(listener); });
    }
    threads_.emplace_back([this] { runChores(); });
}

void HttpAcceptor::stop()
{
    if (threads_.empty()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // Wakes the threads waiting in accept.
    for (int listener : listeners_) {
        ::shutdown(listener, SHUT_RDWR);
    }
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
    for (int listener : listeners_) {
        ::close(listener);
    }
    listeners_.clear();
}

void HttpAcceptor::connectionClosed()
{
    if (waiting_.load() > 0) {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }
}

void HttpAcceptor::acceptOn(int listener)
{
    while (waitForRoom()) {
        sockaddr_storage peer = {};
        socklen_t length = sizeof peer;
        const int descriptor =
            ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                std::unique_lock lock(mutex_);
                changed_.wait_for(lock, std::chrono::milliseconds(AcceptRetryMs), [this] { return stopping_.load(); });
            }
            continue;   // otherwise the client left already, or stopping shut the listener
        }
        ++engine_.openConnections;
        auto* connection = new HttpConnection(descriptor, peer, engine_.limits(), engine_.nowMs());
        engine_.connections().add(connection);
        if (!engine_.handlerPool().adopt(connection)) {
            engine_.connections().close(connection);
            engine_.connectionClosed();
        }
    }
}

// False when stopping.
bool HttpAcceptor::waitForRoom()
{
    const int limit = engine_.limits().MaxOpenConnections;
    if (engine_.openConnections.load() < limit) {
        return !stopping_;
    }
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.wait(lock, [&] { return stopping_ || engine_.openConnections.load() < limit; });
    --waiting_;
    return !stopping_;
}

void HttpAcceptor::runChores()
{
    const THttpServerLimits& limits = engine_.limits();
    const int sweepMs = qBound(IdleSweepMinIntervalMs, limits.IdleTimeoutMs / 4, IdleSweepMaxIntervalMs);
    const int waitMs = qMin(sweepMs, limits.SessionCleanIntervalMs);
    qint64 lastIdleSweepMs = engine_.nowMs();
    qint64 lastSessionSweepMs = lastIdleSweepMs;
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return stopping_.load(); })) {
        lock.unlock();
        const qint64 now = engine_.nowMs();
        if (now - lastIdleSweepMs >= sweepMs) {
            lastIdleSweepMs = now;
            sweepIdleConnections(now);
        }
        if (now - lastSessionSweepMs >= limits.SessionCleanIntervalMs) {
            lastSessionSweepMs = now;
            engine_.sessions().purge(false, now);
        }
        lock.lock();
    }
}

void HttpAcceptor::sweepIdleConnections(qint64 nowMs)
{
    const qint64 idleMs = engine_.limits().IdleTimeoutMs;
    const qint64 lingerMs = qMin(LingerMs, idleMs);
    engine_.connections().cut([=](const HttpConnection& connection) {
        const qint64 quiet = nowMs - connection.lastActivityMs.load(std::memory_order_relaxed);
        switch (connection.stage.load(std::memory_order_relaxed)) {
        case HttpConnection::Stage::Reading:
        case HttpConnection::Stage::Writing: return quiet > idleMs;
        case HttpConnection::Stage::Lingering: return quiet > lingerMs;
        case HttpConnection::Stage::Handling: return false;
        }
        return false;
    });
}
