#include "net/HttpBufferPool.h"

#include <QMutexLocker>

QByteArray HttpBufferPool::take(qsizetype bytes)
{
    if (bytes >= MinPooledBytes && bytes <= MaxPooledBytes) {
        QMutexLocker lock(&mutex_);
        for (qsizetype i = free_.size() - 1; i >= 0; --i) {
            if (free_[i].capacity() >= bytes) {
                QByteArray buffer = free_.takeAt(i);
                buffer.resize(0);
                return buffer;
            }
        }
    }
    QByteArray buffer;
    buffer.reserve(bytes);
    return buffer;
}

void HttpBufferPool::give(QByteArray&& buffer)
{
    if (!buffer.isDetached() || buffer.capacity() < MinPooledBytes || buffer.capacity() > MaxPooledBytes) {
        return;
    }
    QMutexLocker lock(&mutex_);
    if (free_.size() < MaxBuffers) {
        free_.append(std::move(buffer));
    }
}
