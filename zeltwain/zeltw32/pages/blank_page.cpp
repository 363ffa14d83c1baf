// The blank-page test.  A pixel is white at 1 bit when its bit is set, at 4
// bits when its nibble is 15, at 8 bits when its byte is above 245, and at
// 16, 24 and 32 bits when its luminance (Rec. 709, as FreeImage's greyscale
// conversion weighs the channels) is above 245; any other pixel of those
// depths is dark.  Pixels of other depths count neither way.  The test
// counts a row at a time and ends as soon as the page has more dark pixels
// than the threshold allows.
#include "zeltw32.h"

#include "pages/multipage_state.h"
#include "pages/page_writer.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace zel {
namespace {

// Luminance above 245, in integers: the Rec. 709 weights times 10000.
bool LuminanciaBlanca(unsigned rojo, unsigned verde, unsigned azul) {
    return 2126 * rojo + 7152 * verde + 722 * azul > 245u * 10000u;
}

unsigned BlancosFila1(const BYTE *fila, unsigned anchura) {
    unsigned blancos = 0;
    unsigned completos = anchura / 8;
    for (unsigned i = 0; i < completos; ++i)
        blancos += unsigned(std::popcount(unsigned(fila[i])));
    if (unsigned resto = anchura % 8)
        blancos += unsigned(std::popcount(unsigned(fila[completos] & (0xFF00u >> resto) & 0xFF)));
    return blancos;
}

unsigned BlancosFila4(const BYTE *fila, unsigned anchura) {
    unsigned blancos = 0;
    for (unsigned x = 0; x < anchura; ++x) {
        BYTE nibble = x % 2 == 0 ? fila[x / 2] >> 4 : fila[x / 2] & 0x0F;
        blancos += nibble == 15;
    }
    return blancos;
}

// Whole blocks are counted by loops of a fixed length, which the compiler
// turns into vector code; a block's count fits its byte-wide counter.
constexpr unsigned kBloque = 240;

unsigned BlancosFila8(const BYTE *fila, unsigned anchura) {
    unsigned blancos = 0, x = 0;
    for (; x + kBloque <= anchura; x += kBloque) {
        const BYTE *bloque = fila + x;
        BYTE enBloque = 0;
        for (unsigned i = 0; i < kBloque; ++i)
            enBloque += bloque[i] > 245;
        blancos += enBloque;
    }
    for (; x < anchura; ++x)
        blancos += fila[x] > 245;
    return blancos;
}

// Pixels whose three channels are all above 245 are white whatever their
// weights: such runs, most of a page, are taken a block at a time, and only
// the other blocks are weighed pixel by pixel.
constexpr unsigned kPixelesBloque = 16;

bool BloqueClaro(const BYTE *p, unsigned bytesPixel) {
    BYTE claro = 1;
    if (bytesPixel == 3) {
        for (unsigned i = 0; i < kPixelesBloque * 3; ++i)
            claro &= p[i] > 245;
    } else {
        for (unsigned i = 0; i < kPixelesBloque * 4; ++i)
            claro &= p[i] > 245 || i % 4 == FI_RGBA_ALPHA;
    }
    return claro;
}

// 24 and 32 bits: blue, green, red (and alpha, ignored) in FreeImage's order.
unsigned BlancosFilaColor(const BYTE *fila, unsigned anchura, unsigned bytesPixel) {
    unsigned blancos = 0, x = 0;
    for (; x < anchura; ++x, fila += bytesPixel) {
        if (x % kPixelesBloque == 0 && x + kPixelesBloque <= anchura &&
            BloqueClaro(fila, bytesPixel)) {
            blancos += kPixelesBloque;
            x += kPixelesBloque - 1;
            fila += (kPixelesBloque - 1) * bytesPixel;
            continue;
        }
        blancos += LuminanciaBlanca(fila[FI_RGBA_RED], fila[FI_RGBA_GREEN], fila[FI_RGBA_BLUE]);
    }
    return blancos;
}

unsigned Canal(unsigned valor, unsigned mascara) {
    if (mascara == 0)
        return 0;
    unsigned desplazamiento = unsigned(std::countr_zero(mascara));
    unsigned maximo = mascara >> desplazamiento;
    return ((valor & mascara) >> desplazamiento) * 255 / maximo;
}

// 16 bits: whether each of the 65536 values is white, from the bitmap's
// colour masks; without masks the pixels are 5-5-5, as in a DIB.
std::vector<bool> TablaBlancos16(FIBITMAP *pagina) {
    unsigned rojo = FreeImage_GetRedMask(pagina), verde = FreeImage_GetGreenMask(pagina),
             azul = FreeImage_GetBlueMask(pagina);
    if ((rojo | verde | azul) == 0) {
        rojo = FI16_555_RED_MASK;
        verde = FI16_555_GREEN_MASK;
        azul = FI16_555_BLUE_MASK;
    }
    std::vector<bool> tabla(65536);
    for (unsigned v = 0; v < 65536; ++v)
        tabla[v] = LuminanciaBlanca(Canal(v, rojo), Canal(v, verde), Canal(v, azul));
    return tabla;
}

unsigned BlancosFila16(const BYTE *fila, unsigned anchura, const std::vector<bool> &tabla) {
    unsigned blancos = 0;
    for (unsigned x = 0; x < anchura; ++x)
        blancos += tabla[unsigned(fila[2 * x]) | unsigned(fila[2 * x + 1]) << 8];
    return blancos;
}

} // namespace

bool EsPaginaEnBlanco(FIBITMAP *pagina) {
    unsigned anchura = FreeImage_GetWidth(pagina), altura = FreeImage_GetHeight(pagina);
    unsigned profundidad = FreeImage_GetBPP(pagina);
    double total = double(anchura) * double(altura);
    double limite = total * dUmbralBlanco / 100.0;
    bool mapaDeBits = FreeImage_GetImageType(pagina) == FIT_BITMAP;
    bool contada = mapaDeBits && (profundidad == 1 || profundidad == 4 || profundidad == 8 ||
                                  profundidad == 16 || profundidad == 24 || profundidad == 32);
    if (!contada)
        return 0.0 >= total - limite;

    std::vector<bool> tabla16 = profundidad == 16 ? TablaBlancos16(pagina) : std::vector<bool>();
    double blancos = 0.0, oscuros = 0.0;
    for (unsigned y = 0; y < altura; ++y) {
        const BYTE *fila = FreeImage_GetScanLine(pagina, int(y));
        unsigned enFila = profundidad == 1    ? BlancosFila1(fila, anchura)
                          : profundidad == 4  ? BlancosFila4(fila, anchura)
                          : profundidad == 8  ? BlancosFila8(fila, anchura)
                          : profundidad == 16 ? BlancosFila16(fila, anchura, tabla16)
                                              : BlancosFilaColor(fila, anchura, profundidad / 8);
        blancos += enFila;
        oscuros += anchura - enFila;
        if (oscuros > limite)
            return false;
    }
    return blancos >= total - limite;
}

} // namespace zel
