// Photo upload resize: ResizePhoto for a 12-megapixel and a 640 x 480 JPEG, next to the time
// libjpeg alone needs to decode the same file at full size and encode the 120 x 90 result
// (the floor), both in memory and with the file read and the result written. Goal: within
// 1.3 times the floor.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "web/JpegCodec.h"
#include "web/PhotoResize.h"

namespace {

constexpr int kRuns = 15;

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Gradients with grain, so the file compresses like a photo rather than a flat test card.
RgbBitmap photoLikeBitmap(int width, int height)
{
    RgbBitmap bitmap{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    std::mt19937 random(7);
    std::uniform_int_distribution<int> grain(-12, 12);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bitmap.pixel(x, y);
            const int base[3] = {x * 255 / width, y * 255 / height, (x + y) * 255 / (width + height)};
            for (int c = 0; c < 3; ++c) {
                p[c] = std::uint8_t(std::clamp(base[c] + grain(random), 0, 255));
            }
        }
    }
    return bitmap;
}

// libjpeg alone: full-size decode into one buffer, then the small picture encoded in memory;
// with an output path, the result is also written there as a plain program would.
void libjpegFloor(const QByteArray& jpeg, int outWidth, int outHeight, const char* outputPath = nullptr)
{
    jpeg_decompress_struct dinfo;
    jpeg_error_mgr errors;
    dinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&dinfo);
    jpeg_mem_src(&dinfo, reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size());
    jpeg_read_header(&dinfo, TRUE);
    dinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&dinfo);
    const std::size_t stride = std::size_t(dinfo.output_width) * 3;
    std::vector<unsigned char> pixels(stride * dinfo.output_height);
    std::vector<JSAMPROW> rows(dinfo.output_height);
    for (JDIMENSION y = 0; y < dinfo.output_height; ++y) {
        rows[y] = pixels.data() + y * stride;
    }
    while (dinfo.output_scanline < dinfo.output_height) {
        jpeg_read_scanlines(&dinfo, rows.data() + dinfo.output_scanline, dinfo.output_height - dinfo.output_scanline);
    }
    jpeg_finish_decompress(&dinfo);
    jpeg_destroy_decompress(&dinfo);

    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    jpeg_mem_dest(&cinfo, &output, &outputSize);
    cinfo.image_width = JDIMENSION(outWidth);
    cinfo.image_height = JDIMENSION(outHeight);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kPhotoJpegQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = pixels.data() + cinfo.next_scanline * stride;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (outputPath) {
        if (std::FILE* file = std::fopen(outputPath, "wb")) {
            std::fwrite(output, 1, outputSize, file);
            std::fclose(file);
        }
    }
    std::free(output);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void measure(const char* name, int width, int height, const QString& folder)
{
    const QByteArray jpeg = EncodeJpeg(photoLikeBitmap(width, height));
    const QString path = folder + QStringLiteral("/photo.jpg");
    const QSize fitted = ScaledSizeByPercent(QSize(width, height),
                                             FitPercent(QSize(width, height), kPhotoBoxWidth, kPhotoBoxHeight));
    // Like ResizePhoto, the floor writes its result over the file it read.
    const QByteArray floorOutput = QFile::encodeName(path);
    std::vector<double> floor;
    std::vector<double> floorWithFiles;
    std::vector<double> inMemory;
    std::vector<double> resize;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        libjpegFloor(jpeg, fitted.width(), fitted.height());
        floor.push_back(timer.nsecsElapsed() / 1e6);

        if (!writeFile(path, jpeg)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        timer.restart();
        libjpegFloor(readFile(path), fitted.width(), fitted.height(), floorOutput.constData());
        floorWithFiles.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        EncodeJpeg(DecodeFittedPhoto(jpeg, kPhotoBoxWidth, kPhotoBoxHeight));
        inMemory.push_back(timer.nsecsElapsed() / 1e6);

        if (!writeFile(path, jpeg)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        timer.restart();
        ResizePhoto(path, false);
        resize.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double floorMs = medianMs(floor);
    const double floorFilesMs = medianMs(floorWithFiles);
    const double inMemoryMs = medianMs(inMemory);
    const double resizeMs = medianMs(resize);
    std::printf("%s, %d x %d, %lld bytes\n", name, width, height, static_cast<long long>(jpeg.size()));
    std::printf("  in memory:   libjpeg floor %8.2f ms   decode, fit, encode %8.2f ms   ratio %.2f\n", floorMs,
                inMemoryMs, inMemoryMs / floorMs);
    std::printf("  with files:  libjpeg floor %8.2f ms   ResizePhoto         %8.2f ms   ratio %.2f\n",
                floorFilesMs, resizeMs, resizeMs / floorFilesMs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    std::printf("median of %d runs\n", kRuns);
    measure("12-megapixel photo", 4000, 3000, folder.path());
    measure("640 x 480 photo", 640, 480, folder.path());
    return 0;
}
