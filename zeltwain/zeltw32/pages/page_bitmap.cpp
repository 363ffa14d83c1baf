// The bitmap file is read by FreeImage through its handle I/O from two
// pieces: a 14-byte file header built here and the DIB's own block, so that
// the page is neither copied nor written to disk on its way.
#include "zeltw32.h"

#include "dib/dib_layout.h"
#include "pages/freeimage_setup.h"
#include "pages/page_bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zel {
namespace {

constexpr WORD kFirmaBmp = 0x4D42; // "BM"
constexpr size_t kOffTamano = 2;
constexpr size_t kOffDatos = 10;

// The bitmap file as FreeImage reads it: the file header, then the DIB.
struct ArchivoEnMemoria {
    BYTE cabecera[kTamCabeceraArchivo];
    const BYTE *pDib;
    DWORD nTotal;
    DWORD nPosicion;
};

unsigned DLL_CALLCONV Leer(void *buffer, unsigned size, unsigned count, fi_handle handle) {
    auto *archivo = static_cast<ArchivoEnMemoria *>(handle);
    if (size == 0)
        return 0;
    uint64_t pedido = uint64_t(size) * count;
    DWORD n = DWORD(std::min<uint64_t>(pedido, archivo->nTotal - archivo->nPosicion));
    BYTE *destino = static_cast<BYTE *>(buffer);
    for (DWORD copiados = 0; copiados < n;) {
        DWORD pos = archivo->nPosicion;
        const BYTE *origen = pos < kTamCabeceraArchivo
                                 ? archivo->cabecera + pos
                                 : archivo->pDib + (pos - kTamCabeceraArchivo);
        DWORD trozo = pos < kTamCabeceraArchivo ? std::min(n - copiados, kTamCabeceraArchivo - pos)
                                                : n - copiados;
        std::memcpy(destino + copiados, origen, trozo);
        copiados += trozo;
        archivo->nPosicion += trozo;
    }
    return n / size;
}

unsigned DLL_CALLCONV Escribir(void *, unsigned, unsigned, fi_handle) {
    return 0;
}

int DLL_CALLCONV Buscar(fi_handle handle, long offset, int origin) {
    auto *archivo = static_cast<ArchivoEnMemoria *>(handle);
    long long base = origin == SEEK_SET   ? 0
                     : origin == SEEK_CUR ? archivo->nPosicion
                                          : archivo->nTotal;
    long long destino = base + offset;
    if (destino < 0 || destino > archivo->nTotal)
        return -1;
    archivo->nPosicion = DWORD(destino);
    return 0;
}

long DLL_CALLCONV Posicion(fi_handle handle) {
    return long(static_cast<ArchivoEnMemoria *>(handle)->nPosicion);
}

} // namespace

FIBITMAP *CargarPaginaDeDib(HGLOBAL hDib) {
    DibBloqueado dib(hDib);
    DisposicionArchivo disposicion;
    if (!dib.Legible() || !CalcularDisposicionArchivo(dib.Direccion(), &disposicion) ||
        disposicion.bfSize - kTamCabeceraArchivo > dib.Tamano()) {
        OutputDebugStringA("ZELTW: page DIB cannot be read.\n");
        return nullptr;
    }
    // As the bitmap writer does, an uncompressed DIB carries its image size.
    if (LeerDword(dib.Direccion(), kOffCompresion) == BI_RGB)
        EscribirDword(dib.Direccion(), kOffTamImagen, disposicion.nTamImagen);

    ArchivoEnMemoria archivo = {{}, dib.Direccion(), disposicion.bfSize, 0};
    EscribirWord(archivo.cabecera, 0, kFirmaBmp);
    EscribirDword(archivo.cabecera, kOffTamano, disposicion.bfSize);
    EscribirDword(archivo.cabecera, kOffDatos, disposicion.bfOffBits);
    FreeImageIO io = {Leer, Escribir, Buscar, Posicion};
    PrepararFreeImage();
    return FreeImage_LoadFromHandle(FIF_BMP, &io, &archivo, 0);
}

} // namespace zel
