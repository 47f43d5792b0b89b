#include "DecoderMessages.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <jpeglib.h>
#include <png.h>

namespace lumeno {

namespace {

std::atomic<quint64> g_damagedImages = 0;

} // namespace

void DecoderMessages::countDamagedImage()
{
    ++g_damagedImages;
}

quint64 DecoderMessages::takeDamagedImageCount()
{
    return g_damagedImages.exchange(0);
}

} // namespace lumeno

// Leptonica makes its libpng and libjpeg decoders with their default message handlers, which print,
// and offers no way to hand it others. The server program exports these two functions (see
// server/CMakeLists.txt), so that the dynamic linker binds Leptonica's calls to them: the decoders
// are made as before, with handlers that say nothing. Leptonica still gets every error, through
// the same long jump, and refuses the image as before.
extern "C" {

[[noreturn]] static void quietPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

static void quietPngWarning(png_structp, png_const_charp) {}

png_structp png_create_read_struct(png_const_charp version, png_voidp errorData, png_error_ptr,
                                   png_error_ptr)
{
    return png_create_read_struct_2(version, errorData, &quietPngError, &quietPngWarning, nullptr,
                                    nullptr, nullptr);
}

static void quietJpegMessage(j_common_ptr) {}

struct jpeg_error_mgr *jpeg_std_error(struct jpeg_error_mgr *manager)
{
    using StdError = struct jpeg_error_mgr *(*)(struct jpeg_error_mgr *);
    static const auto real = reinterpret_cast<StdError>(dlsym(RTLD_NEXT, "jpeg_std_error"));
    if (!real)
        std::abort();
    real(manager);
    // Both errors and warnings reach standard error through this one method.
    manager->output_message = &quietJpegMessage;
    return manager;
}
}
