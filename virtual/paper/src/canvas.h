// Drawing into the pixel rows of a packed DIB of 1, 8 or 24 bits per pixel.
// Coordinates count from the top-left corner; colours are given as RGB and
// reduced to the DIB's format (grey level, or black/white at mid grey).
#pragma once

#include <cstdint>

#include "zelvirt/paper.h"

namespace zelvirt {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// Allocates an all-white packed DIB with its header and colour table.
ScannedImage make_white_dib(int width, int height, PixelFormat format, double x_dpi, double y_dpi);

class Canvas {
  public:
    explicit Canvas(ScannedImage &image);

    int width() const { return width_; }
    int height() const { return height_; }

    // Fills [x0, x1) x [y0, y1), clipped to the page.
    void fill_rect(int x0, int y0, int x1, int y1, Rgb colour);
    void set_pixel(int x, int y, Rgb colour) { fill_rect(x, y, x + 1, y + 1, colour); }

  private:
    uint8_t *row(int y) const; // y from the top
    void fill_row_span(uint8_t *row, int x0, int x1, Rgb colour) const;

    int width_ = 0;
    int height_ = 0;
    int bits_per_pixel_ = 0;
    size_t stride_ = 0;
    uint8_t *bits_ = nullptr;
};

size_t dib_stride(int width, int bits_per_pixel);
uint8_t luma_of(Rgb colour);

} // namespace zelvirt
