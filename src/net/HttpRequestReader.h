#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QVarLengthArray>

#include "net/HttpLimits.h"

// A request as read off the wire, before any decoding. The request line's parts and the header
// lines are views into `head`, which nothing changes once it is read: copies and moves of the
// request keep them valid.
struct HttpRawRequest
{
    // Header lines held without an allocation; more spill onto the heap.
    static constexpr int InlineHeaderLines = 32;

    QByteArray head;                      // the request line and header lines as received
    QByteArrayView method;                // as sent; the decoder upper-cases it
    QByteArrayView target;
    QByteArrayView version;
    QVarLengthArray<QByteArrayView, InlineHeaderLines> headerLines;   // without line ends
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
// its place between calls instead of scanning the buffer again. The head stays in the receive
// buffer, and the lines are noted by their place in it rather than copied out.
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

    // A line's place in the buffer, which may move while the head is still arriving.
    struct Span
    {
        qsizetype start = 0;
        qsizetype size = 0;
    };

    HttpReadStatus advance();
    bool takeLine(Span& line, HttpReadStatus& tooLong);
    QByteArrayView view(Span span) const { return QByteArrayView(buffer_).sliced(span.start, span.size); }
    void keepHead();
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
    Span method_;
    Span target_;
    Span version_;
    QVarLengthArray<Span, HttpRawRequest::InlineHeaderLines> headerSpans_;
    HttpRawRequest request_;
};
