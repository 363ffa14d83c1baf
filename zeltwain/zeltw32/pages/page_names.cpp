#include "zeltw32.h"

#include "pages/page_names.h"

#include <cstdio>
#include <cstring>

namespace zel {

bool NombreDePagina(long k, char (&nombre)[kTamArchivoSalida]) {
    nombre[0] = '\0';
    size_t largo = strnlen(szArchivoSalida, kTamArchivoSalida - 1);
    if (k == 0) {
        std::memcpy(nombre, szArchivoSalida, largo);
        nombre[largo] = '\0';
        return true;
    }
    size_t largoExtension = strnlen(szExtension, kTamExtension - 1);
    int base = int(largo > largoExtension ? largo - largoExtension : 0);
    int escrito = std::snprintf(nombre, sizeof nombre, "%.*s_%ld%.*s", base, szArchivoSalida, k,
                                int(largoExtension), szExtension);
    if (escrito < 0 || escrito >= kTamArchivoSalida) {
        nombre[0] = '\0';
        return false;
    }
    return true;
}

} // namespace zel
