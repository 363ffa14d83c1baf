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
#include <vector>

namespace zel {
namespace {

// Slots of the held pages before which a page the scanner handed over
// unusable came: such a page gave its slot to the next one, but keeps its
// position, so that a manual duplex still puts every back behind its front.
std::vector<int> aRanurasPerdidas;

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
        OutputDebugStringA("ZELTW: page lost: no page output for this format.\n");
}

// A page the scanner handed over unusable, or that FreeImage cannot read,
// is lost, not blank: it has no file of its own, so the report names the
// output it is missing from.
void InformarPaginaIlegible() {
    OutputDebugStringA("ZELTW: transferred page cannot be read.\n");
    if (nFormatoArchivo == TWFF_TIFFMULTI || EsSerieDeArchivos())
        InformarPaginaInutilizable(szArchivoSalida);
    else
        OutputDebugStringA("ZELTW: page lost: no page output for this format.\n");
}

// The slot after the last page held: a slot left empty before it (a page
// whose image information failed, its side passed through the scanner) keeps
// its position like a lost page; empty slots after it (pages a source
// counted but never had) take none.
int FinDeRetenidas(int ultima) {
    while (ultima >= 0 && ahImagenes[ultima] == 0)
        --ultima;
    return ultima + 1;
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
        if (HayPaginasPorEscribir())
            GuardarPaginas();
    }
    void PaginaPerdida() override {
        InformarPaginaIlegible();
        aRanurasPerdidas.push_back(nImagen);
    }
};

} // namespace

DestinoDePaginas &EscritorDePaginas() {
    static Escritor escritor;
    return escritor;
}

void EmpezarEscritura() {
    EmpezarOrdenDePaginas();
    OlvidarPaginaPerdida();
    aRanurasPerdidas.clear();
}

bool HayPaginasPorEscribir() {
    return nImagen > -1 || !aRanurasPerdidas.empty();
}

int GuardarPaginas() {
    int fin = FinDeRetenidas(std::min<int>(nImagen, kMaxImagenes - 1));
    if (nPasada == 1)
        nPaginasPrimeraPasada += fin + int(aRanurasPerdidas.size());
    else if (nPagina > 2 * nPaginasPrimeraPasada - 1)
        nPagina = 2 * nPaginasPrimeraPasada - 1;
    size_t perdida = 0;
    for (int i = 0; i < fin; ++i) {
        for (; perdida < aRanurasPerdidas.size() && aRanurasPerdidas[perdida] <= i; ++perdida)
            AvanzarPosicion();
        if (ahImagenes[i] != 0) {
            GuardarPagina(ahImagenes[i]);
            LiberadorDeMemoria(ahImagenes[i]);
            ahImagenes[i] = 0;
        }
        AvanzarPosicion();
    }
    for (; perdida < aRanurasPerdidas.size(); ++perdida)
        AvanzarPosicion();
    aRanurasPerdidas.clear();
    nImagen = -1;
    return 1;
}

// The report counts the pages missing from what reads back.
void CerrarDocumentoMultipagina() {
    if (!hMultiPagina)
        return;
    bool cerrado = CerrarDocumentoTiff(hMultiPagina, FlagsTiffMultipagina());
    hMultiPagina = nullptr;
    int faltan = PaginasEscritas() - PaginasDeTiff(szArchivoSalida);
    if (!cerrado || faltan > 0)
        InformarPaginaPerdida(szArchivoSalida, std::max(faltan, 1));
}

} // namespace zel
