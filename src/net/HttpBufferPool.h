#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>

// Large response buffers handed back after sending and reused by the next response. A page of
// a few hundred kilobytes would otherwise be fresh memory every time, and faulting it in costs
// more than building the page.
class HttpBufferPool
{
public:
    static constexpr qsizetype MinPooledBytes = 64 * 1024;
    static constexpr qsizetype MaxPooledBytes = 4 * 1024 * 1024;
    static constexpr int MaxBuffers = 64;

    // An empty buffer that can hold `bytes` without growing (a pooled one when there is one).
    QByteArray take(qsizetype bytes);
    // Keeps `buffer` for reuse when nobody else holds it and its size is worth keeping.
    void give(QByteArray&& buffer);

private:
    QMutex mutex_;
    QList<QByteArray> free_;
};
