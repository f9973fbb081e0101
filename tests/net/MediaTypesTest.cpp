#include "net/MediaTypes.h"

#include <gtest/gtest.h>

namespace {

TEST(MediaTypes, BuiltInRowsAndUnknownExtensions)
{
    const struct
    {
        const char* file;
        const char* type;
    } cases[] = {
        {"a.jpg", "image/jpeg"},  {"a.JPEG", "image/jpeg"}, {"a.jpe", "image/jpeg"},
        {"a.gif", "image/gif"},   {"a.png", "image/x-png"}, {"a.bmp", "image/bmp"},
        {"a.ico", "image/x-icon"}, {"a.htm", "text/html"},  {"a.html", "text/html"},
        {"a.css", "text/css"},    {"a.js", "text/javascript"}, {"a.txt", "text/plain"},
        {"a.xml", "text/xml"},    {"a.zip", "application/x-zip-compressed"},
        {"a.unknownext", "application/octet-stream"}, {"noextension", "application/octet-stream"},
        {"dir.d/file", "application/octet-stream"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.file);
        EXPECT_EQ(MediaTypeForFile(QString::fromLatin1(row.file)), row.type);
    }
}

} // namespace
