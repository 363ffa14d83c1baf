// Ending and dropping pending transfers.
//
// The transfer loops themselves (native, file, memory) are not built yet:
// until they are, an announced transfer is dropped with MSG_RESET and the
// modal loop ends, so that a source's batch never leaves the session stuck
// in the transfer states.
#include "session/session.h"

#include "session/diagnostics.h"

namespace zel {

void DespacharXfer() {
    AbortarPendienteXfer();
    RomperBucleEventosModal();
    ZEL_AFIRMAR(nEstado == ZEL_TRANSFER_LISTA || nEstado == ZEL_DISP_HABILITADO);
}

} // namespace zel

using namespace zel;

ZELTW32_API(HGLOBAL) EsperarANativeXfer(HWND) {
    return 0;
}

ZELTW32_API(BOOL) FinXfer(void) {
    if (nEstado != ZEL_TRANSFIRIENDO)
        return 1;
    // A refused MSG_ENDXFER leaves an old Count behind: the transfer is
    // still pending, whatever that Count says.
    BOOL enviado = ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &PendientesXfer);
    return enviado && PendientesXfer.Count == 0;
}

ZELTW32_API(BOOL) AbortarPendienteXfer(void) {
    if (!FinXfer())
        PendientesXfer.Count = 0;
    if (nEstado == ZEL_TRANSFER_LISTA)
        ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &PendientesXfer);
    return nEstado < ZEL_TRANSFER_LISTA;
}
