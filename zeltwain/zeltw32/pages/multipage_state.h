// The fields of a multi-page acquisition: the options the host sets before
// the call, the output chosen for it, the open multi-page document and the
// page counters.  They live beside the session record and are shared by the
// acquisition, the page writer and the transfer loops.
#pragma once

#include "zeltw32.h"

#include <FreeImage.h>

#include <cstdint>

namespace zel {

// Room of an output name, the terminating zero included.
constexpr int kTamArchivoSalida = 256;
// Room of an extension with its dot: at most 11 characters and the zero.
constexpr int kTamExtension = 12;

extern TW_UINT16 nFormatoArchivo;
extern char szArchivoSalida[kTamArchivoSalida];
extern char szExtension[kTamExtension];
extern FIMULTIBITMAP *hMultiPagina;
extern int32_t nModoDuplex;
extern int32_t bForzarDuplex;
extern double dUmbralBlanco;
extern int32_t nCompresion;
extern int32_t nPasada;
extern int32_t nPagina;
extern int32_t nPaginasDescartadas;
extern int32_t nPaginasPrimeraPasada;
extern int32_t nPosicionInsercion;

// Puts the options and counters back to their initial values; the forced
// manual duplex is reset only when asked, since an acquisition that ran
// keeps it for the next one.
void ReiniciarOpciones(bool reiniciarForzarDuplex);

} // namespace zel
