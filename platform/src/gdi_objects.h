// GDI objects (palettes, bitmaps) and memory device contexts.
//
// One lock guards every GDI object and DC, so that a bitmap cannot be
// deleted or reselected while another thread draws into it.  Functions of
// this header expect the caller to hold gdi_lock().
#pragma once

#include "dib_surface.h"
#include "handles.h"

#include <memory>
#include <mutex>
#include <vector>

namespace zelplat::gdi {

struct Palette {
    std::vector<PALETTEENTRY> entries;
};

struct Bitmap {
    DibSurface surface;
    std::vector<uint8_t> pixels; // owns surface.rows
    HDC selected_in = 0;         // the memory DC holding it, 0 when none
    bool stock = false;          // the shared 1x1 monochrome default bitmap
};

struct GdiObject {
    std::unique_ptr<Palette> palette;
    std::unique_ptr<Bitmap> bitmap;
};

struct DeviceContext {
    HBITMAP bitmap = 0; // always a bitmap: the stock one until another is selected
};

std::mutex &gdi_lock();
HandleTable<GdiObject> &gdi_objects();
HandleTable<DeviceContext> &device_contexts();

// The stock 1x1 monochrome bitmap every new memory DC starts with.
HBITMAP stock_bitmap();

// The bitmap selected into a memory DC, or null for an unknown DC.
Bitmap *selected_bitmap(HDC hdc);

} // namespace zelplat::gdi
