#include "dib_view.h"

#include <cstring>

namespace zelvirt {
namespace {

constexpr int64_t kMaxDimension = 1 << 20;

uint8_t luma_of_quad(const RGBQUAD &q) {
    return static_cast<uint8_t>((299 * q.rgbRed + 587 * q.rgbGreen + 114 * q.rgbBlue + 500) / 1000);
}

bool supported_depth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

} // namespace

uint8_t DibView::luma(int x, int y) const {
    const uint8_t *r = row(y);
    int index = 0;
    switch (bits_per_pixel) {
    case 1:
        index = (r[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        index = (x & 1) ? (r[x >> 1] & 0x0F) : (r[x >> 1] >> 4);
        break;
    case 8:
        index = r[x];
        break;
    default: {
        const uint8_t *p = r + static_cast<size_t>(x) * (bits_per_pixel / 8);
        return static_cast<uint8_t>((299 * p[2] + 587 * p[1] + 114 * p[0] + 500) / 1000);
    }
    }
    return index < palette_size ? luma_of_quad(palette[index]) : 0;
}

std::optional<DibView> parse_packed_dib(const void *data, size_t size) {
    if (!data || size < sizeof(BITMAPINFOHEADER))
        return std::nullopt;
    const auto *bytes = static_cast<const uint8_t *>(data);
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes, sizeof h);
    const int64_t width = h.biWidth;
    const int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || width <= 0 || height <= 0 ||
        width > kMaxDimension || height > kMaxDimension || !supported_depth(h.biBitCount) ||
        h.biCompression != BI_RGB)
        return std::nullopt;

    DibView view;
    view.width = static_cast<int>(width);
    view.height = static_cast<int>(height);
    view.bits_per_pixel = h.biBitCount;
    view.top_down = h.biHeight < 0;
    view.x_dpi = h.biXPelsPerMeter > 0 ? h.biXPelsPerMeter * 0.0254 : 0.0;
    view.y_dpi = h.biYPelsPerMeter > 0 ? h.biYPelsPerMeter * 0.0254 : 0.0;

    // Indexed depths have a full table unless biClrUsed says fewer; direct
    // colour may carry an optional table that the rows follow.
    uint64_t colours = h.biClrUsed;
    if (h.biBitCount <= 8) {
        const uint64_t full = uint64_t{1} << h.biBitCount;
        if (colours == 0)
            colours = full;
        else if (colours > full)
            return std::nullopt;
    } else if (colours > 256) {
        return std::nullopt;
    }
    view.stride = static_cast<size_t>((width * h.biBitCount + 31) / 32 * 4);
    const uint64_t table_end = h.biSize + colours * sizeof(RGBQUAD);
    const uint64_t needed = table_end + static_cast<uint64_t>(view.stride) * height;
    if (needed > size)
        return std::nullopt;
    if (h.biBitCount <= 8) {
        view.palette = reinterpret_cast<const RGBQUAD *>(bytes + h.biSize);
        view.palette_size = static_cast<int>(colours);
    }
    view.bits = bytes + table_end;
    return view;
}

} // namespace zelvirt
