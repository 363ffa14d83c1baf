#include "zeltw32.h"

#include "pages/multipage_state.h"

namespace zel {

TW_UINT16 nFormatoArchivo = 0;
char szArchivoSalida[kTamArchivoSalida] = "";
char szExtension[kTamExtension] = "";
FIMULTIBITMAP *hMultiPagina = nullptr;
int32_t nModoDuplex = 2;
int32_t bForzarDuplex = 0;
double dUmbralBlanco = -1.0;
int32_t nCompresion = 0;
int32_t nPasada = 1;
int32_t nPagina = 0;
int32_t nPaginasDescartadas = 0;
int32_t nPaginasPrimeraPasada = 0;
int32_t nPosicionInsercion = 0;

void ReiniciarOpciones(bool reiniciarForzarDuplex) {
    dUmbralBlanco = -1.0;
    nModoDuplex = 2;
    nCompresion = 0;
    if (reiniciarForzarDuplex)
        bForzarDuplex = 0;
    nPasada = 1;
    nPagina = 0;
    nPaginasPrimeraPasada = 0;
    nPaginasDescartadas = 0;
}

} // namespace zel
