// One export per setting: each binds one capability and one item type onto
// the generic read and write.  Getters answer 0 when the value cannot be
// read, which callers cannot tell from a legitimate 0.
#include "zeltw32.h"

#include <cstring>

namespace {

int ObtenerUint16(TW_UINT16 capacidad) {
    int32_t valor = 0;
    ObtenActualCapacidad(capacidad, TWTY_UINT16, &valor);
    return valor;
}

double ObtenerFix32(TW_UINT16 capacidad) {
    TW_FIX32 valor{0, 0};
    ObtenActualCapacidad(capacidad, TWTY_FIX32, &valor);
    return ZEL_Fix32ToFloat(valor);
}

int PonerUint16(TW_UINT16 capacidad, int valor) {
    return PonValorDeUnaCapacidad(capacidad, TWTY_UINT16, TW_UINT16(valor));
}

int PonerFix32(TW_UINT16 capacidad, double valor) {
    // A TW_FIX32 travels as its own 4 bytes in the 32-bit item.
    TW_FIX32 fix = ToFix32(valor);
    TW_UINT32 bits;
    std::memcpy(&bits, &fix, sizeof bits);
    return PonValorDeUnaCapacidad(capacidad, TWTY_FIX32, bits);
}

} // namespace

ZELTW32_API(int) NegociarContadorXfer(int nContador) {
    return PonValorDeUnaCapacidad(CAP_XFERCOUNT, TWTY_INT16, TW_UINT32(nContador));
}

ZELTW32_API(int) ObtenUnidadesActuales(void) {
    return ObtenerUint16(ICAP_UNITS);
}
ZELTW32_API(int) PonUnidadesActuales(int nUnidad) {
    return PonerUint16(ICAP_UNITS, nUnidad);
}
ZELTW32_API(int) ObtenProfundidaBit(void) {
    return ObtenerUint16(ICAP_BITDEPTH);
}
ZELTW32_API(int) PonProfundidaBit(int nProfundidad) {
    return PonerUint16(ICAP_BITDEPTH, nProfundidad);
}
ZELTW32_API(int) ObtenTipoPixel(void) {
    return ObtenerUint16(ICAP_PIXELTYPE);
}
ZELTW32_API(int) PonActualTipoPixel(int nTipo) {
    return PonerUint16(ICAP_PIXELTYPE, nTipo);
}
ZELTW32_API(double) ObtenActualResolucion(void) {
    return ObtenerFix32(ICAP_XRESOLUTION);
}
ZELTW32_API(double) ObtenYResolucion(void) {
    return ObtenerFix32(ICAP_YRESOLUTION);
}

// The vertical resolution first; the horizontal one only once the vertical
// one was accepted, so a refusal leaves both as they were.
ZELTW32_API(int) PonActualResolucion(double dResolucion) {
    if (!PonerFix32(ICAP_YRESOLUTION, dResolucion))
        return 0;
    return PonerFix32(ICAP_XRESOLUTION, dResolucion);
}

ZELTW32_API(int) PonContraste(double dContraste) {
    return PonerFix32(ICAP_CONTRAST, dContraste);
}
ZELTW32_API(int) PonBrillo(double dBrillo) {
    return PonerFix32(ICAP_BRIGHTNESS, dBrillo);
}

ZELTW32_API(int) XferMech(void) {
    TW_UINT16 mecanismo = 0;
    ObtenActualCapacidad(ICAP_XFERMECH, TWTY_UINT16, &mecanismo);
    return mecanismo;
}

ZELTW32_API(int) PonXferMech(int nMecanismo) {
    return PonerUint16(ICAP_XFERMECH, nMecanismo);
}
