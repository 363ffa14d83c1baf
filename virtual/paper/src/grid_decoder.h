// Reads the code grid of a printed side from a grey image of the whole page.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zelvirt {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::function<uint8_t(int x, int y)> luma; // y from the top
};

// The label, or nothing when no valid grid is found (blank page, damaged
// code, image too small to hold readable cells).
std::optional<std::string> decode_label_from_grey(const GreyImage &image);

} // namespace zelvirt
