#include "zeltw32.h"

#include "pages/freeimage_setup.h"
#include "pages/multipage_state.h"
#include "pages/page_output.h"
#include "pages/tiff_document.h"

namespace zel {
namespace {

struct Salida {
    FREE_IMAGE_FORMAT formato;
    int flags;
};

constexpr int kCalidadMinima = 1;
constexpr int kCalidadMaxima = 100;

bool HayCalidadJpeg() {
    return nCompresion >= kCalidadMinima && nCompresion <= kCalidadMaxima;
}

Salida SalidaDeFormato() {
    switch (nFormatoArchivo) {
    case TWFF_TIFF:
        return {FIF_TIFF, TIFF_DEFAULT};
    case TWFF_BMP:
        return {FIF_BMP, BMP_DEFAULT};
    case TWFF_JFIF:
        return {FIF_JPEG, HayCalidadJpeg() ? nCompresion : JPEG_DEFAULT};
    case TWFF_TIFFMULTI:
        return {FIF_TIFF, FlagsTiffMultipagina()};
    case TWFF_PNG:
        return {FIF_PNG, PNG_DEFAULT};
    default:
        return {FIF_UNKNOWN, 0};
    }
}

// JPEG stores 8-bit grey and 24-bit colour only.
unsigned ProfundidadJpeg(unsigned profundidad) {
    return profundidad < 8 ? 8 : profundidad == 8 ? 8 : 24;
}

// FreeImage's TIFF and PNG writers have no 16-bit colour: TIFF writes such
// a page without its pixels and reports success, and the close of a document
// that holds one fails as a whole; PNG reads its rows as 24-bit ones, past
// the bitmap's end.
unsigned ProfundidadSin16Bits(unsigned profundidad) {
    return profundidad == 16 ? 24 : profundidad;
}

} // namespace

int FlagsTiffMultipagina() {
    static constexpr int kFlags[] = {TIFF_DEFAULT,   TIFF_CMYK,          TIFF_PACKBITS,
                                     TIFF_DEFLATE,   TIFF_ADOBE_DEFLATE, TIFF_CCITTFAX3,
                                     TIFF_CCITTFAX4, TIFF_LZW,           TIFF_JPEG};
    if (nCompresion >= -9 && nCompresion <= -1)
        return kFlags[-nCompresion - 1];
    return TIFF_NONE;
}

FIBITMAP *PaginaParaFormato(FIBITMAP *pagina, FREE_IMAGE_FORMAT formato) {
    unsigned profundidad = FreeImage_GetBPP(pagina);
    unsigned destino = formato == FIF_JPEG ? ProfundidadJpeg(profundidad)
                       : formato == FIF_TIFF || formato == FIF_PNG
                           ? ProfundidadSin16Bits(profundidad)
                           : profundidad;
    if (destino == profundidad)
        return pagina;
    OutputDebugStringA(destino == 8 ? "ZELTW: page converted to 8 bits for its format.\n"
                                    : "ZELTW: page converted to 24 bits for its format.\n");
    return destino == 8 ? FreeImage_ConvertTo8Bits(pagina) : FreeImage_ConvertTo24Bits(pagina);
}

bool EsSerieDeArchivos() {
    return nFormatoArchivo != TWFF_TIFFMULTI && SalidaDeFormato().formato != FIF_UNKNOWN;
}

bool GuardarPaginaEnArchivo(FIBITMAP *pagina, const char *archivo) {
    Salida salida = SalidaDeFormato();
    FIBITMAP *adaptada = PaginaParaFormato(pagina, salida.formato);
    if (!adaptada)
        return false;
    std::string ruta = RutaNativa(archivo);
    bool guardada =
        !ruta.empty() && FreeImage_Save(salida.formato, adaptada, ruta.c_str(), salida.flags);
    if (adaptada != pagina)
        FreeImage_Unload(adaptada);
    return guardada;
}

} // namespace zel
