// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(int) DibProfundidad(HGLOBAL) { return 0; }
ZELTW32_API(int) DibAnchura(HGLOBAL) { return 0; }
ZELTW32_API(int) DibAltura(HGLOBAL) { return 0; }
ZELTW32_API(int) DibNumColores(HGLOBAL) { return 0; }
ZELTW32_API(HPALETTE) CrearPaletaDib(HGLOBAL) { return 0; }
ZELTW32_API(int) DibujarDibADC(HDC, int, int, int, int, HGLOBAL, int, int) { return 0; }
ZELTW32_API(void) LiberadorDeMemoria(HGLOBAL) {}
