// DrawDib: draws a DIB into the bitmap selected in a memory DC, converting
// to the bitmap's format and stretching by nearest neighbour.
#include "gdi_objects.h"

#include <vfw.h>

#include <algorithm>
#include <cstdint>

using namespace zelplat;
using namespace zelplat::gdi;

namespace {

struct DrawDibContext {};

HandleTable<DrawDibContext> &drawdib_contexts() {
    static auto *table =
        new HandleTable<DrawDibContext>(HandleKind::Kernel); // never destroyed: used at exit
    return *table;
}

struct Rect {
    int64_t x, y, w, h;
};

// Copies the source rectangle (top-down coordinates of the DIB) onto the
// destination rectangle, pixel by pixel, skipping what falls outside either.
void stretch_copy(const DibSurface &src, Rect from, const DibSurface &dst, Rect to) {
    int64_t y0 = std::max<int64_t>(to.y, 0), y1 = std::min<int64_t>(to.y + to.h, dst.height);
    int64_t x0 = std::max<int64_t>(to.x, 0), x1 = std::min<int64_t>(to.x + to.w, dst.width);
    for (int64_t dy = y0; dy < y1; ++dy) {
        int64_t sy = from.y + (dy - to.y) * from.h / to.h;
        if (sy < 0 || sy >= src.height)
            continue;
        for (int64_t dx = x0; dx < x1; ++dx) {
            int64_t sx = from.x + (dx - to.x) * from.w / to.w;
            if (sx < 0 || sx >= src.width)
                continue;
            write_pixel(dst, int(dx), int(dy), read_pixel(src, int(sx), int(sy)));
        }
    }
}

} // namespace

HDRAWDIB WINAPI DrawDibOpen(void) {
    return drawdib_contexts().insert(std::make_unique<DrawDibContext>());
}

BOOL WINAPI DrawDibClose(HDRAWDIB hdd) {
    return drawdib_contexts().remove(hdd) ? TRUE : FALSE;
}

// Source coordinates are DIB coordinates: for a bottom-up DIB (xSrc, ySrc)
// is the lower-left corner of the source rectangle, counted from the bottom
// row; for a top-down DIB it is the upper-left corner.  A width or height
// of -1 stands for the whole image (source) or the source size
// (destination).  lpBits null means the rows follow the colour table.
BOOL WINAPI DrawDibDraw(HDRAWDIB hdd, HDC hdc, int xDst, int yDst, int dxDst, int dyDst,
                        LPBITMAPINFOHEADER lpbi, LPVOID lpBits, int xSrc, int ySrc, int dxSrc,
                        int dySrc, UINT wFlags) {
    DibFormat format;
    if (!drawdib_contexts().find(hdd) || !read_dib_format(lpbi, format))
        return FALSE;
    if (dxSrc == -1)
        dxSrc = format.width;
    if (dySrc == -1)
        dySrc = format.height;
    if (dxDst == -1)
        dxDst = dxSrc;
    if (dyDst == -1)
        dyDst = dySrc;
    if (dxSrc < 0 || dySrc < 0 || dxDst < 0 || dyDst < 0)
        return FALSE;

    DibSurface src;
    src.width = format.width;
    src.height = format.height;
    src.top_down = format.top_down;
    src.bits = format.bits;
    src.stride = format.stride;
    src.colors = std::move(format.colors);
    src.rows = lpBits ? static_cast<uint8_t *>(lpBits)
                      : reinterpret_cast<uint8_t *>(lpbi) + format.header_bytes;
    int64_t top = src.top_down ? int64_t(ySrc) : int64_t(src.height) - ySrc - dySrc;

    std::lock_guard lock(gdi_lock());
    Bitmap *bitmap = selected_bitmap(hdc);
    if (!bitmap)
        return FALSE;
    if ((wFlags & DDF_DONTDRAW) || dxSrc == 0 || dySrc == 0 || dxDst == 0 || dyDst == 0)
        return TRUE;
    stretch_copy(src, {xSrc, top, dxSrc, dySrc}, bitmap->surface, {xDst, yDst, dxDst, dyDst});
    return TRUE;
}
