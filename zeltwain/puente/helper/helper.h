// The helper program's shared state: its manager, the application identity
// it gives that manager, its own window, and the sources it has enabled.
#pragma once

#include <windows.h>

#include <twain.h>

#include <string>
#include <vector>

namespace zel::puente {

class Canal;

// A source this helper enabled, and the library's window its events go to.
struct Habilitada {
    TW_IDENTITY fuente;
    HWND ventanaBiblioteca;
};

struct Ayudante {
    DSMENTRYPROC entrada = nullptr;
    TW_IDENTITY aplicacion{};
    bool conIdentidad = false;
    // The hidden popup given to the manager and sources as their parent.
    HWND ventana = 0;
    std::vector<Habilitada> habilitadas;
};

Ayudante &Estado();

// One trace line "ZELTW32Puente: <texto>".
void Traza(const std::string &texto);

// manager.cpp: the manager by full path; null when none is found.
DSMENTRYPROC CargarManejador();

// pump.cpp: waits for the pipe's event while serving this thread's
// messages; false when the wait failed.
bool EsperarConMensajes(HANDLE evento);

// requests.cpp: serves the library's requests until the pipe breaks.
void Servir(Canal &canal);

} // namespace zel::puente
