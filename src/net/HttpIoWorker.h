#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

#include "net/HttpLimits.h"

class HttpConnection;
class HttpListener;
class HttpServerEngine;
struct HttpResponseBytes;

// Owns the sockets of one I/O thread and serves them without blocking. The first worker also
// owns the listeners and the connections that wait for a free place.
class HttpIoWorker : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpIoWorker)

public:
    explicit HttpIoWorker(HttpServerEngine& engine);
    ~HttpIoWorker() override;

    // On this worker's thread, through a blocking call. Returns an error text, empty on success.
    QString listen(quint16 port, quint16& actualPort);
    // On this worker's thread: closes listeners and every connection, refuses further answers.
    void shutdown();

    // On this worker's thread: starts closing connections that have gone idle.
    void startIdleSweep() { idleSweep_.start(); }

    void adopt(qintptr descriptor);
    void respond(quint64 connectionId, std::shared_ptr<HttpResponseBytes> response);

    // Called by a connection of this worker when it has closed.
    void connectionFinished(quint64 connectionId);
    // On the acceptor: admits waiting connections while places are free.
    void admitWaiting();

    HttpServerEngine& engine() { return engine_; }

private:
    void acceptDescriptor(qintptr descriptor);
    void handOut(qintptr descriptor);
    void sweepIdle();

    HttpServerEngine& engine_;
    const THttpServerLimits& limits_;
    QList<HttpListener*> listeners_;
    QList<qintptr> waiting_;
    QHash<quint64, HttpConnection*> connections_;
    quint64 nextConnectionId_ = 1;
    bool stopping_ = false;
    QTimer idleSweep_;
    QTimer sessionSweep_;
};
