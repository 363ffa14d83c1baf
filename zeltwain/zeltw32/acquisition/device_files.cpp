// AdquirirMultipaginaXDispositivo: the device writes the files itself by
// file transfer, in a format it offers; the file transfer loop names the
// later pages after the output and merges TIFF pages into one document.
#include "zeltw32.h"

#include "acquisition/acquisition_open.h"
#include "acquisition/device_options.h"
#include "pages/multipage_state.h"
#include "acquisition/output_name.h"
#include "pages/page_writer.h"
#include "session/session.h"

namespace zel {
namespace {

bool PrepararArchivoDispositivo() {
    TW_SETUPFILEXFER archivo{};
    lstrcpynA(archivo.FileName, szArchivoSalida, sizeof archivo.FileName);
    archivo.Format = nFormatoArchivo;
    archivo.VRefNum = 0;
    return ZEL_DS(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &archivo) != 0;
}

} // namespace
} // namespace zel

using namespace zel;

// The failures after the device was opened leave it open (state 4).
ZELTW32_API(int) AdquirirMultipaginaXDispositivo(HWND hWnd, int nFormato, LPSTR szArchivo) {
    HWND w = EmpezarMultipagina(hWnd, nFormato);
    if (nEstado < ZEL_DISP_ABIERTO || !OfreceFormato(nFormatoArchivo))
        return 0;
    char nombre[kTamArchivoSalida];
    if (!ElegirArchivoSalida(szArchivo, nombre))
        return -1;
    lstrcpynA(szArchivoSalida, nombre, kTamArchivoSalida);
    if (!PrepararArchivoDispositivo() || !ActivarAlimentador())
        return 0;
    NegociarContadorXfer(-1);
    if (!PonXferMech(TWSX_FILE))
        InformeUltimoError("Error en la configuraci\xF3n del dispositivo");
    OlvidarPaginaPerdida();
    PonLoteDeArchivos(LoteDeArchivos::DeAdquisicion);
    int32_t terminadas = FinDeFuentes.veces;
    EsperarXfer(w);
    PonLoteDeArchivos(LoteDeArchivos::DelAnfitrion);
    // A source that reads its mechanism back as native delivers DIBs this
    // operation has no use for; they belong to it all the same, so they are
    // released rather than left for a later operation.
    SoltarPaginasRetenidas();
    AbortarPendienteXfer();
    DescargarManejadorDispositivo();
    return FinDeFuentes.veces == terminadas ? 1 : 0;
}
