#include "net/HttpIoLoop.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include "net/HttpResponseBytes.h"
#include "net/HttpResponseWriter.h"
#include "net/HttpServerEngine.h"

namespace {

constexpr int MaxEventsPerWait = 128;
constexpr int ReadChunkBytes = 16 * 1024;
constexpr qint64 FilePieceBytes = 64 * 1024;
// After an answer to a request that was not read to its end, unread bytes are drained this
// long, so that closing does not reset the connection before the client has the answer.
constexpr qint64 LingerMs = 2000;
constexpr int IdleSweepMaxIntervalMs = 1000;
constexpr int IdleSweepMinIntervalMs = 10;
// With port 0 the IPv6 listener takes the IPv4 listener's port; if that is taken on IPv6,
// another port is tried.
constexpr int FreePortAttempts = 8;

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Dotted decimal for IPv4 clients, also when they came in on an IPv6 socket.
QString addressText(const sockaddr_storage& address, quint16& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
        port = ntohs(ipv4.sin_port);
        inet_ntop(AF_INET, &ipv4.sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        const auto& ipv6 = reinterpret_cast<const sockaddr_in6&>(address);
        port = ntohs(ipv6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&ipv6.sin6_addr)) {
            inet_ntop(AF_INET, &ipv6.sin6_addr.s6_addr[12], text, sizeof text);
        } else {
            inet_ntop(AF_INET6, &ipv6.sin6_addr, text, sizeof text);
        }
    }
    return QString::fromLatin1(text);
}

int listenOn(int family, quint16 port, int backlog, int& error)
{
    const int descriptor = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
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
    addressText(address, port);
    return port;
}

} // namespace

HttpIoLoop::HttpIoLoop(HttpServerEngine& engine, bool acceptor)
    : engine_(engine)
    , acceptor_(acceptor)
{
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeup_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event event = {};
    event.events = EPOLLIN;
    event.data.u64 = WakeupId;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeup_, &event);
}

HttpIoLoop::~HttpIoLoop()
{
    stop();
    ::close(wakeup_);
    ::close(epoll_);
}

QString HttpIoLoop::listen(quint16 port, quint16& actualPort)
{
    const int backlog = engine_.limits().ListenBacklog;
    for (int attempt = 0; attempt < FreePortAttempts; ++attempt) {
        int error = 0;
        const int ipv4 = listenOn(AF_INET, port, backlog, error);
        if (ipv4 < 0) {
            errno = error;
            return systemError("IPv4");
        }
        actualPort = boundPort(ipv4);
        const int ipv6 = listenOn(AF_INET6, actualPort, backlog, error);
        if (ipv6 < 0 && error == EADDRINUSE && port == 0) {
            ::close(ipv4);
            continue;
        }
        if (ipv6 < 0 && error != EAFNOSUPPORT && error != EADDRNOTAVAIL && error != EPROTONOSUPPORT) {
            ::close(ipv4);
            errno = error;
            return systemError("IPv6");
        }
        listeners_.push_back(ipv4);
        if (ipv6 >= 0) {
            listeners_.push_back(ipv6);
        }
        for (size_t i = 0; i < listeners_.size(); ++i) {
            epoll_event event = {};
            event.events = EPOLLIN;
            event.data.u64 = ListenerIdBase + i;
            ::epoll_ctl(epoll_, EPOLL_CTL_ADD, listeners_[i], &event);
        }
        return QString();
    }
    return QStringLiteral("no free port found");
}

void HttpIoLoop::start()
{
    thread_ = std::thread([this] { run(); });
}

void HttpIoLoop::stop()
{
    if (!thread_.joinable()) {
        return;
    }
    post([this] { stopping_ = true; });
    thread_.join();
    // Connections handed over but not yet taken are closed by adopt while stopping.
    std::vector<std::function<void()>> leftOver;
    {
        std::lock_guard lock(postedMutex_);
        leftOver.swap(posted_);
    }
    for (auto& task : leftOver) {
        task();
    }
    for (int listener : listeners_) {
        ::close(listener);
    }
    listeners_.clear();
    for (auto& [id, connection] : connections_) {
        if (!connection->ticket) {
            ::close(connection->descriptor);
            continue;
        }
        std::lock_guard lock(connection->ticket->mutex);
        if (!connection->ticket->closed) {
            ::close(connection->descriptor);
            connection->ticket->closed = true;
        }
    }
    connections_.clear();
}

void HttpIoLoop::post(std::function<void()> task)
{
    bool wasEmpty;
    {
        std::lock_guard lock(postedMutex_);
        wasEmpty = posted_.empty();
        posted_.push_back(std::move(task));
    }
    if (wasEmpty) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeup_, &one, sizeof one);
    }
}

