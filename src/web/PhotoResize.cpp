#include "web/PhotoResize.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include <QFile>
#include <QFileInfo>

#include "web/ExifOrientation.h"
#include "web/FileReplace.h"
#include "web/JpegCodec.h"
#include "web/PhotoError.h"

namespace {

// Nearest-neighbour sampling: target coordinate t of a side of targetSize copies source
// coordinate t * sourceSize / targetSize.
int sampledCoordinate(int target, int sourceSize, int targetSize)
{
    return int(std::int64_t(target) * sourceSize / targetSize);
}

// Builds the upright, fitted photo while the JPEG is decoded, keeping only the sampled pixels,
// so a large upload never needs a full-size bitmap. Gives the same pixels as decoding whole,
// ApplyOrientation and ResizeToFit.
class FittedPhotoSink : public JpegRowSink {
public:
    FittedPhotoSink(int boxWidth, int boxHeight) : boxWidth_(boxWidth), boxHeight_(boxHeight) {}

    bool begin(const JpegHeader& header) override
    {
        try {
            prepare(header);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    void row(int y, const std::uint8_t* rgb) override
    {
        for (std::uint32_t i = rowStart_[y]; i < rowStart_[y + 1]; ++i) {
            const Sample& sample = samples_[i];
            const std::uint8_t* from = rgb + std::size_t(sample.storedX) * 3;
            std::uint8_t* to = result_.pixels.data() + std::size_t(sample.target) * 3;
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }

    RgbBitmap takeResult() { return std::move(result_); }

private:
    struct Sample {
        std::uint32_t target; // pixel index in the result
        int storedX;
    };

    void prepare(const JpegHeader& header)
    {
        const bool swap = OrientationSwapsSides(header.orientation);
        const QSize upright = swap ? QSize(header.height, header.width)
                                   : QSize(header.width, header.height);
        const QSize fitted =
            ScaledSizeByPercent(upright, FitPercent(upright, boxWidth_, boxHeight_));
        result_.width = fitted.width();
        result_.height = fitted.height();
        result_.pixels.assign(std::size_t(fitted.width()) * fitted.height() * 3, 0);

        // Group the sampled pixels by the stored row they come from (a counting sort).
        std::vector<int> storedYOf(std::size_t(fitted.width()) * fitted.height());
        std::vector<int> storedXOf(storedYOf.size());
        rowStart_.assign(std::size_t(header.height) + 1, 0);
        for (int ty = 0; ty < fitted.height(); ++ty) {
            const int uy = sampledCoordinate(ty, upright.height(), fitted.height());
            for (int tx = 0; tx < fitted.width(); ++tx) {
                const int ux = sampledCoordinate(tx, upright.width(), fitted.width());
                const std::size_t target = std::size_t(ty) * fitted.width() + tx;
                StoredPixelFor(header.orientation, header.width, header.height, ux, uy,
                               storedXOf[target], storedYOf[target]);
                ++rowStart_[std::size_t(storedYOf[target]) + 1];
            }
        }
        for (std::size_t y = 1; y < rowStart_.size(); ++y) {
            rowStart_[y] += rowStart_[y - 1];
        }
        std::vector<std::uint32_t> next(rowStart_.begin(), rowStart_.end() - 1);
        samples_.resize(storedYOf.size());
        for (std::size_t target = 0; target < storedYOf.size(); ++target) {
            samples_[next[std::size_t(storedYOf[target])]++] =
                Sample{std::uint32_t(target), storedXOf[target]};
        }
    }

    int boxWidth_;
    int boxHeight_;
    RgbBitmap result_;
    std::vector<std::uint32_t> rowStart_; // samples of stored row y: [rowStart_[y], rowStart_[y+1])
    std::vector<Sample> samples_;
};

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw PhotoError(QStringLiteral("Cannot read %1: %2")
                             .arg(QFileInfo(path).fileName(), file.errorString())
                             .toStdString());
    }
    return file.readAll();
}

void writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QString error;
    if (!WriteFileReplacing(path, bytes, error)) {
        throw PhotoError(
            QStringLiteral("Cannot write %1: %2").arg(QFileInfo(path).fileName(), error).toStdString());
    }
}

} // namespace

QSize ScaledSizeByPercent(QSize size, double percent)
{
    // The factor goes through the percentage in extended precision and the sizes are
    // truncated, so a side meant to be 120 often comes out as 119; stored photos rely on it.
    const long double factor = static_cast<long double>(percent) / 100.0L;
    const auto width = static_cast<std::int64_t>(size.width() * factor);
    const auto height = static_cast<std::int64_t>(size.height() * factor);
    // A very thin picture would otherwise lose its short side altogether.
    return QSize(int(std::max<std::int64_t>(width, 1)), int(std::max<std::int64_t>(height, 1)));
}

double FitPercent(QSize size, int boxWidth, int boxHeight)
{
    const double sx = boxWidth < size.width() ? double(boxWidth) / size.width() : 1.0;
    const double sy = boxHeight < size.height() ? double(boxHeight) / size.height() : 1.0;
    const double scale = sx >= sy ? sy : sx;
    return scale * 100;
}

void ScaleBitmapByPercent(RgbBitmap& bitmap, double percent)
{
    if (bitmap.width <= 0 || bitmap.height <= 0) {
        throw PhotoError("Cannot scale an empty picture");
    }
    const QSize target = ScaledSizeByPercent(QSize(bitmap.width, bitmap.height), percent);
    RgbBitmap scaled;
    scaled.width = target.width();
    scaled.height = target.height();
    scaled.pixels.resize(std::size_t(scaled.width) * scaled.height * 3);
    for (int y = 0; y < scaled.height; ++y) {
        const int sy = sampledCoordinate(y, bitmap.height, scaled.height);
        for (int x = 0; x < scaled.width; ++x) {
            const int sx = sampledCoordinate(x, bitmap.width, scaled.width);
            std::copy_n(bitmap.pixel(sx, sy), 3, scaled.pixel(x, y));
        }
    }
    bitmap = std::move(scaled);
}

void ResizeToFit(RgbBitmap& bitmap, int boxWidth, int boxHeight)
{
    ScaleBitmapByPercent(bitmap,
                         FitPercent(QSize(bitmap.width, bitmap.height), boxWidth, boxHeight));
}

QString PhotoCopyPath(const QString& path)
{
    const QFileInfo info(path);
    return info.path() + '/' + QLatin1String(kPhotoCopyPrefix) + info.fileName();
}

RgbBitmap DecodeFittedPhoto(QByteArrayView jpeg, int boxWidth, int boxHeight)
{
    FittedPhotoSink sink(boxWidth, boxHeight);
    const QString error = DecodeJpegRows(jpeg, sink);
    if (!error.isEmpty()) {
        throw PhotoError(error.toStdString());
    }
    return sink.takeResult();
}

void ResizePhoto(const QString& path, bool keepCopy)
{
    const QByteArray original = readWholeFile(path);
    const RgbBitmap fitted = DecodeFittedPhoto(original, kPhotoBoxWidth, kPhotoBoxHeight);
    if (keepCopy) {
        writeWholeFile(PhotoCopyPath(path), original);
    }
    writeWholeFile(path, EncodeJpeg(fitted));
}
