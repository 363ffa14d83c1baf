// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(HGLOBAL) EsperarANativeXfer(HWND) { return 0; }
ZELTW32_API(BOOL) FinXfer(void) { return 0; }
ZELTW32_API(BOOL) AbortarPendienteXfer(void) { return 0; }
