// The helper's message pump between requests: each message goes first to
// the enabled sources; the events they answer are posted to the library's
// window, and a message a source took is not dispatched.
#include "helper/helper.h"

namespace zel::puente {

namespace {

bool EsEventoParaBiblioteca(TW_UINT16 mensaje) {
    return mensaje == MSG_XFERREADY || mensaje == MSG_CLOSEDSREQ || mensaje == MSG_CLOSEDSOK;
}

void Reenviar(const Habilitada &habilitada, TW_UINT16 mensaje) {
    static const UINT evento = RegisterWindowMessageA("ZELTW.PuenteEvento");
    Traza("event " + std::to_string(mensaje) + " relayed to the library");
    if (!PostMessageA(habilitada.ventanaBiblioteca, evento, mensaje, 0))
        Traza("the library's window takes no event");
}

// Whether a source took the message.
bool EntregarAFuentes(MSG &mensaje) {
    Ayudante &estado = Estado();
    for (size_t i = 0; i < estado.habilitadas.size(); ++i) {
        Habilitada habilitada = estado.habilitadas[i];
        TW_EVENT evento{&mensaje, MSG_NULL};
        TW_UINT16 rc = estado.entrada(&estado.aplicacion, &habilitada.fuente, DG_CONTROL, DAT_EVENT,
                                      MSG_PROCESSEVENT, &evento);
        if (EsEventoParaBiblioteca(evento.TWMessage))
            Reenviar(habilitada, evento.TWMessage);
        if (rc == TWRC_DSEVENT)
            return true;
    }
    return false;
}

// A WM_QUIT a source posts does not end the helper: the pipe does.
void AtenderMensajes() {
    MSG mensaje;
    while (PeekMessageA(&mensaje, 0, 0, 0, PM_REMOVE)) {
        if (mensaje.message == WM_QUIT || EntregarAFuentes(mensaje))
            continue;
        TranslateMessage(&mensaje);
        DispatchMessageA(&mensaje);
    }
}

} // namespace

bool EsperarConMensajes(HANDLE evento) {
    for (;;) {
        DWORD r =
            MsgWaitForMultipleObjectsEx(1, &evento, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 1)
            return false;
        AtenderMensajes();
    }
}

} // namespace zel::puente
