#include "zeltw32.h"

#include "pages/freeimage_setup.h"
#include "pages/page_names.h"
#include "pages/page_order.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace zel {
namespace {

// Positions of the written pages, in output order.
std::vector<long> aPosicionesEscritas;

// Renames numbered page desde to hasta; a page of an earlier acquisition
// that holds the name hasta is replaced, as a newly written page would.
bool MoverPagina(int desde, int hasta) {
    char origen[kTamArchivoSalida], destino[kTamArchivoSalida];
    if (!NombreDePagina(desde, origen) || !NombreDePagina(hasta, destino))
        return false;
    std::string rutaDestino = RutaNativa(destino);
    std::remove(rutaDestino.c_str());
    return std::rename(RutaNativa(origen).c_str(), rutaDestino.c_str()) == 0;
}

} // namespace

void EmpezarOrdenDePaginas() {
    aPosicionesEscritas.clear();
}

int PaginasEscritas() {
    return int(aPosicionesEscritas.size());
}

int LugarDePagina(long posicion) {
    auto lugar = std::lower_bound(aPosicionesEscritas.begin(), aPosicionesEscritas.end(), posicion);
    return int(lugar - aPosicionesEscritas.begin());
}

void AnotarPagina(long posicion) {
    aPosicionesEscritas.insert(aPosicionesEscritas.begin() + LugarDePagina(posicion), posicion);
    // Hosts follow a batch's progress by this line.
    OutputDebugStringA("ZELTW: page written.\n");
}

bool HacerSitioEnSerie(int lugar) {
    for (int pagina = PaginasEscritas() - 1; pagina >= lugar; --pagina) {
        if (!MoverPagina(pagina, pagina + 1)) {
            OutputDebugStringA("ZELTW: numbered page cannot be moved up.\n");
            for (int movida = pagina + 1; movida < PaginasEscritas(); ++movida)
                MoverPagina(movida + 1, movida);
            return false;
        }
    }
    return true;
}

void CerrarHuecoEnSerie(int lugar) {
    for (int pagina = lugar; pagina < PaginasEscritas(); ++pagina)
        MoverPagina(pagina + 1, pagina);
}

} // namespace zel
