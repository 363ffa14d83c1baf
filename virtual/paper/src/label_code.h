// The bits of the code grid: a label as a length byte, its bytes and a
// CRC-16, padded with zero bits to the size of the grid.
#pragma once

#include <bitset>
#include <optional>
#include <string>

#include "layout.h"

namespace zelvirt {

constexpr size_t kMaxLabelBytes = 32;

using LabelBits = std::bitset<layout::kGridBits>;

// Encodes at most kMaxLabelBytes bytes of the label; longer labels are cut.
LabelBits encode_label_bits(const std::string &label);

// The label, or nothing when the length, checksum or padding is wrong.
std::optional<std::string> decode_label_bits(const LabelBits &bits);

} // namespace zelvirt
