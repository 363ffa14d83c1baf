// The file transfer loop: the source writes page 1 into szArchivoSalida and
// each later page into the next page file; TIFF pages are merged into the
// output document as they come, other formats stay separate files.
//
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

#include <string>
#include <vector>

namespace zel {
namespace {

// The page files merged into the open document, and the pages the document
// held when it was opened (the device's page 1).
std::vector<std::string> aFusionadas;
int nPaginasIniciales = 0;

// Tells the source where page k + 1 goes: the page file numbered k.  False,
// with nothing sent, when that name would not fit.
bool PrepararPaginaSiguiente(long k) {
    TW_SETUPFILEXFER archivo{};
    if (!NombreDePagina(k, archivo.FileName)) {
        OutputDebugStringA("ZELTW: Page file name too long; the rest of the batch is dropped.\n");
        InformarPaginaPerdida(szArchivoSalida);
        return false;
    }
    archivo.Format = nFormatoArchivo;
    archivo.VRefNum = 0;
    ZEL_DS(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &archivo);
    return true;
}

// Removes what an earlier run left under the name of page file k, before
// the device writes the page there.
void DespejarArchivoDePagina(long k) {
    char nombre[kTamArchivoSalida];
    if (NombreDePagina(k, nombre))
        DeleteFileA(nombre);
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
bool PasarALaSiguiente(long pagina, bool transferida, bool pendientes) {
    bool preparada = pendientes && PrepararPaginaSiguiente(pagina);
    if (transferida)
        FusionarPagina(pagina - 1);
    if (pendientes && !preparada)
        AbortarPendienteXfer();
    return preparada;
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
        InformarPaginaPerdida(szArchivoSalida);
    for (const std::string &nombre : aFusionadas) {
        if (completo)
            DeleteFileA(nombre.c_str());
        else
            InformarPaginaConservada(nombre.c_str());
    }
    aFusionadas.clear();
}

} // namespace

void XferArchivo() {
    long pagina = 1;
    int sinPagina = 0;
    bool seguir = true;
    bool transferida = false;
    while (seguir) {
        TW_IMAGEINFO info;
        if (!ZEL_DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info))
            break;
        // A page written whole whose end was refused is not removed: the
        // device may not write it again.
        if (!transferida)
            DespejarArchivoDePagina(pagina - 1);
        transferida = ZEL_DS(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
        sinPagina = transferida ? 0 : sinPagina + 1;
        // A refused end leaves the page pending: the next round's image
        // information decides whether the batch goes on.
        TW_PENDINGXFERS pendientes{};
        if (ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendientes)) {
            seguir = PasarALaSiguiente(pagina, transferida, pendientes.Count != 0);
            pagina += 1;
            transferida = false;
        }
        if (seguir && sinPagina >= kRondasSinPagina) {
            AbandonarLote("File");
            seguir = false;
        }
    }
    // A page the device wrote whole but never ended is merged all the same.
    if (transferida)
        FusionarPagina(pagina - 1);
    CerrarDocumentoDeArchivos();
    MostrarPaginasPerdidas();
}

} // namespace zel
