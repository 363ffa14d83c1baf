// Debug assertions of the session: a failed check writes its expression text
// to the debug output and the operation goes on as if it had passed.
#pragma once

namespace zel {

void InformarAfirmacion(const char *expresion, const char *archivo, int linea);

} // namespace zel

#define ZEL_AFIRMAR(expr)                                                                          \
    do {                                                                                           \
        if (!(expr))                                                                               \
            ::zel::InformarAfirmacion(#expr, __FILE__, __LINE__);                                  \
    } while (0)
