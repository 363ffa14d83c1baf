// Starting a program by its full path with a show state, without waiting.
#include "IniciarPrograma.h"

#include <vector>

std::optional<Fallo> IniciarPrograma(const ComandoHotKeys &comando, WORD nMostrar) {
    STARTUPINFOA inicio = {};
    inicio.cb = sizeof inicio;
    inicio.dwFlags = STARTF_USESHOWWINDOW;
    inicio.wShowWindow = nMostrar;
    PROCESS_INFORMATION proceso = {};
    // CreateProcessA may write into the command line, so it gets its own copy.
    std::vector<char> linea(comando.sLineaComando.begin(), comando.sLineaComando.end());
    linea.push_back('\0');
    if (!CreateProcessA(comando.sAplicacion.c_str(), linea.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &inicio, &proceso))
        return FalloDelSistema(GetLastError());
    // Nothing waits for the new program, so its handles are not kept.
    CloseHandle(proceso.hThread);
    CloseHandle(proceso.hProcess);
    return std::nullopt;
}
