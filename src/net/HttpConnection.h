#pragma once

#include <QObject>

#include <memory>

#include "net/HttpContext.h"
#include "net/HttpRequestReader.h"

class QTcpSocket;
class HttpIoWorker;
struct HttpResponseBytes;

// One client connection on an I/O thread: reads the request without blocking, hands it on
// complete, writes the answer and closes.
class HttpConnection : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpConnection)

public:
    HttpConnection(HttpIoWorker& worker, quint64 id, qintptr descriptor);
    ~HttpConnection() override;

    bool isOpen() const { return stage_ != Stage::Closed; }
    void respond(std::shared_ptr<HttpResponseBytes> response);
    // Closes at once, without an answer.
    void finish();
    // True when idle for longer than allowed in a stage that waits on the client.
    bool idleSince(qint64 nowMs) const;

private:
    enum class Stage { Reading, Handling, Writing, Lingering, Closed };

    void onReadyRead();
    void onBytesWritten();
    void handle(HttpReadStatus status);
    void answerAndClose(int status);
    void writeFilePiece();
    void closeAfterWriting();

    HttpIoWorker& worker_;
    const quint64 id_;
    QTcpSocket* socket_;
    HttpRequestReader reader_;
    TIdSocketHandle binding_;
    Stage stage_ = Stage::Reading;
    bool lingerAfterWrite_ = false;   // the request was not read to its end
    std::shared_ptr<HttpResponseBytes> response_;
    qint64 lastActivityMs_ = 0;
};
