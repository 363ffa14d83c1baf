// The multi-page page writer: turns the transferred DIBs held in ahImagenes
// into the output of a multi-page acquisition through FreeImage.
#pragma once

#include "session/session.h"

#include <FreeImage.h>

namespace zel {

// The page writer as the destination of a multi-page acquisition's native
// batches: pages of 24 or more bits per pixel are written as each arrives,
// the others when the batch is over (or every slot is taken).
DestinoDePaginas &EscritorDePaginas();

// Starts the writing of an acquisition: no page written, none lost.
void EmpezarEscritura();

// Whether pages are held, or lost pages wait for their positions.
bool HayPaginasPorEscribir();

// Writes ahImagenes[0..nImagen] in order (blank pages dropped, manual duplex
// positions kept), frees every one of them and sets nImagen to -1.
int GuardarPaginas();

// Closes the multi-page document, if one is open, with the flags of its
// pages and clears hMultiPagina; a document that cannot be written, or that
// does not read back with every page written, is reported as lost.  Called at the end of every
// multi-page acquisition.
void CerrarDocumentoMultipagina();

// Whether the page counts as blank under dUmbralBlanco.
bool EsPaginaEnBlanco(FIBITMAP *pagina);

// Pages that could not be written or merged into archivo, their output:
// traced at once, a line a page, and named in the acquisition's report.
void InformarPaginaPerdida(const char *archivo, int paginas = 1);

// A page that could not be merged into the output and is kept in archivo, a
// file of its own: traced at once and named in the report as kept.
void InformarPaginaConservada(const char *archivo);

// Pages missing from archivo because the scanner handed them over unusable
// (or never handed over the rest of its batch): reported like a lost page,
// with words of their own, since no disk is at fault.
void InformarPaginaInutilizable(const char *archivo, int paginas = 1);

// Pages a source still held when the rest of its batch was dropped because
// of archivo (its next page had no name the source took): never transferred,
// so traced as one line, but counted in the report all the same.
void InformarPaginasPendientes(const char *archivo, int paginas, bool porElEscaner);

// The report of the pages lost since the last one: one MensajeError box
// naming every file concerned, at the end of an acquisition (or of a file
// transfer batch); nothing when no page was lost.
void MostrarPaginasPerdidas();

// Forgets what an earlier acquisition lost, at the start of each one.
void OlvidarPaginaPerdida();

} // namespace zel
