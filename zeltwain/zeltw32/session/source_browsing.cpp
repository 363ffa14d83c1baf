// Listing the manager's sources and its selection dialog.  These operations
// open the manager only for their own use and walk the session back to the
// state they found.
#include "session/session.h"

namespace zel {
namespace {

using Pasos = BOOL (*)(TW_IDENTITY *identidad);

// Copies a product name into the caller's 34-byte buffer; a NULL buffer
// receives nothing.
void CopiarNombre(LPSTR destino, const TW_IDENTITY &identidad) {
    if (destino)
        lstrcpynA(destino, identidad.ProductName, sizeof(TW_STR32));
}

BOOL Identidad(TW_UINT16 msg, TW_IDENTITY *identidad) {
    return ZEL_DSM(DG_CONTROL, DAT_IDENTITY, msg, identidad);
}

// The frame shared by the four operations: open the manager if needed, run
// the operation's triplets on a zeroed identity, hand out the name, and
// restore the state found.
BOOL ConManejadorTemporal(HWND hWnd, LPSTR szNombre, bool copiaNombre, Pasos pasos) {
    int estadoInicial = nEstado;
    BOOL resultado = 0;
    if (nEstado < ZEL_SM_ABIERTO && !AbrirManejadorDispositivo(hWnd)) {
        MensajeError("Incapaz de abrir el DriverTwain de (TWAIN_32.DLL)");
    } else {
        TW_IDENTITY identidad{};
        resultado = pasos(&identidad);
        if (copiaNombre)
            CopiarNombre(szNombre, identidad);
    }
    if (estadoInicial < ZEL_SM_ABIERTO)
        CerrarManejadorDispositivo(hWnd);
    if (estadoInicial < ZEL_SM_CARGADO)
        DescargarManejadorDispositivo();
    return resultado;
}

BOOL PasosSeleccion(TW_IDENTITY *identidad) {
    return Identidad(MSG_USERSELECT, identidad);
}
BOOL PasosXDefecto(TW_IDENTITY *identidad) {
    return Identidad(MSG_GETDEFAULT, identidad);
}
BOOL PasosPrimero(TW_IDENTITY *identidad) {
    return Identidad(MSG_GETFIRST, identidad);
}

// Walks the list from its start each time: MSG_GETFIRST, then exactly
// nIndiceEscaner MSG_GETNEXT, so the manager may be closed between calls.
BOOL PasosSiguiente(TW_IDENTITY *identidad) {
    if (!Identidad(MSG_GETFIRST, identidad))
        return 0;
    BOOL resultado = 0;
    for (int i = 0; i < nIndiceEscaner; ++i)
        resultado = Identidad(MSG_GETNEXT, identidad);
    return resultado;
}

} // namespace
} // namespace zel

using namespace zel;

ZELTW32_API(BOOL) SeleccionarDispositivo(HWND hWnd) {
    return ConManejadorTemporal(hWnd, nullptr, false, PasosSeleccion);
}

ZELTW32_API(BOOL) MostrarEscanerXDefecto(HWND hWnd, LPSTR szNombre) {
    nIndiceEscaner = 0;
    return ConManejadorTemporal(hWnd, szNombre, true, PasosXDefecto);
}

ZELTW32_API(BOOL) MostrarPrimerEscaner(HWND hWnd, LPSTR szNombre) {
    nIndiceEscaner = 0;
    return ConManejadorTemporal(hWnd, szNombre, true, PasosPrimero);
}

ZELTW32_API(BOOL) MostrarSiguienteEscaner(HWND hWnd, LPSTR szNombre) {
    nIndiceEscaner += 1;
    return ConManejadorTemporal(hWnd, szNombre, true, PasosSiguiente);
}
