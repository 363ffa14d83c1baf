// The one-call acquisitions of a single image: into global memory, onto the
// clipboard, into a bitmap file.  Each starts from any session state and
// leaves the manager unloaded, but for a failed pixel-type negotiation,
// which leaves the source open for the host to try again.
#include "zeltw32.h"

#include "acquisition/acquisition_open.h"
#include "session/diagnostics.h"
#include "session/session.h"

using namespace zel;

ZELTW32_API(HGLOBAL) AdquirirEnMemoria(HWND hWnd, DWORD dwMascaraPixel) {
    BorrarError();
    HWND w = ValidarVentana(hWnd);
    if (nEstado < ZEL_DISP_HABILITADO && AbrirParaAdquirir(w)) {
        if (!NegociarTipoPixel(int(dwMascaraPixel))) {
            InformeUltimoError("Fallo al introducir el valor pixel.");
            return 0;
        }
        ZEL_AFIRMAR(nEstado == ZEL_DISP_ABIERTO);
    }
    HGLOBAL hDib = 0;
    if (nEstado >= ZEL_DISP_ABIERTO) {
        hDib = EsperarANativeXfer(w);
        AbortarPendienteXfer();
    }
    DescargarManejadorDispositivo();
    return hDib;
}

ZELTW32_API(BOOL) AdquirirEnPortaPapeles(HWND hWnd, DWORD dwMascaraPixel) {
    HGLOBAL hDib = AdquirirEnMemoria(hWnd, dwMascaraPixel);
    if (hDib == 0)
        return 0;
    // The clipboard belongs to the caller's window as given, not the proxy.
    BOOL abierto = OpenClipboard(hWnd);
    BOOL colocado = abierto && EmptyClipboard() && SetClipboardData(CF_DIB, hDib) != 0;
    // Once accepted the DIB is the clipboard's and must not be freed here.
    if (!colocado) {
        OutputDebugStringA("ZELTW: page lost: the clipboard refused it.\n");
        GlobalFree(hDib);
    }
    if (abierto)
        CloseClipboard();
    return colocado;
}

ZELTW32_API(int) AdquirirEnArchivo(HWND hWnd, LPSTR szArchivo) {
    HGLOBAL hDib = AdquirirEnMemoria(hWnd, 0);
    if (hDib == 0)
        return -1;
    int resultado = EscribirEnNombreArchivo(hDib, szArchivo);
    LiberadorDeMemoria(hDib);
    return resultado;
}
