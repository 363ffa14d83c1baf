// FreeImage as the library uses it: initialised once, its messages and
// libtiff's routed to the debug output, and file names given to it as the
// system opens them.
#pragma once

#include <string>

namespace zel {

// Initialises FreeImage once and routes its messages, libtiff's warnings
// and errors among them, to the debug output instead of stderr.
void PrepararFreeImage();

// A Windows file name as FreeImage and the C runtime open it: unchanged on
// Windows; on other systems the host path that the platform layer maps it
// to.
std::string RutaNativa(const char *archivo);

} // namespace zel
