// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(int) OcultarUI(int) { return 0; }
ZELTW32_API(int) OcutadaUI(void) { return 0; }
ZELTW32_API(BOOL) HabilitarDispositivo(HWND) { return 0; }
ZELTW32_API(BOOL) DeshabilitarDispositivo(void) { return 0; }
ZELTW32_API(void) BucleEventosModal(void) {}
ZELTW32_API(void) RomperBucleEventosModal(void) {}
ZELTW32_API(BOOL) CapturarMensajes(LPMSG) { return 0; }
