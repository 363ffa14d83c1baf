// The page writer: each transferred page goes to FreeImage straight from its
// DIB, is dropped when blank, and is written at its place in reading order
// (see page_order.h), into the multi-page document or as a numbered file.
#include "zeltw32.h"

#include "pages/multipage_state.h"
#include "pages/page_bitmap.h"
#include "pages/page_names.h"
#include "pages/page_order.h"
#include "pages/page_output.h"
#include "pages/page_writer.h"
#include "pages/tiff_document.h"
#include "session/session.h"

#include <algorithm>

namespace zel {
namespace {

// The first call of an acquisition finds the counters as the acquisition
// sets them before it starts.
bool EmpiezaAdquisicion() {
    return nPasada == 1 && nPaginasPrimeraPasada == 0;
}

// Position of the page about to be written.  In the second pass nPagina
// runs 2n-1, 2n-3 ... 1 for the backs of the n sheets of the first pass,
// and below 1 for any page beyond them, which goes after all of them.
long PosicionActual() {
    if (nPasada == 2 && nPagina < 0)
        return 2L * nPaginasPrimeraPasada + (-1L - nPagina) / 2;
    return nPagina;
}

void AvanzarPosicion() {
    if (nPasada == 2)
        nPagina -= 2;
    else
        nPagina += nModoDuplex == 1 ? 2 : 1;
}

// The first page written is saved as the document file itself, which the
// second page opens as the document.
void AnadirAlDocumento(FIBITMAP *pagina, long posicion) {
    if (PaginasEscritas() == 0) {
        if (GuardarPaginaEnArchivo(pagina, szArchivoSalida)) {
            AnotarPagina(posicion);
        } else {
            DeleteFileA(szArchivoSalida);
            InformarPaginaPerdida(szArchivoSalida);
        }
        return;
    }
    if (!hMultiPagina)
        hMultiPagina = AbrirDocumentoTiff(szArchivoSalida);
    FIBITMAP *adaptada = hMultiPagina ? PaginaParaFormato(pagina, FIF_TIFF) : nullptr;
    if (!adaptada) {
        InformarPaginaPerdida(szArchivoSalida);
        return;
    }
    int lugar = LugarDePagina(posicion);
    AnadirPagina(hMultiPagina, adaptada, lugar < PaginasEscritas() ? lugar : -1);
    AnotarPagina(posicion);
    if (adaptada != pagina)
        FreeImage_Unload(adaptada);
}

void GuardarEnSerie(FIBITMAP *pagina, long posicion) {
    int lugar = LugarDePagina(posicion);
    char nombre[kTamArchivoSalida];
    if (!NombreDePagina(lugar, nombre)) {
        OutputDebugStringA("ZELTW: numbered page name too long.\n");
        InformarPaginaPerdida(szArchivoSalida);
        return;
    }
    if (!HacerSitioEnSerie(lugar)) {
        InformarPaginaPerdida(nombre);
        return;
    }
    if (!GuardarPaginaEnArchivo(pagina, nombre)) {
        // Nothing truncated stays under a page's name.
        DeleteFileA(nombre);
        CerrarHuecoEnSerie(lugar);
        InformarPaginaPerdida(nombre);
        return;
    }
    AnotarPagina(posicion);
}

void EscribirPagina(FIBITMAP *pagina) {
    if (nFormatoArchivo == TWFF_TIFFMULTI)
        AnadirAlDocumento(pagina, PosicionActual());
    else if (EsSerieDeArchivos())
        GuardarEnSerie(pagina, PosicionActual());
    else
        OutputDebugStringA("ZELTW: no page output for this format.\n");
}

// A page FreeImage cannot read is lost, not blank: it has no file of its
// own, so the report names the output it is missing from.
void InformarPaginaIlegible() {
    OutputDebugStringA("ZELTW: transferred page cannot be read.\n");
    if (nFormatoArchivo == TWFF_TIFFMULTI || EsSerieDeArchivos())
        InformarPaginaPerdida(szArchivoSalida);
}

void GuardarPagina(HGLOBAL hDib) {
    FIBITMAP *pagina = CargarPaginaDeDib(hDib);
    if (!pagina) {
        InformarPaginaIlegible();
        return;
    }
    if (dUmbralBlanco > -1.0 && EsPaginaEnBlanco(pagina)) {
        OutputDebugStringA("ZELTW: blank page discarded.\n");
        ++nPaginasDescartadas;
    } else {
        EscribirPagina(pagina);
    }
    FreeImage_Unload(pagina);
}

class Escritor final : public DestinoDePaginas {
  public:
    void PaginaRecibida() override {
        if (ObtenProfundidaBit() >= 24)
            GuardarPaginas();
    }
    void TomarPaginas() override {
        if (nImagen > -1)
            GuardarPaginas();
    }
    void PaginaPerdida() override { InformarPaginaIlegible(); }
};

} // namespace

DestinoDePaginas &EscritorDePaginas() {
    static Escritor escritor;
    return escritor;
}

int GuardarPaginas() {
    if (EmpiezaAdquisicion()) {
        EmpezarOrdenDePaginas();
        OlvidarPaginaPerdida();
    }
    int ultima = std::min<int>(nImagen, kMaxImagenes - 1);
    // A slot left empty (a page whose image information failed) is no page:
    // it neither counts nor takes a position.
    int retenidas =
        int(std::count_if(ahImagenes, ahImagenes + ultima + 1, [](HGLOBAL h) { return h != 0; }));
    if (nPasada == 1)
        nPaginasPrimeraPasada += retenidas;
    else if (nPagina > 2 * nPaginasPrimeraPasada - 1)
        nPagina = 2 * nPaginasPrimeraPasada - 1;
    for (int i = 0; i <= ultima; ++i) {
        if (ahImagenes[i] == 0)
            continue;
        GuardarPagina(ahImagenes[i]);
        LiberadorDeMemoria(ahImagenes[i]);
        ahImagenes[i] = 0;
        AvanzarPosicion();
    }
    nImagen = -1;
    return 1;
}

// FreeImage may report success for a document it could not finish (a full
// disk): the document must read back with every page written.
void CerrarDocumentoMultipagina() {
    if (!hMultiPagina)
        return;
    bool escrito = CerrarDocumentoTiff(hMultiPagina, FlagsTiffMultipagina()) &&
                   PaginasDeTiff(szArchivoSalida) == PaginasEscritas();
    hMultiPagina = nullptr;
    if (!escrito)
        InformarPaginaPerdida(szArchivoSalida);
}

} // namespace zel
