#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zelvirt {
namespace {

int bits_for(PixelFormat format) {
    switch (format) {
    case PixelFormat::BlackWhite1:
        return 1;
    case PixelFormat::Gray8:
        return 8;
    case PixelFormat::Rgb24:
        break;
    }
    return 24;
}

LONG pels_per_meter(double dpi) {
    if (!std::isfinite(dpi) || dpi <= 0.0 || dpi > 100000.0)
        return 0;
    return static_cast<LONG>(std::lround(dpi / 0.0254));
}

// Index 0 is black and index 1 white, so that a set bit is a white pixel.
void write_colour_table(RGBQUAD *table, int bits_per_pixel) {
    const int entries = bits_per_pixel == 1 ? 2 : 256;
    for (int i = 0; i < entries; ++i) {
        const auto level = static_cast<BYTE>(bits_per_pixel == 1 ? i * 255 : i);
        table[i] = RGBQUAD{level, level, level, 0};
    }
}

} // namespace

size_t dib_stride(int width, int bits_per_pixel) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bits_per_pixel) + 31) / 32 * 4;
}

uint8_t luma_of(Rgb c) {
    return static_cast<uint8_t>((299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000);
}

ScannedImage make_white_dib(int width, int height, PixelFormat format, double x_dpi, double y_dpi) {
    ScannedImage image;
    image.width = width;
    image.height = height;
    image.bits_per_pixel = bits_for(format);
    const int colours = image.bits_per_pixel == 1 ? 2 : image.bits_per_pixel == 8 ? 256 : 0;
    const size_t stride = dib_stride(width, image.bits_per_pixel);
    const size_t header_size = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    image.dib.assign(header_size + stride * static_cast<size_t>(height), 0xFF);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height; // bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(image.bits_per_pixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(height));
    header.biXPelsPerMeter = pels_per_meter(x_dpi);
    header.biYPelsPerMeter = pels_per_meter(y_dpi);
    header.biClrUsed = static_cast<DWORD>(colours);
    std::memcpy(image.dib.data(), &header, sizeof header);
    if (colours) {
        std::vector<RGBQUAD> table(static_cast<size_t>(colours));
        write_colour_table(table.data(), image.bits_per_pixel);
        std::memcpy(image.dib.data() + sizeof header, table.data(), colours * sizeof(RGBQUAD));
    }
    return image;
}

Canvas::Canvas(ScannedImage &image)
    : width_(image.width), height_(image.height), bits_per_pixel_(image.bits_per_pixel),
      stride_(dib_stride(image.width, image.bits_per_pixel)) {
    const int colours = bits_per_pixel_ == 1 ? 2 : bits_per_pixel_ == 8 ? 256 : 0;
    bits_ = image.dib.data() + sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
}

uint8_t *Canvas::row(int y) const {
    return bits_ + static_cast<size_t>(height_ - 1 - y) * stride_;
}

void Canvas::fill_row_span(uint8_t *r, int x0, int x1, Rgb colour) const {
    if (bits_per_pixel_ == 24) {
        for (int x = x0; x < x1; ++x) {
            uint8_t *p = r + 3 * static_cast<size_t>(x);
            p[0] = colour.b;
            p[1] = colour.g;
            p[2] = colour.r;
        }
    } else if (bits_per_pixel_ == 8) {
        std::memset(r + x0, luma_of(colour), static_cast<size_t>(x1 - x0));
    } else {
        const bool white = luma_of(colour) >= 128;
        for (int x = x0; x < x1; ++x) {
            const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
            if (white)
                r[x >> 3] |= mask;
            else
                r[x >> 3] &= static_cast<uint8_t>(~mask);
        }
    }
}

void Canvas::fill_rect(int x0, int y0, int x1, int y1, Rgb colour) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    for (int y = y0; y < y1 && x0 < x1; ++y)
        fill_row_span(row(y), x0, x1, colour);
}

} // namespace zelvirt
