// AdquirirMultipagina: a stack of paper from the feeder into one multi-page
// TIFF document or a numbered series of files, written by the page writer
// as the native transfer loop delivers the pages.  Two-sided scanning uses
// the device's duplex when it has one, else a manual duplex: the fronts,
// then the stack turned over, then the backs.
#include "zeltw32.h"

#include "acquisition/acquisition_open.h"
#include "acquisition/device_options.h"
#include "pages/multipage_state.h"
#include "acquisition/output_name.h"
#include "pages/page_writer.h"
#include "session/session.h"

namespace zel {
namespace {

constexpr char kTituloDuplex[] = "D\xFAplex Manual";
constexpr char kPulseBoton[] =
    "Introduzca ahora las p\xE1ginas pares \n\r y pulse de nuevo el bot\xF3n para escanear";
constexpr char kPulseAceptar[] =
    "Introduzca ahora las p\xE1ginas pares \n\r y pulse aceptar para continuar";
constexpr char kErrorConfiguracion[] = "Error en la configuraci\xF3n del dispositivo";
constexpr char kSinSegundaPasada[] =
    "No se ha podido abrir de nuevo el esc\xE1ner para escanear las p\xE1ginas pares. "
    "Las p\xE1ginas impares escaneadas se han guardado.";

// Every page of the feeder, in one batch.
void PrepararAlimentador() {
    if (ActivarAlimentador())
        NegociarContadorXfer(-1);
}

// Feeder, transfer count, duplex and native transfer for the open source.
void PrepararDispositivo() {
    PrepararAlimentador();
    if (bForzarDuplex) {
        nModoDuplex = 1;
    } else {
        nModoDuplex = NegociarDuplex();
        // The two passes of a negotiated manual duplex keep every side.
        if (nModoDuplex == 1)
            dUmbralBlanco = -1.0;
    }
    if (!PonXferMech(TWSX_NATIVE))
        InformeUltimoError(kErrorConfiguracion);
}

// With the source's interface hidden, the source is closed after the first
// pass and opened and enabled again, so that it scans the turned stack at
// once.  The same source is opened again, by the identity it had, never the
// default one nor one found by name: a host that chose another scanner gets
// the backs from that scanner, and when that scanner cannot be opened again
// no backs are scanned at all.  A reopened source starts from its own
// settings, so its feeder is set up again.  False when it was not enabled.
bool ReabrirParaSegundaPasada(HWND w) {
    TW_IDENTITY mismo = IdentidadDisp;
    AbortarPendienteXfer();
    DescargarManejadorDispositivo();
    if (!AbrirManejadorDispositivo(w) || !AbrirDispositivoIgual(mismo)) {
        OutputDebugStringA("ZELTW: manual duplex: the source cannot be opened again.\n");
        MensajeError(kSinSegundaPasada);
        return false;
    }
    PrepararAlimentador();
    return HabilitarDispositivo(w);
}

void SegundaPasada(HWND w) {
    if (HayPaginasPorEscribir())
        GuardarPaginas();
    nPasada = 2;
    OutputDebugStringA("ZELTW: manual duplex: second pass\n");
    MessageBoxA(w, bOcultarUI ? kPulseAceptar : kPulseBoton, kTituloDuplex,
                MB_OK | MB_ICONINFORMATION);
    if (!bOcultarUI || ReabrirParaSegundaPasada(w))
        BucleEventosModal();
}

void Escanear(HWND w) {
    if (!HabilitarDispositivo(w)) {
        if (!CerrarManejadorDispositivo(w))
            CerrarDispositivo();
        return;
    }
    BucleEventosModal();
    if (nModoDuplex == 1 && nEstado == ZEL_DISP_HABILITADO)
        SegundaPasada(w);
    AbortarPendienteXfer();
    DescargarManejadorDispositivo();
}

} // namespace
} // namespace zel

using namespace zel;

ZELTW32_API(int) AdquirirMultipagina(HWND hWnd, int nFormato, LPSTR szArchivo) {
    HWND w = EmpezarMultipagina(hWnd, nFormato);
    if (nEstado < ZEL_DISP_ABIERTO) {
        ReiniciarOpciones(true);
        return 0;
    }
    char nombre[kTamArchivoSalida];
    if (!ElegirArchivoSalida(szArchivo, nombre))
        return -1;
    lstrcpynA(szArchivoSalida, nombre, kTamArchivoSalida);
    EmpezarEscritura();
    // Pages held from batches of other operations are no part of this
    // output: only this call's batches are written.
    SoltarPaginasRetenidas();
    PonDestinoDePaginas(&EscritorDePaginas());
    PonLoteDeArchivos(LoteDeArchivos::EnMemoria);
    int32_t terminadas = FinDeFuentes.veces;
    PrepararDispositivo();
    Escanear(w);
    PonLoteDeArchivos(LoteDeArchivos::DelAnfitrion);
    if (HayPaginasPorEscribir())
        GuardarPaginas();
    PonDestinoDePaginas(nullptr);
    CerrarDocumentoMultipagina();
    MostrarPaginasPerdidas();
    ReiniciarOpciones(false);
    return FinDeFuentes.veces == terminadas ? 1 : 0;
}
