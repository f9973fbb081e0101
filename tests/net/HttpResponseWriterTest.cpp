#include "net/HttpResponseWriter.h"

#include <gtest/gtest.h>

#include "net/HttpResponseInfo.h"

namespace {

TEST(EncodeLatin1WithReferences, KeepsLatin1AndReferencesTheRest)
{
    const struct
    {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {QString::fromUtf8("K\xC3\xA4py \xC3\xBF"), "K\xE4py \xFF"},
        {QString::fromUtf8("\xE2\x82\xAC"), "&#8364;"},
        {QString::fromUtf8("a\xF0\x9F\x98\x80z"), "a&#128512;z"},
        {QString(QChar(0xD800)) + "x", "&#55296;x"},   // a lone surrogate is referenced as it is
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(EncodeLatin1WithReferences(row.text), row.bytes);
        QByteArray buffer;
        buffer.reserve(4096);
        EXPECT_EQ(EncodeLatin1WithReferences(row.text, buffer), row.bytes);
    }
}

TEST(BuildResponseHead, DefaultsCookiesAndChangedStatus)
{
    TIdHTTPResponseInfo response;
    response.Cookies.append({"IDHTTPSESSIONID", "abc", "/"});
    EXPECT_EQ(BuildResponseHead(response, 12),
              "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=ISO-8859-1\r\n"
              "Content-Length: 12\r\nSet-Cookie: IDHTTPSESSIONID=abc; Path=/\r\n\r\n");

    TIdHTTPResponseInfo notFound;
    notFound.ResponseNo = 404;
    notFound.CharSet.clear();
    EXPECT_EQ(BuildResponseHead(notFound, 0),
              "HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\n");

    TIdHTTPResponseInfo notModified;
    notModified.ResponseNo = 304;
    EXPECT_EQ(BuildResponseHead(notModified, 0), "HTTP/1.1 304 Not Modified\r\nConnection: close\r\n\r\n");

    EXPECT_EQ(BuildBodilessAnswer(411), "HTTP/1.1 411 Length Required\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
}

TEST(BuildResponseHead, TextBeyondAsciiGoesOutAsUtf8)
{
    TIdHTTPResponseInfo response;
    response.ResponseNo = 500;
    response.ResponseText = QString::fromUtf8("Fehler \xC3\xA4");
    response.CharSet.clear();
    response.CustomHeaders.append(QString::fromUtf8("X-Name: K\xC3\xA4py \xE2\x82\xAC"));
    EXPECT_EQ(BuildResponseHead(response, 1234567890123),
              "HTTP/1.1 500 Fehler \xC3\xA4\r\nConnection: close\r\nContent-Type: text/html\r\n"
              "Content-Length: 1234567890123\r\nX-Name: K\xC3\xA4py \xE2\x82\xAC\r\n\r\n");

    // Three bytes for each of these characters: more than the head was sized for.
    TIdHTTPResponseInfo wide;
    wide.CustomHeaders.append("X-Wide: " + QString(300, QChar(0x20AC)));
    QByteArray wideLine = "X-Wide: ";
    for (int i = 0; i < 300; ++i) {
        wideLine.append("\xE2\x82\xAC");
    }
    EXPECT_EQ(BuildResponseHead(wide, 0),
              "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=ISO-8859-1\r\n"
              "Content-Length: 0\r\n" + wideLine + "\r\n\r\n");
}

} // namespace
