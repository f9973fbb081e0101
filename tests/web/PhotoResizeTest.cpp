#include "web/PhotoResize.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "JpegFixtures.h"
#include "web/ExifOrientation.h"
#include "web/JpegCodec.h"
#include "web/PhotoError.h"

#include "TestFiles.h"

namespace {

// Colours that went through JPEG compression come back close, not equal.
void expectNearColour(const std::uint8_t* pixel, int r, int g, int b, const char* where)
{
    constexpr int kTolerance = 24;
    EXPECT_NEAR(pixel[0], r, kTolerance) << where;
    EXPECT_NEAR(pixel[1], g, kTolerance) << where;
    EXPECT_NEAR(pixel[2], b, kTolerance) << where;
}

// One letter per pixel, carried in the red channel.
RgbBitmap labelledBitmap(int width, int height, const char* labels)
{
    RgbBitmap bitmap{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        bitmap.pixels.insert(bitmap.pixels.end(), {std::uint8_t(labels[i]), 0, 0});
    }
    return bitmap;
}

std::string rowsOf(const RgbBitmap& bitmap)
{
    std::string text;
    for (int y = 0; y < bitmap.height; ++y) {
        text += y ? "/" : "";
        for (int x = 0; x < bitmap.width; ++x) {
            text += char(bitmap.pixel(x, y)[0]);
        }
    }
    return text;
}

class PhotoFileTest : public ::testing::Test {
protected:
    QString photoPath() const { return folder_.filePath(QStringLiteral("Smith John.jpg")); }
    QString copyPath() const { return folder_.filePath(QStringLiteral("_Smith John.jpg")); }

    QTemporaryDir folder_;
};

} // namespace

struct StoredSizeCase {
    int width, height, storedWidth, storedHeight;
};

class PhotoStoredSize : public PhotoFileTest, public ::testing::WithParamInterface<StoredSizeCase> {};

TEST_P(PhotoStoredSize, FitsTheBoxWithTruncatedSidesAsBaselineQuality90)
{
    const StoredSizeCase c = GetParam();
    RgbBitmap bitmap = GradientBitmap(c.width, c.height);
    ResizeToFit(bitmap, kPhotoBoxWidth, kPhotoBoxHeight);
    EXPECT_EQ(bitmap.width, c.storedWidth);
    EXPECT_EQ(bitmap.height, c.storedHeight);

    const QByteArray upload = MakeJpeg(GradientBitmap(c.width, c.height), {.quality = 70});
    writeFile(photoPath(), upload);
    ResizePhoto(photoPath(), false);
    const QByteArray stored = readFile(photoPath());
    const FrameInfo frame = ReadFrameInfo(stored);
    EXPECT_EQ(frame.width, c.storedWidth);
    EXPECT_EQ(frame.height, c.storedHeight);
    EXPECT_TRUE(frame.baseline);
    // libjpeg's quality 90 scales the first luminance value 16 to 3.
    EXPECT_EQ(FirstQuantisationValue(stored), 3);
    EXPECT_NE(stored, upload); // re-encoded even when it already fits
    EXPECT_FALSE(QFile::exists(copyPath()));
}

INSTANTIATE_TEST_SUITE_P(Table, PhotoStoredSize,
                         ::testing::Values(StoredSizeCase{640, 480, 120, 90}, StoredSizeCase{800, 600, 120, 90},
                                           StoredSizeCase{1600, 1200, 120, 90}, StoredSizeCase{480, 640, 90, 120},
                                           StoredSizeCase{300, 200, 120, 80}, StoredSizeCase{122, 100, 119, 98},
                                           StoredSizeCase{100, 80, 100, 80}, StoredSizeCase{2000, 3, 120, 1}));

TEST(ScaleBitmapByPercent, CopiesNearestSourcePixelsWithoutBlending)
{
    RgbBitmap row = labelledBitmap(8, 1, "abcdefgh");
    ScaleBitmapByPercent(row, 37.5);
    EXPECT_EQ(rowsOf(row), "acf"); // x * 8 / 3

    RgbBitmap square = labelledBitmap(4, 4, "abcdefghijklmnop");
    ScaleBitmapByPercent(square, 75);
    EXPECT_EQ(rowsOf(square), "abc/efg/ijk");

    RgbBitmap same = labelledBitmap(2, 2, "abcd");
    ScaleBitmapByPercent(same, 100);
    EXPECT_EQ(rowsOf(same), "ab/cd");
}

TEST(ApplyOrientation, TurnsEachOfTheEightCasesUpright)
{
    const RgbBitmap stored = labelledBitmap(3, 2, "abcdef");
    const std::pair<int, std::string> cases[] = {
        {1, "abc/def"}, {2, "cba/fed"}, {3, "fed/cba"},    {4, "def/abc"},
        {5, "ad/be/cf"}, {6, "da/eb/fc"}, {7, "fc/eb/da"}, {8, "cf/be/ad"},
    };
    for (const auto& [orientation, upright] : cases) {
        EXPECT_EQ(rowsOf(ApplyOrientation(stored, orientation)), upright) << "orientation " << orientation;
    }
}

TEST(ExifOrientationFromApp1, ReadsBothByteOrdersAndIgnoresMalformedBlocks)
{
    EXPECT_EQ(ExifOrientationFromApp1(ExifOrientationPayload(6, false)), 6);
    EXPECT_EQ(ExifOrientationFromApp1(ExifOrientationPayload(8, true)), 8);
    EXPECT_EQ(ExifOrientationFromApp1(ExifOrientationPayload(9, false)), 1);
    EXPECT_EQ(ExifOrientationFromApp1(ExifOrientationPayload(6, false).chopped(12)), 1);
    QByteArray wrongOrder = ExifOrientationPayload(6, false);
    wrongOrder[6] = 'X';
    EXPECT_EQ(ExifOrientationFromApp1(wrongOrder), 1);
    EXPECT_EQ(ExifOrientationFromApp1("http://ns.adobe.com/xap/1.0/"), 1);
}

