// Windows bitmap files: a DIB written after a 14-byte file header, and read
// back into a new global-memory block, by name (with the save or open dialog
// when no name is given) or through an open file handle.
#include "zeltw32.h"

#include "dib/dib_layout.h"
#include "dib/file_dialogs.h"

namespace {

constexpr WORD kFirmaBmp = 0x4D42; // "BM"
constexpr UINT kCrearExclusivo = OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE;
constexpr UINT kLeerSinEscritores = OF_READ | OF_SHARE_DENY_WRITE;
// The literal's own terminating zero ends the filter with its second NUL.
constexpr char kFiltroGuardar[] = "Windows Bitmap (*.bmp)\0*.bmp\0";
constexpr char kFiltroAbrir[] = "Windows Bitmaps (*.bmp)\0*.bmp\0";
constexpr char kExtensionBmp[] = ".bmp";
// A DIB read from a file is read in one call with a signed 32-bit count.
constexpr DWORD kMaxLectura = 0x7FFFFFFF;

// Result codes of the writers.
constexpr int kEscrito = 0;
constexpr int kDialogoCancelado = -1;
constexpr int kNoCreado = -2;
constexpr int kNoBloqueado = -3;
constexpr int kNoEscrito = -4;

// Offsets in the file header.
constexpr size_t kOffTipo = 0;
constexpr size_t kOffTamano = 2;
constexpr size_t kOffDatos = 10;

bool NombreVacio(LPCSTR szNombre) {
    return !szNombre || !*szNombre;
}

// Opens a bitmap file for writing (created, not shared) or reading (shared
// with readers).  OpenFile takes names of fewer than OFS_MAXPATHNAME
// characters, and on Windows fails for a full path that long; CreateFileA
// takes the rest up to MAX_PATH, and its handle serves the _l* calls as an
// HFILE.
HFILE AbrirArchivo(LPCSTR szNombre, bool bEscribir) {
    if (lstrlenA(szNombre) < OFS_MAXPATHNAME) {
        OFSTRUCT of;
        HFILE hArchivo = OpenFile(szNombre, &of, bEscribir ? kCrearExclusivo : kLeerSinEscritores);
        if (hArchivo != HFILE_ERROR)
            return hArchivo;
    }
    HANDLE h = CreateFileA(
        szNombre, bEscribir ? GENERIC_WRITE : GENERIC_READ, bEscribir ? 0 : FILE_SHARE_READ,
        nullptr, bEscribir ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, HANDLE());
    return h == INVALID_HANDLE_VALUE ? HFILE_ERROR : HFILE(UINT_PTR(h));
}

// True when the DIB part of the file that the writer would produce (header,
// colour table, pixel data) lies inside the block.
bool CabeParaEscribir(const DibBloqueado &dib) {
    if (dib.Tamano() < kTamCabeceraInfo)
        return false;
    DisposicionArchivo disposicion;
    if (!CalcularDisposicionArchivo(dib.Direccion(), &disposicion))
        return false;
    return disposicion.bfSize - kTamCabeceraArchivo <= dib.Tamano();
}

// True when the file holds fewer than nBytes bytes after the current
// position.  A handle that cannot be positioned is given the benefit of the
// doubt: the read itself will tell.
bool QuedanMenosDe(HFILE hArchivo, DWORD nBytes) {
    LONG actual = _llseek(hArchivo, 0, FILE_CURRENT);
    if (actual < 0)
        return false;
    LONG final = _llseek(hArchivo, 0, FILE_END);
    _llseek(hArchivo, actual, FILE_BEGIN);
    return final >= actual && DWORD(final - actual) < nBytes;
}

} // namespace

ZELTW32_API(int) EscribirEnNombreArchivo(HGLOBAL hDib, LPSTR szArchivo) {
    char szDialogo[kTamNombreArchivo];
    LPCSTR szNombre = szArchivo;
    if (NombreVacio(szArchivo)) {
        if (!PedirNombreArchivo(TipoDialogo::Guardar, kFiltroGuardar, kExtensionBmp, szDialogo))
            return kDialogoCancelado;
        szNombre = szDialogo;
    }
    HFILE hArchivo = AbrirArchivo(szNombre, true);
    if (hArchivo == HFILE_ERROR)
        return kNoCreado;
    int resultado = EscribirEnArchivo(hDib, hArchivo);
    _lclose(hArchivo);
    return resultado;
}

