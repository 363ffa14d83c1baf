// Platform failures described in the system's own words.
#include "Fallo.h"

namespace {

// FormatMessageA ends its descriptions with a line break, which a message box
// would show as an empty last line.
void QuitarFinDeLinea(std::string &texto) {
    while (!texto.empty() && (texto.back() == '\r' || texto.back() == '\n' || texto.back() == ' '))
        texto.pop_back();
}

} // namespace

Fallo FalloDelSistema(DWORD nError) {
    char texto[512] = {};
    DWORD nLargo = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, nError, 0, texto, sizeof texto, nullptr);
    std::string sDescripcion(texto, nLargo < sizeof texto ? nLargo : 0);
    QuitarFinDeLinea(sDescripcion);
    // A code the system cannot describe still names itself, so the box is never empty.
    if (sDescripcion.empty())
        sDescripcion = "Error " + std::to_string(nError);
    return Fallo{static_cast<LONG>(nError), sDescripcion};
}
