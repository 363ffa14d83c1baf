// The transfer loops DespacharXfer chooses among by the source's transfer
// mechanism, and the bound they share against a source that keeps a batch
// announced without delivering its pages.
#pragma once

namespace zel {

// Native transfer: each page a DIB in ahImagenes (colour pages of a
// multi-page acquisition go to the page writer as they arrive).
void XferNativa();

// File transfer: the source writes each page into the next page file;
// TIFF pages are merged into the output document.
void XferArchivo();

// Memory transfer is not offered: the user is told and the transfer stays
// announced (state 6).
void XferMemoria();

// Rounds in a row without a page after which a loop gives the batch up.
constexpr int kRondasSinPagina = 32;

// Gives the batch up: traces why and drops what the source has pending.
void AbandonarLote(const char *bucle);

} // namespace zel
