// A transferred page as a FreeImage bitmap.
#pragma once

#include "zeltw32.h"

#include <FreeImage.h>

namespace zel {

// Loads the DIB as FreeImage loads the Windows bitmap file that the bitmap
// writer would make of it, without writing that file; null when the DIB
// cannot be read or FreeImage refuses it.  The DIB stays the caller's.
FIBITMAP *CargarPaginaDeDib(HGLOBAL hDib);

} // namespace zel
