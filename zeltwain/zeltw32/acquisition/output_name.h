// The output name of a multi-page acquisition: asked for in the save dialog
// when the caller gives none, and given the extension of its format.
#pragma once

#include "zeltw32.h"

#include "pages/multipage_state.h"

namespace zel {

// Chooses the output name for nFormatoArchivo into elegido and sets
// szExtension.  A missing extension is appended to the name itself: to the
// caller's buffer when szNombre is given.  False when the dialog was
// cancelled or the name with its extension would not fit 255 characters.
bool ElegirArchivoSalida(LPSTR szNombre, char (&elegido)[kTamArchivoSalida]);

} // namespace zel
