// The library's load and unload hook: at process detach the manager is
// closed and unloaded, so that a host that forgot to do it leaves no source
// open.
#include "session/session.h"

namespace {

BOOL AlDescargarBiblioteca(DWORD motivo) {
    if (motivo == DLL_PROCESS_DETACH)
        DescargarManejadorDispositivo();
    return TRUE;
}

} // namespace

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD fdwReason, LPVOID) {
    return AlDescargarBiblioteca(fdwReason);
}
#else
__attribute__((destructor)) static void ZelAlSalirDelProceso() {
    AlDescargarBiblioteca(DLL_PROCESS_DETACH);
}
#endif