void HttpIoLoop::runPosted()
{
    quint64 count;
    [[maybe_unused]] const ssize_t drained = ::read(wakeup_, &count, sizeof count);
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(postedMutex_);
        tasks.swap(posted_);
    }
    for (auto& task : tasks) {
        task();
    }
}

void HttpIoLoop::run()
{
    const THttpServerLimits& limits = engine_.limits();
    const int sweepMs = qBound(IdleSweepMinIntervalMs, limits.IdleTimeoutMs / 4, IdleSweepMaxIntervalMs);
    const int waitMs = acceptor_ ? qMin(sweepMs, limits.SessionCleanIntervalMs) : sweepMs;
    lastIdleSweepMs_ = lastSessionSweepMs_ = engine_.nowMs();
    epoll_event events[MaxEventsPerWait];
    while (!stopping_) {
        const int count = ::epoll_wait(epoll_, events, MaxEventsPerWait, waitMs);
        for (int i = 0; i < count && !stopping_; ++i) {
            const quint64 id = events[i].data.u64;
            if (id == WakeupId) {
                runPosted();
            } else if (id < FirstConnectionId) {
                acceptAll(listeners_[id - ListenerIdBase]);
            } else if (const auto found = connections_.find(id); found != connections_.end()) {
                onEvent(*found->second, events[i].events);
            }
        }
        const qint64 now = engine_.nowMs();
        if (now - lastIdleSweepMs_ >= sweepMs) {
            lastIdleSweepMs_ = now;
            sweep(now);
            if (acceptor_ && engine_.openConnections.load() < limits.MaxOpenConnections) {
                resumeAccepting();
            }
        }
        if (acceptor_ && now - lastSessionSweepMs_ >= limits.SessionCleanIntervalMs) {
            lastSessionSweepMs_ = now;
            engine_.sessions().purge(false, now);
        }
    }
}

// On the acceptor. Beyond the limit of open connections accepting pauses: further clients
// wait in the listen queue until a connection closes.
void HttpIoLoop::acceptAll(int listener)
{
    while (accepting_) {
        if (engine_.openConnections.load() >= engine_.limits().MaxOpenConnections) {
            pauseAccepting();
            return;
        }
        const int descriptor = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of descriptors: wait for a close or the next sweep instead of spinning.
                pauseAccepting();
            }
            return;   // otherwise nothing more waiting, or the client left already
        }
        ++engine_.openConnections;
        HttpIoLoop* loop = engine_.nextLoop();
        if (loop == this) {
            adopt(descriptor);
        } else {
            loop->post([loop, descriptor] { loop->adopt(descriptor); });
        }
    }
}

void HttpIoLoop::pauseAccepting()
{
    accepting_ = false;
    paused_ = true;
    for (int listener : listeners_) {
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, listener, nullptr);
    }
}

void HttpIoLoop::resumeAccepting()
{
    if (accepting_ || stopping_) {
        return;
    }
    accepting_ = true;
    paused_ = false;
    for (size_t i = 0; i < listeners_.size(); ++i) {
        epoll_event event = {};
        event.events = EPOLLIN;
        event.data.u64 = ListenerIdBase + i;
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, listeners_[i], &event);
    }
}

void HttpIoLoop::adopt(int descriptor)
{
    if (stopping_) {
        ::close(descriptor);
        return;
    }
    auto connection = std::make_unique<Connection>(engine_.limits());
    connection->descriptor = descriptor;
    connection->id = nextConnectionId_++;
    connection->lastActivityMs = engine_.nowMs();
    sockaddr_storage address = {};
    socklen_t length = sizeof address;
    ::getpeername(descriptor, reinterpret_cast<sockaddr*>(&address), &length);
    connection->binding.PeerIP = addressText(address, connection->binding.PeerPort);
    length = sizeof address;
    ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length);
    connection->binding.IP = addressText(address, connection->binding.Port);

    // Edge-triggered for reading and writing alike, so a connection never needs changing.
    epoll_event event = {};
    event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
    event.data.u64 = connection->id;
    Connection& added = *connection;
    connections_.emplace(connection->id, std::move(connection));
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, descriptor, &event) != 0) {
        close(added);
        return;
    }
    readFrom(added);
}

