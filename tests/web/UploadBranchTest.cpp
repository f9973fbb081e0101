#include "web/UploadBranch.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>

#include <memory>

#include "JpegFixtures.h"
#include "WebTestClient.h"
#include "net/HttpServer.h"
#include "util/LocaleFormats.h"
#include "util/LogFile.h"
#include "util/Settings.h"
#include "util/TextUtils.h"
#include "web/DirectoryService.h"
#include "web/JpegCodec.h"
#include "web/PageFrame.h"
#include "workbook/Workbook.h"

#include "TestFiles.h"

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(14, 5, 9));
const LocaleFormats kFormats{"d.M.yyyy", "H:mm:ss", QChar(',')};
const QString kPeer = "127.0.0.1";
const QByteArray kBoundary = "---------------------------7d91a2b3";

// The body a browser posts from the modify form's upload field.
QByteArray uploadBody(const QByteArray& fileBytes)
{
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"portrait.jpg\"\r\n"
        + "Content-Type: image/jpeg\r\n\r\n" + fileBytes + "\r\n--" + kBoundary + "--\r\n";
}

class UploadBranchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        base_ = root_.filePath("base");
        QDir().mkpath(base_ + "/photos");
        setSwitches(false, false);
        ASSERT_TRUE(workbook_.SaveWorkbook(root_.filePath("Corvale.zwb")));
        workbook_.SetRows(1);
        workbook_.SetCellValue(0, 0, QStringLiteral("Smith John"));

        log_.OnLog = [this](TZAF_LogFile&, QString& text) {
            QMutexLocker lock(&logMutex_);
            logLines_.append(text);
        };
        service_ = std::make_unique<TDirectoryService>(workbook_, log_, base_, root_.filePath("Corvale.zwb"));
        service_->SetClock([] { return kNow; });
        server_.SetDefaultPort(0);
        server_.OnCommandGet = [this](TIdContext& c, TIdHTTPRequestInfo& q, TIdHTTPResponseInfo& r) {
            service_->IdHTTPServer1CommandGet(&c, &q, &r);
        };
        server_.SetActive(true);
        port_ = server_.ListeningPort();
        ASSERT_NE(port_, 0);
    }

    void TearDown() override
    {
        server_.SetActive(false);
        setSwitches(false, false);
    }

    static void setSwitches(bool noUpload, bool copy)
    {
        QMutexLocker lock(&Settings.Lock);
        Settings.disableupload = noUpload;
        Settings.LeaveCopy = copy;
    }

    WebTestResponse post(const QByteArray& body, const QByteArray& target = "/Smith%20John?searchfor=Smith+John")
    {
        const QByteArray request = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port_)
            + "\r\nContent-Type: multipart/form-data; boundary=" + kBoundary
            + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        return SendRawRequest(port_, request);
    }

    QStringList takeLog()
    {
        QMutexLocker lock(&logMutex_);
        return std::exchange(logLines_, {});
    }

    QString photo() const { return base_ + "/photos/Smith John.jpg"; }
    QString copy() const { return base_ + "/photos/_Smith John.jpg"; }

    QStringList photoFiles() const { return QDir(base_ + "/photos").entryList(QDir::Files | QDir::Hidden); }

    QString failurePage() const
    {
        return BuildPageHeader("Smith John", GetLogoPicture(), kNow)
            + "<tr><td colspan=7><font face=\"verdana\" size=2 color=#000000>Failed to upload file.</td></tr>"
              "<tr><form action=\"/\"><td colspan=7><input type=submit value=\"Cancel\"><br><br></td></form></tr>"
            + BuildPageFooter();
    }

    QString receivedLine(qint64 size) const
    {
        return kPeer + "> file \"" + QDir::toNativeSeparators(photo()) + "\" received (" + SizeToText(size) + ")";
    }

    ScopedLocaleFormats formats_{kFormats};
    QTemporaryDir root_;
    QString base_;
    TZAF_workbook workbook_;
    TZAF_LogFile log_;
    QMutex logMutex_;
    QStringList logLines_;
    std::unique_ptr<TDirectoryService> service_;
    TIdHTTPServer server_;
    quint16 port_ = 0;
};

const QString kListWithPhoto = "<img src=\"/photos/Smith John.jpg\">";

} // namespace

