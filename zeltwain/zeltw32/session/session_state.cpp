// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(BOOL) ZEL_DSM(TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF) { return 0; }
ZELTW32_API(BOOL) ZEL_DS(TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF) { return 0; }
ZELTW32_API(void) RegistrarApp(int, int, int, int, LPCSTR, LPCSTR, LPCSTR, LPCSTR) {}
ZELTW32_API(int) EstadoTwain(void) { return 0; }
ZELTW32_API(int) ZelTwainVersion(void) { return 0; }
ZELTW32_API(BOOL) EstaDisponible(void) { return 0; }
