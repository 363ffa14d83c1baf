// The bitmap file is read by FreeImage through its handle I/O from two
// pieces: the file header and info header built here and the rest of the
// DIB's own block, so that the page is neither copied nor written to disk on
// its way.  FreeImage refuses the longer info headers some drivers deliver
// (BITMAPV4HEADER, BITMAPV5HEADER): it is shown their first 40 bytes, which
// hold every field it reads, and the colour masks of BI_BITFIELDS after
// them where a 40-byte header keeps those.
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

// Masks of BI_BITFIELDS: at byte 40 of a longer header, after a 40-byte one.
constexpr DWORD kTamMascaras = 3 * sizeof(DWORD);
constexpr DWORD kTamCabeceras = kTamCabeceraArchivo + kTamCabeceraInfo + kTamMascaras;

// The bitmap file as FreeImage reads it: the headers built here (nCabecera
// bytes), then the DIB from its colour table on.
struct ArchivoEnMemoria {
    BYTE cabecera[kTamCabeceras];
    DWORD nCabecera;
    const BYTE *pResto;
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
        bool enCabecera = pos < archivo->nCabecera;
        const BYTE *origen =
            enCabecera ? archivo->cabecera + pos : archivo->pResto + (pos - archivo->nCabecera);
        DWORD trozo = enCabecera ? std::min(n - copiados, archivo->nCabecera - pos) : n - copiados;
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

// Bytes of the DIB shown as its header: the info header, and the masks of
// BI_BITFIELDS.
DWORD CabeceraMostrada(const BYTE *pDib) {
    bool mascaras = LeerDword(pDib, kOffCompresion) == BI_BITFIELDS;
    return kTamCabeceraInfo + (mascaras ? kTamMascaras : 0);
}

// A longer header must hold the masks it announces (a BITMAPV2INFOHEADER
// or longer); a 40-byte one has them after it.
bool CabeceraAdmitida(const BYTE *pDib) {
    DWORD cabecera = LeerDword(pDib, 0);
    return cabecera == kTamCabeceraInfo || cabecera >= CabeceraMostrada(pDib);
}

// The file as a 40-byte info header would lay it out: the masks of
// BI_BITFIELDS follow the header, then the colour table and the pixels.
ArchivoEnMemoria Encabezar(const BYTE *pDib, const DisposicionArchivo &disposicion) {
    DWORD cabecera = LeerDword(pDib, 0);
    DWORD copiados = CabeceraMostrada(pDib);
    // A longer header holds the masks: the rest starts after it.
    DWORD salto = cabecera > kTamCabeceraInfo ? cabecera : copiados;
    DWORD ahorro = salto - copiados;
    ArchivoEnMemoria archivo = {
        {}, kTamCabeceraArchivo + copiados, pDib + salto, disposicion.bfSize - ahorro, 0};
    std::memcpy(archivo.cabecera + kTamCabeceraArchivo, pDib, copiados);
    EscribirDword(archivo.cabecera + kTamCabeceraArchivo, 0, kTamCabeceraInfo);
    EscribirWord(archivo.cabecera, 0, kFirmaBmp);
    EscribirDword(archivo.cabecera, kOffTamano, archivo.nTotal);
    EscribirDword(archivo.cabecera, kOffDatos, disposicion.bfOffBits - ahorro);
    return archivo;
}

} // namespace

FIBITMAP *CargarPaginaDeDib(HGLOBAL hDib) {
    DibBloqueado dib(hDib);
    DisposicionArchivo disposicion;
    if (!dib.Legible() || !CalcularDisposicionArchivo(dib.Direccion(), &disposicion) ||
        disposicion.bfSize - kTamCabeceraArchivo > dib.Tamano() ||
        !CabeceraAdmitida(dib.Direccion())) {
        OutputDebugStringA("ZELTW: page DIB cannot be read.\n");
        return nullptr;
    }
    // As the bitmap writer does, an uncompressed DIB carries its image size.
    if (LeerDword(dib.Direccion(), kOffCompresion) == BI_RGB)
        EscribirDword(dib.Direccion(), kOffTamImagen, disposicion.nTamImagen);

    ArchivoEnMemoria archivo = Encabezar(dib.Direccion(), disposicion);
    FreeImageIO io = {Leer, Escribir, Buscar, Posicion};
    PrepararFreeImage();
    return FreeImage_LoadFromHandle(FIF_BMP, &io, &archivo, 0);
}

} // namespace zel
