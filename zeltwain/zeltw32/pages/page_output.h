// What FreeImage is asked to write for each output format code, and the
// depth changes that keep every page writable in it.
#pragma once

#include <FreeImage.h>

namespace zel {

// TIFF flags of the multi-page document for the compression in nCompresion.
int FlagsTiffMultipagina();

// The page as the output format can store it: the page itself, or a copy
// at another depth (which the caller unloads) when FreeImage cannot write
// the page's depth in that format.  Null when the conversion fails.
FIBITMAP *PaginaParaFormato(FIBITMAP *pagina, FREE_IMAGE_FORMAT formato);

// Whether nFormatoArchivo writes one file per page.
bool EsSerieDeArchivos();

// Saves the page alone under the Windows name archivo, in the format of
// nFormatoArchivo (the multi-page document with its compression); false
// when FreeImage could not write it.
bool GuardarPaginaEnArchivo(FIBITMAP *pagina, const char *archivo);

} // namespace zel
