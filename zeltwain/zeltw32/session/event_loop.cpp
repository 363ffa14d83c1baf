// Enabling and disabling the open source, the library's modal message loop,
// and the message filter that hands each message to the source first.
#include "session/session.h"

#include "session/diagnostics.h"

namespace zel {
namespace {

// Whether the open source can run without its user interface.
bool PuedeOcultarUI() {
    TW_UINT32 controlable = 0;
    if (!ObtenActualCapacidad(CAP_UICONTROLLABLE, TWTY_BOOL, &controlable))
        return false;
    return (controlable & 0xFFFF) != 0;
}

} // namespace

void EsperarXfer(HWND hWnd) {
    HWND ventana = ValidarVentana(hWnd);
    // EnableWindow answers whether the window was disabled before.
    bool estabaHabilitada = !EnableWindow(ventana, FALSE);
    if (nEstado == ZEL_TRANSFER_LISTA) {
        DespacharXfer();
    } else if (nEstado < ZEL_DISP_HABILITADO && !HabilitarDispositivo(ventana)) {
        OutputDebugStringA("ZELTW: EnableSource failed.\n");
        InformeUltimoError("Failed to enable Data Source.");
    } else {
        BucleEventosModal();
    }
    if (estabaHabilitada)
        EnableWindow(ventana, TRUE);
}

} // namespace zel

using namespace zel;

ZELTW32_API(int) OcultarUI(int bOcultar) {
    bOcultarUI = bOcultar != 0;
    return bOcultarUI;
}

ZELTW32_API(int) OcutadaUI(void) {
    return bOcultarUI;
}

ZELTW32_API(BOOL) HabilitarDispositivo(HWND hWnd) {
    if (nEstado < ZEL_DISP_ABIERTO && !AbrirDispositivoXDefecto())
        return 0;
    if (!PuedeOcultarUI())
        bOcultarUI = 0;
    InterfazUsuario.ShowUI = bOcultarUI ? 0 : 1;
    InterfazUsuario.hParent = ValidarVentana(hWnd);
    ZEL_DS(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &InterfazUsuario);
    return nEstado == ZEL_DISP_HABILITADO;
}

ZELTW32_API(BOOL) DeshabilitarDispositivo(void) {
    if (nEstado == ZEL_DISP_HABILITADO) {
        if (ZEL_DS(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &InterfazUsuario))
            ZEL_AFIRMAR(nEstado == ZEL_DISP_ABIERTO);
    }
    return nEstado <= ZEL_DISP_ABIERTO;
}

// Runs until the source is disabled, a stop is requested, or a quit message
// arrives (which the loop consumes); conditions tested in that order before
// each wait.
ZELTW32_API(void) BucleEventosModal(void) {
    MSG msg;
    bRomperBucle = 0;
    while (nEstado >= ZEL_DISP_HABILITADO && !bRomperBucle && GetMessageA(&msg, 0, 0, 0) > 0) {
        if (!CapturarMensajes(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    bRomperBucle = 0;
}

ZELTW32_API(void) RomperBucleEventosModal(void) {
    bRomperBucle = 1;
}

ZELTW32_API(BOOL) CapturarMensajes(LPMSG pMsg) {
    if (nEstado < ZEL_DISP_HABILITADO || !pMsg)
        return 0;
    TW_EVENT evento{};
    evento.pEvent = pMsg;
    evento.TWMessage = MSG_NULL;
    ZEL_DS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &evento);
    BOOL resultado = nUltimoRC == TWRC_DSEVENT;
    if (evento.TWMessage == MSG_XFERREADY)
        DespacharXfer();
    else if (evento.TWMessage == MSG_CLOSEDSREQ)
        DeshabilitarDispositivo();
    return resultado;
}
