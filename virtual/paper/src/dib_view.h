// A checked view of a packed DIB (header, colour table, rows) held by
// someone else: every offset is validated against the buffer's size before
// use, so that damaged or hostile DIBs are refused instead of read past.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace zelvirt {

struct DibView {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0; // 1, 4, 8, 24 or 32
    bool top_down = false;
    double x_dpi = 0.0; // 0 when the header does not say
    double y_dpi = 0.0;
    const RGBQUAD *palette = nullptr;
    int palette_size = 0;
    const uint8_t *bits = nullptr;
    size_t stride = 0;

    // Row y counted from the top of the image.
    const uint8_t *row(int y) const {
        const int stored = top_down ? y : height - 1 - y;
        return bits + static_cast<size_t>(stored) * stride;
    }

    // Grey level of pixel (x, y), y from the top; palette indices outside the
    // table read as black.
    uint8_t luma(int x, int y) const;
};

// Uncompressed DIBs of 1, 4, 8, 24 or 32 bits per pixel with a header of at
// least 40 bytes; nothing for anything else or a buffer too short.
std::optional<DibView> parse_packed_dib(const void *data, size_t size);

} // namespace zelvirt
