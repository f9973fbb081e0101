#include "net/HttpRequestDecoder.h"

#include <gtest/gtest.h>

#include "net/HttpRequestInfo.h"
#include "net/HttpRequestReader.h"

namespace {

TEST(DecodeDocumentPath, DecodesFolderAndLastSegmentAsUtf8)
{
    const struct
    {
        const char* path;
        QString document;
    } cases[] = {
        {"/", "/"},
        {"*", "*"},
        {"/photos/Smith%20John.jpg", "/photos/Smith John.jpg"},
        {"/photos/K%C3%A4py.jpg", QString::fromUtf8("/photos/K\xC3\xA4py.jpg")},
        {"/a%2Fb/c", "/a/b/c"},
        {"/a+b", "/a+b"},
        {"\\photos\\x.jpg", "/photos/x.jpg"},
        {"/dir#x/file#frag", "/dir#x/file"},
        {"/file%2", "/file2"},                        // a "%" without two hex digits is dropped
        {"/bad%ZZ", "/badZZ"},
        {"http://intranet:81/add", "/add"},
        {"http://intranet", "/"},
        {"/a://b", "/a://b"},                         // not a scheme: a "/" comes before "://"
        {"/%FF", QString(QChar::ReplacementCharacter).prepend(QLatin1Char('/'))},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(DecodeDocumentPath(row.path), row.document);
    }
}

TEST(DecodeParams, SplitsThenDecodesEachPieceInTheCharset)
{
    const struct
    {
        const char* text;
        const char* charset;
        QStringList params;
    } cases[] = {
        {"", "", {}},
        {"&", "", {""}},
        {"a=1&&b=2&", "", {"a=1", "", "b=2"}},
        {"searchfor=a+b%2Bc", "", {"searchfor=a b+c"}},
        {"s=K%E4py+puu", "", {QString::fromUtf8("s=K\xC3\xA4py puu")}},
        {"s=K%C3%A4py", "", {QString::fromUtf8("s=K\xC3\x83\xC2\xA4py")}},
        {"s=K%C3%A4py", "UTF-8", {QString::fromUtf8("s=K\xC3\xA4py")}},
        {"s=K%C3%A4py", "no-such-charset", {QString::fromUtf8("s=K\xC3\x83\xC2\xA4py")}},
        {"s=%80", "windows-1252", {QString::fromUtf8("s=\xE2\x82\xAC")}},
        {"a%3Db=c%26d", "", {"a=b=c&d"}},
        {"q=%u00E4%U20ac", "", {QString::fromUtf8("q=\xC3\xA4?")}},
        {"q=%u20AC", "utf-8", {QString::fromUtf8("q=\xE2\x82\xAC")}},
        {"q=%uD83D%uDE00", "utf-8", {QString::fromUtf8("q=\xF0\x9F\x98\x80")}},
        {"q=%u12", "", {"q=u12"}},
        {"q=100%", "", {"q=100"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        SCOPED_TRACE(row.charset);
        EXPECT_EQ(DecodeParams(row.text, QString::fromLatin1(row.charset)), row.params);
    }
}

TEST(SplitContentType, TypeAndCharset)
{
    const struct
    {
        const char* header;
        const char* type;
        const char* charset;
    } cases[] = {
        {"", "", ""},
        {"text/html", "text/html", ""},
        {" application/x-www-form-urlencoded ; charset=UTF-8", "application/x-www-form-urlencoded", "UTF-8"},
        {"multipart/form-data; boundary=xyz", "multipart/form-data", ""},
        {"text/plain; Charset=\"windows-1252\"; format=flowed", "text/plain", "windows-1252"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.header);
        const ContentTypeParts parts = SplitContentType(QString::fromLatin1(row.header));
        EXPECT_EQ(parts.type, row.type);
        EXPECT_EQ(parts.charset, row.charset);
    }
}

TEST(DecodeRequest, FillsEveryMemberOfTheRecord)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
        QString command;
        QString version;
        QString uri;
        QString document;
        QString query;
        QString form;
        QString unparsed;
        QStringList params;
        QString contentType;
        QString charset;
        qint64 contentLength;
        QString host;
        QString referer;
        QString userAgent;
        QByteArray post;   // null: no PostStream
    } cases[] = {
        {"load tool's request", "GET /page1024.html HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nConnection: close\r\n\r\n",
         "GET", "HTTP/1.1", "/page1024.html", "/page1024.html", "", "", "", {}, "", "", -1, "127.0.0.1:8080", "", "", {}},
        {"names without case, first line counts, a line without colon counts as empty",
         "get /a%20b?x=1+2 HTTP/1.0\r\nhost:  h1 \r\nHOST: h2\r\nReferer\r\nReferer: r2\r\nuser-agent:ua\r\n\r\n",
         "GET", "HTTP/1.0", "/a%20b?x=1+2", "/a b", "x=1+2", "", "x=1+2", {"x=1 2"}, "", "", -1, "h1", "", "ua", {}},
        {"blanks beyond ASCII trimmed as a lookup by name trims them", "GET /p?#x HTTP/1.0\r\nHost:\xA0h\xA0\r\n\r\n",
         "GET", "HTTP/1.0", "/p?#x", "/p", "#x", "", "#x", {"#x"}, "", "", -1, "h", "", "", {}},
        {"method override, form pairs before query pairs in the request's charset",
         "POST /f?q=%C3%A4 HTTP/1.1\r\nHost: x\r\nX-HTTP-Method-Override:  put \r\n"
         "content-type: Application/X-WWW-Form-Urlencoded; charset=UTF-8\r\nContent-Length: 10\r\n\r\na=%C3%A4&b",
         "PUT", "HTTP/1.1", "/f?q=%C3%A4", "/f", "q=%C3%A4", "a=%C3%A4&b", "a=%C3%A4&b&q=%C3%A4",
         {QString::fromUtf8("a=\xC3\xA4"), "b", QString::fromUtf8("q=\xC3\xA4")},
         "Application/X-WWW-Form-Urlencoded", "UTF-8", 10, "x", "", "", {}},
        {"form post without a query", "POST / HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: 3\r\n\r\na=1",
         "POST", "HTTP/1.0", "/", "/", "", "a=1", "a=1", {"a=1"}, "application/x-www-form-urlencoded", "", 3, "", "", "", {}},
        {"other bodies stay in the stream", "POST /Test%20User?searchfor=Test+User HTTP/1.0\r\n"
         "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: 4\r\n\r\nabcd",
         "POST", "HTTP/1.0", "/Test%20User?searchfor=Test+User", "/Test User", "searchfor=Test+User", "",
         "searchfor=Test+User", {"searchfor=Test User"}, "multipart/form-data", "", 4, "", "", "", "abcd"},
        {"unusual method and version", "m\xE4ke /x HTTP/0.9\r\n\r\n",
         QString::fromUtf8("M\xC3\x84KE"), "HTTP/0.9", "/x", "/x", "", "", "", {}, "", "", -1, "", "", "", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        HttpRequestReader reader{THttpServerLimits()};
        ASSERT_EQ(reader.read(row.bytes), HttpReadStatus::Complete);
        TIdHTTPRequestInfo info;
        DecodeRequest(reader.takeRequest(), info);
        EXPECT_EQ(info.Command, row.command);
        EXPECT_EQ(info.Version, row.version);
        EXPECT_EQ(info.URI, row.uri);
        EXPECT_EQ(info.Document, row.document);
        EXPECT_EQ(info.QueryParams, row.query);
        EXPECT_EQ(info.FormParams, row.form);
        EXPECT_EQ(info.UnparsedParams, row.unparsed);
        EXPECT_EQ(info.Params, row.params);
        EXPECT_EQ(info.ContentType, row.contentType);
        EXPECT_EQ(info.CharSet, row.charset);
        EXPECT_EQ(info.ContentLength, row.contentLength);
        EXPECT_EQ(info.Host, row.host);
        EXPECT_EQ(info.Referer, row.referer);
        EXPECT_EQ(info.UserAgent, row.userAgent);
        // The members hold what a lookup by name finds.
        EXPECT_EQ(info.Host, info.Header(u"Host"));
        EXPECT_EQ(info.Referer, info.Header(u"Referer"));
        EXPECT_EQ(info.UserAgent, info.Header(u"User-Agent"));
        ASSERT_EQ(info.PostStream != nullptr, !row.post.isNull());
        if (info.PostStream) {
            EXPECT_EQ(info.PostStream->pos(), 0);
            EXPECT_EQ(info.PostStream->data(), row.post);
        }
    }
}

} // namespace
