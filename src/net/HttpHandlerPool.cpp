#include "net/HttpHandlerPool.h"

#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include "net/HttpConnection.h"
#include "net/HttpExchange.h"
#include "net/HttpResponseWriter.h"
#include "net/HttpServerEngine.h"
#include "net/HttpSocketAddress.h"
#include "net/HttpStandIns.h"

namespace {

constexpr qint64 FilePieceBytes = 64 * 1024;

int answerStatus(HttpReadStatus status)
{
    switch (status) {
    case HttpReadStatus::LengthRequired: return 411;
    case HttpReadStatus::PayloadTooLarge: return 413;
    case HttpReadStatus::ExpectationFailed: return 417;
    default: return 400;
    }
}

// Which of the pool's threads this is, for the stand-in watch.
thread_local int poolThreadIndex = 0;

bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

} // namespace

HttpHandlerPool::HttpHandlerPool(HttpServerEngine& engine)
    : engine_(engine)
{
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    stopEvent_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // Level-triggered and never read: once set, every thread sees it.
    epoll_event event = {};
    event.events = EPOLLIN;
    event.data.ptr = nullptr;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, stopEvent_, &event);
}

HttpHandlerPool::~HttpHandlerPool()
{
    stop();
    ::close(stopEvent_);
    ::close(epoll_);
}

void HttpHandlerPool::start(int threads)
{
    const int cores = int(std::thread::hardware_concurrency());
    standIns_ = std::make_unique<HttpStandIns>(threads, qMax(1, cores));
    standIns_->start();
    for (int i = 0; i < threads; ++i) {
        threads_.emplace_back([this, i] { run(i); });
    }
}

void HttpHandlerPool::stop()
{
    if (threads_.empty()) {
        return;
    }
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent_, &one, sizeof one);
    standIns_->stop();
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
}

bool HttpHandlerPool::adopt(HttpConnection* connection)
{
    epoll_event event = {};
    event.events = EPOLLIN | EPOLLONESHOT;
    event.data.ptr = connection;
    return ::epoll_ctl(epoll_, EPOLL_CTL_ADD, connection->descriptor, &event) == 0;
}

void HttpHandlerPool::run(int index)
{
    poolThreadIndex = index;
    // One event at a time: a thread busy in a handler must not sit on other connections' events.
    epoll_event event;
    while (standIns_->mayPoll()) {
        const int count = ::epoll_wait(epoll_, &event, 1, -1);
        if (count < 0 && errno != EINTR) {
            return;
        }
        if (count <= 0) {
            continue;
        }
        if (event.data.ptr == nullptr) {
            return;
        }
        serveEvent(*static_cast<HttpConnection*>(event.data.ptr), event.events);
    }
}

void HttpHandlerPool::serveEvent(HttpConnection& connection, unsigned events)
{
    switch (connection.stage.load(std::memory_order_relaxed)) {
    case HttpConnection::Stage::Reading:
        readRequest(connection);
        return;
    case HttpConnection::Stage::Writing:
        if (events & EPOLLERR) {
            close(connection);
        } else {
            writeAnswer(connection);
        }
        return;
    case HttpConnection::Stage::Lingering:
        drain(connection);
        return;
    case HttpConnection::Stage::Handling:
        return;   // not armed while handling
    }
}

void HttpHandlerPool::readRequest(HttpConnection& connection)
{
    char chunk[ReadChunkBytes];
    for (;;) {
        const qsizetype received = receive(connection, chunk);
        if (received == 0) {
            return;
        }
        touch(connection);
        HttpReadStatus status = connection.reader.read(QByteArrayView(chunk, received));
        while (status == HttpReadStatus::SendContinue) {
            const QByteArray interim = ContinueAnswer();
            [[maybe_unused]] const ssize_t sent =
                ::send(connection.descriptor, interim.constData(), interim.size(), MSG_NOSIGNAL);
            status = connection.reader.resume();
        }
        switch (status) {
        case HttpReadStatus::NeedMore:
            continue;
        case HttpReadStatus::Complete:
            // Bytes the client sends after its request are not read: it has nothing more to say.
            respond(connection);
            return;
        case HttpReadStatus::Drop:
            close(connection);
            return;
        default:
            answerAndLinger(connection, answerStatus(status));
            return;
        }
    }
}

void HttpHandlerPool::respond(HttpConnection& connection)
{
    connection.stage.store(HttpConnection::Stage::Handling, std::memory_order_relaxed);
    connection.binding.PeerIP = SocketAddressText(connection.peer, connection.binding.PeerPort);
    standIns_->handlerStarted(poolThreadIndex);
    ServeRequest(connection.reader.takeRequest(), connection.binding, engine_.handler(), engine_.sessions(),
                 engine_.buffers(), engine_.nowMs(), connection.response);
    standIns_->handlerFinished(poolThreadIndex);
    if (connection.response.drop) {
        close(connection);
        return;
    }
    connection.stage.store(HttpConnection::Stage::Writing, std::memory_order_relaxed);
    touch(connection);
    writeAnswer(connection);
}