// Checks that the DIB lies inside its block before writing it, since the
// writer itself only gets an address.
ZELTW32_API(int) EscribirEnArchivo(HGLOBAL hDib, HFILE hArchivo) {
    DibBloqueado dib(hDib);
    if (!dib.Direccion())
        return kNoBloqueado;
    if (!CabeParaEscribir(dib))
        return kNoEscrito;
    BOOL escrito =
        EscribirDibAArchivo(reinterpret_cast<LPBITMAPINFOHEADER>(dib.Direccion()), hArchivo);
    return escrito ? kEscrito : kNoEscrito;
}

// Trusts its caller that header, colour table and pixel data are all
// readable: it receives an address without the size of the block behind it.
// For BI_RGB the computed image size is stored back into the header.
ZELTW32_API(BOOL) EscribirDibAArchivo(LPBITMAPINFOHEADER pCabecera, HFILE hArchivo) {
    if (!pCabecera)
        return FALSE;
    DisposicionArchivo disposicion;
    if (!CalcularDisposicionArchivo(pCabecera, &disposicion))
        return FALSE;
    if (pCabecera->biCompression == BI_RGB)
        pCabecera->biSizeImage = disposicion.nTamImagen;

    BYTE cabecera[kTamCabeceraArchivo] = {};
    EscribirWord(cabecera, kOffTipo, kFirmaBmp);
    EscribirDword(cabecera, kOffTamano, disposicion.bfSize);
    EscribirDword(cabecera, kOffDatos, disposicion.bfOffBits);
    if (_lwrite(hArchivo, reinterpret_cast<LPCCH>(cabecera), kTamCabeceraArchivo) !=
        kTamCabeceraArchivo)
        return FALSE;
    UINT nDib = disposicion.bfSize - kTamCabeceraArchivo;
    return _lwrite(hArchivo, reinterpret_cast<LPCCH>(pCabecera), nDib) == nDib;
}

ZELTW32_API(HGLOBAL) CargarAMemoriaDeNombreArchivo(LPSTR szArchivo) {
    char szDialogo[kTamNombreArchivo];
    LPCSTR szNombre = szArchivo;
    if (NombreVacio(szArchivo)) {
        if (!PedirNombreArchivo(TipoDialogo::Abrir, kFiltroAbrir, kExtensionBmp, szDialogo))
            return 0;
        szNombre = szDialogo;
    }
    HFILE hArchivo = AbrirArchivo(szNombre, false);
    if (hArchivo == HFILE_ERROR)
        return 0;
    HGLOBAL hDib = CargarAMemoriaDeArchivo(hArchivo);
    _lclose(hArchivo);
    return hDib;
}

// Reads the DIB that follows the file header, as long as bfSize says.  A
// file shorter than that is refused before anything is allocated, so that a
// lying bfSize cannot ask for a huge block; nothing allocated here survives
// a failure.
ZELTW32_API(HGLOBAL) CargarAMemoriaDeArchivo(HFILE hArchivo) {
    BYTE cabecera[kTamCabeceraArchivo];
    if (_lread(hArchivo, cabecera, kTamCabeceraArchivo) != kTamCabeceraArchivo)
        return 0;
    if (LeerWord(cabecera, kOffTipo) != kFirmaBmp)
        return 0;
    DWORD bfSize = LeerDword(cabecera, kOffTamano);
    if (bfSize < kTamCabeceraArchivo)
        return 0;
    DWORD nDib = bfSize - kTamCabeceraArchivo;
    if (nDib > kMaxLectura || QuedanMenosDe(hArchivo, nDib))
        return 0;

    HGLOBAL hDib = GlobalAlloc(GMEM_FIXED, nDib);
    if (!hDib)
        return 0;
    void *pDib = GlobalLock(hDib);
    if (!pDib) {
        GlobalFree(hDib);
        return 0;
    }
    LONG leidos = _hread(hArchivo, pDib, LONG(nDib));
    GlobalUnlock(hDib);
    if (leidos != LONG(nDib)) {
        GlobalFree(hDib);
        return 0;
    }
    return hDib;
}
