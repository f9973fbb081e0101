#include "web/UploadExtract.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include "TestFiles.h"

namespace {

const QByteArray kDelimiter = "-----------------------------7d91a2";

QByteArray filePart(const QByteArray& content, const QByteArray& delimiter = kDelimiter)
{
    return delimiter + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"C:\\My \\\"x.jpg\"\r\n"
           "Content-Type: image/jpeg\r\n\r\n"
        + content + "\r\n" + delimiter + "--\r\n";
}

struct ExtractCase {
    const char* name;
    QByteArray body;
    qint64 size;        // -1: refused
    QString message;    // on refusal
    QByteArray content; // when written
};

} // namespace

TEST(ExtractUploadedFile, WritesTheFilePartOrRefusesWithItsMessage)
{
    const QByteArray binary("\xff\xd8\0\r\n--\r\n-----------------------------7d91\xff\xd9", 42);
    const ExtractCase cases[] = {
        {"file part", filePart("JPEGDATA"), 8, {}, "JPEGDATA"},
        {"bytes resembling delimiters stay", filePart(binary), binary.size(), {}, binary},
        {"empty content", filePart(""), 0, {}, ""},
        {"fields before the file part are skipped",
         kDelimiter + "\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nhello\r\n" + filePart("PIC"), 3, {}, "PIC"},
        {"leading blank lines are not part of the delimiter", "\r\n \t" + filePart("PIC"), 3, {}, "PIC"},
        {"no disposition", kDelimiter + "\r\nContent-Type: image/jpeg\r\n\r\nPIC\r\n" + kDelimiter,
         -1, "Failed to retrieve boundary string", {}},
        {"no file name", kDelimiter + "\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\nPIC\r\n" + kDelimiter,
         -1, "Failed to locate file name", {}},
        {"file name never closed", kDelimiter + "\r\nContent-Disposition: form-data; filename=\"a.jpg\r\n\r\nPIC",
         -1, "Failed to locate end of file name", {}},
        {"no content start", kDelimiter + "\r\nContent-Disposition: form-data; filename=\"a.jpg\"\r\nPIC\r\n" + kDelimiter,
         -1, "Failed to locate content start", {}},
        {"no closing delimiter", filePart("PIC").chopped(kDelimiter.size() + 4), -1, "Failed to locate end of content", {}},
        {"a preamble becomes part of the delimiter", "preamble\r\n" + filePart("PIC"), -1,
         "Failed to locate end of content", {}},
        {"nothing before the disposition", filePart("PIC").mid(kDelimiter.size() + 2), -1,
         "Failed to locate end of content", {}},
        {"empty body", {}, -1, "Failed to retrieve boundary string", {}},
    };
    for (const ExtractCase& c : cases) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Smith John.jpg"));
        QString message;
        EXPECT_EQ(ExtractUploadedFile(QByteArrayView(c.body), path, message), c.size) << c.name;
        EXPECT_EQ(message, c.message) << c.name;
        EXPECT_EQ(QFile::exists(path), c.size >= 0) << c.name;
        EXPECT_EQ(readFile(path), c.content) << c.name;
    }
}

TEST(ExtractUploadedFile, ReadsTheStreamFromItsStartAndReplacesAnEarlierPhoto)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Smith John.jpg"));
    writeFile(path, "an earlier, longer photo");

    QByteArray body = filePart("NEW");
    QBuffer stream(&body);
    stream.open(QIODevice::ReadOnly);
    stream.seek(body.size());
    QString message;
    EXPECT_EQ(ExtractUploadedFile(&stream, path, message), 3);
    EXPECT_EQ(readFile(path), "NEW");

    EXPECT_EQ(ExtractUploadedFile(static_cast<QIODevice*>(nullptr), path, message), -1);
    EXPECT_EQ(message, QStringLiteral("Failed to retrieve boundary string"));
}

TEST(ExtractUploadedFile, ReportsAFileThatCannotBeSavedByItsName)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("missing/Smith John.jpg"));
    QString message;
    EXPECT_EQ(ExtractUploadedFile(QByteArrayView(filePart("PIC")), path, message), -1);
    EXPECT_EQ(message, QStringLiteral("Exception on saving Smith John.jpg"));
    EXPECT_FALSE(QFile::exists(path));
}
