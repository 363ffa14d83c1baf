// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(int) CodigoResultante(void) { return 0; }
ZELTW32_API(int) CodigoCondicionante(void) { return 0; }
ZELTW32_API(void) InformeUltimoError(LPCSTR) {}
ZELTW32_API(int) MensajeError(LPCSTR) { return 0; }
