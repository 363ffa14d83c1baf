// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(int) ObtenActualCapacidad(int, int, void *) { return 0; }
ZELTW32_API(int) PonValorDeUnaCapacidad(int, int, TW_UINT32) { return 0; }
ZELTW32_API(TW_FIX32) ToFix32(double) { return TW_FIX32{0, 0}; }
ZELTW32_API(double) ZEL_Fix32ToFloat(TW_FIX32) { return 0.0; }
