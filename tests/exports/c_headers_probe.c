/* The public headers compile as C, and the records that cross the Win32
   and TWAIN interfaces have their 32-bit Windows layouts. */
#include <windows.h>
#include <commdlg.h>
#include <vfw.h>

#include <stddef.h>
#include <string.h>

#include "twain.h"
#include "zeltw32.h"

_Static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER");
_Static_assert(offsetof(BITMAPFILEHEADER, bfOffBits) == 10, "bfOffBits");
_Static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER");
_Static_assert(sizeof(BITMAPCOREHEADER) == 12, "BITMAPCOREHEADER");
_Static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD");
_Static_assert(sizeof(RGBTRIPLE) == 3, "RGBTRIPLE");
_Static_assert(sizeof(PALETTEENTRY) == 4, "PALETTEENTRY");
_Static_assert(offsetof(LOGPALETTE, palPalEntry) == 4, "LOGPALETTE");
_Static_assert(sizeof(OFSTRUCT) == 136, "OFSTRUCT");
_Static_assert(sizeof(HGLOBAL) == 4 && sizeof(HWND) == 4 && sizeof(HFILE) == 4, "32-bit handles");
_Static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(WORD) == 2, "integer widths");
_Static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY");

int main(void) {
    /* A C host calling through the headers: the library and the layer link. */
    TW_FIX32 fix = ToFix32(2.5);
    if (fix.Whole != 2 || fix.Frac != 32768)
        return 1;
    if (lstrlenA("ZelScan") != 7 || ZelTwainVersion() != 1)
        return 2;
    return 0;
}
