// What the native loop checks and completes on each page a source hands
// over.
#pragma once

#include <windows.h>

namespace zel {

// Whether the transferred handle is a global block holding the whole DIB
// its header describes.  Drivers have handed over null handles, values that
// are no block and blocks shorter than their header: such a page is lost,
// never read past its block.
bool PaginaUtilizable(HGLOBAL dib);

// A DIB that carries no resolution gets the source's current one, read at
// the first such page of the batch, so that every file written from it says
// how large the page is.  One axis known (from the DIB or the source) serves
// for both; a field that nothing gives is left as it was, never set to 0.
void CompletarResolucion(HGLOBAL dib);

// A new batch reads the source's resolution again.
void OlvidarResolucionDelLote();

} // namespace zel
