// Loading, opening, closing and unloading the data source manager, and
// opening and closing data sources.  Each operation looks at nEstado first
// and does only the steps that are missing.
#include "session/session.h"

#include <cstring>

#include "session/diagnostics.h"
#ifdef _WIN64
#include "bridge/bridge.h"
#endif

namespace zel {

namespace {

using LeerCarpeta = UINT(WINAPI *)(LPSTR, UINT);

// The file `nombre` in the folder that `carpeta` reads, with a backslash
// between them unless the folder ends in a drive colon.  A folder that
// cannot be read, or is too long for the 128-byte buffer, gives no path: a
// bare or cut name would let the system look for the manager in other
// folders.
bool RutaEnCarpeta(LeerCarpeta carpeta, const char *nombre, char *ruta, size_t tam) {
    char directorio[128] = "";
    UINT largo = carpeta(directorio, sizeof directorio);
    if (largo == 0 || largo >= sizeof directorio)
        return false;
    lstrcpynA(ruta, directorio, int(tam));
    size_t n = std::strlen(ruta);
    if (n > 0 && ruta[n - 1] != ':' && n + 1 < tam) {
        ruta[n] = '\\';
        ruta[n + 1] = '\0';
    }
    size_t usado = std::strlen(ruta);
    lstrcpynA(ruta + usado, nombre, int(tam - usado));
    return true;
}

bool ExisteArchivo(LPCSTR ruta) {
    OFSTRUCT of{};
    return OpenFile(ruta, &of, OF_EXIST) != HFILE_ERROR;
}

// Loads the manager found by full path in the folder; 0 when it is not there.
HMODULE CargarDe(LeerCarpeta carpeta, const char *nombre) {
    char ruta[160];
    if (!RutaEnCarpeta(carpeta, nombre, ruta, sizeof ruta) || !ExisteArchivo(ruta))
        return 0;
    return LoadLibraryA(ruta);
}

// Whether both calls give the same folder (names compared without case).
bool MismaCarpeta(LeerCarpeta a, LeerCarpeta b) {
    char carpetaA[128] = "", carpetaB[128] = "";
    return a(carpetaA, sizeof carpetaA) < sizeof carpetaA &&
           b(carpetaB, sizeof carpetaB) < sizeof carpetaB && lstrcmpiA(carpetaA, carpetaB) == 0;
}

// TWAIN_32.DLL of the Windows folder, else of the system's Windows folder
// when that is another one: on a terminal server a host not marked as aware
// of it (a VB6 program) is given a Windows folder of its user's own, which
// holds no manager.
HMODULE CargarDeCarpetasWindows() {
    if (HMODULE twain32 = CargarDe(GetWindowsDirectoryA, "TWAIN_32.DLL"))
        return twain32;
    if (MismaCarpeta(GetWindowsDirectoryA, GetSystemWindowsDirectoryA))
        return 0;
    return CargarDe(GetSystemWindowsDirectoryA, "TWAIN_32.DLL");
}

// The manager of this process's architecture.  64-bit Windows has no
// TWAIN_32.DLL of its own: the 64-bit manager is TWAIN's TWAINDSM.DLL in the
// system folder; TWAIN_32.DLL of the Windows folders comes second, and of the
// system folder last (where Wine keeps its 64-bit one, the Windows folder's
// being its 32-bit one).  Each is loaded by full path, never through the
// search path.
HMODULE CargarManejador() {
#ifdef _WIN64
    if (HMODULE twaindsm = CargarDe(GetSystemDirectoryA, "TWAINDSM.DLL")) {
        OutputDebugStringA("ZELTW: TWAINDSM.DLL loaded from the system folder.\n");
        return twaindsm;
    }
    if (HMODULE twain32 = CargarDeCarpetasWindows())
        return twain32;
    return CargarDe(GetSystemDirectoryA, "TWAIN_32.DLL");
#else
    return CargarDeCarpetasWindows();
#endif
}

DSMENTRYPROC BuscarDSMEntry(HMODULE modulo) {
    FARPROC proc = GetProcAddress(modulo, "DSM_Entry");
    return reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void *>(proc));
}

// The loaded manager's entry, 0 when none loads; hDSM holds its module.
DSMENTRYPROC CargarEntradaLocal() {
    hDSM = CargarManejador();
    DSMENTRYPROC entrada = hDSM ? BuscarDSMEntry(hDSM) : nullptr;
    if (hDSM && !entrada) {
        FreeLibrary(hDSM);
        hDSM = 0;
    }
    return entrada;
}

// The entry the session calls: on 64-bit Windows, with the helper beside
// the library, the composite of the local manager (if any) and the helper's;
// else the local manager's own.
DSMENTRYPROC EntradaDeSesion(DSMENTRYPROC local) {
#ifdef _WIN64
    if (PuenteDisponible()) {
        OutputDebugStringA(local ? "ZELTW: the helper's sources join the local manager's.\n"
                                 : "ZELTW: no local manager: the helper's sources alone.\n");
        PonLados(local, EntradaPuente);
        return EntradaCompuesta;
    }
#endif
    return local;
}

// Closes the open source whatever state it is in, for the reopening
// operations; true when the manager accepted the close.
bool CerrarParaReabrir() {
    BOOL cerrado = ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &IdentidadDisp);
    PonEstado(ZEL_SM_ABIERTO);
    return cerrado != 0;
}

