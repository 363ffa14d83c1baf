// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(int) AdquirirMultipagina(HWND, int, LPSTR) {
    return 0;
}
ZELTW32_API(int) AdquirirMultipaginaXDispositivo(HWND, int, LPSTR) {
    return 0;
}
ZELTW32_API(BOOL) EsDuplex(HWND, int) {
    return 0;
}
ZELTW32_API(void) Comprimir(int) {}
ZELTW32_API(void) PonDuplex(int) {}
ZELTW32_API(void) ForzarDuplex(int) {}
ZELTW32_API(void) DescartarEnBlanco(double) {}
