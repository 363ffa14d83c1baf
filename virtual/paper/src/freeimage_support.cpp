#include "freeimage_support.h"

#include <algorithm>
#include <cstdarg>
#ifndef _WIN32
#include <dlfcn.h>
#endif
#include <cmath>
#include <cstring>
#include <mutex>

#include "grid_decoder.h"

namespace zelvirt {
namespace {

// FreeImage_SetOutputMessage takes a plain cdecl function, not DLL_CALLCONV.
void route_message(FREE_IMAGE_FORMAT format, const char *message) {
    const char *name = format == FIF_UNKNOWN ? nullptr : FreeImage_GetFormatFromFIF(format);
    std::string line = "ZELPAPER: FreeImage";
    if (name)
        line += std::string(" ") + name;
    line += ": ";
    line += message ? message : "";
    line += "\n";
    OutputDebugStringA(line.c_str());
}

// FreeImage on Debian uses the system libtiff, whose default handlers print
// every unknown EXIF tag of every page on stderr.  FreeImage reports real
// failures through its results, so libtiff's own messages are dropped.  The
// handlers are looked up at run time because libtiff comes in with FreeImage
// and has no headers here.
void silence_libtiff() {
#ifdef _WIN32
    // FreeImage.dll keeps its libtiff inside and routes its messages itself.
#else
    using Handler = void (*)(const char *, const char *, va_list);
    using SetHandler = Handler (*)(Handler);
    for (const char *name : {"TIFFSetWarningHandler", "TIFFSetErrorHandler"})
        if (void *symbol = dlsym(RTLD_DEFAULT, name))
            reinterpret_cast<SetHandler>(symbol)(nullptr);
#endif
}

unsigned dots_per_meter(double dpi) {
    return dpi > 0.0 && std::isfinite(dpi) ? static_cast<unsigned>(std::lround(dpi / 0.0254)) : 0;
}

} // namespace

void ensure_freeimage() {
    static std::once_flag once;
    std::call_once(once, [] {
        FreeImage_Initialise(FALSE);
        FreeImage_SetOutputMessage(route_message);
        silence_libtiff();
    });
}

BitmapPtr bitmap_from_dib(const DibView &view) {
    ensure_freeimage();
    BitmapPtr bitmap(FreeImage_Allocate(view.width, view.height, view.bits_per_pixel));
    if (!bitmap)
        return nullptr;
    if (RGBQUAD *palette = FreeImage_GetPalette(bitmap.get())) {
        const int entries = static_cast<int>(FreeImage_GetColorsUsed(bitmap.get()));
        std::memset(palette, 0, static_cast<size_t>(entries) * sizeof(RGBQUAD));
        std::memcpy(palette, view.palette,
                    static_cast<size_t>(std::min(entries, view.palette_size)) * sizeof(RGBQUAD));
    }
    const size_t bytes = std::min<size_t>(view.stride, FreeImage_GetPitch(bitmap.get()));
    // FreeImage keeps rows bottom-up, like a DIB.
    for (int y = 0; y < view.height; ++y)
        std::memcpy(FreeImage_GetScanLine(bitmap.get(), view.height - 1 - y), view.row(y), bytes);
    FreeImage_SetDotsPerMeterX(bitmap.get(), dots_per_meter(view.x_dpi));
    FreeImage_SetDotsPerMeterY(bitmap.get(), dots_per_meter(view.y_dpi));
    return bitmap;
}

std::optional<std::string> decode_label_from_bitmap(FIBITMAP *bitmap) {
    if (!bitmap || !FreeImage_HasPixels(bitmap))
        return std::nullopt;
    BitmapPtr grey(FreeImage_ConvertToGreyscale(bitmap));
    if (!grey || FreeImage_GetBPP(grey.get()) != 8)
        return std::nullopt;
    const int height = static_cast<int>(FreeImage_GetHeight(grey.get()));
    FIBITMAP *g = grey.get();
    GreyImage image{static_cast<int>(FreeImage_GetWidth(g)), height, [g, height](int x, int y) {
                        return FreeImage_GetScanLine(g, height - 1 - y)[x];
                    }};
    return decode_label_from_grey(image);
}

} // namespace zelvirt
