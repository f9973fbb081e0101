#include "web/ExifOrientation.h"

#include <cstdint>

namespace {

constexpr char kExifHeader[] = "Exif\0\0";
constexpr int kExifHeaderSize = 6;
constexpr int kTiffHeaderSize = 8;
constexpr int kIfdEntrySize = 12;
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

// Reads TIFF integers in the byte order the TIFF header names.
class TiffReader {
public:
    TiffReader(QByteArrayView tiff, bool bigEndian) : tiff_(tiff), bigEndian_(bigEndian) {}

    bool has(qsizetype offset, qsizetype count) const
    {
        return offset >= 0 && count >= 0 && offset <= tiff_.size() - count;
    }

    std::uint16_t u16(qsizetype offset) const
    {
        const auto a = std::uint8_t(tiff_[offset]);
        const auto b = std::uint8_t(tiff_[offset + 1]);
        return bigEndian_ ? std::uint16_t(a << 8 | b) : std::uint16_t(b << 8 | a);
    }

    std::uint32_t u32(qsizetype offset) const
    {
        const std::uint32_t high = u16(offset + (bigEndian_ ? 0 : 2));
        const std::uint32_t low = u16(offset + (bigEndian_ ? 2 : 0));
        return high << 16 | low;
    }

private:
    QByteArrayView tiff_;
    bool bigEndian_;
};

} // namespace

int ExifOrientationFromApp1(QByteArrayView payload)
{
    if (!payload.startsWith(QByteArrayView(kExifHeader, kExifHeaderSize))) {
        return kUprightOrientation;
    }
    const QByteArrayView tiff = payload.sliced(kExifHeaderSize);
    if (tiff.size() < kTiffHeaderSize) {
        return kUprightOrientation;
    }
    const bool bigEndian = tiff.startsWith("MM");
    if (!bigEndian && !tiff.startsWith("II")) {
        return kUprightOrientation;
    }
    const TiffReader reader(tiff, bigEndian);
    const qsizetype ifd = reader.u32(4);
    if (!reader.has(ifd, 2)) {
        return kUprightOrientation;
    }
    const int entries = reader.u16(ifd);
    for (int i = 0; i < entries; ++i) {
        const qsizetype entry = ifd + 2 + qsizetype(i) * kIfdEntrySize;
        if (!reader.has(entry, kIfdEntrySize)) {
            break;
        }
        if (reader.u16(entry) == kOrientationTag && reader.u16(entry + 2) == kShortType) {
            const int value = reader.u16(entry + 8);
            return value >= 1 && value <= 8 ? value : kUprightOrientation;
        }
    }
    return kUprightOrientation;
}

bool OrientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

void StoredPixelFor(int orientation, int storedWidth, int storedHeight, int uprightX, int uprightY,
                    int& storedX, int& storedY)
{
    const int lastX = storedWidth - 1;
    const int lastY = storedHeight - 1;
    switch (orientation) {
    case 2: storedX = lastX - uprightX; storedY = uprightY; break;
    case 3: storedX = lastX - uprightX; storedY = lastY - uprightY; break;
    case 4: storedX = uprightX; storedY = lastY - uprightY; break;
    case 5: storedX = uprightY; storedY = uprightX; break;
    case 6: storedX = uprightY; storedY = lastY - uprightX; break;
    case 7: storedX = lastX - uprightY; storedY = lastY - uprightX; break;
    case 8: storedX = lastX - uprightY; storedY = uprightX; break;
    default: storedX = uprightX; storedY = uprightY; break;
    }
}

RgbBitmap ApplyOrientation(const RgbBitmap& stored, int orientation)
{
    RgbBitmap upright;
    const bool swap = OrientationSwapsSides(orientation);
    upright.width = swap ? stored.height : stored.width;
    upright.height = swap ? stored.width : stored.height;
    upright.pixels.resize(stored.pixels.size());
    for (int y = 0; y < upright.height; ++y) {
        for (int x = 0; x < upright.width; ++x) {
            int sx = 0;
            int sy = 0;
            StoredPixelFor(orientation, stored.width, stored.height, x, y, sx, sy);
            const std::uint8_t* from = stored.pixel(sx, sy);
            std::uint8_t* to = upright.pixel(x, y);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    return upright;
}
