#include "net/HttpRequestReader.h"

#include <gtest/gtest.h>

namespace {

struct ReadResult
{
    HttpReadStatus status = HttpReadStatus::NeedMore;
    HttpRawRequest request;
};

// Feeds `bytes` in pieces of `pieceSize`; an interim 100 answer is taken as sent.
ReadResult readInPieces(const QByteArray& bytes, qsizetype pieceSize, const THttpServerLimits& limits = {})
{
    HttpRequestReader reader(limits);
    ReadResult result;
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
        result.status = reader.read(QByteArrayView(bytes).sliced(at, qMin(pieceSize, bytes.size() - at)));
        while (result.status == HttpReadStatus::SendContinue) {
            result.status = reader.resume();
        }
        if (result.status != HttpReadStatus::NeedMore) {
            break;
        }
    }
    result.request = reader.takeRequest();
    return result;
}

const QByteArray Requests[] = {
    "GET /a?b=c HTTP/1.1\r\nHost: x\r\nCookie: k=v\r\n\r\n",
    "POST /up HTTP/1.1\nHost: x\nContent-Length: 11\n\nhello world",
    "POST /up HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
    "5;name=v\r\nhello\r\n6\r\n world\r\n0\r\nX-Trailer: 1\r\n\r\n",
    "POST /up HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\nabc",
};

TEST(HttpRequestReader, SameRequestWhateverThePieces)
{
    for (const QByteArray& bytes : Requests) {
        SCOPED_TRACE(bytes.constData());
        const ReadResult whole = readInPieces(bytes, bytes.size());
        ASSERT_EQ(whole.status, HttpReadStatus::Complete);
        for (qsizetype pieceSize = 1; pieceSize < bytes.size(); ++pieceSize) {
            const ReadResult pieces = readInPieces(bytes, pieceSize);
            ASSERT_EQ(pieces.status, HttpReadStatus::Complete) << "pieces of " << pieceSize;
            EXPECT_EQ(pieces.request.method, whole.request.method);
            EXPECT_EQ(pieces.request.target, whole.request.target);
            EXPECT_EQ(pieces.request.version, whole.request.version);
            EXPECT_EQ(pieces.request.headerLines, whole.request.headerLines);
            EXPECT_EQ(pieces.request.body, whole.request.body);
        }
    }
}

TEST(HttpRequestReader, SplitsTheRequestLineAtItsBlanks)
{
    const ReadResult result = readInPieces("get /a b HTTP/1.0\r\n\r\n", 100);
    ASSERT_EQ(result.status, HttpReadStatus::Complete);
    EXPECT_EQ(result.request.method, "get");
    EXPECT_EQ(result.request.target, "/a b");
    EXPECT_EQ(result.request.version, "HTTP/1.0");
    EXPECT_FALSE(result.request.hasBody);

    const ReadResult chunked = readInPieces(Requests[2], 7);
    EXPECT_EQ(chunked.request.body, "hello world");
    EXPECT_TRUE(chunked.request.hasBody);
}

TEST(HttpRequestReader, AsksForContinueOnlyBeforeTheBodyArrives)
{
    HttpRequestReader reader{THttpServerLimits()};
    EXPECT_EQ(reader.read("POST / HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\n"),
              HttpReadStatus::SendContinue);
    EXPECT_EQ(reader.resume(), HttpReadStatus::NeedMore);
    EXPECT_EQ(reader.read("ok"), HttpReadStatus::Complete);

    HttpRequestReader eager{THttpServerLimits()};
    EXPECT_EQ(eager.read("POST / HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\nok"),
              HttpReadStatus::Complete);
}

TEST(HttpRequestReader, LimitsAnsweredBeforeTheRestArrives)
{
    THttpServerLimits limits;
    limits.MaxBodyBytes = 4;
    limits.MaxLineBytes = 32;
    limits.MaxHeaderLines = 2;
    const struct
    {
        const char* name;
        QByteArray bytes;
        HttpReadStatus status;
    } cases[] = {
        {"length over the limit, body not sent", "POST / HTTP/1.0\r\nContent-Length: 5\r\n\r\n", HttpReadStatus::PayloadTooLarge},
        {"chunk over the limit", "POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n", HttpReadStatus::PayloadTooLarge},
        {"line without end over the limit", "GET /" + QByteArray(40, 'a'), HttpReadStatus::BadRequest},
        {"header lines over the count", "GET / HTTP/1.0\r\nA: 1\r\nB: 2\r\nC: 3\r\n", HttpReadStatus::Drop},
        {"trailer lines over the count",
         "POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n0\r\nA: 1\r\nB: 2\r\nC: 3\r\n", HttpReadStatus::Drop},
        {"chunk data without its line end", "POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nab\r\n", HttpReadStatus::BadRequest},
        {"two different lengths", "POST / HTTP/1.0\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", HttpReadStatus::BadRequest},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readInPieces(row.bytes, row.bytes.size(), limits).status, row.status);
    }
}

} // namespace
