// The native transfer loop: every page of the batch as a DIB in global
// memory, held in ahImagenes or, during a multi-page acquisition, handed to
// the page writer; and EsperarANativeXfer, the one-call native acquisition.
#include "session/session.h"

#include "pages/multipage_state.h"
#include "pages/page_writer.h"
#include "session/diagnostics.h"
#include "session/transfer_loops.h"

#include <algorithm>

namespace zel {
namespace {

// Native batches run since the library was loaded: EsperarANativeXfer tells
// by it whether its own call ran one.
uint32_t nLotesNativos = 0;

// The page writer takes the pages held in slots 0 to nImagen and frees
// them; their slots are emptied so that no freed handle stays behind.
void EntregarPaginas() {
    int retenidas = nImagen + 1;
    GuardarPaginas();
    std::fill(ahImagenes, ahImagenes + retenidas, HGLOBAL(0));
}

// Makes room when every slot is taken: a multi-page acquisition writes the
// 100 held pages out and goes on from slot 0; a single-image acquisition
// only wants its first page, so the new one is released.  False when the
// page was released.
bool HacerSitio(HGLOBAL dib) {
    nImagen = kMaxImagenes - 1;
    if (!bAdquisicionMultipagina) {
        OutputDebugStringA("ZELTW: All image slots taken; page released.\n");
        LiberadorDeMemoria(dib);
        return false;
    }
    OutputDebugStringA("ZELTW: All image slots taken; held pages written out.\n");
    EntregarPaginas();
    nImagen = 0;
    return true;
}

// Keeps a transferred page in slot nImagen.  Colour pages of a multi-page
// acquisition go to the page writer at once; in a single-image acquisition
// every page stays the caller's.
void GuardarPagina(HGLOBAL dib) {
    if (nImagen >= kMaxImagenes && !HacerSitio(dib))
        return;
    ahImagenes[nImagen] = dib;
    if (bAdquisicionMultipagina && ObtenProfundidaBit() >= 24)
        EntregarPaginas();
}

// One page: true when a DIB was transferred.  A page that fails or is
// cancelled gives its slot to the next page; one whose image information
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
    GuardarPagina(dib);
    return true;
}

} // namespace

void XferNativa() {
    nLotesNativos += 1;
    nImagen = 0;
    std::fill(ahImagenes, ahImagenes + kMaxImagenes, HGLOBAL(0));
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

void LiberarPaginasRetenidas() {
    for (int i = 1; i <= std::min(nImagen, kMaxImagenes - 1); ++i) {
        if (ahImagenes[i] != 0)
            LiberadorDeMemoria(ahImagenes[i]);
        ahImagenes[i] = 0;
    }
    nImagen = -1;
}

} // namespace zel

using namespace zel;

ZELTW32_API(HGLOBAL) EsperarANativeXfer(HWND hWnd) {
    if (!PonXferMech(TWSX_NATIVE))
        InformeUltimoError("Error setting Native Transfer mode");
    uint32_t lotes = nLotesNativos;
    EsperarXfer(hWnd);
    return nLotesNativos != lotes ? ahImagenes[0] : 0;
}