BOOL AbrirIdentidad(TW_IDENTITY *identidad) {
    BOOL resultado = ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, identidad);
    if (resultado) {
        ZEL_AFIRMAR(nEstado == ZEL_DISP_ABIERTO);
        PonXferMech(TWSX_NATIVE);
    }
    return resultado;
}

bool NombreContiene(const char *nombre, const char *parte) {
    return std::strstr(nombre, parte) != nullptr;
}

// The manager's identities are read as C strings: a product name that fills
// its field without a terminator is cut at the field's end.
void TerminarNombre(TW_IDENTITY &identidad) {
    identidad.ProductName[sizeof(TW_STR32) - 1] = '\0';
}

bool MismoCampo(const TW_STR32 a, const TW_STR32 b) {
    return std::strncmp(a, b, sizeof(TW_STR32)) == 0;
}

bool MismoDispositivo(const TW_IDENTITY &a, const TW_IDENTITY &b) {
    return MismoCampo(a.ProductName, b.ProductName) && MismoCampo(a.Manufacturer, b.Manufacturer) &&
           MismoCampo(a.ProductFamily, b.ProductFamily);
}

// Bound of a walk through the manager's list, against a manager whose
// MSG_GETNEXT never ends.
constexpr int kMaxFuentes = 256;

} // namespace

bool RutaManejador(char *ruta, size_t tam) {
    return RutaEnCarpeta(GetWindowsDirectoryA, "TWAIN_32.DLL", ruta, tam);
}

BOOL AbrirDispositivoIgual(const TW_IDENTITY &buscada) {
    if (nEstado >= ZEL_DISP_ABIERTO && !CerrarParaReabrir())
        return 0;
    if (nEstado < ZEL_SM_ABIERTO && !AbrirManejadorDispositivo(0))
        return 0;
    TW_IDENTITY identidad{};
    BOOL hay = ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &identidad);
    for (int i = 0; hay && i < kMaxFuentes; ++i) {
        if (MismoDispositivo(identidad, buscada))
            return AbrirIdentidad(&identidad);
        hay = ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &identidad);
    }
    OutputDebugStringA("ZELTW: the source opened before is no longer listed.\n");
    return 0;
}

} // namespace zel

using namespace zel;

ZELTW32_API(BOOL) CargarManejadorDispositivo(void) {
    if (nEstado >= ZEL_SM_CARGADO)
        return 1;
    pDSM_Entry = EntradaDeSesion(CargarEntradaLocal());
    if (pDSM_Entry) {
        nDisponible = 1;
        PonEstado(ZEL_SM_CARGADO);
    }
    return nEstado >= ZEL_SM_CARGADO;
}

