// Test support for the page writer: pages from the paper model as
// transferred DIBs, the output set up in C:\out, and the output read back
// with libtiff and the paper model's label decoder.
#pragma once

#include "pages/multipage_state.h"

#include <zelplat/zelplat_test.h>
#include <zelvirt/paper.h>

#include <FreeImage.h>

#include <optional>
#include <string>
#include <vector>

namespace pwtest {

using zelvirt::PixelFormat;

// A printed, blank or almost blank side as the DIB a native transfer hands
// over (at 50 dpi unless told).
HGLOBAL Pagina(const std::string &etiqueta, PixelFormat formato, double dpi = 50);
HGLOBAL PaginaEnBlanco(PixelFormat formato, double dpi = 50);
HGLOBAL PaginaCasiEnBlanco(int oscuros, PixelFormat formato, double pulgadas, double dpi);
// A DIB of another depth (16 or 32 bits) with the content of a printed side.
HGLOBAL PaginaDeProfundidad(const std::string &etiqueta, unsigned bits);
// The DIB as a FreeImage bitmap, read independently of the page writer.
FIBITMAP *BitmapDe(HGLOBAL hDib);

// Holds the pages in ahImagenes and calls GuardarPaginas.
void Entregar(const std::vector<HGLOBAL> &paginas);

// A folder of the running test on drive C, and a file in it.
std::string Carpeta();
std::string Ruta(const std::string &nombre);
// Output Ruta(nombre) (the folder emptied) in the given format.
void PrepararSalida(const std::string &nombre, const std::string &extension, TW_UINT16 formato);
std::string Host(const std::string &windows);
// Files in Carpeta(), sorted by name.
std::vector<std::string> Archivos();

struct PaginaTiff {
    unsigned compresion, bits, muestras;
};
std::vector<PaginaTiff> LeerTiff(const std::string &windows);
std::optional<std::string> Etiqueta(const std::string &windows, int pagina = 0);
// The labels of the pages of a multi-page file, or of a series of files.
std::vector<std::string> Etiquetas(const std::string &windows);
std::vector<std::string> EtiquetasDeSerie(const std::vector<std::string> &nombres);

} // namespace pwtest
