#pragma once

#include <QByteArray>
#include <QList>

#include "net/HttpLimits.h"

// A request as read off the wire, before any decoding.
struct HttpRawRequest
{
    QByteArray method;            // as sent; the decoder upper-cases it
    QByteArray target;
    QByteArray version;
    QList<QByteArray> headerLines;
    bool hasBody = false;
    QByteArray body;
};

// What reading has reached so far; each failure has exactly one answer.
enum class HttpReadStatus {
    NeedMore,            // the request is not complete yet
    SendContinue,        // send the interim 100 response, then keep reading the body
    Complete,            // request() holds the whole request
    Drop,                // close without an answer
    BadRequest,          // 400
    LengthRequired,      // 411
    PayloadTooLarge,     // 413, closed without reading the rest
    ExpectationFailed,   // 417
};

// Reads one request from bytes as they arrive. Each byte is looked at once: the reader keeps
// its place between calls instead of scanning the buffer again.
class HttpRequestReader
{
public:
    explicit HttpRequestReader(const THttpServerLimits& limits);

    // Adds received bytes and reads as far as they go.
    HttpReadStatus read(QByteArrayView received);
    // Reads on after SendContinue without new bytes.
    HttpReadStatus resume() { return advance(); }

    const HttpRawRequest& request() const { return request_; }
    HttpRawRequest takeRequest() { return std::move(request_); }

private:
    enum class Stage { RequestLine, Headers, FixedBody, ChunkSize, ChunkData, ChunkDataEnd, Trailers, Done };

    HttpReadStatus advance();
    bool takeLine(QByteArray& line, HttpReadStatus& tooLong);
    HttpReadStatus readRequestLine();
    HttpReadStatus readHeaderLine();
    HttpReadStatus checkHead();
    HttpReadStatus readFixedBody();
    HttpReadStatus readChunkSize();
    HttpReadStatus readChunkData();
    HttpReadStatus readChunkDataEnd();
    HttpReadStatus readTrailer();
    HttpReadStatus finish();
    void compact();
    qsizetype unread() const { return buffer_.size() - pos_; }

    static constexpr qsizetype CompactAfterBytes = 64 * 1024;

    const THttpServerLimits limits_;
    Stage stage_ = Stage::RequestLine;
    QByteArray buffer_;
    qsizetype pos_ = 0;         // first byte not consumed yet
    qsizetype scanFrom_ = 0;    // where the search for the next line feed goes on
    qint64 remaining_ = 0;      // bytes still to come of the fixed body or current chunk
    int trailerLines_ = 0;
    HttpRawRequest request_;
};
