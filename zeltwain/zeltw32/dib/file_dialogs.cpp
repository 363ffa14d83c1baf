// Save and open dialogs shared by the bitmap files and the multi-page output.
#include "dib/file_dialogs.h"

#include <commdlg.h>

#include <cstring>

namespace {

// OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN
constexpr DWORD kOpcionesDialogo = 0x8006;

size_t LongitudAcotada(const char (&szNombre)[kTamNombreArchivo]) {
    const void *fin = std::memchr(szNombre, 0, kTamNombreArchivo);
    return fin ? size_t(static_cast<const char *>(fin) - szNombre) : kTamNombreArchivo;
}

} // namespace

bool MostrarDialogoArchivo(TipoDialogo tipo, LPCSTR szFiltro, char (&szNombre)[kTamNombreArchivo],
                           WORD *pnExtension) {
    std::memset(szNombre, 0, sizeof szNombre);
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    // The layout without the fields of later Windows versions, which every
    // version of the dialog accepts.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = 0;
    ofn.lpstrFilter = szFiltro;
    ofn.lpstrFile = szNombre;
    ofn.nMaxFile = kTamNombreAnunciado;
    ofn.Flags = kOpcionesDialogo;

    BOOL elegido = tipo == TipoDialogo::Guardar ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    // Whatever the dialog left in the buffer, the name ends inside it.
    szNombre[kTamNombreArchivo - 1] = '\0';
    if (!elegido)
        return false;
    if (pnExtension)
        *pnExtension = ofn.nFileExtension;
    return true;
}

bool PedirNombreArchivo(TipoDialogo tipo, LPCSTR szFiltro, LPCSTR szExtension,
                        char (&szNombre)[kTamNombreArchivo]) {
    WORD nExtension = 0;
    if (!MostrarDialogoArchivo(tipo, szFiltro, szNombre, &nExtension))
        return false;
    size_t longitud = LongitudAcotada(szNombre);
    size_t anadido = std::strlen(szExtension);
    // Windows reports a trailing dot with offset 0; the dot is checked too,
    // so that such a name is kept as typed whatever the dialog reports.
    bool sinExtension = nExtension == longitud && (longitud == 0 || szNombre[longitud - 1] != '.');
    if (sinExtension && longitud + anadido < kTamNombreArchivo)
        std::memcpy(szNombre + longitud, szExtension, anadido + 1);
    return true;
}
