#pragma once

#include <QtGlobal>

// The byte stream the download writes into: a position, a size that can be set, and
// transfers of at most a 32-bit count. The TCP client reads counted blocks into one of these.
class TStream {
public:
    virtual ~TStream() = default;

    virtual qint32 Read(char* Buffer, qint32 Count) = 0;
    virtual qint32 Write(const char* Buffer, qint32 Count) = 0;

    virtual qint64 Position() const = 0;
    virtual bool Seek(qint64 position) = 0;
    virtual qint64 Size() const = 0;
    virtual bool SetSize(qint64 size) = 0;
};
