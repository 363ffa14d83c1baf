// Running the transfer an enabled source announced, and ending or dropping
// pending transfers.
#include "session/session.h"

#include "session/diagnostics.h"
#include "session/transfer_loops.h"

#include <cstdio>

namespace zel {

void DespacharXfer() {
    switch (XferMech()) {
    case TWSX_NATIVE:
        XferNativa();
        break;
    case TWSX_FILE:
        XferArchivo();
        break;
    case TWSX_MEMORY:
        XferMemoria();
        break;
    default:
        OutputDebugStringA("ZELTW: Unknown transfer mechanism; nothing transferred.\n");
        break;
    }
    // Transfers still pending now come from a source that refused to end a
    // page: it will announce nothing more, so they are dropped rather than
    // waited for.
    if (!FinXfer()) {
        OutputDebugStringA("ZELTW: Transfers left pending after the loop; dropped.\n");
        AbortarPendienteXfer();
    }
    RomperBucleEventosModal();
    ZEL_AFIRMAR(nEstado == ZEL_TRANSFER_LISTA || nEstado == ZEL_DISP_HABILITADO);
}

void XferMemoria() {
    MensajeError("ZELTW: Memory Transfer mode not supported.");
}

void AbandonarLote(const char *bucle) {
    char linea[128];
    std::snprintf(linea, sizeof linea,
                  "ZELTW: %s transfer: no page in %d rounds; pending transfers dropped.\n", bucle,
                  kRondasSinPagina);
    OutputDebugStringA(linea);
    AbortarPendienteXfer();
}

} // namespace zel

using namespace zel;

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
