#pragma once

#include <QtGlobal>

// Every limit and size of the HTTP server in one place. The defaults never make a well-formed
// ordinary request fail; tests shrink them to reach each limit with small inputs.
struct THttpServerLimits
{
    static constexpr qint64 DefaultMaxBodyBytes = 32LL * 1024 * 1024;
    static constexpr int DefaultMaxLineBytes = 16 * 1024;
    static constexpr int DefaultMaxHeaderLines = 1025;   // one more than the header line count
    static constexpr int DefaultIdleTimeoutMs = 30 * 1000;
    static constexpr int DefaultHandlerThreads = 4;
    static constexpr int DefaultMaxOpenConnections = 4096;
    static constexpr int DefaultListenBacklog = 15;
    static constexpr int DefaultSessionTimeoutMs = 60 * 1000;
    static constexpr int DefaultSessionCleanIntervalMs = 1000;

    qint64 MaxBodyBytes = DefaultMaxBodyBytes;           // larger bodies: 413, connection closed
    int MaxLineBytes = DefaultMaxLineBytes;              // longer request/header lines: 400
    int MaxHeaderLines = DefaultMaxHeaderLines;          // more header lines: closed, no answer
    int IdleTimeoutMs = DefaultIdleTimeoutMs;            // no data for this long: closed
    int HandlerThreads = DefaultHandlerThreads;          // threads serving connections; handler calls at once
    int MaxOpenConnections = DefaultMaxOpenConnections;  // beyond it new connections wait
    int ListenBacklog = DefaultListenBacklog;
    int SessionTimeoutMs = DefaultSessionTimeoutMs;
    int SessionCleanIntervalMs = DefaultSessionCleanIntervalMs;
};
