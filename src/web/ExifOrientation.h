#pragma once

#include <QByteArrayView>

#include "web/RgbBitmap.h"

// EXIF orientation values 1 to 8: how the stored picture must be turned to stand upright.
inline constexpr int kUprightOrientation = 1;

// The orientation tag of an APP1 segment's payload ("Exif\0\0" + TIFF); 1 when absent or invalid.
int ExifOrientationFromApp1(QByteArrayView payload);

// True for the orientations that swap width and height (5 to 8).
bool OrientationSwapsSides(int orientation);

// The stored pixel (x, y) that the upright picture shows at (uprightX, uprightY).
void StoredPixelFor(int orientation, int storedWidth, int storedHeight, int uprightX, int uprightY,
                    int& storedX, int& storedY);

// The picture turned upright.
RgbBitmap ApplyOrientation(const RgbBitmap& stored, int orientation);
