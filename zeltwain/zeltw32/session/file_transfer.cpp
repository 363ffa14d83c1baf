// The file transfer loop: the source writes page 1 into szArchivoSalida and
// each later page into the next page file; TIFF pages are merged into the
// output document as they come, other formats stay separate files.
#include "session/session.h"

#include "pages/multipage_state.h"
#include "pages/page_names.h"
#include "pages/page_writer.h"
#include "pages/tiff_document.h"
#include "session/transfer_loops.h"

namespace zel {
namespace {

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

// Appends page file k (the page just transferred) to the output document
// and deletes it, merged or not.  Page 0 is the document itself.
void FusionarPagina(long k) {
    char nombre[kTamArchivoSalida];
    if (nFormatoArchivo != TWFF_TIFF || k == 0 || !NombreDePagina(k, nombre))
        return;
    if (!hMultiPagina)
        hMultiPagina = AbrirDocumentoTiff(szArchivoSalida);
    if (!hMultiPagina || !AnadirPaginaDeArchivo(hMultiPagina, nombre))
        InformarPaginaPerdida(nombre);
    DeleteFileA(nombre);
}

// The page just transferred has ended as page file pagina - 1: the next
// page is named, then this one merged.  False when no page follows, or when
// the next page has no name (what is pending is then dropped).
bool PasarALaSiguiente(long pagina, bool pendientes) {
    bool preparada = pendientes && PrepararPaginaSiguiente(pagina);
    FusionarPagina(pagina - 1);
    if (pendientes && !preparada)
        AbortarPendienteXfer();
    return preparada;
}

// Writes the merged document back.  Its pages are the device's own files,
// merged unchanged; FreeImage's default TIFF compression (LZW) is lossless.
void CerrarDocumentoDeArchivos() {
    if (!hMultiPagina)
        return;
    if (!CerrarDocumentoTiff(hMultiPagina, TIFF_DEFAULT))
        InformarPaginaPerdida(szArchivoSalida);
    hMultiPagina = nullptr;
}

} // namespace

void XferArchivo() {
    long pagina = 1;
    int sinPagina = 0;
    bool seguir = true;
    while (seguir) {
        TW_IMAGEINFO info;
        if (!ZEL_DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info))
            break;
        bool transferida = ZEL_DS(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
        sinPagina = transferida ? 0 : sinPagina + 1;
        // A refused end leaves the page pending: the next round's image
        // information decides whether the batch goes on.
        TW_PENDINGXFERS pendientes{};
        if (ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendientes)) {
            seguir = PasarALaSiguiente(pagina, pendientes.Count != 0);
            pagina += 1;
        }
        if (seguir && sinPagina >= kRondasSinPagina) {
            AbandonarLote("File");
            seguir = false;
        }
    }
    CerrarDocumentoDeArchivos();
}

} // namespace zel
