// A 5 x 7 pixel font of the ten digits, for page numbers on the contact sheet.
#pragma once

#include <cstdint>
#include <string>

namespace zelscan {

constexpr int kDigitWidth = 5;
constexpr int kDigitHeight = 7;

// Whether pixel (x, y) of the digit is ink; y = 0 is the top row.
bool DigitPixel(char digit, int x, int y);

// Draws the digits left to right, calling plot(x, y) for each ink pixel
// (y = 0 at the top), each font pixel `scale` pixels square.
template <typename Plot> void DrawNumber(const std::string &digits, int scale, Plot plot) {
    for (size_t i = 0; i < digits.size(); ++i)
        for (int y = 0; y < kDigitHeight; ++y)
            for (int x = 0; x < kDigitWidth; ++x)
                if (DigitPixel(digits[i], x, y))
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx)
                            plot(int(i) * (kDigitWidth + 1) * scale + x * scale + dx,
                                 y * scale + dy);
}

} // namespace zelscan
