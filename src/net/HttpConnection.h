#pragma once

#include <QByteArray>

#include <atomic>
#include <sys/socket.h>

#include "net/HttpContext.h"
#include "net/HttpRequestReader.h"
#include "net/HttpResponseBytes.h"

// One accepted connection and how far its single request and answer have come. Only the
// handler thread that took the connection's latest event touches it; the idle sweep reads
// just the two atomics, under the connection set's lock.
struct HttpConnection
{
    enum class Stage { Reading, Handling, Writing, Lingering };

    HttpConnection(int descriptor, const sockaddr_storage& peer, const THttpServerLimits& limits, qint64 nowMs)
        : descriptor(descriptor), peer(peer), reader(limits), lastActivityMs(nowMs)
    {
    }

    const int descriptor;
    const sockaddr_storage peer;
    HttpRequestReader reader;
    TIdSocketHandle binding;
    std::atomic<Stage> stage{Stage::Reading};
    std::atomic<qint64> lastActivityMs;

    HttpResponseBytes response;
    qsizetype headSent = 0;
    qsizetype bodySent = 0;
    QByteArray filePiece;
    qsizetype filePieceSent = 0;
    // After an answer to a request that was not read to its end: drain before closing.
    bool lingerAfterWrite = false;

    // Links of the connection set; guarded by its lock.
    HttpConnection* previous = nullptr;
    HttpConnection* next = nullptr;
};
