// Pixel-type negotiation: narrows the pixel types a source offers to those
// the caller accepts and writes the narrowed list back.
#include <cstring>

#include "capabilities/capabilities.h"
#include "dib/dib_layout.h"
#include "session/session.h"

namespace zel {
namespace {

// Error numbers recorded for each failure (texts in error_texts.cpp).
enum : int {
    kFalloGet = 2,
    kFalloSet = 3,
    kNoEstado4 = 7,
    kSinContenedor = 8,
    kContenedorInvalido = 9,
    kTipoContenedor = 10,
    kTipoItem = 11,
    kListaVacia = 12,
    kSinComunes = 13,
};

struct Contenedor {
    TW_UINT8 *datos;
    SIZE_T tamano;
};

// A list of NumItems 16-bit items starting at `desde` must fit in the block;
// a source that claims more items than it sent gets error 9, and its list
// is never read past the end.
bool ListaCabe(const Contenedor &c, SIZE_T desde, TW_UINT32 numItems) {
    return desde <= c.tamano && SIZE_T(numItems) <= (c.tamano - desde) / sizeof(TW_UINT16);
}

// 1 when the list can be filtered; else the error is recorded and 0 returned.
int ComprobarLista(TW_UINT16 itemType, TW_UINT32 numItems) {
    if (numItems == 0)
        return RegistrarError(kListaVacia);
    if (itemType != TWTY_UINT16 && itemType != TWTY_INT16)
        return RegistrarError(kTipoItem);
    return 1;
}

int NegociarArray(const Contenedor &c, TW_UINT32 mascara) {
    if (c.tamano < offsetof(TW_ARRAY, ItemList))
        return RegistrarError(kContenedorInvalido);
    auto *a = reinterpret_cast<TW_ARRAY *>(c.datos);
    if (!ComprobarLista(a->ItemType, a->NumItems))
        return 0;
    if (!ListaCabe(c, offsetof(TW_ARRAY, ItemList), a->NumItems))
        return RegistrarError(kContenedorInvalido);
    auto *lista = reinterpret_cast<TW_UINT16 *>(a->ItemList);
    a->NumItems = FiltrarPorMascara(mascara, a->NumItems, lista);
    return a->NumItems != 0 ? 1 : RegistrarError(kSinComunes);
}

// The current and default values keep their indexes when they survive the
// filter, else fall back to entry 0, the lowest acceptable type.
int NegociarEnumeracion(const Contenedor &c, TW_UINT32 mascara) {
    if (c.tamano < offsetof(TW_ENUMERATION, ItemList))
        return RegistrarError(kContenedorInvalido);
    auto *e = reinterpret_cast<TW_ENUMERATION *>(c.datos);
    if (!ComprobarLista(e->ItemType, e->NumItems))
        return 0;
    if (!ListaCabe(c, offsetof(TW_ENUMERATION, ItemList), e->NumItems))
        return RegistrarError(kContenedorInvalido);
    auto *lista = reinterpret_cast<TW_UINT16 *>(e->ItemList);
    TW_UINT16 actual = lista[e->CurrentIndex < e->NumItems ? e->CurrentIndex : 0];
    TW_UINT16 porDefecto = lista[e->DefaultIndex < e->NumItems ? e->DefaultIndex : 0];
    e->NumItems = FiltrarPorMascara(mascara, e->NumItems, lista);
    e->CurrentIndex = BuscarIndiceValor(e->NumItems, lista, actual, 0);
    e->DefaultIndex = BuscarIndiceValor(e->NumItems, lista, porDefecto, 0);
    return e->NumItems != 0 ? 1 : RegistrarError(kSinComunes);
}

// A single value is accepted as it is when the mask allows it; the answer is
// that value's mask bit.  A value of 32 or more has no bit: not acceptable.
int NegociarUnValor(const Contenedor &c, TW_UINT32 mascara) {
    if (c.tamano < sizeof(TW_ONEVALUE))
        return RegistrarError(kContenedorInvalido);
    TW_UINT32 item = reinterpret_cast<TW_ONEVALUE *>(c.datos)->Item;
    TW_UINT32 bit = item < 32 ? mascara & (TW_UINT32(1) << item) : 0;
    return bit != 0 ? int(bit) : RegistrarError(kSinComunes);
}

int NegociarContenedor(TW_UINT16 conType, const Contenedor &c, TW_UINT32 mascara) {
    switch (conType) {
    case TWON_ARRAY:
        return NegociarArray(c, mascara);
    case TWON_ENUMERATION:
        return NegociarEnumeracion(c, mascara);
    case TWON_ONEVALUE:
        return NegociarUnValor(c, mascara);
    default:
        return RegistrarError(kTipoContenedor);
    }
}

} // namespace
} // namespace zel

using namespace zel;

ZELTW32_API(int) NegociarTipoPixel(int nMascara) {
    if (nEstado != ZEL_DISP_ABIERTO)
        return RegistrarError(kNoEstado4);
    if (nMascara == 0)
        return 1;
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_ENUMERATION, 0};
    if (!ZEL_DS(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap)) {
        LiberarBloqueEntregado(cap.hContainer);
        return RegistrarError(kFalloGet);
    }
    if (cap.hContainer == 0)
        return RegistrarError(kSinContenedor);
    auto *datos = EsBloqueGlobal(cap.hContainer)
                      ? static_cast<TW_UINT8 *>(GlobalLock(cap.hContainer))
                      : nullptr;
    if (!datos) {
        LiberarBloqueEntregado(cap.hContainer);
        return RegistrarError(kContenedorInvalido);
    }
    Contenedor contenedor{datos, GlobalSize(cap.hContainer)};
    int resultado = NegociarContenedor(cap.ConType, contenedor, TW_UINT32(nMascara));
    GlobalUnlock(cap.hContainer);
    if (resultado != 0 && cap.ConType != TWON_ONEVALUE) {
        resultado = ZEL_DS(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
        if (resultado == 0)
            RegistrarError(kFalloSet);
    }
    GlobalFree(cap.hContainer);
    if (resultado != 0)
        OutputDebugStringA("ZELW:Pixel Types negotiated.\n");
    return resultado;
}
