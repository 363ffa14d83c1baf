// What the other parts of the layer need of the file table.
#pragma once

#include <windows.h>

namespace zelplat {

// Closes a handle of CreateFileA (or OpenFile); false when it names no open file.
bool close_file_handle(HANDLE handle);

} // namespace zelplat
