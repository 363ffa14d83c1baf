// The options of the next multi-page acquisition.  Each setter stores its
// argument only when it is in range and ignores it silently otherwise.
#include "zeltw32.h"

#include "pages/multipage_state.h"

using namespace zel;

// -9 to -1: TIFF compression of the document; 1 to 100: JPEG quality.
ZELTW32_API(void) Comprimir(int nValor) {
    if (nValor > -10 && nValor != 0 && nValor < 101)
        nCompresion = nValor;
}

ZELTW32_API(void) PonDuplex(int nModo) {
    if (nModo == 0 || nModo == 1)
        nModoDuplex = nModo;
}

ZELTW32_API(void) ForzarDuplex(int bForzar) {
    if (bForzar == 0 || bForzar == 1)
        bForzarDuplex = bForzar;
}

// A NaN fails both comparisons and is ignored like any value out of range.
ZELTW32_API(void) DescartarEnBlanco(double dUmbral) {
    if (dUmbral > -1.0 && dUmbral <= 100.0)
        dUmbralBlanco = dUmbral;
}
