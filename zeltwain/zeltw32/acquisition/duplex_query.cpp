// EsDuplex: whether a source of the manager's list scans both sides.  A
// duplex source is left open for the host; any other is closed again.
#include "zeltw32.h"

#include "acquisition/acquisition_open.h"
#include "capabilities/capabilities.h"
#include "session/diagnostics.h"
#include "session/session.h"

using namespace zel;

ZELTW32_API(BOOL) EsDuplex(HWND hWnd, int nIndice) {
    if (!AbrirManejadorDispositivo(hWnd))
        MensajeError(kSinManejador);
    else if (!AbrirDispositivo(nIndice))
        InformeUltimoError(kSinDispositivo);
    else
        ZEL_AFIRMAR(nEstado == ZEL_DISP_ABIERTO);
    if (nEstado != ZEL_DISP_ABIERTO)
        return 0;
    // TWDX_1PASSDUPLEX or TWDX_2PASSDUPLEX
    TW_UINT32 duplex = 0;
    if (LeerCapacidad(MSG_GET, CAP_DUPLEX, TWTY_UINT16, &duplex) && duplex != 0)
        return 1;
    if (!CerrarManejadorDispositivo(hWnd))
        CerrarDispositivo();
    return 0;
}
