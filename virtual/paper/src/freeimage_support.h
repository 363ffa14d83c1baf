// FreeImage plumbing shared by the page writer and the label reader.
#pragma once

#include <windows.h>

#include <FreeImage.h>

#include <memory>
#include <optional>
#include <string>

#include "dib_view.h"

namespace zelvirt {

struct BitmapDeleter {
    void operator()(FIBITMAP *bitmap) const { FreeImage_Unload(bitmap); }
};
using BitmapPtr = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// Initialises FreeImage once and routes its messages (libtiff's warnings
// among them) to the debugger's output instead of stderr.
void ensure_freeimage();

// A FreeImage copy of the DIB's pixels, colour table and resolution.
BitmapPtr bitmap_from_dib(const DibView &view);

// The label printed on the page held by the bitmap.
std::optional<std::string> decode_label_from_bitmap(FIBITMAP *bitmap);

} // namespace zelvirt
