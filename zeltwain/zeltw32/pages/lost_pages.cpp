// Pages that FreeImage could not write: the user hears of the first one of
// an acquisition in a box; the rest, which usually share its cause (a full
// disk, a folder without rights), go to the debug output only.
#include "zeltw32.h"

#include "pages/page_writer.h"

#include <cstdio>

namespace zel {
namespace {

bool bPaginaPerdidaInformada = false;

} // namespace

void InformarPaginaPerdida(const char *archivo) {
    char texto[512];
    std::snprintf(texto, sizeof texto, "ZELTW: page not written: %s\n", archivo);
    OutputDebugStringA(texto);
    if (bPaginaPerdidaInformada)
        return;
    bPaginaPerdidaInformada = true;
    std::snprintf(texto, sizeof texto,
                  "No se ha podido guardar la p\xE1gina escaneada en el archivo %s. "
                  "Compruebe que la carpeta admite escritura y que hay espacio en el disco.",
                  archivo);
    MensajeError(texto);
}

void OlvidarPaginaPerdida() {
    bPaginaPerdidaInformada = false;
}

} // namespace zel
