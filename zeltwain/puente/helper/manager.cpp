// Loading the helper's manager, always by full path: the one named in
// ZELTWPUENTE_MANEJADOR, else TWAINDSM.DLL of the system folder (SysWOW64
// for a 32-bit process on 64-bit Windows), else TWAIN_32.DLL of the Windows
// folder.
#include "helper/helper.h"

namespace zel::puente {

namespace {

std::string EnCarpeta(UINT(WINAPI *carpeta)(LPSTR, UINT), const char *nombre) {
    char ruta[MAX_PATH] = "";
    UINT largo = carpeta(ruta, sizeof ruta);
    if (largo == 0 || largo >= sizeof ruta)
        return "";
    std::string completa = ruta;
    if (completa.back() != '\\')
        completa += '\\';
    return completa + nombre;
}

std::string Nombrado() {
    char ruta[MAX_PATH] = "";
    DWORD largo = GetEnvironmentVariableA("ZELTWPUENTE_MANEJADOR", ruta, sizeof ruta);
    return largo > 0 && largo < sizeof ruta ? ruta : "";
}

DSMENTRYPROC Cargar(const std::string &ruta) {
    if (ruta.empty() || GetFileAttributesA(ruta.c_str()) == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    HMODULE modulo = LoadLibraryA(ruta.c_str());
    FARPROC proc = modulo ? GetProcAddress(modulo, "DSM_Entry") : nullptr;
    Traza((proc ? "manager loaded: " : "manager unusable: ") + ruta);
    return reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void *>(proc));
}

} // namespace

DSMENTRYPROC CargarManejador() {
    std::string nombrado = Nombrado();
    if (!nombrado.empty())
        return Cargar(nombrado);
    if (DSMENTRYPROC entrada = Cargar(EnCarpeta(GetSystemDirectoryA, "TWAINDSM.DLL")))
        return entrada;
    return Cargar(EnCarpeta(GetWindowsDirectoryA, "TWAIN_32.DLL"));
}

} // namespace zel::puente
