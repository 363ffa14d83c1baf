/* Common file dialogs of the Win32 subset. */
#ifndef ZELPLAT_COMMDLG_H
#define ZELPLAT_COMMDLG_H

#include "windows.h"

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000

typedef UINT_PTR(CALLBACK *LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void *pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEA, *LPOPENFILENAMEA;

/* The size the 32-bit Windows layout has without the fields that Windows
   2000 added; dialogs accept it as well as sizeof(OPENFILENAMEA). */
#define OPENFILENAME_SIZE_VERSION_400A 76

/* Extended errors of the dialogs (CommDlgExtendedError). */
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

WINBASEAPI BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn);
WINBASEAPI BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn);
WINBASEAPI DWORD WINAPI CommDlgExtendedError(void);

#endif
