// The multi-page page writer: turns the transferred DIBs held in ahImagenes
// into the output of a multi-page acquisition through FreeImage.
#pragma once

#include <FreeImage.h>

namespace zel {

// Writes ahImagenes[0..nImagen] in order (blank pages dropped, manual duplex
// positions kept), frees every one of them and sets nImagen to -1.
int GuardarPaginas();

// Closes the multi-page document, if one is open, with the flags of its
// pages and clears hMultiPagina; a document that cannot be written is
// reported as InformarPaginaPerdida does.  Called at the end of every
// multi-page acquisition.
void CerrarDocumentoMultipagina();

// Whether the page counts as blank under dUmbralBlanco.
bool EsPaginaEnBlanco(FIBITMAP *pagina);

// Reports, once per acquisition, a page that could not be written or merged
// (a MensajeError box naming the file); later failures of the same
// acquisition go to the debug output only.
void InformarPaginaPerdida(const char *archivo);

// Forgets an earlier report, at the start of each acquisition.
void OlvidarPaginaPerdida();

} // namespace zel
