// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(int) NegociarContadorXfer(int) { return 0; }
ZELTW32_API(int) NegociarTipoPixel(int) { return 0; }
ZELTW32_API(int) ObtenUnidadesActuales(void) { return 0; }
ZELTW32_API(int) PonUnidadesActuales(int) { return 0; }
ZELTW32_API(int) ObtenProfundidaBit(void) { return 0; }
ZELTW32_API(int) PonProfundidaBit(int) { return 0; }
ZELTW32_API(int) ObtenTipoPixel(void) { return 0; }
ZELTW32_API(int) PonActualTipoPixel(int) { return 0; }
ZELTW32_API(double) ObtenActualResolucion(void) { return 0.0; }
ZELTW32_API(double) ObtenYResolucion(void) { return 0.0; }
ZELTW32_API(int) PonActualResolucion(double) { return 0; }
ZELTW32_API(int) PonContraste(double) { return 0; }
ZELTW32_API(int) PonBrillo(double) { return 0; }
ZELTW32_API(int) XferMech(void) { return 0; }
ZELTW32_API(int) PonXferMech(int) { return 0; }