void HttpIoLoop::onEvent(Connection& connection, unsigned events)
{
    if (connection.stage == Stage::Handling) {
        // The handler thread may be sending or closing at this moment.
        const std::shared_ptr<HttpSocketTicket> ticket = connection.ticket;
        std::lock_guard lock(ticket->mutex);
        if (!ticket->closed && (events & (EPOLLIN | EPOLLRDHUP | EPOLLERR | EPOLLHUP))) {
            readFrom(connection);
        }
        return;
    }
    if (events & (EPOLLIN | EPOLLRDHUP | EPOLLERR | EPOLLHUP)) {
        const quint64 id = connection.id;
        readFrom(connection);
        if (connections_.find(id) == connections_.end()) {
            return;
        }
    }
    if ((events & EPOLLOUT) && connection.stage == Stage::Writing) {
        writeTo(connection);
    }
}

void HttpIoLoop::readFrom(Connection& connection)
{
    char chunk[ReadChunkBytes];
    for (;;) {
        const ssize_t received = ::recv(connection.descriptor, chunk, sizeof chunk, 0);
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            // The client closed, reset or went away: the connection ends quietly.
            close(connection);
            return;
        }
        connection.lastActivityMs = engine_.nowMs();
        // In other stages the client has nothing more to say; extra bytes are dropped.
        if (connection.stage == Stage::Reading) {
            const quint64 id = connection.id;
            handle(connection, connection.reader.read(QByteArrayView(chunk, received)));
            // Once handed on, the descriptor is the handler thread's to use until it answers.
            if (connections_.find(id) == connections_.end() || connection.stage == Stage::Handling) {
                return;
            }
        }
    }
}

void HttpIoLoop::handle(Connection& connection, HttpReadStatus status)
{
    switch (status) {
    case HttpReadStatus::NeedMore:
        return;
    case HttpReadStatus::SendContinue: {
        const QByteArray interim = ContinueAnswer();
        [[maybe_unused]] const ssize_t sent =
            ::send(connection.descriptor, interim.constData(), interim.size(), MSG_NOSIGNAL);
        handle(connection, connection.reader.resume());
        return;
    }
    case HttpReadStatus::Complete:
        connection.stage = Stage::Handling;
        connection.ticket = std::make_shared<HttpSocketTicket>();
        engine_.dispatch(this, connection.id, connection.descriptor, connection.ticket,
                         connection.reader.takeRequest(), connection.binding);
        return;
    case HttpReadStatus::Drop:
        close(connection);
        return;
    case HttpReadStatus::BadRequest: answerAndClose(connection, 400); return;
    case HttpReadStatus::LengthRequired: answerAndClose(connection, 411); return;
    case HttpReadStatus::PayloadTooLarge: answerAndClose(connection, 413); return;
    case HttpReadStatus::ExpectationFailed: answerAndClose(connection, 417); return;
    }
}

void HttpIoLoop::answerAndClose(Connection& connection, int status)
{
    connection.stage = Stage::Writing;
    connection.lingerAfterWrite = true;
    connection.answer = BuildBodilessAnswer(status);
    writeTo(connection);
}

void HttpIoLoop::answerFromHandler(quint64 connectionId, int descriptor,
                                   const std::shared_ptr<HttpSocketTicket>& ticket,
                                   std::shared_ptr<HttpResponseBytes> response)
{
    qsizetype headSent = 0;
    qsizetype bodySent = 0;
    bool closed = false;
    if (!response->drop) {
        std::lock_guard lock(ticket->mutex);
        if (!ticket->closed) {
            const QByteArray& head = response->head;
            const QByteArray& body = response->body;
            while (headSent < head.size() || bodySent < body.size()) {
                iovec parts[2] = {
                    {const_cast<char*>(head.constData()) + headSent, size_t(head.size() - headSent)},
                    {const_cast<char*>(body.constData()) + bodySent, size_t(body.size() - bodySent)},
                };
                msghdr message = {};
                message.msg_iov = headSent < head.size() ? parts : parts + 1;
                message.msg_iovlen = headSent < head.size() ? 2 : 1;
                const ssize_t written = ::sendmsg(descriptor, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (written < 0 && errno == EINTR) {
                    continue;
                }
                if (written <= 0) {
                    break;   // full, or failed: the I/O thread carries on and finds out which
                }
                const qsizetype toHead = qMin<qsizetype>(written, head.size() - headSent);
                headSent += toHead;
                bodySent += written - toHead;
            }
            if (headSent == head.size() && bodySent == body.size() && !response->file) {
                ::close(descriptor);
                ticket->closed = true;
                closed = true;
            }
        }
    }
    post([this, connectionId, response = std::move(response), headSent, bodySent, closed] {
        finishAnswer(connectionId, response, headSent, bodySent, closed);
    });
}

void HttpIoLoop::finishAnswer(quint64 connectionId, std::shared_ptr<HttpResponseBytes> response,
                              qsizetype headSent, qsizetype bodySent, bool closed)
{
    const auto found = connections_.find(connectionId);
    if (found == connections_.end() || found->second->stage != Stage::Handling) {
        return;
    }
    Connection& connection = *found->second;
    connection.ticket.reset();
    connection.response = std::move(response);
    if (closed || connection.response->drop) {
        close(connection, closed);
        return;
    }
    connection.stage = Stage::Writing;
    connection.lastActivityMs = engine_.nowMs();
    connection.headSent = headSent;
    connection.bodySent = bodySent;
    writeTo(connection);
}

// Sends from `sent` on; false when the socket takes no more for now or has failed.
bool HttpIoLoop::writeBytes(Connection& connection, const QByteArray& bytes, qsizetype& sent)
{
    while (sent < bytes.size()) {
        const ssize_t written = ::send(connection.descriptor, bytes.constData() + sent,
                                       size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                close(connection);
            }
            return false;
        }
        sent += written;
        connection.lastActivityMs = engine_.nowMs();
    }
    return true;
}

