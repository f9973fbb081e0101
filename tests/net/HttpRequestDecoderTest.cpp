#include "net/HttpRequestDecoder.h"

#include <gtest/gtest.h>

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

} // namespace
