#include "dib_shape.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace zelvirt {
namespace {

constexpr size_t kInfoHeader = sizeof(BITMAPINFOHEADER);

size_t table_entries(const BITMAPINFOHEADER &h) {
    return h.biClrUsed ? h.biClrUsed : h.biBitCount <= 8 ? size_t(1) << h.biBitCount : 0;
}

// 8-bit grey with the table reversed (entry i holds grey 255 - i) and every
// pixel index reversed to match: the same picture through a table that is
// no grey ramp.
void reverse_grey(std::vector<uint8_t> &dib, size_t table, size_t pixels) {
    auto *entries = reinterpret_cast<RGBQUAD *>(dib.data() + table);
    std::reverse(entries, entries + 256);
    for (size_t i = pixels; i < dib.size(); ++i)
        dib[i] = uint8_t(255 - dib[i]);
}

void flip_rows(std::vector<uint8_t> &dib, size_t pixels, size_t stride, int height) {
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(dib.begin() + long(pixels + stride * size_t(top)),
                         dib.begin() + long(pixels + stride * size_t(top) + stride),
                         dib.begin() + long(pixels + stride * size_t(bottom)));
}

} // namespace

std::vector<uint8_t> shape_dib(const ScannedImage &image, const DibShape &shape) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, image.dib.data(), kInfoHeader);
    size_t table_bytes = table_entries(h) * sizeof(RGBQUAD);
    // A V4 or V5 header: the info header's fields, then zeros (BI_RGB needs
    // none of the masks or colour-space fields).
    std::vector<uint8_t> dib(size_t(shape.header) - kInfoHeader, 0);
    dib.insert(dib.begin(), image.dib.begin(), image.dib.begin() + long(kInfoHeader));
    dib.insert(dib.end(), image.dib.begin() + long(kInfoHeader), image.dib.end());
    size_t table = size_t(shape.header);
    size_t pixels = table + table_bytes;
    size_t stride = ((size_t(image.width) * image.bits_per_pixel + 31) / 32) * 4;

    if (shape.reversed_grey && h.biBitCount == 8)
        reverse_grey(dib, table, pixels);
    if (shape.top_down) {
        flip_rows(dib, pixels, stride, image.height);
        h.biHeight = -h.biHeight;
    }
    h.biSize = DWORD(shape.header);
    if (!shape.resolution)
        h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
    if (shape.size_image == DibShape::SizeImage::Zero)
        h.biSizeImage = 0;
    else if (shape.size_image == DibShape::SizeImage::Wrong)
        h.biSizeImage = 12345;
    if (shape.clr_used_zero && h.biBitCount <= 8)
        h.biClrUsed = 0; // the table is full: 0 means just that
    std::memcpy(dib.data(), &h, kInfoHeader);
    return dib;
}

} // namespace zelvirt
