#include "zeltw32.h"

#include "pages/page_names.h"

#include <cstdio>
#include <cstring>

namespace zel {

bool NombreNumerado(const char *salida, const char *extension, long k,
                    char (&nombre)[kTamArchivoSalida]) {
    nombre[0] = '\0';
    size_t largo = strnlen(salida, kTamArchivoSalida - 1);
    if (k == 0) {
        std::memcpy(nombre, salida, largo);
        nombre[largo] = '\0';
        return true;
    }
    size_t largoExtension = strnlen(extension, kTamExtension - 1);
    int base = int(largo > largoExtension ? largo - largoExtension : 0);
    int escrito = std::snprintf(nombre, sizeof nombre, "%.*s_%ld%.*s", base, salida, k,
                                int(largoExtension), extension);
    if (escrito < 0 || escrito >= kTamArchivoSalida) {
        nombre[0] = '\0';
        return false;
    }
    return true;
}

bool NombreDePagina(long k, char (&nombre)[kTamArchivoSalida]) {
    return NombreNumerado(szArchivoSalida, szExtension, k, nombre);
}

} // namespace zel
