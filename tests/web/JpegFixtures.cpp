#include "JpegFixtures.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

void appendU16(QByteArray& out, int value, bool bigEndian)
{
    const char high = char(value >> 8 & 0xFF);
    const char low = char(value & 0xFF);
    out += bigEndian ? QByteArray{&high, 1} + QByteArray{&low, 1} : QByteArray{&low, 1} + QByteArray{&high, 1};
}

void appendU32(QByteArray& out, int value, bool bigEndian)
{
    appendU16(out, bigEndian ? value >> 16 : value & 0xFFFF, bigEndian);
    appendU16(out, bigEndian ? value & 0xFFFF : value >> 16, bigEndian);
}

std::vector<std::uint8_t> samplesFor(const RgbBitmap& picture, FixtureColour colour)
{
    std::vector<std::uint8_t> samples;
    for (std::size_t i = 0; i < picture.pixels.size(); i += 3) {
        const std::uint8_t r = picture.pixels[i];
        const std::uint8_t g = picture.pixels[i + 1];
        const std::uint8_t b = picture.pixels[i + 2];
        switch (colour) {
        case FixtureColour::Rgb:
            samples.insert(samples.end(), {r, g, b});
            break;
        case FixtureColour::Gray:
            samples.push_back(r);
            break;
        case FixtureColour::AdobeCmyk:
        case FixtureColour::Ycck:
            // Adobe's convention: the ink values stored inverted.
            samples.insert(samples.end(), {r, g, b, 255});
            break;
        case FixtureColour::PlainCmyk:
            samples.insert(samples.end(), {std::uint8_t(255 - r), std::uint8_t(255 - g), std::uint8_t(255 - b), 0});
            break;
        }
    }
    return samples;
}

} // namespace

QByteArray ExifOrientationPayload(int orientation, bool bigEndian)
{
    QByteArray payload("Exif\0\0", 6);
    payload += bigEndian ? "MM" : "II";
    appendU16(payload, 42, bigEndian);
    appendU32(payload, 8, bigEndian);
    appendU16(payload, 1, bigEndian);          // one entry
    appendU16(payload, 0x0112, bigEndian);     // orientation
    appendU16(payload, 3, bigEndian);          // SHORT
    appendU32(payload, 1, bigEndian);          // one value
    appendU16(payload, orientation, bigEndian);
    appendU16(payload, 0, bigEndian);
    appendU32(payload, 0, bigEndian);          // no next IFD
    return payload;
}

QByteArray MakeJpeg(const RgbBitmap& picture, const FixtureOptions& options)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    jpeg_mem_dest(&cinfo, &output, &outputSize);
    cinfo.image_width = JDIMENSION(picture.width);
    cinfo.image_height = JDIMENSION(picture.height);
    const bool cmyk = options.colour == FixtureColour::AdobeCmyk || options.colour == FixtureColour::PlainCmyk
        || options.colour == FixtureColour::Ycck;
    cinfo.input_components = options.colour == FixtureColour::Gray ? 1 : cmyk ? 4 : 3;
    cinfo.in_color_space = options.colour == FixtureColour::Gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (options.colour == FixtureColour::Ycck) {
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    }
    if (options.colour == FixtureColour::PlainCmyk) {
        cinfo.write_Adobe_marker = FALSE;
    }
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (options.orientation > 0) {
        const QByteArray exif = ExifOrientationPayload(options.orientation, options.bigEndianExif);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.constData()),
                          unsigned(exif.size()));
    }
    std::vector<std::uint8_t> samples = samplesFor(picture, options.colour);
    const std::size_t stride = std::size_t(picture.width) * cinfo.input_components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = samples.data() + cinfo.next_scanline * stride;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray jpeg(reinterpret_cast<const char*>(output), qsizetype(outputSize));
    std::free(output);
    return jpeg;
}

RgbBitmap SolidBitmap(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    RgbBitmap bitmap{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        bitmap.pixels.insert(bitmap.pixels.end(), {r, g, b});
    }
    return bitmap;
}

RgbBitmap QuadrantBitmap(int width, int height)
{
    RgbBitmap bitmap{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            std::uint8_t* p = bitmap.pixel(x, y);
            p[0] = (!bottom && !right) || (bottom && right) ? 255 : 0;
            p[1] = (!bottom && right) || (bottom && right) ? 255 : 0;
            p[2] = bottom ? 255 : 0;
        }
    }
    return bitmap;
}

RgbBitmap GradientBitmap(int width, int height)
{
    RgbBitmap bitmap{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bitmap.pixel(x, y);
            p[0] = std::uint8_t(x * 255 / std::max(1, width - 1));
            p[1] = std::uint8_t(y * 255 / std::max(1, height - 1));
            p[2] = std::uint8_t((x + y) & 0xFF);
        }
    }
    return bitmap;
}

namespace {

// Offset of the length field of the first segment with the given marker, or -1.
qsizetype segmentOffset(const QByteArray& jpeg, auto isWanted)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && std::uint8_t(jpeg[at]) == 0xFF) {
        const std::uint8_t marker = std::uint8_t(jpeg[at + 1]);
        if (isWanted(marker)) {
            return at + 2;
        }
        at += 2 + (std::uint8_t(jpeg[at + 2]) << 8 | std::uint8_t(jpeg[at + 3]));
    }
    return -1;
}

bool isFrame(std::uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xC3;
}

} // namespace

FrameInfo ReadFrameInfo(const QByteArray& jpeg)
{
    const qsizetype at = segmentOffset(jpeg, isFrame);
    if (at < 0) {
        return {};
    }
    FrameInfo info;
    info.height = std::uint8_t(jpeg[at + 3]) << 8 | std::uint8_t(jpeg[at + 4]);
    info.width = std::uint8_t(jpeg[at + 5]) << 8 | std::uint8_t(jpeg[at + 6]);
    info.baseline = std::uint8_t(jpeg[at - 1]) == 0xC0;
    return info;
}

QByteArray WithFrameSize(QByteArray jpeg, int width, int height)
{
    const qsizetype at = segmentOffset(jpeg, isFrame);
    jpeg[at + 3] = char(height >> 8);
    jpeg[at + 4] = char(height & 0xFF);
    jpeg[at + 5] = char(width >> 8);
    jpeg[at + 6] = char(width & 0xFF);
    return jpeg;
}

int FirstQuantisationValue(const QByteArray& jpeg)
{
    const qsizetype at = segmentOffset(jpeg, [](std::uint8_t marker) { return marker == 0xDB; });
    return at < 0 ? -1 : std::uint8_t(jpeg[at + 3]);
}
