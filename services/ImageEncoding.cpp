#include "ImageEncoding.h"

#include <csetjmp>
#include <png.h>

namespace lumeno {

namespace {

void appendToBuffer(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray *>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length));
}

void flushNothing(png_structp) {}

void ignoreWarning(png_structp, png_const_charp) {}

// Only plain C data lives in this frame: libpng leaves it by longjmp on an error, which would
// skip C++ destructors. Precondition: image is Format_RGB32.
bool writePng(const QImage &image, QByteArray *out)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, &ignoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, &appendToBuffer, &flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    // An RGB32 pixel is the 32-bit value 0xffRRGGBB: B, G, R, 0xff in memory on little-endian
    // machines, 0xff, R, G, B on big-endian ones. The filler byte is dropped.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
    png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, image.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::optional<QByteArray> encodePng(const QImage &image)
{
    if (image.isNull())
        return std::nullopt;
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    if (opaque.isNull())
        return std::nullopt;
    QByteArray png;
    if (!writePng(opaque, &png))
        return std::nullopt;
    return png;
}

std::optional<QByteArray> encodePngBase64(const QImage &image)
{
    const auto png = encodePng(image);
    if (!png)
        return std::nullopt;
    return png->toBase64();
}

} // namespace lumeno
