// Placeholder bodies until this family is built: every export answers
// "failed" (0) or does nothing.
#include "zeltw32.h"

ZELTW32_API(HGLOBAL) AdquirirEnMemoria(HWND, DWORD) {
    return 0;
}
ZELTW32_API(BOOL) AdquirirEnPortaPapeles(HWND, DWORD) {
    return 0;
}
ZELTW32_API(int) AdquirirEnArchivo(HWND, LPSTR) {
    return 0;
}
