// A view of pixel rows in the Windows DIB layout, and the pixel access that
// memory device contexts and DrawDib share.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelplat {

struct DibSurface {
    int width = 0;
    int height = 0;              // always positive
    bool top_down = false;       // the first stored row is the top one
    int bits = 0;                // 1, 4, 8, 16 (5-5-5), 24 or 32
    size_t stride = 0;           // bytes per row, a multiple of 4
    std::vector<RGBQUAD> colors; // colour table of 1, 4 and 8-bit surfaces
    uint8_t *rows = nullptr;

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // Start of the row shown at y (0 is the top row on screen).
    uint8_t *row_at(int y) const { return rows + stride * size_t(top_down ? y : height - 1 - y); }
};

// The parts of a DIB header that describe its pixels.
struct DibFormat {
    int width = 0;
    int height = 0;
    bool top_down = false;
    int bits = 0;
    size_t stride = 0;
    size_t header_bytes = 0; // header plus colour table: where packed rows start
    std::vector<RGBQUAD> colors;
};

// Largest pixel block accepted, far above any scanned page.
constexpr size_t kMaxDibBytes = size_t(1) << 30;

// Reads a BITMAPINFOHEADER (or a longer header beginning like it) or a
// BITMAPCOREHEADER with its colour table.  Only uncompressed formats of 1,
// 4, 8, 16, 24 and 32 bits are accepted; false for anything else, for
// empty sizes and for a pixel block beyond kMaxDibBytes.
bool read_dib_format(const void *header, DibFormat &format);

size_t dib_stride(int width, int bits);

// Colour of the pixel at (x, y) of a surface that contains it, as 0x00BBGGRR.
COLORREF read_pixel(const DibSurface &s, int x, int y);

// Stores the colour at (x, y), the nearest palette entry on 1, 4 and 8-bit
// surfaces; returns the colour actually stored.
COLORREF write_pixel(const DibSurface &s, int x, int y, COLORREF color);

} // namespace zelplat
