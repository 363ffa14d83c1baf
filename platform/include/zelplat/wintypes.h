/*
 * Basic Win32 types for POSIX builds.
 *
 * Integers keep their Win32 widths (DWORD and LONG are 32 bits even on
 * LP64).  Handles are 32-bit values resolved through the platform's handle
 * tables, so that a DIB handle, a window or a module can cross a C, VB6 or
 * TWAIN interface as the 32-bit number it is on Windows.  All handle kinds
 * share one integer type here; the MinGW compile of the same sources
 * against the real headers checks that they are not mixed up.
 */
#ifndef ZELPLAT_WINTYPES_H
#define ZELPLAT_WINTYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define ZELPLAT_EXTERN_C extern "C"
#else
#define ZELPLAT_EXTERN_C extern
#endif

#if defined(ZELPLAT_BUILDING)
#define WINBASEAPI ZELPLAT_EXTERN_C __attribute__((visibility("default")))
#else
#define WINBASEAPI ZELPLAT_EXTERN_C
#endif
#define WINUSERAPI WINBASEAPI
#define WINGDIAPI WINBASEAPI

#define WINAPI
#define CALLBACK
#define APIENTRY
#define PASCAL
#define FAR
#define NEAR
#define VOID void

/* Tells other headers (FreeImage's among them) that the Windows types are
   already declared. */
#define _WINDOWS_

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef short SHORT;
typedef unsigned short USHORT;
typedef char CHAR;
typedef unsigned char UCHAR;
typedef WORD ATOM;
typedef DWORD COLORREF;
typedef size_t SIZE_T;
typedef int64_t INT64;
typedef uint64_t UINT64;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

typedef void *LPVOID, *PVOID;
typedef const void *LPCVOID;
typedef CHAR *LPSTR, *PSTR;
typedef const CHAR *LPCSTR, *PCSTR, *LPCCH;
typedef BYTE *LPBYTE;
typedef WORD *LPWORD;
typedef DWORD *LPDWORD;
typedef LONG *LPLONG;
typedef BOOL *LPBOOL;

typedef uint32_t HANDLE;
typedef HANDLE HGLOBAL;
typedef HANDLE HLOCAL;
typedef HANDLE HWND;
typedef HANDLE HDC;
typedef HANDLE HGDIOBJ;
typedef HANDLE HPALETTE;
typedef HANDLE HBITMAP;
typedef HANDLE HBRUSH;
typedef HANDLE HICON;
typedef HANDLE HCURSOR;
typedef HANDLE HMENU;
typedef HANDLE HINSTANCE;
typedef HANDLE HMODULE;
typedef int HFILE;
typedef HANDLE *LPHANDLE;

typedef intptr_t(WINAPI *FARPROC)(void);

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)0xFFFFFFFFu)

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define MAKELONG(a, b) ((LONG)(((WORD)(a)) | ((DWORD)((WORD)(b))) << 16))
#define RGB(r, g, b)                                                                               \
    ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(rgb) (LOBYTE(rgb))
#define GetGValue(rgb) (LOBYTE(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) (LOBYTE((rgb) >> 16))

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

#endif
