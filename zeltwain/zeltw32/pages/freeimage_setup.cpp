#include "zeltw32.h"

#include "pages/freeimage_setup.h"

#include <FreeImage.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <zelplat/zelplat_test.h>
#endif

namespace zel {
namespace {

constexpr int kTamLinea = 512;

void MensajeFreeImage(FREE_IMAGE_FORMAT formato, const char *mensaje) {
    const char *nombre = formato == FIF_UNKNOWN ? nullptr : FreeImage_GetFormatFromFIF(formato);
    char linea[kTamLinea];
    std::snprintf(linea, sizeof linea, "ZELTW: FreeImage %s: %s\n", nombre ? nombre : "",
                  mensaje ? mensaje : "");
    OutputDebugStringA(linea);
}

void MensajeLibtiff(const char *modulo, const char *formato, va_list argumentos) {
    char linea[kTamLinea];
    int n = std::snprintf(linea, sizeof linea - 1, "ZELTW: libtiff %s: ", modulo ? modulo : "");
    if (n < 0 || n >= kTamLinea - 1)
        n = 0;
    std::vsnprintf(linea + n, sizeof linea - 1 - n, formato ? formato : "", argumentos);
    std::strcat(linea, "\n");
    OutputDebugStringA(linea);
}

// A FreeImage that uses the system's libtiff (as Debian's does) leaves
// libtiff's default handlers in place, which print on stderr; they are
// found at run time because libtiff comes in with FreeImage, without
// headers.  FreeImage.dll on Windows keeps libtiff inside and exports no
// such functions: there the lookup finds nothing and FreeImage's own
// handlers stay.
void DesviarMensajesLibtiff() {
    using Manejador = void (*)(const char *, const char *, va_list);
    using PonManejador = Manejador (*)(Manejador);
    HMODULE hPrograma = GetModuleHandleA(nullptr);
    for (const char *funcion : {"TIFFSetWarningHandler", "TIFFSetErrorHandler"}) {
        FARPROC pFuncion = GetProcAddress(hPrograma, funcion);
        if (pFuncion)
            reinterpret_cast<PonManejador>(reinterpret_cast<void *>(pFuncion))(MensajeLibtiff);
    }
}

} // namespace

void PrepararFreeImage() {
    static bool bPreparado = false;
    if (bPreparado)
        return;
    bPreparado = true;
    FreeImage_Initialise(FALSE);
    FreeImage_SetOutputMessage(MensajeFreeImage);
    DesviarMensajesLibtiff();
}

std::string RutaNativa(const char *archivo) {
#ifdef _WIN32
    return archivo ? archivo : "";
#else
    char ruta[4096];
    if (!ZelPlat_HostPath(archivo, ruta, sizeof ruta))
        return "";
    return ruta;
#endif
}

} // namespace zel