TEST_F(UploadBranchTest, StoresTheResizedPhotoAndShowsTheListPage)
{
    struct Case {
        const char* what;
        QByteArray upload;
        bool copySwitch;
        int width, height;
    } const cases[] = {
        {"landscape", MakeJpeg(GradientBitmap(640, 480)), false, 120, 90},
        {"copy kept", MakeJpeg(GradientBitmap(640, 480)), true, 120, 90},
        {"small one re-encoded", MakeJpeg(GradientBitmap(100, 80)), false, 100, 80},
        {"camera turned", MakeJpeg(GradientBitmap(640, 480), {.orientation = 6}), true, 90, 120},
        {"cmyk", MakeJpeg(GradientBitmap(300, 200), {.colour = FixtureColour::AdobeCmyk}), false, 120, 80},
        {"grayscale", MakeJpeg(GradientBitmap(300, 200), {.colour = FixtureColour::Gray}), false, 120, 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(copy());
        setSwitches(false, c.copySwitch);
        const WebTestResponse response = post(uploadBody(c.upload));
        EXPECT_EQ(response.status, 200);
        EXPECT_TRUE(response.text().contains(kListWithPhoto)) << response.body.left(2000).toStdString();
        const QStringList log = takeLog();
        ASSERT_EQ(log.size(), 3);
        EXPECT_EQ(log[0], receivedLine(c.upload.size()));
        EXPECT_EQ(log[1], kPeer + "> file \"" + QDir::toNativeSeparators(photo()) + "\" resized");
        EXPECT_TRUE(log[2].startsWith(kPeer + "> list \"")) << log[2].toStdString();
        const FrameInfo stored = ReadFrameInfo(readFile(photo()));
        EXPECT_EQ(stored.width, c.width);
        EXPECT_EQ(stored.height, c.height);
        EXPECT_EQ(QFile::exists(copy()), c.copySwitch);
        if (c.copySwitch) {
            EXPECT_EQ(readFile(copy()), c.upload);
        }
    }
}

TEST_F(UploadBranchTest, UndecodableUploadGivesTheFailurePageAndLeavesNoPhoto)
{
    const QByteArray good = MakeJpeg(GradientBitmap(320, 240));
    struct Case {
        const char* what;
        QByteArray upload;
    } const cases[] = {
        {"png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)},
        {"text", "Smith John;040 1;;\r\n"},
        {"empty file part", ""},
        {"truncated jpeg", good.first(good.size() / 2)},
        {"60000 x 60000 header", WithFrameSize(good, 60000, 60000)},
    };
    setSwitches(false, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WebTestResponse response = post(uploadBody(c.upload));
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.text(), failurePage());
        const QStringList log = takeLog();
        ASSERT_EQ(log.size(), 2);
        EXPECT_EQ(log[0], receivedLine(c.upload.size()));
        // The detail is the decoder's own reason, never empty.
        EXPECT_TRUE(log[1].startsWith(kPeer + "> Failed to read file (")) << log[1].toStdString();
        EXPECT_NE(log[1], kPeer + "> Failed to read file ()");
        EXPECT_EQ(photoFiles(), QStringList());
    }
    EXPECT_EQ(receivedLine(0), kPeer + "> file \"" + QDir::toNativeSeparators(photo()) + "\" received (0 Byte(s))");
}

TEST_F(UploadBranchTest, NothingExtractedOrUploadsOffGivesTheOrdinaryPage)
{
    const QByteArray jpeg = MakeJpeg(GradientBitmap(64, 48));
    const QByteArray full = uploadBody(jpeg);
    struct Case {
        const char* what;
        bool noUpload;
        QByteArray body;
    } const cases[] = {
        {"no disposition", false, QByteArray(full).replace("Content-Disposition:", "Content-Position:")},
        {"no file name", false, QByteArray(full).replace("filename=", "fieldname=")},
        {"no content start", false, QByteArray(full).replace("image/jpeg\r\n\r\n", "image/jpeg\r\n")},
        {"no closing delimiter", false, full.first(full.size() - kBoundary.size() - 8)},
        {"uploads switched off", true, full},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setSwitches(c.noUpload, false);
        const WebTestResponse response = post(c.body);
        EXPECT_EQ(response.status, 200);
        EXPECT_TRUE(response.text().contains("1 names found")) << response.body.left(2000).toStdString();
        EXPECT_FALSE(response.text().contains(kListWithPhoto));
        const QStringList log = takeLog();
        ASSERT_EQ(log.size(), 1);
        EXPECT_TRUE(log[0].startsWith(kPeer + "> list \"")) << log[0].toStdString();
        EXPECT_EQ(photoFiles(), QStringList());
    }
}

TEST_F(UploadBranchTest, UploadToTheRootNamesThePhotoDotJpg)
{
    post(uploadBody(MakeJpeg(GradientBitmap(64, 48))), "/");
    EXPECT_EQ(photoFiles(), QStringList{".jpg"});
    EXPECT_EQ(ReadFrameInfo(readFile(base_ + "/photos/.jpg")).width, 64);
}