ZELTW32_API(BOOL) AbrirManejadorDispositivo(HWND hWnd) {
    hVentanaPadre = ValidarVentana(hWnd);
    if (nEstado < ZEL_SM_ABIERTO && CargarManejadorDispositivo()) {
        if (ZEL_DSM(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &hVentanaPadre))
            ZEL_AFIRMAR(nEstado == ZEL_SM_ABIERTO);
    }
    return nEstado >= ZEL_SM_ABIERTO;
}

ZELTW32_API(BOOL) CerrarDispositivo(void) {
    nUltimoRC = TWRC_SUCCESS;
    if (nEstado == ZEL_DISP_HABILITADO)
        DeshabilitarDispositivo();
    if (nEstado == ZEL_DISP_ABIERTO) {
        if (ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &IdentidadDisp))
            ZEL_AFIRMAR(nEstado == ZEL_SM_ABIERTO);
    }
    return nEstado < ZEL_DISP_ABIERTO;
}

ZELTW32_API(BOOL) CerrarManejadorDispositivo(HWND hWnd) {
    hVentanaPadre = ValidarVentana(hWnd);
    nUltimoRC = TWRC_SUCCESS;
    if (CerrarDispositivo()) {
        if (ZEL_DSM(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &hVentanaPadre))
            ZEL_AFIRMAR(nEstado == ZEL_SM_CARGADO);
    }
    return nEstado < ZEL_SM_ABIERTO;
}

ZELTW32_API(BOOL) DescargarManejadorDispositivo(void) {
    CerrarManejadorDispositivo(0);
    if (nEstado == ZEL_SM_CARGADO) {
        if (hDSM != 0)
            FreeLibrary(hDSM);
        hDSM = 0;
        pDSM_Entry = nullptr;
        PonEstado(ZEL_SM_DESCARGADO);
    }
    return nEstado == ZEL_SM_DESCARGADO;
}

ZELTW32_API(BOOL) AbrirDispositivoXDefecto(void) {
    if (nEstado < ZEL_DISP_ABIERTO) {
        if (nEstado < ZEL_SM_ABIERTO && !AbrirManejadorDispositivo(0))
            return 0;
        std::memset(&IdentidadXDefecto, 0, sizeof IdentidadXDefecto);
        AbrirIdentidad(&IdentidadXDefecto);
    }
    return nEstado == ZEL_DISP_ABIERTO;
}

// Opens the source at a position of the manager's list (0 = first; a
// negative index opens the first too).
ZELTW32_API(BOOL) AbrirDispositivo(int nIndice) {
    if (nEstado >= ZEL_DISP_ABIERTO)
        return CerrarParaReabrir() ? AbrirDispositivo(nIndice) : 0;
    if (nEstado < ZEL_SM_ABIERTO && !AbrirManejadorDispositivo(0))
        return 0;
    TW_IDENTITY identidad{};
    BOOL resultado = ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &identidad);
    if (resultado) {
        for (int i = 0; i < nIndice; ++i)
            resultado = ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &identidad);
    }
    if (resultado)
        resultado = AbrirIdentidad(&identidad);
    return resultado;
}

// Opens a source by name.  The first source of the list matches when the
// name contains its product name; every later one when its product name
// contains the name.
ZELTW32_API(BOOL) AbrirDispositivoXNombre(LPCSTR szNombre) {
    const char *nombre = szNombre ? szNombre : "";
    if (nEstado >= ZEL_DISP_ABIERTO)
        return CerrarParaReabrir() ? AbrirDispositivoXNombre(szNombre) : 0;
    if (nEstado < ZEL_SM_ABIERTO && !AbrirManejadorDispositivo(0))
        return 0;
    TW_IDENTITY identidad{};
    BOOL resultado = ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &identidad);
    if (!resultado)
        return 0;
    TerminarNombre(identidad);
    bool coincide = NombreContiene(nombre, identidad.ProductName);
    while (!coincide) {
        if (!ZEL_DSM(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &identidad))
            return 0;
        TerminarNombre(identidad);
        coincide = NombreContiene(identidad.ProductName, nombre);
    }
    return AbrirIdentidad(&identidad);
}
