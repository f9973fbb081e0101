#pragma once

#include <QByteArray>

#include "web/RgbBitmap.h"

// Small JPEGs written with libjpeg for the photo tests.

enum class FixtureColour { Rgb, Gray, AdobeCmyk, PlainCmyk, Ycck };

struct FixtureOptions {
    FixtureColour colour = FixtureColour::Rgb;
    int orientation = 0; // 0: no EXIF segment
    bool bigEndianExif = false;
    int quality = 75;
    bool progressive = false;
};

QByteArray MakeJpeg(const RgbBitmap& picture, const FixtureOptions& options = {});

RgbBitmap SolidBitmap(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);
// Red top left, green top right, blue bottom left, white bottom right.
RgbBitmap QuadrantBitmap(int width, int height);
// A smooth gradient, like a photo.
RgbBitmap GradientBitmap(int width, int height);

// The APP1 payload of an EXIF block holding just an orientation.
QByteArray ExifOrientationPayload(int orientation, bool bigEndian);

// Width and height from the first start-of-frame marker; (-1, -1) when there is none.
struct FrameInfo {
    int width = -1;
    int height = -1;
    bool baseline = false;
};
FrameInfo ReadFrameInfo(const QByteArray& jpeg);
// The same file with the frame's size replaced (the picture data no longer matches it).
QByteArray WithFrameSize(QByteArray jpeg, int width, int height);
// The first value of the first quantisation table.
int FirstQuantisationValue(const QByteArray& jpeg);
