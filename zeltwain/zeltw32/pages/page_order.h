// The order of the pages written so far in the running acquisition.
//
// Every page has a position: its place in reading order among all the
// sides scanned, blank or not.  A one-pass batch gives 0, 1, 2 ...; a
// manual duplex gives the fronts 0, 2, 4 ... and the backs, which come last
// sheet first, 2n-1, 2n-3 ... 1, and any back beyond the n sheets of the
// first pass 2n, 2n+1 ... in the order it comes.  A page goes into the
// output after every written page of a lower position and before every one
// of a higher position, so that the output keeps reading order without a
// gap, whatever pages were dropped as blank or never came.
#pragma once

namespace zel {

// Forgets the pages of an earlier acquisition.
void EmpezarOrdenDePaginas();

// Pages written so far.
int PaginasEscritas();

// The place in the output (0-based) of a page at that position.
int LugarDePagina(long posicion);

// Records a page written at its place.
void AnotarPagina(long posicion);

// Numbered files: moves the pages at lugar and after up by one number, the
// last first, so that the page for lugar can be written without replacing
// any.  False, with every file back under its name, when one cannot be
// moved or its new name would not fit.
bool HacerSitioEnSerie(int lugar);

// Undoes HacerSitioEnSerie(lugar) when the page for lugar was not written.
void CerrarHuecoEnSerie(int lugar);

} // namespace zel
