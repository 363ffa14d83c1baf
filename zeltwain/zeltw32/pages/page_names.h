// Names of the numbered pages of an output: page 0 is the output name
// itself; page k is the output name without its extension, "_", k and the
// extension again (scan.tif, scan_1.tif, scan_2.tif ...).
#pragma once

#include "pages/multipage_state.h"

namespace zel {

// Writes the name of page k of szArchivoSalida / szExtension into nombre.
// False, with nombre empty, when the name would not fit its 255 characters:
// a page name is never cut.
bool NombreDePagina(long k, char (&nombre)[kTamArchivoSalida]);

} // namespace zel
