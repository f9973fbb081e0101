#include "web/JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "web/ExifOrientation.h"
#include "web/PhotoError.h"

namespace {

constexpr JDIMENSION kRowsPerRead = 16;
constexpr int kMaxColourValue = 255;

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// the setjmp of the running decode or encode, which cleans up and reports a failure.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void exitWithError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings that mean pixel data is missing or garbled refuse the file; libjpeg would otherwise
// fill the rest with grey and call it a success.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0) {
        return;
    }
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE) {
        exitWithError(cinfo);
    }
    cinfo->err->num_warnings++;
}

void outputNothing(j_common_ptr) {}

void installErrorManager(ErrorManager& errors)
{
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = exitWithError;
    errors.pub.emit_message = emitMessage;
    errors.pub.output_message = outputNothing;
    errors.message[0] = '\0';
}

int orientationOf(j_decompress_ptr cinfo)
{
    for (jpeg_saved_marker_ptr marker = cinfo->marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1) {
            const QByteArrayView payload(reinterpret_cast<const char*>(marker->data),
                                         qsizetype(marker->data_length));
            const int orientation = ExifOrientationFromApp1(payload);
            if (orientation != kUprightOrientation) {
                return orientation;
            }
        }
    }
    return kUprightOrientation;
}

// Adobe writes CMYK inverted (0 is full ink); other writers use plain CMYK.
void cmykRowToRgb(const JSAMPLE* cmyk, JSAMPLE* rgb, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const int k = inverted ? cmyk[3] : kMaxColourValue - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const int ink = inverted ? cmyk[c] : kMaxColourValue - cmyk[c];
            rgb[c] = JSAMPLE((ink * k + kMaxColourValue / 2) / kMaxColourValue);
        }
    }
}

enum class DecodeStatus { Ok, LibraryError, TooLarge, Refused };

// Only trivially destructible locals live here: longjmp skips destructors.
DecodeStatus decodeRows(const unsigned char* data, unsigned long size, JpegRowSink& sink,
                        ErrorManager& errors, JpegHeader& header)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = &errors.pub;
    installErrorManager(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::LibraryError;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    header.width = int(cinfo.image_width);
    header.height = int(cinfo.image_height);
    if (std::int64_t(cinfo.image_width) * cinfo.image_height > kMaxJpegPixels) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::TooLarge;
    }
    header.orientation = orientationOf(&cinfo);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (!sink.begin(header)) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::Refused;
    }
    const JDIMENSION width = cinfo.output_width;
    const JSAMPARRAY rows = (*cinfo.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, width * cinfo.output_components,
        kRowsPerRead);
    const JSAMPARRAY rgbRow =
        cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                          width * 3, 1)
             : nullptr;
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION read = jpeg_read_scanlines(&cinfo, rows, kRowsPerRead);
        for (JDIMENSION i = 0; i < read; ++i) {
            if (cmyk) {
                cmykRowToRgb(rows[i], rgbRow[0], width, inverted);
                sink.row(int(first + i), rgbRow[0]);
            } else {
                sink.row(int(first + i), rows[i]);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return DecodeStatus::Ok;
}

bool encodeRows(const RgbBitmap& bitmap, int quality, ErrorManager& errors,
                unsigned char** output, unsigned long* outputSize)
{
    jpeg_compress_struct cinfo;
    cinfo.err = &errors.pub;
    installErrorManager(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, output, outputSize);
    cinfo.image_width = JDIMENSION(bitmap.width);
    cinfo.image_height = JDIMENSION(bitmap.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = std::size_t(bitmap.width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bitmap.pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

class WholeBitmapSink : public JpegRowSink {
public:
    explicit WholeBitmapSink(DecodedJpeg& target) : target_(target) {}

    bool begin(const JpegHeader& header) override
    {
        try {
            target_.orientation = header.orientation;
            target_.bitmap.width = header.width;
            target_.bitmap.height = header.height;
            target_.bitmap.pixels.resize(std::size_t(header.width) * header.height * 3);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    void row(int y, const std::uint8_t* rgb) override
    {
        std::copy_n(rgb, std::size_t(target_.bitmap.width) * 3, target_.bitmap.pixel(0, y));
    }

private:
    DecodedJpeg& target_;
};

} // namespace

QString DecodeJpegRows(QByteArrayView data, JpegRowSink& sink)
{
    ErrorManager errors;
    JpegHeader header;
    const auto status = decodeRows(reinterpret_cast<const unsigned char*>(data.data()),
                                   static_cast<unsigned long>(data.size()), sink, errors, header);
    switch (status) {
    case DecodeStatus::Ok:
        return {};
    case DecodeStatus::LibraryError:
        return QString::fromLocal8Bit(errors.message);
    case DecodeStatus::TooLarge:
        return QStringLiteral("Picture of %1 x %2 pixels exceeds the limit of %3 pixels")
            .arg(header.width)
            .arg(header.height)
            .arg(kMaxJpegPixels);
    case DecodeStatus::Refused:
        break;
    }
    return QStringLiteral("Not enough memory for a picture of %1 x %2 pixels")
        .arg(header.width)
        .arg(header.height);
}

DecodedJpeg DecodeJpeg(QByteArrayView data)
{
    DecodedJpeg decoded;
    WholeBitmapSink sink(decoded);
    const QString error = DecodeJpegRows(data, sink);
    if (!error.isEmpty()) {
        throw PhotoError(error.toStdString());
    }
    return decoded;
}

QByteArray EncodeJpeg(const RgbBitmap& bitmap, int quality)
{
    ErrorManager errors;
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    const bool encoded = encodeRows(bitmap, quality, errors, &output, &outputSize);
    QByteArray result;
    if (encoded) {
        result = QByteArray(reinterpret_cast<const char*>(output), qsizetype(outputSize));
    }
    std::free(output);
    if (!encoded) {
        throw PhotoError(errors.message);
    }
    return result;
}
