// Palettes, the GDI object table and object deletion.
#include "gdi_objects.h"

#include <zelplat/zelplat_test.h>

#include <algorithm>

namespace zelplat::gdi {

std::mutex &gdi_lock() {
    static auto *mutex = new std::mutex; // never destroyed: used at exit
    return *mutex;
}

HandleTable<GdiObject> &gdi_objects() {
    static auto *table =
        new HandleTable<GdiObject>(HandleKind::GdiObject); // never destroyed: used at exit
    return *table;
}

HandleTable<DeviceContext> &device_contexts() {
    static auto *table =
        new HandleTable<DeviceContext>(HandleKind::DeviceContext); // never destroyed: used at exit
    return *table;
}

HBITMAP stock_bitmap() {
    static const HBITMAP handle = [] {
        auto bitmap = std::make_unique<Bitmap>();
        bitmap->stock = true;
        bitmap->pixels.assign(4, 0);
        DibSurface &s = bitmap->surface;
        s.width = s.height = 1;
        s.bits = 1;
        s.stride = 4;
        s.colors = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        s.rows = bitmap->pixels.data();
        auto object = std::make_unique<GdiObject>();
        object->bitmap = std::move(bitmap);
        return gdi_objects().insert(std::move(object));
    }();
    return handle;
}

Bitmap *selected_bitmap(HDC hdc) {
    DeviceContext *dc = device_contexts().find(hdc);
    if (!dc)
        return nullptr;
    GdiObject *object = gdi_objects().find(dc->bitmap);
    return object ? object->bitmap.get() : nullptr;
}

} // namespace zelplat::gdi

using namespace zelplat::gdi;

HPALETTE WINAPI CreatePalette(const LOGPALETTE *plpal) {
    if (!plpal || plpal->palVersion != 0x300 || plpal->palNumEntries == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto palette = std::make_unique<Palette>();
    palette->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    auto object = std::make_unique<GdiObject>();
    object->palette = std::move(palette);
    std::lock_guard lock(gdi_lock());
    return gdi_objects().insert(std::move(object));
}

UINT WINAPI GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries,
                              LPPALETTEENTRY pPalEntries) {
    std::lock_guard lock(gdi_lock());
    GdiObject *object = gdi_objects().find(hpal);
    if (!object || !object->palette)
        return 0;
    const auto &entries = object->palette->entries;
    if (!pPalEntries)
        return UINT(entries.size());
    if (iStart >= entries.size())
        return 0;
    UINT count = std::min<UINT>(cEntries, UINT(entries.size() - iStart));
    std::copy_n(entries.begin() + iStart, count, pPalEntries);
    return count;
}

// A bitmap selected into a DC stays alive (FALSE); the stock bitmap is
// never deleted, though the call succeeds as on Windows.
BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    std::lock_guard lock(gdi_lock());
    GdiObject *object = gdi_objects().find(ho);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->bitmap && object->bitmap->stock)
        return TRUE;
    if (object->bitmap && object->bitmap->selected_in != 0)
        return FALSE;
    gdi_objects().remove(ho);
    return TRUE;
}

size_t ZelPlat_LiveGdiObjects(void) {
    std::lock_guard lock(gdi_lock());
    size_t count = 0;
    gdi_objects().for_each([&](uint32_t, GdiObject &object) {
        if (object.palette || (object.bitmap && !object.bitmap->stock))
            ++count;
    });
    return count;
}
