#pragma once

#include <cstdint>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "web/RgbBitmap.h"

// A picture whose header announces more pixels than this is refused before any pixel memory
// is taken, so a small crafted upload cannot exhaust the server's memory.
inline constexpr std::int64_t kMaxJpegPixels = 100'000'000;
inline constexpr int kPhotoJpegQuality = 90;

struct JpegHeader {
    int width = 0;
    int height = 0;
    int orientation = 1; // EXIF orientation, 1 when the file carries none
};

// Receives a decoded picture row by row, top to bottom, as packed RGB. Neither call may throw.
class JpegRowSink {
public:
    virtual ~JpegRowSink() = default;
    // Called once the header is known; false stops the decoding (the sink keeps the reason).
    virtual bool begin(const JpegHeader& header) = 0;
    virtual void row(int y, const std::uint8_t* rgb) = 0;
};

// Decodes colour, grayscale, CMYK and YCCK JPEGs at full size. Returns an empty text on
// success, otherwise the reason; a truncated or damaged file is a failure.
QString DecodeJpegRows(QByteArrayView data, JpegRowSink& sink);

struct DecodedJpeg {
    RgbBitmap bitmap; // as stored, not yet turned upright
    int orientation = 1;
};

// Whole-picture forms of the above; both throw PhotoError.
DecodedJpeg DecodeJpeg(QByteArrayView data);
// Baseline colour JPEG.
QByteArray EncodeJpeg(const RgbBitmap& bitmap, int quality = kPhotoJpegQuality);
