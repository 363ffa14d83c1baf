// The multi-page TIFF document of an acquisition, shared by the page writer
// and the file-transfer merge.  Documents are opened with FreeImage's disk
// cache, so that a long batch does not hold every page in memory.
#pragma once

#include "pages/freeimage_setup.h"

#include <FreeImage.h>

namespace zel {

// Opens an existing TIFF file read-write as a multi-page document; null when
// it cannot be opened or holds no page.
FIMULTIBITMAP *AbrirDocumentoTiff(const char *archivo);

// Appends the page to the document, or inserts it before page nAntesDe when
// that is 0 or more.  The page stays the caller's.
void AnadirPagina(FIMULTIBITMAP *documento, FIBITMAP *pagina, int nAntesDe = -1);

// Appends page 0 of the TIFF file archivo to the document (or inserts it
// before page nAntesDe when that is 0 or more).  False when the file cannot
// be opened or its page locked.
bool AnadirPaginaDeArchivo(FIMULTIBITMAP *documento, const char *archivo, int nAntesDe = -1);

// Pages of the TIFF file archivo; 0 when it cannot be read.
int PaginasDeTiff(const char *archivo);

// Closes the document, writing it back with the given TIFF flags (the same
// flags as its pages, so that closing does not recompress them).  False when
// FreeImage could not write it.
bool CerrarDocumentoTiff(FIMULTIBITMAP *documento, int flags);

} // namespace zel