void HttpHandlerPool::answerAndLinger(HttpConnection& connection, int status)
{
    connection.response.head = BuildBodilessAnswer(status);
    connection.lingerAfterWrite = true;
    connection.stage.store(HttpConnection::Stage::Writing, std::memory_order_relaxed);
    writeAnswer(connection);
}

void HttpHandlerPool::writeAnswer(HttpConnection& connection)
{
    HttpResponseBytes& response = connection.response;
    WriteResult result = writeHeadAndBody(connection);
    while (result == WriteResult::Done && response.file) {
        result = writeBytes(connection, connection.filePiece, connection.filePieceSent);
        if (result != WriteResult::Done) {
            break;
        }
        if (response.fileRemaining == 0) {
            response.file.reset();
            break;
        }
        connection.filePiece = response.file->read(qMin(FilePieceBytes, response.fileRemaining));
        connection.filePieceSent = 0;
        if (connection.filePiece.isEmpty()) {
            // The file shrank while being sent: the promised length cannot be kept.
            result = WriteResult::Failed;
            break;
        }
        response.fileRemaining -= connection.filePiece.size();
    }
    switch (result) {
    case WriteResult::Done: afterWriting(connection); return;
    case WriteResult::Blocked: waitFor(connection, EPOLLOUT); return;
    case WriteResult::Failed: close(connection); return;
    }
}

// Head and body in one call while both are pending.
HttpHandlerPool::WriteResult HttpHandlerPool::writeHeadAndBody(HttpConnection& connection)
{
    const QByteArray& head = connection.response.head;
    const QByteArray& body = connection.response.body;
    while (connection.headSent < head.size() && !body.isEmpty()) {
        iovec parts[2] = {
            {const_cast<char*>(head.constData()) + connection.headSent, size_t(head.size() - connection.headSent)},
            {const_cast<char*>(body.constData()), size_t(body.size())},
        };
        msghdr message = {};
        message.msg_iov = parts;
        message.msg_iovlen = 2;
        const ssize_t written = ::sendmsg(connection.descriptor, &message, MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return wouldBlock() ? WriteResult::Blocked : WriteResult::Failed;
        }
        const qsizetype toHead = qMin<qsizetype>(written, head.size() - connection.headSent);
        connection.headSent += toHead;
        connection.bodySent += written - toHead;
        touch(connection);
    }
    const WriteResult headResult = writeBytes(connection, head, connection.headSent);
    return headResult == WriteResult::Done ? writeBytes(connection, body, connection.bodySent) : headResult;
}

HttpHandlerPool::WriteResult HttpHandlerPool::writeBytes(HttpConnection& connection, const QByteArray& bytes,
                                                         qsizetype& sent)
{
    while (sent < bytes.size()) {
        const ssize_t written =
            ::send(connection.descriptor, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return wouldBlock() ? WriteResult::Blocked : WriteResult::Failed;
        }
        sent += written;
        touch(connection);
    }
    return WriteResult::Done;
}

void HttpHandlerPool::afterWriting(HttpConnection& connection)
{
    if (!connection.lingerAfterWrite) {
        close(connection);
        return;
    }
    // Send our end's close, then drain what the client still sends until it closes, so that
    // closing does not reset the connection before the client has read the answer.
    connection.stage.store(HttpConnection::Stage::Lingering, std::memory_order_relaxed);
    touch(connection);
    ::shutdown(connection.descriptor, SHUT_WR);
    drain(connection);
}

void HttpHandlerPool::drain(HttpConnection& connection)
{
    char chunk[ReadChunkBytes];
    while (receive(connection, chunk) > 0) {
    }
}

qsizetype HttpHandlerPool::receive(HttpConnection& connection, char (&chunk)[ReadChunkBytes])
{
    for (;;) {
        const ssize_t received = ::recv(connection.descriptor, chunk, sizeof chunk, 0);
        if (received > 0) {
            return received;
        }
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received < 0 && wouldBlock()) {
            waitFor(connection, EPOLLIN);
        } else {
            // The client closed, reset or went away: the connection ends quietly.
            close(connection);
        }
        return 0;
    }
}

void HttpHandlerPool::waitFor(HttpConnection& connection, unsigned events)
{
    epoll_event event = {};
    event.events = events | EPOLLONESHOT;
    event.data.ptr = &connection;
    if (::epoll_ctl(epoll_, EPOLL_CTL_MOD, connection.descriptor, &event) != 0) {
        close(connection);
    }
}

void HttpHandlerPool::touch(HttpConnection& connection)
{
    connection.lastActivityMs.store(engine_.nowMs(), std::memory_order_relaxed);
}

void HttpHandlerPool::close(HttpConnection& connection)
{
    engine_.buffers().give(std::move(connection.response.body));
    engine_.connections().close(&connection);
    engine_.connectionClosed();
}
