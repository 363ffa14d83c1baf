// The bridge to the helper process: a 64-bit library reaches the 32-bit
// manager and its sources through a 32-bit helper program shipped beside it.
// The helper's manager is seen as a second DSM_Entry, and the composite
// manager puts the two managers' sources in one list.
#pragma once

#include "zeltw32.h"

namespace zel {

// ---- The helper (remote_entry.cpp, helper_process.cpp; Windows only) ----

// Whether the helper can serve this process: its program lies beside this
// library, and 32-bit sources are installed (or a manager is named for it
// in ZELTWPUENTE_MANEJADOR).
bool PuenteDisponible();

// The helper's manager as a DSM_Entry.  DG_CONTROL / DAT_PARENT /
// MSG_OPENDSM starts the helper when none runs (or the last one died).
// After the helper died, the triplets that close (MSG_DISABLEDS,
// MSG_CLOSEDS, MSG_CLOSEDSM, MSG_ENDXFER, MSG_RESET) succeed at once, as the
// source they close is gone, and every other fails with TWCC_BUMMER.  A
// triplet the bridge cannot carry fails with TWCC_BADPROTOCOL; DAT_STATUS
// then reports that condition.
TW_UINT16 WINAPI EntradaPuente(pTW_IDENTITY origen, pTW_IDENTITY destino, TW_UINT32 DG,
                               TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF datos);

// The message the helper posts to the window of the enabled source
// (TW_USERINTERFACE.hParent) when its source has an event for the
// application: wParam is the TWAIN message (MSG_XFERREADY,
// MSG_CLOSEDSREQ, MSG_CLOSEDSOK).  EntradaPuente answers
// DAT_EVENT / MSG_PROCESSEVENT with it, without crossing to the helper.
UINT MensajeEventoPuente();

// ---- The composite manager (composite_manager.cpp; every system) ----

// Puts the two managers behind one entry: `local`, this process's own
// (null when none could be loaded), and `remota`, the helper's.
void PonLados(DSMENTRYPROC local, DSMENTRYPROC remota);

// The entry the session calls instead of the local manager's once PonLados
// has set the sides.
TW_UINT16 WINAPI EntradaCompuesta(pTW_IDENTITY origen, pTW_IDENTITY destino, TW_UINT32 DG,
                                  TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF datos);

} // namespace zel