void HttpIoLoop::writeTo(Connection& connection)
{
    const quint64 id = connection.id;
    if (!connection.response) {
        if (writeBytes(connection, connection.answer, connection.headSent)) {
            afterWriting(connection);
        }
        return;
    }
    HttpResponseBytes& response = *connection.response;
    // Head and body in one call while both are pending.
    if (connection.headSent < response.head.size() && !response.body.isEmpty()) {
        iovec parts[2] = {
            {const_cast<char*>(response.head.constData()) + connection.headSent,
             size_t(response.head.size() - connection.headSent)},
            {const_cast<char*>(response.body.constData()), size_t(response.body.size())},
        };
        msghdr message = {};
        message.msg_iov = parts;
        message.msg_iovlen = 2;
        const ssize_t written = ::sendmsg(connection.descriptor, &message, MSG_NOSIGNAL);
        if (written > 0) {
            const qsizetype toHead = qMin<qsizetype>(written, response.head.size() - connection.headSent);
            connection.headSent += toHead;
            connection.bodySent += written - toHead;
            connection.lastActivityMs = engine_.nowMs();
        } else if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            close(connection);
            return;
        }
    }
    if (!writeBytes(connection, response.head, connection.headSent)
        || !writeBytes(connection, response.body, connection.bodySent)) {
        return;
    }
    while (response.file) {
        if (!writeBytes(connection, connection.filePiece, connection.filePieceSent)) {
            return;
        }
        if (response.fileRemaining == 0) {
            response.file.reset();
            break;
        }
        connection.filePiece = response.file->read(qMin(FilePieceBytes, response.fileRemaining));
        connection.filePieceSent = 0;
        if (connection.filePiece.isEmpty()) {
            // The file shrank while being sent: the promised length cannot be kept.
            close(connection);
            return;
        }
        response.fileRemaining -= connection.filePiece.size();
    }
    if (connections_.find(id) != connections_.end()) {
        afterWriting(connection);
    }
}

void HttpIoLoop::afterWriting(Connection& connection)
{
    if (!connection.lingerAfterWrite) {
        close(connection);
        return;
    }
    // Send our end's close, then drain what the client still sends until it closes.
    connection.stage = Stage::Lingering;
    connection.lastActivityMs = engine_.nowMs();
    ::shutdown(connection.descriptor, SHUT_WR);
}

void HttpIoLoop::close(Connection& connection, bool descriptorClosed)
{
    if (!descriptorClosed) {
        ::close(connection.descriptor);   // also takes it out of the epoll set
    }
    if (connection.ticket) {
        connection.ticket->closed = true;   // the caller holds its lock
    }
    if (connection.response) {
        engine_.buffers().give(std::move(connection.response->body));
    }
    connections_.erase(connection.id);
    const int open = --engine_.openConnections;
    if (open < engine_.limits().MaxOpenConnections) {
        HttpIoLoop* acceptor = engine_.acceptor();
        if (acceptor == this) {
            resumeAccepting();
        } else if (acceptor->paused_.load()) {
            acceptor->post([acceptor] { acceptor->resumeAccepting(); });
        }
    }
}

void HttpIoLoop::sweep(qint64 nowMs)
{
    const THttpServerLimits& limits = engine_.limits();
    std::vector<Connection*> idle;
    for (auto& [id, connection] : connections_) {
        const qint64 quiet = nowMs - connection->lastActivityMs;
        const bool expired = (connection->stage == Stage::Reading || connection->stage == Stage::Writing)
            ? quiet > limits.IdleTimeoutMs
            : connection->stage == Stage::Lingering && quiet > qMin<qint64>(LingerMs, limits.IdleTimeoutMs);
        if (expired) {
            idle.push_back(connection.get());
        }
    }
    for (Connection* connection : idle) {
        close(*connection);
    }
}
