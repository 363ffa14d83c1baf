// Internal routines of capability access, shared by the named operations.
#pragma once

#include "zeltw32.h"

namespace zel {

constexpr int kNumTiposItem = 13; // TWTY_INT8 to TWTY_STR255
extern const TW_UINT16 anTamanoItem[kNumTiposItem];

// Reads one capability with a GET message (MSG_GET, MSG_GETCURRENT ...) into
// pVal as item type nTipo: a one-value container, or the current item of an
// enumeration, read only within the container's block, which is freed.
int LeerCapacidad(TW_UINT16 mensaje, int nCapacidad, int nTipo, void *pVal);

// Whether an item of type a can be read as type b: the same type, or
// integer types of the same size.
int TiposCompatibles(TW_UINT16 a, TW_UINT16 b);

// Keeps the list values that are also bits of the mask, each once, in
// increasing order, rewritten from the list's start; returns how many.
TW_UINT32 FiltrarPorMascara(TW_UINT32 mascara, TW_UINT32 cuenta, TW_UINT16 *lista);

// Index of the first item equal to valor, or porDefecto.
TW_UINT32 BuscarIndiceValor(TW_UINT32 cuenta, const TW_UINT16 *lista, TW_UINT16 valor,
                            TW_UINT32 porDefecto);

} // namespace zel
