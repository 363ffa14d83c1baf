// DIB header parsing and pixel access in the Windows row layout.
#include "dib_surface.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zelplat {
namespace {

constexpr DWORD kCoreHeaderSize = sizeof(BITMAPCOREHEADER);
constexpr DWORD kInfoHeaderSize = sizeof(BITMAPINFOHEADER);

bool supported_depth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Checks the sizes and fills stride; false when the block would be too large.
bool set_geometry(DibFormat &f) {
    if (f.width <= 0 || f.height <= 0 || !supported_depth(f.bits))
        return false;
    if (size_t(f.width) > kMaxDibBytes || size_t(f.height) > kMaxDibBytes)
        return false;
    f.stride = dib_stride(f.width, f.bits);
    return f.stride <= kMaxDibBytes / size_t(f.height);
}

bool read_core_header(const uint8_t *p, DibFormat &f) {
    BITMAPCOREHEADER h;
    std::memcpy(&h, p, sizeof h);
    f.width = h.bcWidth;
    f.height = h.bcHeight;
    f.bits = h.bcBitCount;
    if (!set_geometry(f))
        return false;
    size_t count = f.bits <= 8 ? size_t(1) << f.bits : 0;
    const uint8_t *table = p + kCoreHeaderSize;
    for (size_t i = 0; i < count; ++i) {
        RGBTRIPLE t;
        std::memcpy(&t, table + 3 * i, sizeof t);
        f.colors.push_back({t.rgbtBlue, t.rgbtGreen, t.rgbtRed, 0});
    }
    f.header_bytes = kCoreHeaderSize + 3 * count;
    return true;
}

bool read_info_header(const uint8_t *p, DibFormat &f) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, p, sizeof h);
    if (h.biCompression != BI_RGB || h.biHeight == std::numeric_limits<LONG>::min())
        return false;
    f.width = h.biWidth;
    f.top_down = h.biHeight < 0;
    f.height = f.top_down ? -h.biHeight : h.biHeight;
    f.bits = h.biBitCount;
    if (!set_geometry(f))
        return false;
    // The table holds biClrUsed entries (2^bits when 0); only the first
    // 2^bits can be indexed by a pixel.
    size_t stored = h.biClrUsed ? h.biClrUsed : f.bits <= 8 ? size_t(1) << f.bits : 0;
    if (stored > 0x10000)
        return false;
    size_t usable = f.bits <= 8 ? std::min(stored, size_t(1) << f.bits) : 0;
    f.colors.resize(usable);
    if (usable)
        std::memcpy(f.colors.data(), p + h.biSize, usable * sizeof(RGBQUAD));
    f.header_bytes = h.biSize + stored * sizeof(RGBQUAD);
    return true;
}

COLORREF quad_color(const RGBQUAD &q) {
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

int distance(const RGBQUAD &q, COLORREF c) {
    int dr = int(q.rgbRed) - GetRValue(c);
    int dg = int(q.rgbGreen) - GetGValue(c);
    int db = int(q.rgbBlue) - GetBValue(c);
    return dr * dr + dg * dg + db * db;
}

unsigned nearest_index(const std::vector<RGBQUAD> &colors, COLORREF c) {
    unsigned best = 0;
    int best_distance = std::numeric_limits<int>::max();
    for (unsigned i = 0; i < colors.size(); ++i) {
        int d = distance(colors[i], c);
        if (d < best_distance) {
            best = i;
            best_distance = d;
        }
    }
    return best;
}

// Index of the pixel at column x of a 1, 4 or 8-bit row (most significant bits first).
unsigned read_index(const uint8_t *row, int x, int bits) {
    size_t bit = size_t(x) * bits;
    unsigned shift = 8 - bits - unsigned(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

void write_index(uint8_t *row, int x, int bits, unsigned index) {
    size_t bit = size_t(x) * bits;
    unsigned shift = 8 - bits - unsigned(bit % 8);
    unsigned mask = ((1u << bits) - 1) << shift;
    row[bit / 8] = uint8_t((row[bit / 8] & ~mask) | ((index << shift) & mask));
}

uint8_t expand5(unsigned v) {
    return uint8_t((v << 3) | (v >> 2));
}

} // namespace

size_t dib_stride(int width, int bits) {
    return ((size_t(width) * bits + 31) / 32) * 4;
}

bool read_dib_format(const void *header, DibFormat &format) {
    if (!header)
        return false;
    const auto *p = static_cast<const uint8_t *>(header);
    DWORD size;
    std::memcpy(&size, p, sizeof size);
    format = DibFormat{};
    if (size == kCoreHeaderSize)
        return read_core_header(p, format);
    if (size < kInfoHeaderSize || size > 0x10000)
        return false;
    return read_info_header(p, format);
}

COLORREF read_pixel(const DibSurface &s, int x, int y) {
    const uint8_t *row = s.row_at(y);
    switch (s.bits) {
    case 1:
    case 4:
    case 8: {
        // An index past the table reads as black.
        unsigned index = read_index(row, x, s.bits);
        return index < s.colors.size() ? quad_color(s.colors[index]) : RGB(0, 0, 0);
    }
    case 16: {
        unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
        return RGB(expand5((v >> 10) & 31), expand5((v >> 5) & 31), expand5(v & 31));
    }
    case 24:
        return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default:
        return RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
}

COLORREF write_pixel(const DibSurface &s, int x, int y, COLORREF c) {
    uint8_t *row = s.row_at(y);
    switch (s.bits) {
    case 1:
    case 4:
    case 8: {
        if (s.colors.empty())
            return RGB(0, 0, 0);
        unsigned index = nearest_index(s.colors, c);
        write_index(row, x, s.bits, index);
        return quad_color(s.colors[index]);
    }
    case 16: {
        unsigned v = ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3);
        row[2 * x] = uint8_t(v);
        row[2 * x + 1] = uint8_t(v >> 8);
        return read_pixel(s, x, y);
    }
    case 24:
        row[3 * x] = GetBValue(c);
        row[3 * x + 1] = GetGValue(c);
        row[3 * x + 2] = GetRValue(c);
        return c & 0xFFFFFF;
    default:
        row[4 * x] = GetBValue(c);
        row[4 * x + 1] = GetGValue(c);
        row[4 * x + 2] = GetRValue(c);
        row[4 * x + 3] = 0;
        return c & 0xFFFFFF;
    }
}

} // namespace zelplat
