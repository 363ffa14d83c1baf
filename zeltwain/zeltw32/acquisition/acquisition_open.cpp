#include "acquisition/acquisition_open.h"

#include "pages/multipage_state.h"
#include "session/diagnostics.h"
#include "session/session.h"

namespace zel {

bool AbrirParaAdquirir(HWND w) {
    if (!AbrirManejadorDispositivo(w)) {
        MensajeError(kSinManejador);
        return false;
    }
    if (!AbrirDispositivoXDefecto()) {
        InformeUltimoError(kSinDispositivo);
        return false;
    }
    return true;
}

HWND EmpezarMultipagina(HWND hWnd, int nFormato) {
    BorrarError();
    nFormatoArchivo = TW_UINT16(nFormato);
    HWND w = ValidarVentana(hWnd);
    if (nEstado < ZEL_DISP_HABILITADO && AbrirParaAdquirir(w))
        ZEL_AFIRMAR(nEstado == ZEL_DISP_ABIERTO);
    return w;
}

} // namespace zel
