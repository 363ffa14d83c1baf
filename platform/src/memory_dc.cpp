// Memory device contexts and DIB sections.
#include "gdi_objects.h"

#include <cstring>

using namespace zelplat;
using namespace zelplat::gdi;

// hdc 0 asks for a DC compatible with the screen; any other value must be a DC.
HDC WINAPI CreateCompatibleDC(HDC hdc) {
    std::lock_guard lock(gdi_lock());
    if (hdc != 0 && !device_contexts().find(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto dc = std::make_unique<DeviceContext>();
    dc->bitmap = stock_bitmap();
    return device_contexts().insert(std::move(dc));
}

// The selected bitmap is released, not deleted: its owner deletes it.
BOOL WINAPI DeleteDC(HDC hdc) {
    std::lock_guard lock(gdi_lock());
    auto dc = device_contexts().remove(hdc);
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (GdiObject *object = gdi_objects().find(dc->bitmap); object && object->bitmap)
        if (object->bitmap->selected_in == hdc)
            object->bitmap->selected_in = 0;
    return TRUE;
}

// Only DIB_RGB_COLORS on uncompressed formats in process memory (hSection 0).
// The pixel rows are zeroed, and *ppvBits receives them (null on failure).
HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO *pbmi, UINT usage, VOID **ppvBits,
                                HANDLE hSection, DWORD offset) {
    (void)offset;
    if (ppvBits)
        *ppvBits = nullptr;
    DibFormat format;
    if (usage != DIB_RGB_COLORS || hSection != 0 || !read_dib_format(pbmi, format)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(gdi_lock());
    if (hdc != 0 && !device_contexts().find(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->pixels.assign(format.stride * size_t(format.height), 0);
    DibSurface &s = bitmap->surface;
    s.width = format.width;
    s.height = format.height;
    s.top_down = format.top_down;
    s.bits = format.bits;
    s.stride = format.stride;
    s.colors = std::move(format.colors);
    s.rows = bitmap->pixels.data();
    if (ppvBits)
        *ppvBits = s.rows;
    auto object = std::make_unique<GdiObject>();
    object->bitmap = std::move(bitmap);
    return gdi_objects().insert(std::move(object));
}

// Selects a bitmap into a memory DC and returns the one it replaces.  A
// bitmap already held by another DC, a palette or an unknown handle fail with 0.
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    std::lock_guard lock(gdi_lock());
    DeviceContext *dc = device_contexts().find(hdc);
    GdiObject *object = gdi_objects().find(h);
    if (!dc || !object || !object->bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    Bitmap &bitmap = *object->bitmap;
    if (!bitmap.stock && bitmap.selected_in != 0 && bitmap.selected_in != hdc)
        return 0;
    HBITMAP previous = dc->bitmap;
    if (GdiObject *old = gdi_objects().find(previous); old && old->bitmap && !old->bitmap->stock)
        old->bitmap->selected_in = 0;
    if (!bitmap.stock)
        bitmap.selected_in = hdc;
    dc->bitmap = h;
    return previous;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    std::lock_guard lock(gdi_lock());
    Bitmap *bitmap = selected_bitmap(hdc);
    if (!bitmap || !bitmap->surface.contains(x, y))
        return CLR_INVALID;
    return read_pixel(bitmap->surface, x, y);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    std::lock_guard lock(gdi_lock());
    Bitmap *bitmap = selected_bitmap(hdc);
    if (!bitmap || !bitmap->surface.contains(x, y))
        return CLR_INVALID;
    return write_pixel(bitmap->surface, x, y, color);
}
