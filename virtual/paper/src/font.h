// A built-in 5x7 bitmap font for printable ASCII, so that pages carry
// readable text without font files.
#pragma once

namespace zelvirt::font {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = 6; // glyph width plus one column of space
constexpr int kLineHeight = 8;

// True when pixel (x, y) of the glyph for c is set; y counts from the top.
// Bytes outside printable ASCII are drawn as '?'.
bool glyph_pixel(unsigned char c, int x, int y);

} // namespace zelvirt::font
