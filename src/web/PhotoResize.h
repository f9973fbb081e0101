#pragma once

#include <QByteArrayView>
#include <QSize>
#include <QString>

#include "web/RgbBitmap.h"

// Every stored photo fits this box.
inline constexpr int kPhotoBoxWidth = 120;
inline constexpr int kPhotoBoxHeight = 120;
// Prefix of the untouched copy kept beside the photo when the Copy switch is on.
inline constexpr char kPhotoCopyPrefix[] = "_";

// The size ScaleBitmapByPercent gives a picture of the given size.
QSize ScaledSizeByPercent(QSize size, double percent);
// The percentage ResizeToFit scales a picture of the given size by.
double FitPercent(QSize size, int boxWidth, int boxHeight);

// Both change the bitmap in place; nearest-neighbour, never smoothed.
void ScaleBitmapByPercent(RgbBitmap& bitmap, double percent);
void ResizeToFit(RgbBitmap& bitmap, int boxWidth, int boxHeight);

// Decodes a JPEG, turns it upright and fits it into the box in one pass: the same pixels as
// DecodeJpeg, ApplyOrientation and ResizeToFit, without a full-size bitmap. Throws PhotoError.
RgbBitmap DecodeFittedPhoto(QByteArrayView jpeg, int boxWidth, int boxHeight);

// Decodes the JPEG at path, turns it upright, fits it into the photo box and writes it over
// path; with keepCopy, first stores the file's bytes unchanged as "_" + its name beside it.
// Throws PhotoError.
void ResizePhoto(const QString& path, bool keepCopy);

// The path of the copy that ResizePhoto keeps for the photo at path.
QString PhotoCopyPath(const QString& path);
