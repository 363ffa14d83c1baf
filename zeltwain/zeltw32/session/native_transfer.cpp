// The native transfer loop: every page of the batch as a DIB in global
// memory, held in ahImagenes or handed to the destination of the running
// operation; and EsperarANativeXfer, the one-call native acquisition.
//
// The pages of a batch belong to the operation that ran it: a destination
// takes them as they come, EsperarANativeXfer hands slot 0 to its caller
// and releases the rest, and pages that no one took are released before the
// next batch, so that no page is handed out twice or written into another
// operation's output.
#include "dib/dib_layout.h"
#include "session/session.h"

#include "session/diagnostics.h"
#include "session/transfer_loops.h"
#include "session/transferred_page.h"

#include <algorithm>

namespace zel {
namespace {

// Native batches run since the library was loaded: EsperarANativeXfer tells
// by it whether its own call ran one.
uint32_t nLotesNativos = 0;

DestinoDePaginas *pDestino = nullptr;

bool HayPaginasRetenidas() {
    for (HGLOBAL h : ahImagenes)
        if (h != 0)
            return true;
    return false;
}

// Before a batch: pages still held from an earlier one go to the running
// operation's destination, or are released when there is none.
void DespejarRanuras() {
    if (!HayPaginasRetenidas()) {
        nImagen = -1;
        return;
    }
    if (pDestino) {
        OutputDebugStringA("ZELTW: pages of the earlier batch handed over before a new batch.\n");
        pDestino->TomarPaginas();
    } else {
        OutputDebugStringA("ZELTW: pages of an earlier batch that no one took released.\n");
    }
    SoltarPaginasRetenidas();
}

// Makes room when every slot is taken: a destination takes the 100 held
// pages and the batch goes on from slot 0; without one, only the first page
// can reach a caller, so the new page is released.  False when the page was
// released.
bool HacerSitio(HGLOBAL dib) {
    nImagen = kMaxImagenes - 1;
    if (!pDestino) {
        OutputDebugStringA("ZELTW: page lost: every image slot taken; page released.\n");
        LiberadorDeMemoria(dib);
        return false;
    }
    OutputDebugStringA("ZELTW: All image slots taken; held pages written out.\n");
    pDestino->TomarPaginas();
    nImagen = 0;
    return true;
}

// Keeps a transferred page in slot nImagen and tells the destination.
void GuardarPagina(HGLOBAL dib) {
    if (nImagen >= kMaxImagenes && !HacerSitio(dib))
        return;
    ahImagenes[nImagen] = dib;
    if (pDestino)
        pDestino->PaginaRecibida();
}

// Whether the handle is already held in a slot of this batch: a driver that
// hands the same block over twice would otherwise have it freed twice.
bool YaRetenida(HGLOBAL dib) {
    return std::find(ahImagenes, ahImagenes + kMaxImagenes, dib) != ahImagenes + kMaxImagenes;
}

// A block of the source's is freed; a value Windows does not know, or one a
// slot still holds, is left alone.
void DescartarPagina(HGLOBAL dib, bool repetida) {
    OutputDebugStringA(repetida ? "ZELTW: native page handed over twice; dropped.\n"
                                : "ZELTW: native page with an unusable DIB dropped.\n");
    if (!repetida)
        LiberarBloqueEntregado(dib);
    if (pDestino)
        pDestino->PaginaPerdida();
    else
        OutputDebugStringA("ZELTW: page lost: unusable DIB.\n");
}

// One page: true when a usable DIB was transferred.  A page that fails, is
// cancelled or comes unusable gives its slot to the next page; one whose image information
// could not be read is not transferred and leaves its slot empty.
bool TransferirPagina() {
    TW_IMAGEINFO info;
    if (!ZEL_DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info))
        return false;
    HGLOBAL dib = 0;
    if (!ZEL_DS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib)) {
        nImagen -= 1;
        return false;
    }
    bool repetida = dib && YaRetenida(dib);
    if (repetida || !PaginaUtilizable(dib)) {
        DescartarPagina(dib, repetida);
        nImagen -= 1;
        return false;
    }
    CompletarResolucion(dib);
    GuardarPagina(dib);
    return true;
}

} // namespace

void XferNativa() {
    nLotesNativos += 1;
    OlvidarResolucionDelLote();
    DespejarRanuras();
    nImagen = 0;
    ZEL_AFIRMAR(nEstado == ZEL_TRANSFER_LISTA);
    int sinPagina = 0;
    bool seguir = true;
    while (seguir) {
        sinPagina = TransferirPagina() ? 0 : sinPagina + 1;
        TW_PENDINGXFERS pendientes{};
        seguir =
            ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendientes) && pendientes.Count != 0;
        if (seguir && sinPagina >= kRondasSinPagina) {
            AbandonarLote("Native");
            seguir = false;
        }
        if (seguir)
            nImagen += 1;
    }
}

void PonDestinoDePaginas(DestinoDePaginas *destino) {
    pDestino = destino;
}

void SoltarPaginasRetenidas() {
    for (HGLOBAL &h : ahImagenes) {
        if (h != 0) {
            OutputDebugStringA("ZELTW: page lost: released, no operation took it.\n");
            LiberadorDeMemoria(h);
        }
        h = 0;
    }
    nImagen = -1;
}

} // namespace zel

using namespace zel;

ZELTW32_API(HGLOBAL) EsperarANativeXfer(HWND hWnd) {
    if (!PonXferMech(TWSX_NATIVE))
        InformeUltimoError("Error setting Native Transfer mode");
    uint32_t lotes = nLotesNativos;
    PonLoteDeArchivos(LoteDeArchivos::EnMemoria);
    EsperarXfer(hWnd);
    PonLoteDeArchivos(LoteDeArchivos::DelAnfitrion);
    if (nLotesNativos == lotes)
        return 0;
    // The first page that arrived is the caller's now (slot 0, unless its
    // image information failed); the later pages, which no caller can reach,
    // are released.
    HGLOBAL *primera =
        std::find_if(ahImagenes, ahImagenes + kMaxImagenes, [](HGLOBAL h) { return h; });
    HGLOBAL pagina = primera == ahImagenes + kMaxImagenes ? HGLOBAL(0) : *primera;
    if (pagina)
        *primera = 0;
    SoltarPaginasRetenidas();
    return pagina;
}
