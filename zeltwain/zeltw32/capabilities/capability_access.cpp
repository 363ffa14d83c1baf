// The generic road to a source's capabilities: read the current value of any
// capability into a caller's variable, and set any capability to one value.
#include "capabilities/capabilities.h"

#include <cstdint>
#include <cstring>

#include "session/diagnostics.h"
#include "dib/dib_layout.h"
#include "session/session.h"

namespace zel {

const TW_UINT16 anTamanoItem[kNumTiposItem] = {1, 2, 4, 1, 2, 4, 2, 4, 16, 34, 66, 130, 256};

int TiposCompatibles(TW_UINT16 a, TW_UINT16 b) {
    if (a == b)
        return 1;
    return a <= TWTY_UINT32 && b <= TWTY_UINT32 && anTamanoItem[a] == anTamanoItem[b];
}

namespace {

// Copies the item at offset `desde` of a locked container of `tamano` bytes,
// only when it lies wholly inside the block: a source that lies about its
// container is never read past its end.
int CopiarItem(const TW_UINT8 *contenedor, SIZE_T tamano, uint64_t desde, TW_UINT16 tipo,
               void *destino) {
    uint64_t largo = anTamanoItem[tipo];
    if (desde > tamano || largo > tamano - desde)
        return 0;
    std::memcpy(destino, contenedor + desde, largo);
    return 1;
}

int LeerEnumeracion(const TW_UINT8 *contenedor, SIZE_T tamano, TW_UINT16 tipo, void *destino) {
    if (tamano < offsetof(TW_ENUMERATION, ItemList))
        return 0;
    auto *e = reinterpret_cast<const TW_ENUMERATION *>(contenedor);
    if (e->CurrentIndex >= e->NumItems || !TiposCompatibles(e->ItemType, tipo))
        return 0;
    // In 64 bits: a lying index must not wrap around to a valid offset.
    uint64_t desde =
        offsetof(TW_ENUMERATION, ItemList) + uint64_t(e->CurrentIndex) * anTamanoItem[tipo];
    return CopiarItem(contenedor, tamano, desde, tipo, destino);
}

int LeerUnValor(const TW_UINT8 *contenedor, SIZE_T tamano, TW_UINT16 tipo, void *destino) {
    if (tamano < sizeof(TW_UINT16))
        return 0;
    auto *v = reinterpret_cast<const TW_ONEVALUE *>(contenedor);
    if (!TiposCompatibles(v->ItemType, tipo))
        return 0;
    return CopiarItem(contenedor, tamano, offsetof(TW_ONEVALUE, Item), tipo, destino);
}

int LeerContenedor(const TW_CAPABILITY &cap, TW_UINT16 tipo, void *destino) {
    if (!EsBloqueGlobal(cap.hContainer))
        return 0;
    auto *contenedor = static_cast<const TW_UINT8 *>(GlobalLock(cap.hContainer));
    if (!contenedor)
        return 0;
    SIZE_T tamano = GlobalSize(cap.hContainer);
    int resultado = 0;
    if (cap.ConType == TWON_ENUMERATION)
        resultado = LeerEnumeracion(contenedor, tamano, tipo, destino);
    else if (cap.ConType == TWON_ONEVALUE)
        resultado = LeerUnValor(contenedor, tamano, tipo, destino);
    GlobalUnlock(cap.hContainer);
    return resultado;
}

} // namespace

int LeerCapacidad(TW_UINT16 mensaje, int nCapacidad, int nTipo, void *pVal) {
    if (!pVal || nTipo < 0 || nTipo >= kNumTiposItem)
        return 0;
    TW_CAPABILITY cap{TW_UINT16(nCapacidad), TWON_ONEVALUE, 0};
    int resultado = 0;
    if (ZEL_DS(DG_CONTROL, DAT_CAPABILITY, mensaje, &cap) && cap.hContainer != 0)
        resultado = LeerContenedor(cap, TW_UINT16(nTipo), pVal);
    LiberarBloqueEntregado(cap.hContainer);
    return resultado;
}

TW_UINT32 FiltrarPorMascara(TW_UINT32 mascara, TW_UINT32 cuenta, TW_UINT16 *lista) {
    TW_UINT32 conjunto = 0;
    for (TW_UINT32 i = 0; i < cuenta; ++i) {
        if (lista[i] < 32) // a value of 32 or more has no bit in the mask
            conjunto |= TW_UINT32(1) << lista[i];
    }
    conjunto &= mascara;
    TW_UINT32 escritos = 0;
    for (TW_UINT16 bit = 0; bit < 32; ++bit) {
        if (conjunto & (TW_UINT32(1) << bit))
            lista[escritos++] = bit;
    }
    return escritos;
}

TW_UINT32 BuscarIndiceValor(TW_UINT32 cuenta, const TW_UINT16 *lista, TW_UINT16 valor,
                            TW_UINT32 porDefecto) {
    for (TW_UINT32 i = 0; i < cuenta; ++i) {
        if (lista[i] == valor)
            return i;
    }
    return porDefecto;
}

} // namespace zel

using namespace zel;

ZELTW32_API(int) ObtenActualCapacidad(int nCapacidad, int nTipo, void *pVal) {
    ZEL_AFIRMAR(pVal != NULL);
    if (nEstado < ZEL_DISP_ABIERTO) {
        MensajeError("Attempt to get capability value below State 4.");
        return 0;
    }
    return LeerCapacidad(MSG_GETCURRENT, nCapacidad, nTipo, pVal);
}

ZELTW32_API(int) PonValorDeUnaCapacidad(int nCapacidad, int nTipo, TW_UINT32 nValor) {
    if (nEstado != ZEL_DISP_ABIERTO) {
        MensajeError("Attempt to set capability outside State 4.");
        return 0;
    }
    HGLOBAL hValor = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    auto *valor = hValor ? static_cast<pTW_ONEVALUE>(GlobalLock(hValor)) : nullptr;
    if (!valor) {
        if (hValor)
            GlobalFree(hValor);
        MensajeError("Insufficient Memory");
        return 0;
    }
    valor->ItemType = TW_UINT16(nTipo);
    valor->Item = nValor;
    GlobalUnlock(hValor);
    TW_CAPABILITY cap{TW_UINT16(nCapacidad), TWON_ONEVALUE, hValor};
    BOOL resultado = ZEL_DS(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    GlobalFree(hValor);
    return resultado;
}
