// The native page as a given driver lays its DIB out: real drivers hand over
// longer headers, leave fields empty or let rows run top-down, all of which
// a reader of DIBs must take.
#pragma once

#include "shared/scenario.h"

#include <cstdint>
#include <vector>

namespace zelvirt {

// The packed DIB of `image` (a 40-byte header, a full colour table and
// bottom-up rows, as the paper model makes it) reshaped as `shape` says;
// the picture it shows is the same.
std::vector<uint8_t> shape_dib(const ScannedImage &image, const DibShape &shape);

} // namespace zelvirt
