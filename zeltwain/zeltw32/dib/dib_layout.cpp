// Layout of a packed DIB and of the bitmap file written from it.  All sizes
// are computed in 64 bits, so that no header value, however large, can wrap
// around and make a block look big enough.
#include "dib/dib_layout.h"

#include <cstring>

namespace {

// Byte offsets of the core-header fields.
constexpr size_t kOffAlturaCore = 6; // bcHeight
constexpr size_t kOffProfCore = 10;  // bcBitCount

// A colour table exists only below 12 bits per pixel (2, 16, 256... entries).
constexpr DWORD kProfundidadSinTabla = 12;
// BI_BITFIELDS keeps three colour masks right after a 40-byte header; longer
// headers hold them inside.
constexpr uint64_t kTamMascaras = 3 * sizeof(DWORD);
// The writer sends the whole DIB in one call whose count is a signed 32-bit
// value.
constexpr uint64_t kMaxArchivo = 0x7FFFFFFF;

bool EsCore(const void *pCabecera) {
    return LeerDword(pCabecera, 0) == kTamCabeceraCore;
}

DWORD ColoresDeProfundidad(DWORD profundidad) {
    return profundidad < kProfundidadSinTabla ? DWORD(1) << profundidad : 0;
}

uint64_t MultiplicarSaturado(uint64_t a, uint64_t b) {
    if (a != 0 && b > UINT64_MAX / a)
        return UINT64_MAX;
    return a * b;
}

uint64_t SumarSaturado(uint64_t a, uint64_t b) {
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

uint64_t Absoluto(LONG valor) {
    return valor < 0 ? uint64_t(-int64_t(valor)) : uint64_t(valor);
}

// Bytes of the BI_BITFIELDS masks that follow a 40-byte header.
uint64_t MascarasTrasCabecera(const void *pCabecera) {
    bool fuera = LeerDword(pCabecera, 0) == kTamCabeceraInfo &&
                 LeerDword(pCabecera, kOffCompresion) == BI_BITFIELDS;
    return fuera ? kTamMascaras : 0;
}

// Bytes of pixel data that a consumer of the DIB reads after the colour
// table: the rows of an uncompressed image, or the stated size of a
// compressed one.
uint64_t TamanoDatosInfo(const void *pDib) {
    switch (LeerDword(pDib, kOffCompresion)) {
    case BI_RGB:
    case BI_BITFIELDS:
        return TamanoFilas(LeerLong(pDib, kOffAnchura), LeerLong(pDib, kOffAltura),
                           LeerWord(pDib, kOffProfundidad));
    default:
        return LeerDword(pDib, kOffTamImagen);
    }
}

uint64_t TamanoDatosCore(const void *pDib) {
    return TamanoFilas(LeerWord(pDib, kOffAnchura), LeerWord(pDib, kOffAlturaCore),
                       LeerWord(pDib, kOffProfCore));
}

// Bytes from the block start to the end of the colour table.
uint64_t FinTabla(const void *pDib) {
    uint64_t entrada = EsCore(pDib) ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    uint64_t tabla = MultiplicarSaturado(DibNumColoresCabecera(pDib), entrada);
    return SumarSaturado(DibInicioTabla(pDib), tabla);
}

} // namespace

WORD LeerWord(const void *p, size_t offset) {
    const BYTE *b = static_cast<const BYTE *>(p) + offset;
    return WORD(b[0] | (b[1] << 8));
}

DWORD LeerDword(const void *p, size_t offset) {
    const BYTE *b = static_cast<const BYTE *>(p) + offset;
    return DWORD(b[0]) | (DWORD(b[1]) << 8) | (DWORD(b[2]) << 16) | (DWORD(b[3]) << 24);
}

LONG LeerLong(const void *p, size_t offset) {
    DWORD valor = LeerDword(p, offset);
    LONG resultado;
    std::memcpy(&resultado, &valor, sizeof resultado);
    return resultado;
}

void EscribirWord(void *p, size_t offset, WORD valor) {
    BYTE *b = static_cast<BYTE *>(p) + offset;
    b[0] = BYTE(valor);
    b[1] = BYTE(valor >> 8);
}

void EscribirDword(void *p, size_t offset, DWORD valor) {
    EscribirWord(p, offset, WORD(valor));
    EscribirWord(p, offset + 2, WORD(valor >> 16));
}

DWORD DibNumColoresCabecera(const void *pCabecera) {
    if (EsCore(pCabecera))
        return ColoresDeProfundidad(LeerWord(pCabecera, kOffProfCore));
    DWORD usados = LeerDword(pCabecera, kOffColoresUsados);
    if (usados != 0)
        return usados;
    return ColoresDeProfundidad(LeerWord(pCabecera, kOffProfundidad));
}

uint64_t DibInicioTabla(const void *pDib) {
    return uint64_t(LeerDword(pDib, 0)) + MascarasTrasCabecera(pDib);
}

BYTE *DibPunteroBits(void *pDib) {
    return static_cast<BYTE *>(pDib) + size_t(FinTabla(pDib));
}

uint64_t TamanoFilas(LONG anchura, LONG altura, DWORD profundidad) {
    uint64_t bits = MultiplicarSaturado(Absoluto(anchura), profundidad);
    if (bits == UINT64_MAX)
        return UINT64_MAX;
    uint64_t fila = (bits + 31) / 32 * 4;
    return MultiplicarSaturado(fila, Absoluto(altura));
}

bool DibCabeceraEnBloque(const void *pDib, SIZE_T nBloque) {
    if (!pDib || nBloque < sizeof(DWORD))
        return false;
    DWORD minimo = EsCore(pDib) ? kTamCabeceraCore : kTamCabeceraInfo;
    return nBloque >= minimo && LeerDword(pDib, 0) <= nBloque;
}

bool DibTablaEnBloque(const void *pDib, SIZE_T nBloque) {
    return DibCabeceraEnBloque(pDib, nBloque) && FinTabla(pDib) <= nBloque;
}

bool DibCabeEnBloque(const void *pDib, SIZE_T nBloque) {
    if (!DibTablaEnBloque(pDib, nBloque))
        return false;
    uint64_t datos = EsCore(pDib) ? TamanoDatosCore(pDib) : TamanoDatosInfo(pDib);
    return SumarSaturado(FinTabla(pDib), datos) <= nBloque;
}

bool CalcularDisposicionArchivo(const void *pCabecera, DisposicionArchivo *pDisposicion) {
    // Longer info headers are written whole; shorter ones (a core header)
    // cannot be written with an info-header file layout.
    DWORD cabecera = LeerDword(pCabecera, 0);
    if (cabecera < kTamCabeceraInfo)
        return false;
    DWORD compresion = LeerDword(pCabecera, kOffCompresion);
    DWORD profundidad = LeerWord(pCabecera, kOffProfundidad);
    DWORD colores = LeerDword(pCabecera, kOffColoresUsados);
    if (colores == 0 && profundidad <= 8)
        colores = DWORD(1) << profundidad;

    uint64_t imagen = LeerDword(pCabecera, kOffTamImagen);
    if (compresion == BI_RGB)
        imagen = TamanoFilas(LeerLong(pCabecera, kOffAnchura), LeerLong(pCabecera, kOffAltura),
                             profundidad);
    else if (imagen == 0)
        return false;

    uint64_t offBits = kTamCabeceraArchivo + DibInicioTabla(pCabecera) + uint64_t(colores) * 4;
    uint64_t tamano = SumarSaturado(offBits, imagen);
    if (tamano > kMaxArchivo)
        return false;
    *pDisposicion = {colores, DWORD(imagen), DWORD(offBits), DWORD(tamano)};
    return true;
}

// Only these calls are put to a value that may be no block, since they fail
// cleanly on one; GlobalSize alone is not enough, as a fixed block's handle
// is its address.
bool EsBloqueGlobal(HGLOBAL h) {
    if (!h || GlobalFlags(h) == GMEM_INVALID_HANDLE || GlobalSize(h) == 0)
        return false;
    void *p = GlobalLock(h);
    bool suyo = p && GlobalHandle(p) == h;
    if (p)
        GlobalUnlock(h);
    return suyo;
}

void LiberarBloqueEntregado(HGLOBAL h) {
    if (h && GlobalFlags(h) != GMEM_INVALID_HANDLE)
        GlobalFree(h);
}

DibBloqueado::DibBloqueado(HGLOBAL hDib) : hDib_(hDib), pDib_(nullptr), nTamano_(0) {
    // A host may hand over a stale handle: it is probed, never locked.
    if (!EsBloqueGlobal(hDib_))
        return;
    pDib_ = static_cast<BYTE *>(GlobalLock(hDib_));
    if (pDib_)
        nTamano_ = GlobalSize(hDib_);
}

DibBloqueado::~DibBloqueado() {
    if (pDib_)
        GlobalUnlock(hDib_);
}
