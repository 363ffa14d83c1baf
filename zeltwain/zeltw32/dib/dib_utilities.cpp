// DIB utilities for hosts: header fields, colour count, palette, drawing
// and freeing of a DIB held in global memory.  Every operation first checks
// that the parts it reads lie inside the block, so that a null, stale or
// lying DIB is never read beyond its end: the header readers need the
// header, the colour count and the palette the colour table as well, and
// drawing the pixel rows too.  Short rows are the caller's to judge (a
// truncated transfer still has a size to show): of these operations only
// drawing refuses them.
#include "zeltw32.h"

#include "dib/dib_layout.h"

#include <vfw.h>

namespace {

constexpr WORD kVersionPaleta = 0x300;
constexpr DWORD kEntradasPorDefecto = 256;

// The field at the given info-header offset of a DIB whose header is in its
// block, or 0.  Hosts pass info-header DIBs; the offsets are the same
// whatever the header kind.
LONG CampoDib(HGLOBAL hDib, size_t offset, size_t ancho) {
    DibBloqueado dib(hDib);
    if (!dib.CabeceraLegible() || offset + ancho > dib.Tamano())
        return 0;
    return ancho == sizeof(WORD) ? LONG(LeerWord(dib.Direccion(), offset))
                                 : LeerLong(dib.Direccion(), offset);
}

void CopiarTablaDeColores(const BYTE *pDib, DWORD nEntradas, PALETTEENTRY *pEntradas) {
    bool core = LeerDword(pDib, 0) == kTamCabeceraCore;
    size_t entrada = core ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    const BYTE *tabla = pDib + size_t(DibInicioTabla(pDib));
    for (DWORD i = 0; i < nEntradas; ++i) {
        const BYTE *color = tabla + i * entrada; // blue, green, red
        pEntradas[i] = {color[2], color[1], color[0], 0};
    }
}

HPALETTE PaletaDeDib(const BYTE *pDib) {
    DWORD nColores = LOWORD(DibNumColoresCabecera(pDib));
    DWORD nEntradas = nColores ? nColores : kEntradasPorDefecto;
    HLOCAL hPaleta = LocalAlloc(LPTR, sizeof(LOGPALETTE) + nEntradas * sizeof(PALETTEENTRY));
    if (!hPaleta)
        return 0;
    LOGPALETTE *pPaleta = static_cast<LOGPALETTE *>(LocalLock(hPaleta));
    HPALETTE hResultado = 0;
    if (pPaleta) {
        pPaleta->palVersion = kVersionPaleta;
        pPaleta->palNumEntries = WORD(nEntradas);
        if (nColores)
            CopiarTablaDeColores(pDib, nColores, pPaleta->palPalEntry);
        else
            for (DWORD i = 0; i < kEntradasPorDefecto; ++i)
                pPaleta->palPalEntry[i] = PaletaPorDefecto[i];
        hResultado = CreatePalette(pPaleta);
        LocalUnlock(hPaleta);
    }
    LocalFree(hPaleta);
    return hResultado;
}

} // namespace

ZELTW32_API(int) DibProfundidad(HGLOBAL hDib) {
    return CampoDib(hDib, kOffProfundidad, sizeof(WORD));
}

ZELTW32_API(int) DibAnchura(HGLOBAL hDib) {
    return CampoDib(hDib, kOffAnchura, sizeof(LONG));
}

ZELTW32_API(int) DibAltura(HGLOBAL hDib) {
    return CampoDib(hDib, kOffAltura, sizeof(LONG));
}

ZELTW32_API(int) DibNumColores(HGLOBAL hDib) {
    DibBloqueado dib(hDib);
    return dib.TablaLegible() ? int(DibNumColoresCabecera(dib.Direccion())) : 0;
}

ZELTW32_API(HPALETTE) CrearPaletaDib(HGLOBAL hDib) {
    DibBloqueado dib(hDib);
    return dib.TablaLegible() ? PaletaDeDib(dib.Direccion()) : 0;
}

// Copies a rectangle of the destination's size from the source origin, never
// stretched, through a DrawDib context opened for this call alone.  Always
// returns 0.
ZELTW32_API(int)
DibujarDibADC(HDC hDC, int xDst, int yDst, int cxDst, int cyDst, HGLOBAL hDib, int xSrc, int ySrc) {
    DibBloqueado dib(hDib);
    if (!dib.Legible())
        return 0;
    HDRAWDIB hDibujo = DrawDibOpen();
    if (!hDibujo)
        return 0;
    BYTE *pDib = dib.Direccion();
    DrawDibDraw(hDibujo, hDC, xDst, yDst, cxDst, cyDst, reinterpret_cast<LPBITMAPINFOHEADER>(pDib),
                DibPunteroBits(pDib), xSrc, ySrc, cxDst, cyDst, 0);
    DrawDibClose(hDibujo);
    return 0;
}

ZELTW32_API(void) LiberadorDeMemoria(HGLOBAL hMem) {
    // A handle freed twice, or never a block, is left alone.
    LiberarBloqueEntregado(hMem);
}
