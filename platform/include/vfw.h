/* Video for Windows DrawDib subset. */
#ifndef ZELPLAT_VFW_H
#define ZELPLAT_VFW_H

#include "windows.h"

typedef HANDLE HDRAWDIB;

#define DDF_0001 0x0001
#define DDF_UPDATE 0x0002
#define DDF_SAME_HDC 0x0004
#define DDF_SAME_DRAW 0x0008
#define DDF_DONTDRAW 0x0010
#define DDF_HALFTONE 0x0800

WINBASEAPI HDRAWDIB WINAPI DrawDibOpen(void);
WINBASEAPI BOOL WINAPI DrawDibClose(HDRAWDIB hdd);
WINBASEAPI BOOL WINAPI DrawDibDraw(HDRAWDIB hdd, HDC hdc, int xDst, int yDst, int dxDst, int dyDst,
                                   LPBITMAPINFOHEADER lpbi, LPVOID lpBits, int xSrc, int ySrc,
                                   int dxSrc, int dySrc, UINT wFlags);

#endif
