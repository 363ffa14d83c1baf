// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(int) EscribirEnNombreArchivo(HGLOBAL, LPSTR) { return 0; }
ZELTW32_API(int) EscribirEnArchivo(HGLOBAL, HFILE) { return 0; }
ZELTW32_API(BOOL) EscribirDibAArchivo(LPBITMAPINFOHEADER, HFILE) { return 0; }
ZELTW32_API(HGLOBAL) CargarAMemoriaDeNombreArchivo(LPSTR) { return 0; }
ZELTW32_API(HGLOBAL) CargarAMemoriaDeArchivo(HFILE) { return 0; }
