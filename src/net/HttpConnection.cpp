#include "net/HttpConnection.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <sys/socket.h>

#include "net/HttpIoWorker.h"
#include "net/HttpResponseBytes.h"
#include "net/HttpResponseWriter.h"
#include "net/HttpServerEngine.h"

namespace {

// Pieces of a large file are read when less than this waits in the socket's buffer.
constexpr qint64 FilePieceBytes = 256 * 1024;
// After an answer to a request that was not read to its end, unread bytes are drained this
// long, so that closing does not reset the connection before the client has the answer.
constexpr qint64 LingerMs = 2000;

// Dotted decimal for IPv4 clients, also when they came in on an IPv6 socket.
QString addressText(const QHostAddress& address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4).toString() : address.toString();
}

} // namespace

HttpConnection::HttpConnection(HttpIoWorker& worker, quint64 id, qintptr descriptor)
    : QObject(&worker)
    , worker_(worker)
    , id_(id)
    , socket_(new QTcpSocket(this))
    , reader_(worker.engine().limits())
{
    lastActivityMs_ = worker_.engine().nowMs();
    if (!socket_->setSocketDescriptor(descriptor)) {
        stage_ = Stage::Closed;
        return;
    }
    binding_.PeerIP = addressText(socket_->peerAddress());
    binding_.PeerPort = socket_->peerPort();
    binding_.IP = addressText(socket_->localAddress());
    binding_.Port = socket_->localPort();
    connect(socket_, &QTcpSocket::readyRead, this, &HttpConnection::onReadyRead);
    connect(socket_, &QTcpSocket::bytesWritten, this, &HttpConnection::onBytesWritten);
    connect(socket_, &QTcpSocket::disconnected, this, &HttpConnection::finish);
    connect(socket_, &QTcpSocket::errorOccurred, this, &HttpConnection::finish);
    // Bytes may have arrived before the notifier was set up.
    if (socket_->bytesAvailable() > 0) {
        onReadyRead();
    }
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::onReadyRead()
{
    lastActivityMs_ = worker_.engine().nowMs();
    const QByteArray received = socket_->readAll();
    if (stage_ == Stage::Reading) {
        handle(reader_.read(received));
    }
    // In other stages the client has nothing more to say; extra bytes are dropped.
}

void HttpConnection::handle(HttpReadStatus status)
{
    switch (status) {
    case HttpReadStatus::NeedMore:
        return;
    case HttpReadStatus::SendContinue:
        socket_->write(ContinueAnswer());
        handle(reader_.resume());
        return;
    case HttpReadStatus::Complete:
        stage_ = Stage::Handling;
        worker_.engine().dispatch(&worker_, id_, reader_.takeRequest(), binding_);
        return;
    case HttpReadStatus::Drop:
        finish();
        return;
    case HttpReadStatus::BadRequest: answerAndClose(400); return;
    case HttpReadStatus::LengthRequired: answerAndClose(411); return;
    case HttpReadStatus::PayloadTooLarge: answerAndClose(413); return;
    case HttpReadStatus::ExpectationFailed: answerAndClose(417); return;
    }
}

void HttpConnection::answerAndClose(int status)
{
    stage_ = Stage::Writing;
    lingerAfterWrite_ = true;
    socket_->write(BuildBodilessAnswer(status));
    closeAfterWriting();
}

void HttpConnection::respond(std::shared_ptr<HttpResponseBytes> response)
{
    if (stage_ != Stage::Handling) {
        return;
    }
    if (response->drop) {
        finish();
        return;
    }
    stage_ = Stage::Writing;
    lastActivityMs_ = worker_.engine().nowMs();
    socket_->write(response->head);
    if (!response->body.isEmpty()) {
        socket_->write(response->body);
    }
    // Kept until the connection ends, when its body buffer goes back to the pool.
    response_ = std::move(response);
    if (response_->file) {
        writeFilePiece();
        return;
    }
    closeAfterWriting();
}

void HttpConnection::onBytesWritten()
{
    lastActivityMs_ = worker_.engine().nowMs();
    if (stage_ == Stage::Writing && response_ && response_->file && response_->fileRemaining > 0) {
        writeFilePiece();
    }
}

void HttpConnection::writeFilePiece()
{
    HttpResponseBytes& response = *response_;
    while (response.fileRemaining > 0 && socket_->bytesToWrite() < FilePieceBytes) {
        const QByteArray piece = response.file->read(qMin(FilePieceBytes, response.fileRemaining));
        if (piece.isEmpty()) {
            // The file shrank while being sent: the promised length cannot be kept.
            finish();
            return;
        }
        response.fileRemaining -= piece.size();
        socket_->write(piece);
    }
    if (response.fileRemaining == 0) {
        response.file.reset();
        closeAfterWriting();
    }
}

void HttpConnection::closeAfterWriting()
{
    if (lingerAfterWrite_) {
        // Send our end's close once the answer is out, then drain until the client closes.
        stage_ = Stage::Lingering;
        socket_->flush();
        if (socket_->bytesToWrite() == 0) {
            ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
        } else {
            connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
                if (socket_->bytesToWrite() == 0 && stage_ == Stage::Lingering) {
                    ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
                }
            });
        }
        lastActivityMs_ = worker_.engine().nowMs();
        return;
    }
    socket_->disconnectFromHost();
}

bool HttpConnection::idleSince(qint64 nowMs) const
{
    const qint64 idle = nowMs - lastActivityMs_;
    switch (stage_) {
    case Stage::Reading:
    case Stage::Writing:
        return idle > worker_.engine().limits().IdleTimeoutMs;
    case Stage::Lingering:
        return idle > qMin<qint64>(LingerMs, worker_.engine().limits().IdleTimeoutMs);
    case Stage::Handling:
    case Stage::Closed:
        return false;
    }
    return false;
}

void HttpConnection::finish()
{
    if (stage_ == Stage::Closed) {
        return;
    }
    stage_ = Stage::Closed;
    socket_->disconnect(this);
    socket_->abort();
    if (response_) {
        worker_.engine().buffers().give(std::move(response_->body));
        response_.reset();
    }
    worker_.connectionFinished(id_);
    deleteLater();
}