TEST(DecodeFittedPhoto, GivesTheSamePixelsAsDecodingWholeTurningAndFitting)
{
    const std::pair<int, int> sizes[] = {{640, 480}, {122, 100}, {100, 80}, {37, 301}};
    for (const auto& [width, height] : sizes) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const QByteArray jpeg = MakeJpeg(GradientBitmap(width, height), {.orientation = orientation});
            const DecodedJpeg decoded = DecodeJpeg(jpeg);
            ASSERT_EQ(decoded.orientation, orientation);
            RgbBitmap expected = ApplyOrientation(decoded.bitmap, decoded.orientation);
            ResizeToFit(expected, kPhotoBoxWidth, kPhotoBoxHeight);

            const RgbBitmap fitted = DecodeFittedPhoto(jpeg, kPhotoBoxWidth, kPhotoBoxHeight);
            EXPECT_EQ(fitted.width, expected.width) << width << "x" << height << " o" << orientation;
            EXPECT_EQ(fitted.height, expected.height) << width << "x" << height << " o" << orientation;
            EXPECT_TRUE(fitted.pixels == expected.pixels) << width << "x" << height << " o" << orientation;
        }
    }
}

TEST_F(PhotoFileTest, PhotoTakenWithTheCameraTurnedIsStoredUpright)
{
    struct Case {
        int orientation;
        bool bigEndian;
        int topLeft[3]; // colour of the upright picture's top left corner
    };
    // Stored landscape: red top left, green top right, blue bottom left, white bottom right.
    const Case cases[] = {{6, false, {0, 0, 255}}, {8, true, {0, 255, 0}}};
    for (const Case& c : cases) {
        writeFile(photoPath(), MakeJpeg(QuadrantBitmap(640, 480), {.orientation = c.orientation, .bigEndianExif = c.bigEndian}));
        ResizePhoto(photoPath(), false);
        const DecodedJpeg stored = DecodeJpeg(readFile(photoPath()));
        EXPECT_EQ(stored.bitmap.width, 90);
        EXPECT_EQ(stored.bitmap.height, 120);
        expectNearColour(stored.bitmap.pixel(5, 5), c.topLeft[0], c.topLeft[1], c.topLeft[2], "top left");
    }
}

TEST_F(PhotoFileTest, CopySwitchKeepsTheUploadByteForByte)
{
    const QByteArray upload = MakeJpeg(GradientBitmap(640, 480), {.orientation = 6});
    writeFile(photoPath(), upload);
    ResizePhoto(photoPath(), true);
    EXPECT_EQ(readFile(copyPath()), upload);
    EXPECT_EQ(ReadFrameInfo(readFile(photoPath())).width, 90);
    EXPECT_EQ(PhotoCopyPath(photoPath()), copyPath());
}

TEST(DecodeJpeg, AcceptsGrayscaleCmykAndYcckAsRgb)
{
    struct Case {
        const char* name;
        FixtureOptions options;
        int rgb[3];
    };
    const Case cases[] = {
        {"rgb", {}, {200, 30, 60}},
        {"progressive", {.progressive = true}, {200, 30, 60}},
        {"gray", {.colour = FixtureColour::Gray}, {200, 200, 200}},
        {"adobe inverted cmyk", {.colour = FixtureColour::AdobeCmyk}, {200, 30, 60}},
        {"plain cmyk", {.colour = FixtureColour::PlainCmyk}, {200, 30, 60}},
        {"ycck", {.colour = FixtureColour::Ycck}, {200, 30, 60}},
    };
    for (const Case& c : cases) {
        const DecodedJpeg decoded = DecodeJpeg(MakeJpeg(SolidBitmap(48, 32, 200, 30, 60), c.options));
        ASSERT_EQ(decoded.bitmap.width, 48) << c.name;
        ASSERT_EQ(decoded.bitmap.height, 32) << c.name;
        expectNearColour(decoded.bitmap.pixel(20, 10), c.rgb[0], c.rgb[1], c.rgb[2], c.name);
    }
}

TEST_F(PhotoFileTest, RefusesFilesThatAreNotWholeJpegsWithoutKeepingACopy)
{
    const QByteArray good = MakeJpeg(GradientBitmap(320, 240));
    const std::pair<const char*, QByteArray> cases[] = {
        {"truncated", good.first(good.size() / 2)},
        {"png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"text", "Name;Phone;Gsm;\r\n"},
        {"empty", QByteArray()},
        {"60000 x 60000 header", WithFrameSize(good, 60000, 60000)},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_THROW(DecodeJpeg(bytes), PhotoError) << name;
        writeFile(photoPath(), bytes);
        try {
            ResizePhoto(photoPath(), true);
            ADD_FAILURE() << name << " was accepted";
        } catch (const PhotoError& error) {
            EXPECT_STRNE(error.what(), "") << name;
        }
        EXPECT_FALSE(QFile::exists(copyPath())) << name;
        EXPECT_EQ(readFile(photoPath()), bytes) << name;
    }
}

TEST(DecodeJpeg, RefusesAHugeHeaderBeforeDecoding)
{
    const QByteArray huge = WithFrameSize(MakeJpeg(GradientBitmap(16, 16)), 60000, 60000);
    try {
        DecodeJpeg(huge);
        FAIL() << "accepted";
    } catch (const PhotoError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QStringLiteral("Picture of 60000 x 60000 pixels exceeds the limit of 100000000 pixels"));
    }
}
