#include "net/HttpIoWorker.h"

#include <QHostAddress>

#include <unistd.h>

#include "net/HttpConnection.h"
#include "net/HttpListener.h"
#include "net/HttpServerEngine.h"

namespace {

constexpr int IdleSweepMaxIntervalMs = 1000;
constexpr int IdleSweepMinIntervalMs = 10;
// With port 0 the IPv6 listener takes the IPv4 listener's port; if that is taken on IPv6,
// another port is tried.
constexpr int FreePortAttempts = 8;

bool ipv6Unavailable(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::UnsupportedSocketOperationError
        || error == QAbstractSocket::SocketAddressNotAvailableError;
}

} // namespace

HttpIoWorker::HttpIoWorker(HttpServerEngine& engine)
    : engine_(engine)
    , limits_(engine.limits())
{
    idleSweep_.setParent(this);
    sessionSweep_.setParent(this);
    idleSweep_.setInterval(qBound(IdleSweepMinIntervalMs, limits_.IdleTimeoutMs / 4, IdleSweepMaxIntervalMs));
    connect(&idleSweep_, &QTimer::timeout, this, &HttpIoWorker::sweepIdle);
    sessionSweep_.setInterval(limits_.SessionCleanIntervalMs);
    connect(&sessionSweep_, &QTimer::timeout, this,
            [this] { engine_.sessions().purge(false, engine_.nowMs()); });
}

HttpIoWorker::~HttpIoWorker() = default;

QString HttpIoWorker::listen(quint16 port, quint16& actualPort)
{
    const auto accept = [this](qintptr descriptor) { acceptDescriptor(descriptor); };
    for (int attempt = 0; attempt < FreePortAttempts; ++attempt) {
        auto* ipv4 = new HttpListener(accept, this);
        ipv4->setListenBacklogSize(limits_.ListenBacklog);
        if (!ipv4->listen(QHostAddress::AnyIPv4, port)) {
            const QString error = ipv4->errorString();
            delete ipv4;
            return error;
        }
        auto* ipv6 = new HttpListener(accept, this);
        ipv6->setListenBacklogSize(limits_.ListenBacklog);
        if (ipv6->listen(QHostAddress::AnyIPv6, ipv4->serverPort())) {
            listeners_ = {ipv4, ipv6};
        } else if (ipv6Unavailable(ipv6->serverError())) {
            delete ipv6;
            listeners_ = {ipv4};
        } else {
            const QString error = ipv6->errorString();
            delete ipv6;
            delete ipv4;
            if (port == 0) {
                continue;
            }
            return error;
        }
        actualPort = ipv4->serverPort();
        idleSweep_.start();
        sessionSweep_.start();
        return QString();
    }
    return QStringLiteral("no free port found");
}

void HttpIoWorker::shutdown()
{
    stopping_ = true;
    idleSweep_.stop();
    sessionSweep_.stop();
    qDeleteAll(listeners_);
    listeners_.clear();
    for (qintptr descriptor : std::as_const(waiting_)) {
        ::close(int(descriptor));
    }
    waiting_.clear();
    const QList<HttpConnection*> open = connections_.values();
    for (HttpConnection* connection : open) {
        connection->finish();
    }
    connections_.clear();
}

// On the acceptor. A connection beyond the limit waits, unread, for a free place.
void HttpIoWorker::acceptDescriptor(qintptr descriptor)
{
    if (stopping_) {
        ::close(int(descriptor));
        return;
    }
    if (engine_.openConnections.load() >= limits_.MaxOpenConnections || !waiting_.isEmpty()) {
        waiting_.append(descriptor);
        for (HttpListener* listener : std::as_const(listeners_)) {
            listener->pauseAccepting();
        }
        return;
    }
    handOut(descriptor);
}

void HttpIoWorker::handOut(qintptr descriptor)
{
    ++engine_.openConnections;
    HttpIoWorker* worker = engine_.nextWorker();
    if (worker == this) {
        adopt(descriptor);
    } else {
        QMetaObject::invokeMethod(worker, [worker, descriptor] { worker->adopt(descriptor); },
                                  Qt::QueuedConnection);
    }
}

void HttpIoWorker::admitWaiting()
{
    if (stopping_) {
        return;
    }
    while (!waiting_.isEmpty() && engine_.openConnections.load() < limits_.MaxOpenConnections) {
        handOut(waiting_.takeFirst());
    }
    if (waiting_.isEmpty()) {
        for (HttpListener* listener : std::as_const(listeners_)) {
            listener->resumeAccepting();
        }
    }
}

void HttpIoWorker::adopt(qintptr descriptor)
{
    if (stopping_) {
        ::close(int(descriptor));
        --engine_.openConnections;
        return;
    }
    const quint64 id = nextConnectionId_++;
    auto* connection = new HttpConnection(*this, id, descriptor);
    if (!connection->isOpen()) {
        delete connection;
        ::close(int(descriptor));
        connectionFinished(0);
        return;
    }
    connections_.insert(id, connection);
}

void HttpIoWorker::respond(quint64 connectionId, std::shared_ptr<HttpResponseBytes> response)
{
    if (HttpConnection* connection = connections_.value(connectionId)) {
        connection->respond(std::move(response));
    }
}

void HttpIoWorker::connectionFinished(quint64 connectionId)
{
    connections_.remove(connectionId);
    if (stopping_) {
        return;
    }
    const int open = --engine_.openConnections;
    if (open < limits_.MaxOpenConnections) {
        HttpIoWorker* acceptor = engine_.acceptor();
        if (acceptor == this) {
            admitWaiting();
        } else {
            QMetaObject::invokeMethod(acceptor, [acceptor] { acceptor->admitWaiting(); },
                                      Qt::QueuedConnection);
        }
    }
}

void HttpIoWorker::sweepIdle()
{
    const qint64 now = engine_.nowMs();
    QList<HttpConnection*> idle;
    for (HttpConnection* connection : std::as_const(connections_)) {
        if (connection->idleSince(now)) {
            idle.append(connection);
        }
    }
    for (HttpConnection* connection : std::as_const(idle)) {
        connection->finish();
    }
}
