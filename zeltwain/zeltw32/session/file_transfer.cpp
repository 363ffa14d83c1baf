// The file transfer loop: the source writes page 1 into szArchivoSalida and
// each later page into the next page file; TIFF pages are merged into the
// output document as they come, other formats stay separate files.
//
// Only the batches of a device-files acquisition are named after its output,
// merged and cleaned up: a host that drives a file transfer itself has its
// pages written where it said, and no file of an earlier acquisition is
// named, merged or deleted.
// A page file is removed before its transfer, so that only what the device
// writes now is merged, and deleted only once the closed document has read
// back with every merged page: a page that cannot be merged, or whose
// document could not be written, stays on disk and is named in the batch's
// report.
#include "session/session.h"

#include "pages/multipage_state.h"
#include "pages/page_names.h"
#include "pages/page_writer.h"
#include "pages/tiff_document.h"
#include "session/transfer_loops.h"

#include <algorithm>
#include <string>
#include <vector>

namespace zel {
namespace {

// The page files merged into the open document, and the pages the document
// held when it was opened (the device's page 1).
std::vector<std::string> aFusionadas;
int nPaginasIniciales = 0;

// Whom the file batches belong to: only a device-files acquisition's have
// their files named, merged and deleted by the loop.
LoteDeArchivos eLote = LoteDeArchivos::DelAnfitrion;

bool DeAdquisicion() {
    return eLote == LoteDeArchivos::DeAdquisicion;
}

// Tries to end a transferred page this many times: a source that refused
// once may accept the next request, and the page is never asked for again.
constexpr int kIntentosDeFin = 3;

// Pages a source still holds when the rest of its batch is dropped; an
// unknown count is taken as one.
int PaginasRestantes(TW_UINT16 pendientes) {
    return pendientes == 0xFFFF ? 1 : pendientes;
}

// Tells the source where page k + 1 goes: the page file numbered k.  False
// when that name would not fit (nothing is sent) or the source refuses it
// (it would write the page over another): the pages left are reported.
bool PrepararPaginaSiguiente(long k, TW_UINT16 pendientes) {
    TW_SETUPFILEXFER archivo{};
    if (!NombreDePagina(k, archivo.FileName)) {
        OutputDebugStringA("ZELTW: Page file name too long; the rest of the batch is dropped.\n");
        InformarPaginasPendientes(szArchivoSalida, PaginasRestantes(pendientes), false);
        return false;
    }
    archivo.Format = nFormatoArchivo;
    archivo.VRefNum = 0;
    if (ZEL_DS(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &archivo))
        return true;
    OutputDebugStringA("ZELTW: Page file name refused; the rest of the batch is dropped.\n");
    InformarPaginasPendientes(szArchivoSalida, PaginasRestantes(pendientes), true);
    return false;
}

// Removes what an earlier run left under the name of page file k, before
// the device writes the page there.
void DespejarArchivoDePagina(long k) {
    char nombre[kTamArchivoSalida];
    if (NombreDePagina(k, nombre))
        DeleteFileA(nombre);
}

// Whether the device wrote page file k, as it said: a page it reports done
// without a file is lost, and no merge or report names a file that is not
// there.
bool PaginaEscrita(long k) {
    char nombre[kTamArchivoSalida];
    OFSTRUCT of{};
    if (!NombreDePagina(k, nombre) || OpenFile(nombre, &of, OF_EXIST) != HFILE_ERROR)
        return true;
    OutputDebugStringA("ZELTW: the device reported a page done but wrote no file.\n");
    InformarPaginaInutilizable(nombre);
    return false;
}

bool AbrirDocumentoDeArchivos() {
    hMultiPagina = AbrirDocumentoTiff(szArchivoSalida);
    if (!hMultiPagina) {
        OutputDebugStringA("ZELTW: the device's first page cannot be opened as the document.\n");
        return false;
    }
    nPaginasIniciales = FreeImage_GetPageCount(hMultiPagina);
    aFusionadas.clear();
    return true;
}

// Appends page file k (the page just transferred) to the output document.
// Page 0 is the document itself.  A page that cannot be merged stays in its
// file.
void FusionarPagina(long k) {
    char nombre[kTamArchivoSalida];
    if (nFormatoArchivo != TWFF_TIFF || k == 0 || !NombreDePagina(k, nombre))
        return;
    if ((hMultiPagina || AbrirDocumentoDeArchivos()) && AnadirPaginaDeArchivo(hMultiPagina, nombre))
        aFusionadas.push_back(nombre);
    else
        InformarPaginaConservada(nombre);
}

// The page just transferred has ended as page file pagina - 1: the next
// page is named, then this one merged (when the device delivered it).
// False when no page follows, or when the next page has no name (what is
// pending is then dropped).
bool PasarALaSiguiente(long pagina, bool transferida, TW_UINT16 pendientes) {
    bool preparada = pendientes != 0 && PrepararPaginaSiguiente(pagina, pendientes);
    if (transferida)
        FusionarPagina(pagina - 1);
    if (pendientes != 0 && !preparada)
        AbortarPendienteXfer();
    return preparada;
}

// Ends the page just transferred.  A refused end leaves the source in state
// 7 with that page: only the end is asked again, never the page, so that a
// page the device wrote is neither asked for twice nor lost.
bool TerminarPagina(TW_PENDINGXFERS *pendientes) {
    for (int intento = 0; intento < kIntentosDeFin; ++intento) {
        if (ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, pendientes))
            return true;
        if (nEstado != ZEL_TRANSFIRIENDO)
            return false;
    }
    OutputDebugStringA("ZELTW: File transfer: the end of a page is refused; batch ended.\n");
    return false;
}

// Writes the merged document back and reads it again: only when it holds
// every merged page are their files deleted.  Its pages are the device's own
// files, merged unchanged; FreeImage's default TIFF compression (LZW) is
// lossless.
void CerrarDocumentoDeArchivos() {
    if (!hMultiPagina)
        return;
    bool cerrado = CerrarDocumentoTiff(hMultiPagina, TIFF_DEFAULT);
    hMultiPagina = nullptr;
    int paginas = PaginasDeTiff(szArchivoSalida);
    bool completo = cerrado && paginas == nPaginasIniciales + int(aFusionadas.size());
    if (!completo)
        OutputDebugStringA("ZELTW: merged document incomplete; its page files are kept.\n");
    if (paginas == 0)
        InformarPaginaPerdida(szArchivoSalida, std::max(nPaginasIniciales, 1));
    for (const std::string &nombre : aFusionadas) {
        if (completo)
            DeleteFileA(nombre.c_str());
        else
            InformarPaginaConservada(nombre.c_str());
    }
    aFusionadas.clear();
}

// One page of the batch: false when the batch is over.  Only a running
// acquisition's pages are named, merged and cleaned up.
bool TransferirArchivo(long pagina, int *sinPagina) {
    TW_IMAGEINFO info;
    if (!ZEL_DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info)) {
        // Nothing more comes: the batch is dropped, so the session does not
        // stay in state 6 with nothing to announce it.
        AbortarPendienteXfer();
        return false;
    }
    if (DeAdquisicion())
        DespejarArchivoDePagina(pagina - 1);
    bool transferida = ZEL_DS(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr) &&
                       (!DeAdquisicion() || PaginaEscrita(pagina - 1));
    *sinPagina = transferida ? 0 : *sinPagina + 1;
    if (transferida && eLote == LoteDeArchivos::EnMemoria)
        OutputDebugStringA("ZELTW: page lost: the source wrote it to a file, not to memory.\n");
    TW_PENDINGXFERS pendientes{};
    if (!TerminarPagina(&pendientes)) {
        // A page the device wrote whole is merged all the same.
        if (transferida && DeAdquisicion())
            FusionarPagina(pagina - 1);
        return false;
    }
    if (!DeAdquisicion())
        return pendientes.Count != 0;
    return PasarALaSiguiente(pagina, transferida, pendientes.Count);
}

} // namespace

void XferArchivo() {
    int sinPagina = 0;
    bool seguir = true;
    for (long pagina = 1; seguir; ++pagina) {
        seguir = TransferirArchivo(pagina, &sinPagina);
        if (seguir && sinPagina >= kRondasSinPagina) {
            AbandonarLote("File");
            seguir = false;
        }
    }
    if (!DeAdquisicion())
        return;
    CerrarDocumentoDeArchivos();
    MostrarPaginasPerdidas();
}

void PonLoteDeArchivos(LoteDeArchivos lote) {
    eLote = lote;
}

} // namespace zel
