#pragma once

#include <QByteArray>
#include <QFile>

#include <memory>

// A finished response: the bytes to send, and a large file read in pieces while sending.
struct HttpResponseBytes
{
    bool drop = false;              // close without writing anything
    QByteArray head;
    QByteArray body;
    std::unique_ptr<QFile> file;    // a large file, read in pieces as the socket drains
    qint64 fileRemaining = 0;
};
