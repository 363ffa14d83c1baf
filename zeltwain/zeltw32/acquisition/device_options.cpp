#include "acquisition/device_options.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pages/multipage_state.h"
#include "capabilities/capabilities.h"
#include "dib/dib_layout.h"
#include "session/session.h"

namespace zel {
namespace {

// Reads a capability as one value with MSG_GET; false when it cannot be read.
bool LeerUnValor(TW_UINT16 capacidad, TW_UINT16 tipo, TW_UINT32 &valor) {
    valor = 0;
    return LeerCapacidad(MSG_GET, capacidad, tipo, &valor) != 0;
}

bool PonerBool(TW_UINT16 capacidad, bool valor) {
    return PonValorDeUnaCapacidad(capacidad, TWTY_BOOL, valor ? 1 : 0) != 0;
}

// Whether a list of `cuenta` 16-bit items starting at `desde` holds the
// value, read only within the block.
bool ListaContiene(const TW_UINT8 *bloque, SIZE_T tamano, uint64_t desde, uint64_t cuenta,
                   TW_UINT16 valor) {
    if (desde > tamano || cuenta > (tamano - desde) / sizeof(TW_UINT16))
        return false;
    for (uint64_t i = 0; i < cuenta; ++i) {
        TW_UINT16 item;
        std::memcpy(&item, bloque + desde + i * sizeof item, sizeof item);
        if (item == valor)
            return true;
    }
    return false;
}

bool ContenedorContiene(const TW_CAPABILITY &cap, TW_UINT16 valor) {
    if (!EsBloqueGlobal(cap.hContainer))
        return false;
    auto *bloque = static_cast<const TW_UINT8 *>(GlobalLock(cap.hContainer));
    if (!bloque)
        return false;
    SIZE_T tamano = GlobalSize(cap.hContainer);
    bool hallado = false;
    if (cap.ConType == TWON_ENUMERATION && tamano >= offsetof(TW_ENUMERATION, ItemList)) {
        auto *e = reinterpret_cast<const TW_ENUMERATION *>(bloque);
        hallado =
            TiposCompatibles(e->ItemType, TWTY_UINT16) &&
            ListaContiene(bloque, tamano, offsetof(TW_ENUMERATION, ItemList), e->NumItems, valor);
    } else if (cap.ConType == TWON_ONEVALUE && tamano >= sizeof(TW_ONEVALUE)) {
        // A source offering one format may answer with that format alone.
        auto *v = reinterpret_cast<const TW_ONEVALUE *>(bloque);
        hallado = TiposCompatibles(v->ItemType, TWTY_UINT16) &&
                  ListaContiene(bloque, tamano, offsetof(TW_ONEVALUE, Item), 1, valor);
    }
    GlobalUnlock(cap.hContainer);
    return hallado;
}

} // namespace

bool ActivarAlimentador() {
    TW_UINT32 valor;
    if (LeerUnValor(CAP_FEEDERENABLED, TWTY_BOOL, valor) && valor != 1)
        PonerBool(CAP_FEEDERENABLED, true);
    if (!LeerUnValor(CAP_AUTOFEED, TWTY_BOOL, valor))
        return false;
    return valor == 1 || PonerBool(CAP_AUTOFEED, true);
}

int NegociarDuplex() {
    TW_UINT32 valor;
    if (nModoDuplex == 1) {
        if (!LeerUnValor(CAP_DUPLEXENABLED, TWTY_BOOL, valor))
            return 1;
        if (valor == 1)
            return 2;
        return PonerBool(CAP_DUPLEXENABLED, true) ? 2 : 1;
    }
    if (nModoDuplex == 0) {
        if (!LeerUnValor(CAP_DUPLEXENABLED, TWTY_BOOL, valor) || valor != 1)
            return 2;
        return PonerBool(CAP_DUPLEXENABLED, false) ? 2 : 0;
    }
    return 2;
}

bool OfreceFormato(TW_UINT16 formato) {
    TW_CAPABILITY cap{ICAP_IMAGEFILEFORMAT, TWON_ENUMERATION, 0};
    bool ofrecido = false;
    if (ZEL_DS(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap) && cap.hContainer != 0)
        ofrecido = ContenedorContiene(cap, formato);
    LiberarBloqueEntregado(cap.hContainer);
    return ofrecido;
}

} // namespace zel
