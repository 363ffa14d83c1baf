// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(BOOL) CargarManejadorDispositivo(void) { return 0; }
ZELTW32_API(BOOL) AbrirManejadorDispositivo(HWND) { return 0; }
ZELTW32_API(BOOL) CerrarDispositivo(void) { return 0; }
ZELTW32_API(BOOL) CerrarManejadorDispositivo(HWND) { return 0; }
ZELTW32_API(BOOL) DescargarManejadorDispositivo(void) { return 0; }
ZELTW32_API(BOOL) SeleccionarDispositivo(HWND) { return 0; }
ZELTW32_API(BOOL) MostrarEscanerXDefecto(HWND, LPSTR) { return 0; }
ZELTW32_API(BOOL) MostrarPrimerEscaner(HWND, LPSTR) { return 0; }
ZELTW32_API(BOOL) MostrarSiguienteEscaner(HWND, LPSTR) { return 0; }
ZELTW32_API(BOOL) AbrirDispositivoXDefecto(void) { return 0; }
ZELTW32_API(BOOL) AbrirDispositivo(int) { return 0; }
ZELTW32_API(BOOL) AbrirDispositivoXNombre(LPCSTR) { return 0; }
